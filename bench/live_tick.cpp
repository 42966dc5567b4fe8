// The whole refresh tick of every tab of the main window on a live Firebird server, next to its
// honest floor, side by side in one run. A private server (scripts/fbserver, loopback) gets a
// database with the monitoring views, and for each size N a load as real clients make it
// (support/LiveLoad): N idle attachments, each with two prepared statements and a read-only
// transaction held open, N/10 statements waiting for a row lock and a few statements burning a
// processor (--busy, 1 by default: the machine has two cores). Then, for each tab:
//   tick    RefreshActivePage() of a connected main window (offscreen) on that tab, and the events
//           it leaves until the window is painted: whatever the window does on a timer tick;
//   fetch   the part of the tick spent in the monitoring reads (TdmQuillmere::ReadTime: the
//           snapshots, the plan, the end of the last tick's transaction); window: the rest (models,
//           grid, panes, charts, painting);
//   floor   one read-only read committed transaction in which a bare client loop fetches exactly
//           the rows and columns the tick needs from the same MON$ and RDB$ tables: no casts the
//           tick does not need, the statistics rows of the groups the tab uses only;
//   bare    SELECT 1 FROM MON$DATABASE in a new transaction: the price of a MON$ snapshot alone.
// Ticks and floors alternate, so that drift affects both alike; times are medians. The server's
// processor time (utime + stime from /proc, in clock ticks) is taken before and after each, less
// that of the server threads that run the busy statements, and averaged per tick and per floor
// (a median of clock ticks would hide everything under 10 ms). The logging pass (all seven
// items into the log tables) is measured the same way against the union of the tabs' floors.
//
//   live_tick [--sizes 100,1000,3000] [--tabs Database,Statements,...] [--repeats 7] [--busy 1]
//             [--timeout-tick 20] [--attach-timeout 900] [--no-pass] [--release 3|4|5]
// --release picks the server: 3 Debian's Firebird 3.0 (the default), 4 or 5 Firebird 4.0 or 5.0
// (../shared/fbserver-release).

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/ParamList.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "logging/IBPerformanceLogDM.h"
#include "mainwindow/MainForm.h"
#include "monitor/QuillmereDM.h"
#include "MonitoringSchema.h"
#include "support/BareReader.h"
#include "support/ConnectedWindow.h"
#include "support/LiveLoad.h"
#include "support/LiveServer.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QAction>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

// ---- The floors ------------------------------------------------------------------------------
// What each tick reads, as a bare client reads it. The pools are read on every tick, so every
// floor holds their rows; a tab's own rows come after them. The logging pass's floor is the union.
using Query = BareReader::Query;
using Floor = std::vector<Query>;

const char* const kDatabaseRow =
    "SELECT MON$STAT_ID, MON$DATABASE_NAME, MON$PAGE_SIZE, MON$PAGE_BUFFERS, MON$PAGES, MON$NEXT_TRANSACTION, "
    "MON$OLDEST_TRANSACTION, MON$OLDEST_ACTIVE, MON$OLDEST_SNAPSHOT, MON$SWEEP_INTERVAL FROM MON$DATABASE";
const char* const kMemoryRows =
    "SELECT MON$STAT_ID, MON$MEMORY_USED, MON$MEMORY_ALLOCATED, MON$MAX_MEMORY_USED FROM MON$MEMORY_USAGE";
const char* const kAttachmentRows =
    "SELECT MON$ATTACHMENT_ID, MON$STAT_ID, MON$SYSTEM_FLAG, MON$STATE, MON$TIMESTAMP, MON$USER, "
    "MON$REMOTE_ADDRESS, MON$REMOTE_HOST, MON$REMOTE_PROCESS, MON$REMOTE_PID, MON$SERVER_PID, MON$REMOTE_PROTOCOL "
    "FROM MON$ATTACHMENTS";
const char* const kStatementRows =
    "SELECT MON$STATEMENT_ID, MON$ATTACHMENT_ID, MON$STAT_ID, MON$STATE FROM MON$STATEMENTS";
// the text as wide as the SQL pane shows it
const char* const kStatementRowsWithText =
    "SELECT MON$STATEMENT_ID, MON$ATTACHMENT_ID, MON$STAT_ID, MON$STATE, MON$TRANSACTION_ID, MON$TIMESTAMP, "
    "CAST(SUBSTRING(MON$SQL_TEXT FROM 1 FOR 4094) AS VARCHAR(4094)) FROM MON$STATEMENTS";
const char* const kTransactionRows =
    "SELECT MON$TRANSACTION_ID, MON$ATTACHMENT_ID, MON$STAT_ID, MON$STATE, MON$TIMESTAMP, MON$ISOLATION_MODE, "
    "MON$LOCK_TIMEOUT, MON$READ_ONLY, MON$OLDEST_ACTIVE FROM MON$TRANSACTIONS";
const char* const kPageCounters =
    "SELECT MON$STAT_ID, MON$PAGE_READS, MON$PAGE_WRITES, MON$PAGE_FETCHES, MON$PAGE_MARKS FROM MON$IO_STATS "
    "WHERE MON$STAT_GROUP = ?";
const char* const kRecordCounters =
    "SELECT MON$STAT_ID, MON$RECORD_SEQ_READS, MON$RECORD_IDX_READS, MON$RECORD_INSERTS, MON$RECORD_UPDATES, "
    "MON$RECORD_DELETES, MON$RECORD_BACKOUTS, MON$RECORD_PURGES, MON$RECORD_EXPUNGES, MON$RECORD_CONFLICTS, "
    "MON$RECORD_WAITS FROM MON$RECORD_STATS WHERE MON$STAT_GROUP = ?";
const char* const kProcedureCalls =
    "SELECT MON$STATEMENT_ID, MON$STAT_ID, MON$TIMESTAMP, MON$PACKAGE_NAME, MON$OBJECT_NAME FROM MON$CALL_STACK "
    "WHERE MON$OBJECT_TYPE = 5";
const char* const kProcedureNumbers = "SELECT RDB$PROCEDURE_ID, RDB$PROCEDURE_NAME, RDB$PACKAGE_NAME FROM RDB$PROCEDURES";
const char* const kMetadataCounts =
    "SELECT (SELECT COUNT(*) FROM RDB$RELATIONS), "
    "(SELECT COUNT(*) FROM RDB$TRIGGERS T WHERE COALESCE(T.RDB$TRIGGER_INACTIVE, 0) = 0) FROM RDB$DATABASE";
const char* const kRelationRows = "SELECT RDB$RELATION_ID, RDB$RELATION_NAME, RDB$FORMAT FROM RDB$RELATIONS";
const char* const kTableCounters = "SELECT MON$TABLE_NAME, MON$RECORD_STAT_ID FROM MON$TABLE_STATS WHERE MON$STAT_GROUP = 0";
const char* const kPointerPages =
    "SELECT RDB$RELATION_ID, COUNT(*) FROM RDB$PAGES WHERE RDB$PAGE_TYPE = 4 GROUP BY RDB$RELATION_ID";
const char* const kBareSnapshot = "SELECT 1 FROM MON$DATABASE";

// MON$STAT_GROUP
enum : int64_t { GroupDatabase = 0, GroupAttachment = 1, GroupTransaction = 2, GroupStatement = 3, GroupCall = 4 };

Floor counters(int64_t group, bool onlyAfterRows = false)
{
    return {{kPageCounters, {group}, onlyAfterRows}, {kRecordCounters, {group}, true}};
}

// The pools' rows, with the statements' texts when the tab shows them.
Floor pools(bool statementTexts)
{
    return {{kDatabaseRow, {}}, {kMemoryRows, {}}, {kAttachmentRows, {}},
            {statementTexts ? kStatementRowsWithText : kStatementRows, {}}, {kTransactionRows, {}}};
}

// The calls on the procedure stacks, their procedures' numbers and, when there are calls, their
// counters.
Floor procedureCalls()
{
    Floor f = {{kProcedureCalls, {}}};
    for (Query q : counters(GroupCall, true))
        f.push_back(q);
    f.push_back({kProcedureNumbers, {}});
    return f;
}

Floor join(std::initializer_list<Floor> parts)
{
    Floor all;
    for (const Floor& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Tab {
    const char* name;
    PageId page;
    Floor floor;
};

std::vector<Tab> allTabs()
{
    return {
        {"Database", PageId::Database,
         join({pools(false), counters(GroupDatabase), procedureCalls(), {{kMetadataCounts, {}}}})},
        {"Memory", PageId::Memory, pools(false)},
        {"Procedures", PageId::Procedures, join({pools(false), procedureCalls()})},
        {"Statements", PageId::Statements, join({pools(true), counters(GroupStatement)})},
        {"Tables & Views", PageId::Relations,
         join({pools(false),
               {{kRelationRows, {}}, {kTableCounters, {}}, {kRecordCounters, {GroupDatabase}}, {kPointerPages, {}}}})},
        {"Transactions", PageId::Transactions, join({pools(false), counters(GroupTransaction)})},
        {"Users", PageId::Users, join({pools(false), counters(GroupAttachment)})},
    };
}

// Everything the seven items read, each query once.
Floor passFloor()
{
    Floor all;
    for (const Tab& tab : allTabs())
        for (const Query& q : tab.floor) {
            const bool seen = std::any_of(all.begin(), all.end(), [&](const Query& a) {
                return QByteArray(a.text) == q.text && a.params == q.params;
            });
            // the statements with their texts stand for those without
            if (!seen && QByteArray(q.text) != kStatementRows)
                all.push_back(q);
        }
    return all;
}
const char* const kPassName = "Logging pass";
// ----------------------------------------------------------------------------------------------

struct Options {
    std::vector<int> sizes{100, 1000, 3000};
    std::vector<Tab> tabs;
    int repeats = 7;
    int busy = 1;
    double timeoutTick = 20;
    int attachTimeout = 900;
    bool pass = true;
    int release = 3;
};

// The options, or an exception naming what is wrong.
Options parseOptions(const QStringList& arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("The main window's refresh tick on a live Firebird server, "
                                               "next to its honest floor."));
    p.addHelpOption();
    const QCommandLineOption sizes(QStringLiteral("sizes"), QStringLiteral("Idle attachments, per step."),
                                   QStringLiteral("list"), QStringLiteral("100,1000,3000"));
    const QCommandLineOption tabs(QStringLiteral("tabs"),
                                  QStringLiteral("The tabs to measure (names or their beginnings; default all)."),
                                  QStringLiteral("list"));
    const QCommandLineOption repeats(QStringLiteral("repeats"), QStringLiteral("Ticks and floors per tab."),
                                     QStringLiteral("n"), QStringLiteral("7"));
    const QCommandLineOption busy(QStringLiteral("busy"), QStringLiteral("Statements burning a processor."),
                                  QStringLiteral("k"), QStringLiteral("1"));
    const QCommandLineOption timeout(QStringLiteral("timeout-tick"),
                                     QStringLiteral("A tab's remaining ticks are skipped once one takes longer."),
                                     QStringLiteral("seconds"), QStringLiteral("20"));
    const QCommandLineOption attach(QStringLiteral("attach-timeout"),
                                    QStringLiteral("Time limit for growing the load at each size."),
                                    QStringLiteral("seconds"), QStringLiteral("900"));
    const QCommandLineOption noPass(QStringLiteral("no-pass"), QStringLiteral("Skip the logging pass."));
    const QCommandLineOption release(QStringLiteral("release"),
                                     QStringLiteral("The Firebird release of the private server: 3, 4 or 5."),
                                     QStringLiteral("n"), QStringLiteral("3"));
    p.addOptions({sizes, tabs, repeats, busy, timeout, attach, noPass, release});
    p.process(arguments);

    Options o;
    bool ok = true;
    const auto number = [&ok](const QString& text, int low) {
        bool good = false;
        const int v = text.trimmed().toInt(&good);
        ok = ok && good && v >= low;
        return v;
    };
    o.sizes.clear();
    for (const QString& s : p.value(sizes).split(QLatin1Char(','), Qt::SkipEmptyParts))
        o.sizes.push_back(number(s, 1));
    o.repeats = number(p.value(repeats), 1);
    o.busy = number(p.value(busy), 0);
    o.attachTimeout = number(p.value(attach), 1);
    bool good = false;
    o.timeoutTick = p.value(timeout).toDouble(&good);
    ok = ok && good && o.timeoutTick > 0;
    if (!ok || o.sizes.empty())
        throw Exception(QStringLiteral("--sizes, --repeats, --busy, --timeout-tick and --attach-timeout take "
                                       "positive numbers (--busy also 0)"));
    o.pass = !p.isSet(noPass);
    o.release = p.value(release).trimmed().toInt(&good);
    if (!good || o.release < 3 || o.release > 5)
        throw Exception(QStringLiteral("--release takes 3, 4 or 5"));
    const QStringList wanted = p.value(tabs).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto matches = [](const Tab& tab, const QString& w) {
        return QString::fromLatin1(tab.name).startsWith(w.trimmed(), Qt::CaseInsensitive);
    };
    const std::vector<Tab> all = allTabs();
    for (const QString& w : wanted)
        if (std::none_of(all.begin(), all.end(), [&](const Tab& t) { return matches(t, w); }))
            throw Exception(QStringLiteral("no tab is called %1").arg(w));
    for (const Tab& tab : all)
        if (wanted.isEmpty() || std::any_of(wanted.begin(), wanted.end(), [&](const QString& w) { return matches(tab, w); }))
            o.tabs.push_back(tab);
    return o;
}

struct Samples {
    std::vector<double> ms, cpuMs;
    double medianMs() const { return median(ms); }
    double meanCpuMs() const
    {
        return cpuMs.empty() ? 0 : std::accumulate(cpuMs.begin(), cpuMs.end(), 0.0) / static_cast<double>(cpuMs.size());
    }
    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
};

struct Row {
    QString name;
    int64_t floorRows = 0;  // what one floor fetches
    Samples tick, floor;
    std::vector<double> fetchMs;  // the fetch part of each tick
    bool cut = false;
};

// Runs the sides alternately (tick first on even repeats); once a tick takes longer than the
// limit, the remaining ticks are skipped and the floors go on. The tick returns its fetch part.
template <class Tick, class Floor>
void alternate(Row& row, int repeats, double limitMs, const LiveServer& server, const std::vector<int>& busyThreads,
               Tick tick, Floor floor)
{
    const auto measure = [&](Samples& into, auto work) {
        const double cpu = server.cpuMs(busyThreads);
        QElapsedTimer t;
        t.start();
        work();
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        into.cpuMs.push_back(server.cpuMs(busyThreads) - cpu);
        into.ms.push_back(ms);
        return ms;
    };
    for (int r = 0; r < repeats; ++r) {
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (r % 2 == 0)) {
                if (row.cut)
                    continue;
                double fetch = 0;
                if (measure(row.tick, [&] { fetch = tick(); }) > limitMs)
                    row.cut = true;
                row.fetchMs.push_back(fetch);
            } else {
                measure(row.floor, floor);
            }
        }
    }
}

// "1.23", or "-" without a floor to compare with (a CPU time under one clock tick reads as 0).
QByteArray ratio(double a, double b) { return b > 0 ? QByteArray::number(a / b, 'f', 2) : QByteArray("-"); }

// The window part of a tick: the whole less its fetch, taken tick by tick.
double windowMs(const Row& r)
{
    std::vector<double> window;
    for (size_t i = 0; i < r.tick.ms.size() && i < r.fetchMs.size(); ++i)
        window.push_back(r.tick.ms[i] - r.fetchMs[i]);
    return Samples::median(window);
}

void printTable(const std::vector<Row>& rows, int repeats, double timeoutTick)
{
    std::printf("  %-16s %9s %9s %9s %9s %10s %7s %8s %9s %9s %6s %10s\n", "tab", "tick ms", "fetch ms", "window ms",
                "floor ms", "tick/floor", "win/", "tick CPU", "floor CPU", "CPU", "ticks", "floor rows");
    std::printf("  %-16s %9s %9s %9s %9s %10s %7s %8s %9s %9s %6s %10s\n", "", "", "", "", "", "", "fetch", "ms",
                "ms", "ratio", "", "");
    for (const Row& r : rows) {
        const double tick = r.tick.medianMs(), floor = r.floor.medianMs();
        const double fetch = Samples::median(r.fetchMs), window = windowMs(r);
        const double tickCpu = r.tick.meanCpuMs(), floorCpu = r.floor.meanCpuMs();
        std::printf("  %-16s %9.1f %9.1f %9.1f %9.1f %10s %7s %8.1f %9.1f %9s %3zu/%-2d %10lld\n", qPrintable(r.name),
                    tick, fetch, window, floor, ratio(tick, floor).constData(), ratio(window, fetch).constData(),
                    tickCpu, floorCpu, ratio(tickCpu, floorCpu).constData(), r.tick.ms.size(), repeats,
                    static_cast<long long>(r.floorRows));
    }
    for (const Row& r : rows)
        if (r.cut)
            std::printf("  cut: %s after %zu of %d ticks (one took longer than %.0f s)\n", qPrintable(r.name),
                        r.tick.ms.size(), repeats, timeoutTick);
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2) : QString();
}

void installViews(const ServerDatabase& db)
{
    QFile f(TestDatabase::schemaPath(QStringLiteral("firebird-monitoring-views.sql")));
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("cannot read %1").arg(f.fileName()));
    MonitoringSchema(f.readAll().toStdString())
        .install({db.name(), TestServer::userName(), TestServer::password(), QString()});
}

// What the tick left for the event loop: queued updates, then the paint they asked for.
void untilPainted()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

int run(const Options& o)
{
    std::printf("live_tick: the main window's refresh tick on a live Firebird server, against its honest floor\n");
    std::printf("  tick:   TfrmMain::RefreshActivePage() on the tab of a connected offscreen window and the events it\n"
                "          leaves until painted; fetch: its monitoring reads (ReadTime); window: the rest\n");
    std::printf("  floor:  one read-only read committed transaction, a bare client loop fetching the rows and columns\n"
                "          the tick needs (no casts but the SQL text's to the pane's 4094 characters, statistics of\n"
                "          the tab's groups only), statements prepared once\n");
    std::printf("  bare:   SELECT 1 FROM MON$DATABASE in a new transaction (a MON$ snapshot alone)\n");
    std::printf("  medians of %d, tick and floor alternating; server CPU: utime+stime of the server process per\n"
                "  tick or floor (mean; 10 ms clock ticks), less the server threads running the busy statements\n",
                o.repeats);
    std::printf("  files open allowed: %ld\n", LiveServer::raiseFileLimit());

    LiveServer server(o.release);
    server.start();
    std::printf("  private server: Firebird %d, 127.0.0.1:%d, pid %lld, folder %s\n", o.release, server.server().port(),
                static_cast<long long>(server.server().pid()), qPrintable(server.folder()));
    ServerDatabase db(server.server());
    installViews(db);
    std::printf("  database %s, monitoring views installed\n", qPrintable(db.name()));

    LiveLoad load({db.name(), TestServer::userName(), TestServer::password()});
    load.setIdleTransactions(true);
    std::unique_ptr<TfrmMain> form = connectedWindow(db.name(), QSize(1024, 768));
    TdmQuillmere& dm = form->dmQuillmere();
    std::unique_ptr<TdmPerformanceLog> log;
    if (o.pass) {
        log = std::make_unique<TdmPerformanceLog>(&form->dmServerProperties().IBDatabase);
        log->SetSnapshotModule(&dm);
        for (TLogItem item : AllLogItems)
            log->SetItemEnabled(item, true);
        QStringList missing, incorrect;
        log->VerifyTables(missing, incorrect);
        log->CreateTables(missing);
        log->CreateGenerator();
    }
    BareReader floor(db.name(), TestServer::userName(), TestServer::password());

    const auto attachLimit = std::chrono::seconds(o.attachTimeout);
    load.startBusy(o.busy, attachLimit);
    const std::vector<int> busyThreads = o.busy > 0 ? server.busiestThreads(o.busy, 3000) : std::vector<int>{};
    std::printf("  load: idle attachments each holding a read-only transaction; N/10 lock waits (\"%s\" of a row\n"
                "        another transaction holds: active, no CPU) and %d busy (a recursive cross join counting)\n",
                LiveLoad::waitText(), o.busy);
    QStringList threads;
    for (int tid : busyThreads)
        threads << QString::number(tid);
    if (o.busy > 0)
        std::printf("  server threads of the busy statements, their CPU left out: %s%s\n",
                    threads.isEmpty() ? "none found" : qPrintable(threads.join(QStringLiteral(", "))),
                    static_cast<int>(busyThreads.size()) == o.busy ? "" : " (not all found: the rest is counted)");
    std::printf("  machine: 2 cores shared with other developers' work (the busy statements take up to %d); load "
                "average %s\n",
                o.busy, qPrintable(loadAverage()));
    std::fflush(stdout);

    std::map<int, double> statementsTick;  // size -> the Statements tab's tick
    for (int n : o.sizes) {
        QElapsedTimer grow;
        grow.start();
        load.growTo(n, n / 10, attachLimit);
        const double growSeconds = static_cast<double>(grow.elapsed()) / 1000.0;
        const LiveLoad::Counts c = load.counts();
        std::printf("\nN = %d: %d idle attachments (2 prepared statements and a transaction each), %d lock waits, "
                    "%d busy statements (load grown in %.1f s)\n",
                    n, load.idleCount(), load.waiterCount(), load.busyCount(), growSeconds);
        std::printf("  MON$: %lld attachments, %lld statements (%lld active), %lld transactions\n",
                    static_cast<long long>(c.attachments), static_cast<long long>(c.statements),
                    static_cast<long long>(c.activeStatements), static_cast<long long>(c.transactions));
        std::fflush(stdout);

        std::vector<double> bare;
        for (int r = 0; r < o.repeats; ++r) {
            QElapsedTimer t;
            t.start();
            floor.readAlone(kBareSnapshot);
            bare.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
        std::printf("  bare MON$ snapshot: %.1f ms\n", Samples::median(bare));

        std::vector<Row> rows;
        for (const Tab& tab : o.tabs) {
            std::fprintf(stderr, "live_tick: N = %d, %s\n", n, tab.name);
            Row row;
            row.name = QString::fromLatin1(tab.name);
            form->SelectPage(tab.page);  // the tab change refreshes once, untimed
            untilPainted();
            row.floorRows = floor.read(tab.floor);  // and prepares the floor's statements
            alternate(
                row, o.repeats, o.timeoutTick * 1000, server, busyThreads,
                [&] {
                    const auto before = dm.ReadTime();
                    form->RefreshActivePage();
                    untilPainted();
                    return static_cast<double>((dm.ReadTime() - before).count()) / 1e6;
                },
                [&] { floor.read(tab.floor); });
            if (tab.page == PageId::Statements)
                statementsTick[n] = row.tick.medianMs();
            rows.push_back(std::move(row));
        }
        if (log) {
            std::fprintf(stderr, "live_tick: N = %d, %s\n", n, kPassName);
            Row row;
            row.name = QString::fromLatin1(kPassName);
            const Floor all = passFloor();
            row.floorRows = floor.read(all);
            alternate(
                row, o.repeats, o.timeoutTick * 1000, server, busyThreads,
                [&] {
                    log->LogSnapshot();
                    return 0.0;
                },
                [&] { floor.read(all); });
            row.fetchMs.clear();  // all of it is the server's
            rows.push_back(std::move(row));
        }
        printTable(rows, o.repeats, o.timeoutTick);
        std::printf("  load average %s (2 cores, shared)\n", qPrintable(loadAverage()));
        std::fflush(stdout);
    }
    if (statementsTick.count(1000) && statementsTick.count(3000))
        std::printf("\nStatements tick at 3000 / at 1000: %s (linear: 3)\n",
                    ratio(statementsTick[3000], statementsTick[1000]).constData());
    std::printf("\ngoals: tick/floor <= 1.5 on every tab and the logging pass; win/fetch <= 0.25 at 1000 and 3000;\n"
                "the Statements tick at 3000 <= 3.5 times the tick at 1000\n");

    // the window and the log module let go of their connection before the load and the server go
    log.reset();
    form.reset();
    TfrmMain::setConnectDialogRunner({});
    load.release();
    return 0;
}

}  // namespace
int main(int argc, char** argv)
{
    // before any thread exists: the watcher of the private server takes the stop signals
    LiveServer::blockStopSignals();
    LiveServer::raiseFileLimit();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    const auto fail = [](const std::exception& e) {
        std::fflush(stdout);
        if (const int signal = LiveServer::stopSignal()) {
            std::fprintf(stderr, "live_tick: interrupted\n");
            return 128 + signal;
        }
        std::fprintf(stderr, "live_tick: %s\n", e.what());
        return 1;
    };
    Options options;
    try {
        options = parseOptions(QCoreApplication::arguments());  // --help ends the program here
    } catch (const std::exception& e) {
        return fail(e);
    }
    QTemporaryDir work;
    // the user's settings file stays untouched, and the log module's trace files land here
    setSettingsFileNameOverride(work.filePath(QStringLiteral("quillmere.ini")));
    QDir::setCurrent(work.path());
    try {
        return run(options);
    } catch (const std::exception& e) {
        return fail(e);
    }
}

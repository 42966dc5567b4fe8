// The whole refresh tick of every tab of the main window on a live Firebird server, next to its
// floor, side by side in one run. A private server (scripts/fbserver, loopback) gets a database
// with the monitoring views, and for each size N a load of N idle attachments (two prepared
// statements each), N/10 statements waiting for a row lock and a few statements burning a
// processor (support/LiveLoad). Then, for each tab:
//   tick   RefreshActivePage() of a connected main window (offscreen) on that tab: whatever the
//          window does on a timer tick, its snapshot, the pools, the model and grid updates;
//   floor  one read-only read committed transaction in which a bare client loop fetches
//          SELECT * FROM each table of the tab's set (below) completely, each once.
// Ticks and floors alternate, so that drift affects both alike; times are medians. The server's
// processor time (utime + stime from /proc, in clock ticks) is taken before and after each, less
// that of the server threads that run the busy statements, and averaged per tick and per floor
// (a median of clock ticks would hide everything under 10 ms). The logging pass (all seven
// items into the log tables) is measured the same way against the union of the sets.
//
//   live_tick [--sizes 100,500,1000] [--tabs Database,Statements,...] [--repeats 7] [--busy 2]
//             [--timeout-tick 20] [--attach-timeout 600] [--no-pass] [--release 3|4|5]
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
#include "MonitoringSchema.h"
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

// ---- The floors' sets -----------------------------------------------------------------------
// The tables a tab's values and the pools are made from. The pools are read on every tick, so
// every set holds their tables; the logging pass reads the union of all sets.
const std::vector<const char*> kPoolTables = {"MON$DATABASE", "MON$MEMORY_USAGE", "MON$ATTACHMENTS",
                                              "MON$TRANSACTIONS", "MON$STATEMENTS"};
struct TabSet {
    const char* name;
    PageId page;
    std::vector<const char*> own;  // besides the pools' tables
};
const std::vector<TabSet> kTabSets = {
    {"Database", PageId::Database,
     {"MON$IO_STATS", "MON$RECORD_STATS", "MON$CALL_STACK", "RDB$RELATIONS", "RDB$TRIGGERS"}},
    {"Memory", PageId::Memory, {}},
    {"Procedures", PageId::Procedures, {"MON$CALL_STACK", "MON$IO_STATS", "MON$RECORD_STATS", "RDB$PROCEDURES"}},
    {"Statements", PageId::Statements, {"MON$IO_STATS", "MON$RECORD_STATS"}},
    {"Tables & Views", PageId::Relations, {"RDB$RELATIONS", "MON$TABLE_STATS", "MON$RECORD_STATS", "RDB$PAGES"}},
    {"Transactions", PageId::Transactions, {"MON$IO_STATS", "MON$RECORD_STATS"}},
    {"Users", PageId::Users, {"MON$IO_STATS", "MON$RECORD_STATS"}},
};
const char* const kPassName = "Logging pass";
// ----------------------------------------------------------------------------------------------

using Tables = std::vector<const char*>;

void addUnique(Tables& set, const Tables& more)
{
    for (const char* t : more)
        if (std::find_if(set.begin(), set.end(), [t](const char* s) { return QByteArray(s) == t; }) == set.end())
            set.push_back(t);
}

Tables floorSet(const TabSet& tab)
{
    Tables set = kPoolTables;
    addUnique(set, tab.own);
    return set;
}

Tables passSet()
{
    Tables set = kPoolTables;
    for (const TabSet& tab : kTabSets)
        addUnique(set, tab.own);
    return set;
}

struct Options {
    std::vector<int> sizes{100, 500, 1000};
    std::vector<const TabSet*> tabs;
    int repeats = 7;
    int busy = 2;
    double timeoutTick = 20;
    int attachTimeout = 600;
    bool pass = true;
    int release = 3;
};

// The options, or an exception naming what is wrong.
Options parseOptions(const QStringList& arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("The main window's refresh tick on a live Firebird server, "
                                               "next to its floor."));
    p.addHelpOption();
    const QCommandLineOption sizes(QStringLiteral("sizes"), QStringLiteral("Idle attachments, per step."),
                                   QStringLiteral("list"), QStringLiteral("100,500,1000"));
    const QCommandLineOption tabs(QStringLiteral("tabs"),
                                  QStringLiteral("The tabs to measure (names or their beginnings; default all)."),
                                  QStringLiteral("list"));
    const QCommandLineOption repeats(QStringLiteral("repeats"), QStringLiteral("Ticks and floors per tab."),
                                     QStringLiteral("n"), QStringLiteral("7"));
    const QCommandLineOption busy(QStringLiteral("busy"), QStringLiteral("Statements burning a processor."),
                                  QStringLiteral("k"), QStringLiteral("2"));
    const QCommandLineOption timeout(QStringLiteral("timeout-tick"),
                                     QStringLiteral("A tab's remaining ticks are skipped once one takes longer."),
                                     QStringLiteral("seconds"), QStringLiteral("20"));
    const QCommandLineOption attach(QStringLiteral("attach-timeout"),
                                    QStringLiteral("Time limit for growing the load at each size."),
                                    QStringLiteral("seconds"), QStringLiteral("600"));
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
    const auto matches = [](const TabSet& tab, const QString& w) {
        return QString::fromLatin1(tab.name).startsWith(w.trimmed(), Qt::CaseInsensitive);
    };
    for (const QString& w : wanted)
        if (std::none_of(kTabSets.begin(), kTabSets.end(), [&](const TabSet& t) { return matches(t, w); }))
            throw Exception(QStringLiteral("no tab is called %1").arg(w));
    for (const TabSet& tab : kTabSets)
        if (wanted.isEmpty() || std::any_of(wanted.begin(), wanted.end(), [&](const QString& w) { return matches(tab, w); }))
            o.tabs.push_back(&tab);
    return o;
}

// The floor's client: its own attachment, one statement per table, prepared at first use.
class FloorReader {
public:
    FloorReader(const QString& database, const QString& user, const QString& password)
    {
        ParamList params;
        params.setParam(QStringLiteral("user_name"), user);
        params.setParam(QStringLiteral("password"), password);
        m_att.attach(ib::toClientText(database), ib::databaseParamBlock(params));
    }
    ~FloorReader()
    {
        m_statements.clear();
        try {
            m_att.detach();
        } catch (const std::exception&) {
        }
    }
    // Every row of each table, fetched in one read-only read committed transaction (a blob
    // column's id comes with the row, its contents are not read); the rows fetched.
    int64_t read(const Tables& tables)
    {
        ib::Transaction tr;
        tr.start(m_att, ib::readCommittedTpb(true));
        int64_t rows = 0;
        for (const char* table : tables) {
            std::unique_ptr<ib::Statement>& st = m_statements[table];
            if (!st) {
                st = std::make_unique<ib::Statement>();
                st->prepare(m_att, tr, std::string("SELECT * FROM ") + table, 3);
            }
            st->execute(tr);
            while (st->fetch())
                ++rows;
        }
        tr.commit();
        return rows;
    }

private:
    ib::Attachment m_att;
    std::map<std::string, std::unique_ptr<ib::Statement>> m_statements;
};

struct Samples {
    std::vector<double> ms, cpuMs;
    double medianMs() const
    {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double meanCpuMs() const
    {
        return cpuMs.empty() ? 0 : std::accumulate(cpuMs.begin(), cpuMs.end(), 0.0) / static_cast<double>(cpuMs.size());
    }
};

struct Row {
    QString name;
    int64_t floorRows = 0;  // what one floor fetches
    Samples tick, floor;
    bool cut = false;
};

// Runs the sides alternately (tick first on even repeats); once a tick takes longer than the
// limit, the remaining ticks are skipped and the floors go on.
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
                if (measure(row.tick, tick) > limitMs)
                    row.cut = true;
                // what the tick left for the event loop (repaints) runs untimed
                QCoreApplication::processEvents();
            } else {
                measure(row.floor, floor);
            }
        }
    }
}

// "1.23", or "-" without a floor to compare with (a CPU time under one clock tick reads as 0).
QByteArray ratio(double a, double b) { return b > 0 ? QByteArray::number(a / b, 'f', 2) : QByteArray("-"); }

void printTable(const std::vector<Row>& rows, int repeats, double timeoutTick)
{
    std::printf("  %-16s %10s %10s %7s %12s %12s %7s %6s %11s\n", "tab", "tick ms", "floor ms", "ratio",
                "tick CPU ms", "floor CPU ms", "CPU", "ticks", "floor rows");
    for (const Row& r : rows) {
        const double tick = r.tick.medianMs(), floor = r.floor.medianMs();
        const double tickCpu = r.tick.meanCpuMs(), floorCpu = r.floor.meanCpuMs();
        std::printf("  %-16s %10.1f %10.1f %7s %12.1f %12.1f %7s %3zu/%-2d %11lld\n", qPrintable(r.name), tick,
                    floor, ratio(tick, floor).constData(), tickCpu, floorCpu, ratio(tickCpu, floorCpu).constData(),
                    r.tick.ms.size(), repeats, static_cast<long long>(r.floorRows));
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

// The main window as the program shows it, connected the way the tests connect it, with its
// refresh timer paused so that only the measured calls refresh.
std::unique_ptr<TfrmMain> connectedWindow(const QString& database)
{
    TfrmMain::setConnectDialogRunner([](TdlgConnectToDB&) { return int(QDialog::Rejected); });
    auto form = std::make_unique<TfrmMain>();
    form->show();
    QCoreApplication::sendPostedEvents();  // the first show, with the connect dialog cancelled
    TdmServerProperties& server = form->dmServerProperties();
    server.SetDatabaseName(database);
    server.SetUserName(TestServer::userName());
    server.SetPassword(TestServer::password());
    server.SetConnected(true);
    form->actPaused->setChecked(true);
    form->UpdateRefreshTimer();
    QCoreApplication::processEvents();
    return form;
}

int run(const Options& o)
{
    std::printf("live_tick: the main window's refresh tick on a live Firebird server, against its floor\n");
    std::printf("  tick:  TfrmMain::RefreshActivePage() on the tab of a connected offscreen window (snapshot, pools,\n"
                "         model and grid updates: whatever the window does now); repaints run untimed after it\n");
    std::printf("  floor: one read-only read committed transaction, SELECT * of each table of the tab's set fetched\n"
                "         whole by the bare client library (statements prepared once, blobs as ids, not read)\n");
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
    std::unique_ptr<TfrmMain> form = connectedWindow(db.name());
    std::unique_ptr<TdmPerformanceLog> log;
    if (o.pass) {
        log = std::make_unique<TdmPerformanceLog>(&form->dmServerProperties().IBDatabase);
        log->SetSnapshotModule(&form->dmQuillmere());
        for (TLogItem item : AllLogItems)
            log->SetItemEnabled(item, true);
        QStringList missing, incorrect;
        log->VerifyTables(missing, incorrect);
        log->CreateTables(missing);
        log->CreateGenerator();
    }
    FloorReader floor(db.name(), TestServer::userName(), TestServer::password());

    const auto attachLimit = std::chrono::seconds(o.attachTimeout);
    load.startBusy(o.busy, attachLimit);
    const std::vector<int> busyThreads = o.busy > 0 ? server.busiestThreads(o.busy, 3000) : std::vector<int>{};
    std::printf("  running statements: N/10 lock waits (\"%s\" of a row another transaction holds: active, no CPU)\n"
                "                      and %d busy (a recursive cross join counting, one core each)\n",
                LiveLoad::waitText(), o.busy);
    QStringList threads;
    for (int tid : busyThreads)
        threads << QString::number(tid);
    if (o.busy > 0)
        std::printf("  server threads of the busy statements, their CPU left out: %s%s\n",
                    threads.isEmpty() ? "none found" : qPrintable(threads.join(QStringLiteral(", "))),
                    static_cast<int>(busyThreads.size()) == o.busy ? "" : " (not all found: the rest is counted)");
    std::printf("  machine: 2 cores shared with other work (the busy statements take up to %d); load average %s\n",
                o.busy, qPrintable(loadAverage()));
    std::fflush(stdout);

    for (int n : o.sizes) {
        QElapsedTimer grow;
        grow.start();
        load.growTo(n, n / 10, attachLimit);
        const double growSeconds = static_cast<double>(grow.elapsed()) / 1000.0;
        const LiveLoad::Counts c = load.counts();
        std::printf("\nN = %d: %d idle attachments (2 prepared statements each), %d lock waits, %d busy statements "
                    "(load grown in %.1f s)\n",
                    n, load.idleCount(), load.waiterCount(), load.busyCount(), growSeconds);
        std::printf("  MON$: %lld attachments, %lld statements (%lld active), %lld transactions\n",
                    static_cast<long long>(c.attachments), static_cast<long long>(c.statements),
                    static_cast<long long>(c.activeStatements), static_cast<long long>(c.transactions));
        std::fflush(stdout);

        std::vector<Row> rows;
        for (const TabSet* tab : o.tabs) {
            std::fprintf(stderr, "live_tick: N = %d, %s\n", n, tab->name);
            Row row;
            row.name = QString::fromLatin1(tab->name);
            const Tables set = floorSet(*tab);
            form->SelectPage(tab->page);  // the tab change refreshes once, untimed
            QCoreApplication::processEvents();
            row.floorRows = floor.read(set);  // and prepares the floor's statements
            alternate(row, o.repeats, o.timeoutTick * 1000, server, busyThreads, [&] { form->RefreshActivePage(); },
                      [&] { floor.read(set); });
            rows.push_back(std::move(row));
        }
        if (log) {
            std::fprintf(stderr, "live_tick: N = %d, %s\n", n, kPassName);
            Row row;
            row.name = QString::fromLatin1(kPassName);
            const Tables set = passSet();
            row.floorRows = floor.read(set);
            alternate(row, o.repeats, o.timeoutTick * 1000, server, busyThreads, [&] { log->LogSnapshot(); },
                      [&] { floor.read(set); });
            rows.push_back(std::move(row));
        }
        printTable(rows, o.repeats, o.timeoutTick);
        std::printf("  load average %s (2 cores, shared)\n", qPrintable(loadAverage()));
        std::fflush(stdout);
    }

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

// The history recorder on a live Firebird server, side by side in one run. A private server
// (scripts/fbserver, loopback) gets a plain database (MON$ read directly), and for each size N a
// load of N idle attachments each holding a read-only transaction open, and N/10 statements
// waiting for a row lock (running, without using a processor; support/LiveLoad). Then:
//   pass     one recording pass (history::RecordingPass): all eight sources read in one
//            monitoring transaction, written to a store; its read and its write timed apart;
//   floor    one read-only read committed transaction in which a bare client fetches the same
//            columns of the same MON$ and RDB$ tables (the source's own query texts) completely;
//   tick     the display tick of the Statements tab (the statements and the pools in one tick of
//            the snapshot module), with recording off, and on (a pass between two ticks);
// passes and floors alternate, ticks off and on alternate; medians. At the growth size the store's
// growth is measured over passes a second apart and given per day at a 10 s interval; then a
// week of moments is written (the measured passes repeated, 10 s apart, through the same writer)
// and a moment of that store is opened (all eight sources read back) against a bare SQLite read of
// the same rows.
//
//   recorder [--sizes 100,1000,3000] [--repeats 5] [--growth-size 1000] [--growth-passes 12]
//            [--week-moments 60480] [--attach-timeout 900]

#include "common/Exception.h"
#include "common/ParamList.h"
#include "connection/ServerConnectionDM.h"
#include "history/HistoryReader.h"
#include "history/HistorySQL.h"
#include "history/HistoryStore.h"
#include "history/HistoryWriter.h"
#include "history/RecordingPass.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "monitor/FirebirdSQL.h"
#include "monitor/QuillmereDM.h"
#include "support/LiveLoad.h"
#include "support/LiveServer.h"
#include "support/TestServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include "MetricsEndpoint.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <memory>
#include <set>
#include <vector>

using catalogue::SnapshotId;
namespace fbsql = monitorsql::firebird;

namespace {

struct Options {
    std::vector<int> sizes{100, 1000, 3000};
    int repeats = 5;
    int growthSize = 1000;
    int growthPasses = 12;
    int weekMoments = 60480;
    int attachTimeout = 900;
};

Options parseOptions(const QStringList& arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("The history recorder on a live Firebird server, against its floor."));
    p.addHelpOption();
    const QCommandLineOption sizes(QStringLiteral("sizes"), QStringLiteral("Attachments, per step."),
                                   QStringLiteral("list"), QStringLiteral("100,1000,3000"));
    const QCommandLineOption repeats(QStringLiteral("repeats"), QStringLiteral("Passes and floors per size."),
                                     QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption growthSize(QStringLiteral("growth-size"), QStringLiteral("The size of the growth and week."),
                                        QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption growthPasses(QStringLiteral("growth-passes"), QStringLiteral("Passes of the growth."),
                                          QStringLiteral("n"), QStringLiteral("12"));
    const QCommandLineOption week(QStringLiteral("week-moments"), QStringLiteral("Moments of the week-old store."),
                                  QStringLiteral("n"), QStringLiteral("60480"));
    const QCommandLineOption attach(QStringLiteral("attach-timeout"), QStringLiteral("Time limit for the load, per size."),
                                    QStringLiteral("seconds"), QStringLiteral("900"));
    p.addOptions({sizes, repeats, growthSize, growthPasses, week, attach});
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
    o.growthSize = number(p.value(growthSize), 0);
    o.growthPasses = number(p.value(growthPasses), 2);
    o.weekMoments = number(p.value(week), 1);
    o.attachTimeout = number(p.value(attach), 1);
    if (!ok || o.sizes.empty())
        throw Exception(QStringLiteral("the options take positive whole numbers"));
    return o;
}

// The floor: the source's own texts fetched whole by the bare client in one transaction.
class FloorReader {
public:
    FloorReader(const QString& database)
    {
        ParamList params;
        params.setParam(QStringLiteral("user_name"), TestServer::userName());
        params.setParam(QStringLiteral("password"), TestServer::password());
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
    int64_t read()
    {
        // the statistics are read once per group (database, attachment, transaction, statement, call)
        static const std::vector<std::pair<fbsql::Query, int>> queries = {
            {fbsql::Database, -1},        {fbsql::Attachments, -1},     {fbsql::StatementsFull, -1},
            {fbsql::Transactions, -1},    {fbsql::Memory, -1},          {fbsql::GroupStatistics, 0},
            {fbsql::GroupStatistics, 1},  {fbsql::GroupStatistics, 2},  {fbsql::GroupStatistics, 3},
            {fbsql::GroupStatistics, 4},  {fbsql::ProcedureCalls, -1},  {fbsql::TableStatistics, -1},
            {fbsql::Relations, -1},       {fbsql::PointerPages, -1},    {fbsql::MetadataCounts, -1}};
        ib::Transaction tr;
        tr.start(m_att, ib::readCommittedTpb(true));
        if (m_server.empty()) {  // the columns of this server's release, as the source learns them
            ib::Statement st;
            st.prepare(m_att, tr, fbsql::ServerColumns, 1);
            st.execute(tr);
            while (st.fetch()) {
                const std::string column(st.rawText(0));
                m_server.insert(column);
                m_server.insert(column.substr(0, column.find('.')));
            }
        }
        int64_t rows = 0;
        for (size_t i = 0; i < queries.size(); ++i) {
            if (m_statements.size() <= i) {
                m_statements.push_back(std::make_unique<ib::Statement>());
                const std::string text =
                    fbsql::text(queries[i].first, [this](std::string_view name) { return m_server.count(std::string(name)) > 0; });
                m_statements.back()->prepare(m_att, tr, text, 1);
            }
            ib::Statement& st = *m_statements[i];
            if (queries[i].second >= 0) {
                st.setInt64(0, queries[i].second);
                st.setInt64(1, queries[i].second);
            }
            st.execute(tr);
            while (st.fetch())
                ++rows;
            st.closeCursor();
        }
        tr.commit();
        return rows;
    }

private:
    ib::Attachment m_att;
    std::vector<std::unique_ptr<ib::Statement>> m_statements;
    std::set<std::string> m_server;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double msOf(std::chrono::microseconds us) { return static_cast<double>(us.count()) / 1000.0; }

template <typename Work>
double timed(Work work)
{
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

QByteArray ratio(double a, double b) { return b > 0 ? QByteArray::number(a / b, 'f', 2) : QByteArray("-"); }

// One GET of /metrics on loopback; its bytes (0 when nothing answered).
size_t scrape(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size_t total = 0;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const char request[] = "GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::write(fd, request, sizeof request - 1) > 0) {
            char buffer[65536];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                total += static_cast<size_t>(n);
        }
    }
    ::close(fd);
    return total;
}

// Scrapes /metrics again and again while a pass runs; the longest scrape in ms.
double longestScrapeDuring(history::RecordingPass& pass, MetricsEndpoint& metrics, int port)
{
    std::atomic<bool> running = true;
    double longest = 0;
    std::thread scraper([&] {
        while (running) {
            QElapsedTimer t;
            t.start();
            if (scrape(port) > 0)
                longest = std::max(longest, static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
    });
    QElapsedTimer t;
    t.start();
    pass.run();
    const double passSeconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    running = false;
    scraper.join();
    metrics.passRecorded(pass, passSeconds, 0);
    return longest;
}

// A connected snapshot module of the database.
struct Monitor {
    TdmServerProperties connection;
    TdmQuillmere dm;
    explicit Monitor(const QString& database)
    {
        connection.SetDatabaseName(database);
        connection.SetUserName(TestServer::userName());
        connection.SetPassword(TestServer::password());
        dm.SetDatabase(&connection.IBDatabase);
        connection.SetConnected(true);
    }
    // The display tick of the Statements tab: its snapshot and the pools, in one tick.
    void tick()
    {
        const TdmQuillmere::Tick t(dm);
        dm.cdsStatements.refresh();
        dm.cdsPools.refresh();
    }
};

// The same rows as HistoryReader reads for a moment, stepped through by a bare SQLite query.
int64_t bareRead(history::HistoryStore& store, int64_t moment)
{
    int64_t bytes = 0;
    for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
        if (history::keepingOf(decl.id) == history::Keeping::PerMoment) {
            history::SqliteStatement st(store.db(), historysql::MomentRows);
            st.bind(1, moment).bind(2, static_cast<int64_t>(decl.id));
            while (st.step())
                bytes += static_cast<int64_t>(st.blob(0).size());
            continue;
        }
        history::SqliteStatement st(store.db(), historysql::AliveObjects);
        history::SqliteStatement text(store.db(), historysql::TextById);
        std::set<int64_t> texts;  // each text read once, as the reader does
        st.bind(1, static_cast<int64_t>(decl.id)).bind(2, moment);
        while (st.step()) {
            bytes += static_cast<int64_t>(st.blob(1).size() + st.blob(3).size());
            if (!st.isNull(2) && texts.insert(st.integer(2)).second) {
                text.bind(1, st.integer(2));
                if (text.step())
                    bytes += static_cast<int64_t>(text.text(0).size());
                text.reset();
            }
        }
    }
    return bytes;
}

// Opens the store and reads all eight sources of the moment back.
void openMoment(const QString& file, int64_t moment)
{
    history::HistoryStore store(file, history::HistoryStore::Mode::Read);
    history::HistoryReader reader(store);
    for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots())
        reader.rows(moment, decl);
}

void measureWeek(Monitor& monitor, history::HistoryStore& grown, const std::vector<int64_t>& moments, int weekMoments,
                 const QString& weekFile)
{
    // the growth's passes as recorded, to be written again and again, 10 s apart, ending now
    history::HistoryReader reader(grown);
    std::vector<std::vector<std::unique_ptr<Snapshot>>> passes;
    for (const int64_t m : moments) {
        std::vector<std::unique_ptr<Snapshot>> set;
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
            auto s = std::make_unique<Snapshot>(decl);
            monitor.dm.BindSnapshot(*s);
            reader.fill(m, *s);
            set.push_back(std::move(s));
        }
        passes.push_back(std::move(set));
    }
    QElapsedTimer writing;
    writing.start();
    {
        history::HistoryStore week(weekFile, history::HistoryStore::Mode::Write);
        week.claim(QStringLiteral("recorder bench"));
        week.belongTo(grown.databaseName(), grown.databasePath());
        history::HistoryWriter writer(week);
        const QDateTime end = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < weekMoments; ++i) {
            const auto& set = passes[static_cast<size_t>(i) % passes.size()];
            history::PassSnapshots snapshots{};
            for (size_t k = 0; k < set.size(); ++k)
                snapshots[k] = set[k].get();
            writer.write(snapshots, {}, end.addSecs(-10LL * (weekMoments - 1 - i)));
        }
    }
    const double writeSeconds = static_cast<double>(writing.elapsed()) / 1000.0;
    history::HistoryStore week(weekFile, history::HistoryStore::Mode::Read);
    history::HistoryReader weekReader(week);
    const std::vector<history::MomentInfo> all = weekReader.moments();
    const double megabytes = static_cast<double>(QFileInfo(weekFile).size()) / 1e6;
    std::printf("\n  week-old store: %d moments written in %.0f s (%.2f ms a moment), %.1f MB: %.1f MB a day at a\n"
                "  10 s interval (goal <= 100)\n",
                weekMoments, writeSeconds, writeSeconds * 1000.0 / weekMoments, megabytes,
                megabytes * 8640.0 / weekMoments);
    std::printf("  %-28s %10s %10s %7s   goal: open <= 300 ms\n", "moment opened", "open ms", "bare ms", "ratio");
    for (const auto& [name, m] : {std::pair{"newest", all.back().id}, std::pair{"week-old (oldest)", all.front().id},
                                  std::pair{"midweek", all[all.size() / 2].id}}) {
        std::vector<double> open, bare;
        for (int r = 0; r < 5; ++r) {
            open.push_back(timed([&] { openMoment(weekFile, m); }));
            bare.push_back(timed([&] {
                history::HistoryStore s(weekFile, history::HistoryStore::Mode::Read);
                bareRead(s, m);
            }));
        }
        std::printf("  %-28s %10.1f %10.1f %7s\n", name, median(open), median(bare),
                    ratio(median(open), median(bare)).constData());
    }
}

int run(const Options& o)
{
    std::printf("recorder: the history recorder on a live Firebird server, against its floor\n");
    std::printf("  pass:  history::RecordingPass::run(): eight sources in one monitoring transaction, then the\n"
                "         store's write (SQLite, WAL, synchronous=NORMAL); read and write timed apart\n");
    std::printf("  floor: one read-only read committed transaction, the source's own MON$/RDB$ query texts\n"
                "         fetched whole by the bare client (prepared once)\n");
    std::printf("  tick:  the Statements tab's display tick (statements + pools, one tick), recording off and on\n");
    std::printf("  load:  N idle attachments each holding a read-only transaction, N/10 lock waits (running)\n");
    std::printf("  medians of %d; files open allowed: %ld\n", o.repeats, LiveServer::raiseFileLimit());

    LiveServer server;
    server.start();
    ServerDatabase db(server.server());
    std::printf("  private server 127.0.0.1:%d, database %s\n", server.server().port(), qPrintable(db.name()));
    LiveLoad load({db.name(), TestServer::userName(), TestServer::password()});
    load.setIdleTransactions(true);
    Monitor monitor(db.name());
    FloorReader floor(db.name());
    QTemporaryDir stores;

    const int metricsPort = 20000 + static_cast<int>(::getpid() % 20000);
    MetricsEndpoint metrics(QStringLiteral("127.0.0.1"), metricsPort, db.name());
    std::printf("\n  %6s %8s %9s %9s %9s %7s %7s %9s %9s %7s %9s\n", "N", "stmts", "floor ms", "read ms", "write ms",
                "read/", "pass/", "tick off", "tick on", "on/off", "scrape ms");
    std::printf("  %6s %8s %9s %9s %9s %7s %7s %9s %9s %7s %9s\n", "", "", "", "", "", "floor", "floor", "ms", "ms", "",
                "in pass");
    for (const int n : o.sizes) {
        if (LiveServer::stopSignal())
            break;
        load.growTo(n, n / 10, std::chrono::seconds(o.attachTimeout));
        const QString file = stores.filePath(QStringLiteral("n%1.history").arg(n));
        history::HistoryStore store(file, history::HistoryStore::Mode::Write);
        store.claim(QStringLiteral("recorder bench"));
        history::RecordingPass pass(monitor.dm, store);
        pass.run();  // everything first seen: objects, plans
        pass.run();
        floor.read();
        std::vector<double> floors, reads, writes, ticksOff, ticksOn;
        int64_t statements = 0;
        for (int r = 0; r < o.repeats; ++r) {
            const auto doFloor = [&] { floors.push_back(timed([&] { floor.read(); })); };
            const auto doPass = [&] {
                pass.run();
                reads.push_back(msOf(pass.readTime()));
                writes.push_back(msOf(pass.writeTime()));
            };
            if (r % 2 == 0) {
                doFloor();
                doPass();
            } else {
                doPass();
                doFloor();
            }
            statements = pass.snapshot(SnapshotId::Statements).rowCount();
            ticksOff.push_back(timed([&] { monitor.tick(); }));
            pass.run();
            ticksOn.push_back(timed([&] { monitor.tick(); }));
        }
        const double f = median(floors), rd = median(reads), wr = median(writes);
        const double scrapeMs = longestScrapeDuring(pass, metrics, metricsPort);
        std::printf("  %6d %8lld %9.1f %9.1f %9.1f %7s %7s %9.1f %9.1f %7s %9.1f\n", n, static_cast<long long>(statements),
                    f, rd, wr, ratio(rd, f).constData(), ratio(rd + wr, f).constData(), median(ticksOff),
                    median(ticksOn), ratio(median(ticksOn), median(ticksOff)).constData(), scrapeMs);
        std::fflush(stdout);

        if (n == o.growthSize) {
            // growth: passes a second apart
            const int64_t before = store.usedBytes();
            std::vector<int64_t> moments;
            size_t written = 0;
            for (int i = 0; i < o.growthPasses; ++i) {
                moments.push_back(pass.run());
                written += pass.writer().lastPassBytes();
                QThread::msleep(1000);
            }
            const double perPass = static_cast<double>(store.usedBytes() - before) / o.growthPasses;
            const double payload = static_cast<double>(written) / o.growthPasses;
            std::printf("         growth at %d: pages %.1f KB a pass (%.1f MB a day at 10 s), rows and versions\n"
                        "         %.1f KB a pass (%.1f MB a day)\n",
                        n, perPass / 1024.0, perPass * 8640.0 / 1e6, payload / 1024.0, payload * 8640.0 / 1e6);
            std::fflush(stdout);
            measureWeek(monitor, store, moments, o.weekMoments, stores.filePath(QStringLiteral("week.history")));
            std::printf("\n");
        }
    }
    std::printf("\n  read/floor: the pass's read against the floor (goal <= 1.5); pass/floor: read and write;\n"
                "  scrape ms in pass: the longest GET /metrics (recorder's endpoint) while one pass ran\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    LiveServer::blockStopSignals();
    QCoreApplication app(argc, argv);
    try {
        return run(parseOptions(QCoreApplication::arguments()));
    } catch (const Exception& e) {
        std::fprintf(stderr, "recorder: %s\n", e.what());
        return 1;
    }
}

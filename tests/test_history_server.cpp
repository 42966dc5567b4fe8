// The history store against the private server with the demo's workload: what a recorded moment
// shows equals what the recording pass read, and quillmere-recorder run as a program (killed,
// stopped, beside a second writer, serving /metrics).

#include "DemoDatabase.h"
#include "Workload.h"

#include "connection/ServerConnectionDM.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "history/RecordingPass.h"
#include "monitor/QuillmereDM.h"
#include "support/SnapshotText.h"
#include "support/TestServer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;
using catalogue::SnapshotId;

namespace {

// A connected monitor of the database, reading MON$ directly.
struct Monitor {
    TdmServerProperties connection;
    TdmQuillmere dm;
    explicit Monitor(const QString& databaseName)
    {
        connection.SetDatabaseName(databaseName);
        connection.SetUserName(TestServer::userName());
        connection.SetPassword(TestServer::password());
        dm.SetDatabase(&connection.IBDatabase);
        connection.SetConnected(true);
    }
};

bool anyRunning(const Snapshot& statements)
{
    for (int r = 0; r < statements.rowCount(); ++r)
        if (statements.plainText(r, statements.requireColumn(QStringLiteral("TMP$STATE"))).trimmed() == QLatin1String("ACTIVE"))
            return true;
    return false;
}

WorkloadOptions quickWorkload()
{
    WorkloadOptions options;
    options.longQuerySize = 150;
    options.stockCheckLoops = 3'000'000;
    options.hold = 5s;
    options.orderInterval = 20ms;
    options.rest = 100ms;
    return options;
}

}  // namespace

class TestHistoryServer : public QObject {
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerDatabase> m_db;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        m_db = std::make_unique<ServerDatabase>(m_server);
        setupDemoDatabase({m_db->name(), TestServer::userName(), TestServer::password()});
    }

    // With the demo's workload running, every recorded moment shows, for all eight sources, what
    // its recording pass read: the same rows in the same order, the same values and display texts.
    void aMomentShowsWhatItsPassRead()
    {
        Workload workload({m_db->name(), TestServer::userName(), TestServer::password()}, quickWorkload());
        workload.start();
        Monitor m(m_db->name());
        history::HistoryStore store(m_dir.filePath(QStringLiteral("roundtrip.history")), history::HistoryStore::Mode::Write);
        QVERIFY(store.claim(QStringLiteral("test")));
        history::RecordingPass pass(m.dm, store);
        // passes until one has seen a statement running and a procedure on a call stack, and two
        // more after it, so that moments are read back through later versions of their rows
        std::vector<std::pair<int64_t, std::array<QStringList, 8>>> recorded;
        bool busy = false;
        for (int attempt = 0; attempt < 400 && recorded.size() < 3; ++attempt) {
            const int64_t moment = pass.run();
            busy = busy || (anyRunning(pass.snapshot(SnapshotId::Statements)) &&
                            !pass.snapshot(SnapshotId::Procedures).isEmpty());
            if (!busy) {
                QThread::msleep(50);
                continue;
            }
            std::array<QStringList, 8> read;
            for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots())
                read[static_cast<size_t>(decl.id)] = shownRows(pass.snapshot(decl.id));
            recorded.emplace_back(moment, std::move(read));
            QThread::msleep(300);
        }
        workload.stop();
        QVERIFY2(busy, "the workload's running statement and procedure never showed");

        history::HistoryStore readStore(store.fileName(), history::HistoryStore::Mode::Read);
        history::HistoryReader reader(readStore);
        for (const auto& [moment, read] : recorded)
            for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
                Snapshot back(decl);
                m.dm.BindSnapshot(back);
                reader.fill(moment, back);
                QCOMPARE(shownRows(back), read[static_cast<size_t>(decl.id)]);
            }

        // the statements that ran, longest first, with their client, SQL and plan
        const std::vector<history::RanStatement> ran = reader.ranBetween(recorded.front().first, recorded.back().first);
        QVERIFY(!ran.empty());
        for (size_t i = 1; i < ran.size(); ++i)
            QVERIFY(ran[i - 1].elapsedDays >= ran[i].elapsedDays);
        QVERIFY(std::any_of(ran.begin(), ran.end(), [](const history::RanStatement& s) {
            return !s.sql.isEmpty() && s.plan.contains(QLatin1String("Select Expression")) &&
                   s.clientProcessId == QCoreApplication::applicationPid() && s.user == QLatin1String("SYSDBA");
        }));
        const std::vector<history::TimelinePoint> timeline = reader.timeline();
        QVERIFY(timeline.size() >= recorded.size());
        QVERIFY(timeline.back().attachments.value_or(0) >= 1);
        QVERIFY(timeline.back().activeGap.has_value());
    }
};

QTEST_GUILESS_MAIN(TestHistoryServer)
#include "test_history_server.moc"

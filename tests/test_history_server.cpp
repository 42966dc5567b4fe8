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
#include "support/HistoryFixture.h"
#include "support/SnapshotText.h"
#include "support/TestServer.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
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

// The moments a store holds now, read as the window would (0 while it cannot be read yet).
size_t momentsIn(const QString& file)
{
    try {
        history::HistoryStore store(file, history::HistoryStore::Mode::Read);
        return history::HistoryReader(store).moments().size();
    } catch (const Exception&) {
        return 0;
    }
}

// Whether the store passes SQLite's own check and its last moment reads back for all sources.
QString checkStore(const QString& file)
{
    try {
        history::HistoryStore store(file, history::HistoryStore::Mode::Read);
        history::SqliteStatement check(store.db(), "PRAGMA quick_check");
        check.step();
        if (check.text(0) != "ok")
            return QString::fromUtf8(check.text(0).data(), static_cast<qsizetype>(check.text(0).size()));
        history::HistoryReader reader(store);
        const std::vector<history::MomentInfo> moments = reader.moments();
        if (moments.empty())
            return QStringLiteral("no moment");
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots())
            reader.rows(moments.back().id, decl);
        return QStringLiteral("ok");
    } catch (const Exception& e) {
        return e.message();
    }
}

// Waits (boundedly) until the store holds more than `count` moments.
bool waitForMoments(const QString& file, size_t count)
{
    for (int i = 0; i < 600; ++i) {
        if (momentsIn(file) > count)
            return true;
        QThread::msleep(100);
    }
    return false;
}

// A port nobody listens on now.
int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The body of an HTTP GET on loopback; empty when nothing answers.
QByteArray httpGet(int port, const QByteArray& path)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(10000))
        reply += socket.readAll();
    reply += socket.readAll();
    const qsizetype body = reply.indexOf("\r\n\r\n");
    return body < 0 ? QByteArray() : reply.mid(body + 4);
}

}  // namespace

class TestHistoryServer : public QObject {
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerDatabase> m_db;
    QTemporaryDir m_dir;

    // quillmere-recorder on the demo database, recording every second into the store.
    std::unique_ptr<QProcess> startRecorder(const QString& store, const QStringList& more = {})
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ISC_USER"), TestServer::userName());
        env.insert(QStringLiteral("ISC_PASSWORD"), TestServer::password());
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(QUILLMERE_RECORDER),
                 QStringList{m_db->name(), QStringLiteral("--interval"), QStringLiteral("1"), QStringLiteral("--store"), store} + more);
        p->waitForStarted();
        return p;
    }
    static QString finish(QProcess& p)
    {
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return QStringLiteral("<did not end>");
        }
        return QString::fromUtf8(p.readAllStandardError());
    }

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

    // SIGTERM ends the recorder (no timed assertion: it ends, with status 0), and the store it
    // leaves is whole and free for the next writer.
    void sigtermEndsTheRecorderWithItsStoreWhole()
    {
        const QString store = m_dir.filePath(QStringLiteral("term.history"));
        std::unique_ptr<QProcess> recorder = startRecorder(store);
        QVERIFY(waitForMoments(store, 1));
        ::kill(static_cast<pid_t>(recorder->processId()), SIGTERM);
        const QString log = finish(*recorder);
        QVERIFY2(log.contains(QStringLiteral("stopped by SIGTERM")), qPrintable(log));
        QCOMPARE(recorder->exitStatus(), QProcess::NormalExit);
        QCOMPARE(recorder->exitCode(), 0);
        QCOMPARE(checkStore(store), QStringLiteral("ok"));
        history::HistoryStore next(store, history::HistoryStore::Mode::Write);
        QVERIFY(next.claim(QStringLiteral("test")));
    }

    // A recorder killed with SIGKILL, at several points of its passes, leaves a store that opens
    // and reads, and a writer mark the next writer can take.
    void aKilledRecorderLeavesAStoreThatOpens()
    {
        const QString store = m_dir.filePath(QStringLiteral("killed.history"));
        for (int round = 0; round < 3; ++round) {
            const size_t before = momentsIn(store);
            std::unique_ptr<QProcess> recorder = startRecorder(store);
            QVERIFY(waitForMoments(store, before));
            QThread::msleep(static_cast<unsigned long>(150 + 330 * round));
            recorder->kill();
            recorder->waitForFinished();
            QCOMPARE(checkStore(store), QStringLiteral("ok"));
        }
        history::HistoryStore next(store, history::HistoryStore::Mode::Write);
        QVERIFY(next.claim(QStringLiteral("test")));
    }

    // While a recorder writes a store, a second writer (the window's or another recorder) is
    // told who writes and does not write; the store stays whole.
    void aSecondWriterDoesNotWrite()
    {
        const QString store = m_dir.filePath(QStringLiteral("two.history"));
        std::unique_ptr<QProcess> first = startRecorder(store);
        QVERIFY(waitForMoments(store, 0));
        {
            history::HistoryStore window(store, history::HistoryStore::Mode::Write);
            QVERIFY(!window.claim(QStringLiteral("quillmere")));
            QCOMPARE(window.holderProgram(), QStringLiteral("quillmere-recorder"));
            QCOMPARE(window.holderPid(), first->processId());
        }
        std::unique_ptr<QProcess> second = startRecorder(store, {QStringLiteral("--duration"), QStringLiteral("3")});
        const QString log = finish(*second);
        QVERIFY2(log.contains(QStringLiteral("being recorded by quillmere-recorder (process %1)").arg(first->processId())),
                 qPrintable(log));
        QCOMPARE(second->exitCode(), 0);
        ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
        finish(*first);
        QCOMPARE(checkStore(store), QStringLiteral("ok"));
    }

    // A real Prometheus server on loopback scrapes /metrics; promtool accepts what it serves.
    void prometheusScrapesTheMetrics()
    {
        const QString prometheus = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
        const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
        if (prometheus.isEmpty() || promtool.isEmpty())
            QSKIP("prometheus and promtool are not installed (scripts/setup installs them)");
        const int metricsPort = freePort();
        std::unique_ptr<QProcess> recorder =
            startRecorder(m_dir.filePath(QStringLiteral("metrics.history")),
                          {QStringLiteral("--metrics"), QStringLiteral("127.0.0.1:%1").arg(metricsPort)});
        QVERIFY(waitForMoments(m_dir.filePath(QStringLiteral("metrics.history")), 0));
        const QByteArray body = httpGet(metricsPort, "/metrics");
        QVERIFY(body.contains("firebird_page_fetches_total{database=\""));
        QProcess check;
        check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
        check.write(body);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(60000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput() + check.readAllStandardError());

        QTemporaryDir data;
        QFile config(data.filePath(QStringLiteral("prometheus.yml")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\nscrape_configs:\n"
                                    "  - job_name: quillmere\n    static_configs:\n      - targets: ['127.0.0.1:%1']\n")
                         .arg(metricsPort).toUtf8());
        config.close();
        const int webPort = freePort();
        QProcess server;
        server.start(prometheus, {QStringLiteral("--config.file=") + config.fileName(),
                                  QStringLiteral("--storage.tsdb.path=") + data.filePath(QStringLiteral("tsdb")),
                                  QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(webPort)});
        QVERIFY(server.waitForStarted());
        QByteArray answer;
        for (int i = 0; i < 300 && !answer.contains("firebird_page_fetches_total"); ++i) {
            QThread::msleep(200);
            answer = httpGet(webPort, "/api/v1/query?query=firebird_page_fetches_total");
        }
        server.terminate();
        server.waitForFinished(30000);
        ::kill(static_cast<pid_t>(recorder->processId()), SIGTERM);
        finish(*recorder);
        QVERIFY2(answer.contains("\"database\":\"" + m_db->name().toUtf8() + "\""), answer.constData());
    }

    // On a full disk each pass says so and the recorder goes on; what it recorded before stays
    // readable. In a read-only folder it says so and ends. (A small file system of its own.)
    void aFullDiskAndAReadOnlyFolder()
    {
        const QString mount = m_dir.filePath(QStringLiteral("small"));
        const QString out = m_dir.filePath(QStringLiteral("small-out"));
        QDir().mkpath(out);
        const QString recorder = QStringLiteral("ISC_USER=%1 ISC_PASSWORD=%2 '%3' '%4' --interval 1 --store s.history ")
                                     .arg(TestServer::userName(), TestServer::password(),
                                          QStringLiteral(QUILLMERE_RECORDER), m_db->name());
        const QString script = recorder + QStringLiteral("--duration 8 2> '%1/full.err'; echo $? > '%1/full.status'; "
                                                         "cp s.history* '%1/'; mount -o remount,ro .; ")
                                              .arg(out) +
                               recorder + QStringLiteral("--duration 3 2> '%1/ro.err'; echo $? > '%1/ro.status'").arg(out);
        QProcess shell;
        shell.start(QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/support/with-small-filesystem"),
                    {mount, QStringLiteral("192"), script});
        QVERIFY(shell.waitForFinished(120000));
        if (shell.exitCode() == 77)
            QSKIP("no mount namespace here");
        auto read = [&](const char* name) {
            QFile f(QDir(out).filePath(QLatin1String(name)));
            f.open(QIODevice::ReadOnly);
            return QString::fromUtf8(f.readAll()).trimmed();
        };
        QVERIFY2(read("full.err").contains(QStringLiteral("cannot be written: the disk is full")), qPrintable(read("full.err")));
        QCOMPARE(read("full.status"), QStringLiteral("0"));
        QCOMPARE(checkStore(QDir(out).filePath(QStringLiteral("s.history"))), QStringLiteral("ok"));
        QVERIFY2(read("ro.err").contains(QStringLiteral("read-only")), qPrintable(read("ro.err")));
        QCOMPARE(read("ro.status"), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestHistoryServer)
#include "test_history_server.moc"

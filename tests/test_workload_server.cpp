// The demo's workload on the private test server, watched through the monitoring views the way
// Quillmere watches it: its tables and procedures, its clients' attachments, a running statement,
// transactions of the three isolations, the procedure on the call stack, a logging pass that
// writes them, the orders table kept small, a client shut down from outside that comes back, and
// a stop that leaves no attachment.

#include "DemoDatabase.h"
#include "Workload.h"
#include "WorkloadSession.h"

#include "common/Exception.h"
#include "ib/SqlScript.h"
#include "ib/Statement.h"
#include "ib/Values.h"
#include "support/LogTestFixture.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

// The polls' upper bound: the server is given a minute to show what is looked for.
constexpr int kPolls = 600;
constexpr int kPollPause = 100;  // milliseconds

struct Row {
    int64_t id = 0;
    QString text;
};

// A monitoring attachment of its own: every query runs in a new transaction, so that it sees a
// fresh snapshot of MON$.
class Watcher {
public:
    explicit Watcher(const WorkloadConnection& c) : m_session(c) {}

    int64_t ownId() const { return m_session.attachmentId(); }
    // The server's release (3, 4, 5, ...).
    int release() { return m_session.attachment().firebirdMajorVersion(); }

    // Rows of an integer column and a text column.
    QList<Row> rows(const std::string& sql)
    {
        ib::Transaction tr;
        tr.start(m_session.attachment(), transactionBlock(Isolation::ReadCommitted, true, false));
        ib::Statement st;
        st.prepare(m_session.attachment(), tr, sql, m_session.dialect());
        st.execute(tr);
        QList<Row> out;
        while (st.fetch())
            out.append({st.isNull(0) ? 0 : st.asInt64(0),
                        st.columnCount() > 1 ? ib::decodeText(ib::trimRight(st.asText(1))).trimmed() : QString()});
        tr.commit();
        return out;
    }
    int64_t scalar(const std::string& sql)
    {
        const QList<Row> r = rows(sql);
        return r.isEmpty() ? 0 : r.first().id;
    }
    void execute(const std::string& sql)
    {
        ib::Transaction tr;
        tr.start(m_session.attachment(), transactionBlock(Isolation::ReadCommitted, false, false));
        m_session.execute(tr, sql);
        tr.commit();
    }

private:
    WorkloadSession m_session;
};

// Polls until the condition holds, within the bound; whether it held.
bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < kPolls; ++i) {
        if (condition())
            return true;
        QThread::msleep(kPollPause);
    }
    return condition();
}

bool contains(const std::vector<int64_t>& ids, int64_t id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

QString joined(const QSet<QString>& texts)
{
    QStringList l(texts.begin(), texts.end());
    l.sort();
    return l.join(QStringLiteral(", "));
}

// Quick rounds: orders every few milliseconds into a table that keeps thirty, short rests.
WorkloadOptions quickOptions()
{
    WorkloadOptions o;
    o.orderInterval = 10ms;
    o.ordersPerCommit = 5;
    o.ordersKept = 30;
    o.rest = 200ms;
    o.hold = 5s;
    return o;
}

// The performance logging of every item on a connection of its own, its log tables and generator
// made; pass() runs one logging pass as the log timer does.
struct Logging {
    TemporaryCurrentFolder traces;
    TdmServerProperties connection;
    TdmQuillmere dm;
    TdmPerformanceLog log{&connection.IBDatabase};

    explicit Logging(const WorkloadConnection& c)
    {
        connection.SetDatabaseName(c.database);
        connection.SetUserName(c.user);
        connection.SetPassword(c.password);
        dm.SetDatabase(&connection.IBDatabase);
        log.SetSnapshotModule(&dm);
        connection.SetConnected(true);
        for (TLogItem item : AllLogItems)
            log.SetItemEnabled(item, true);
        QStringList missing, incorrect;
        log.VerifyTables(missing, incorrect);
        log.CreateTables(missing);
        if (!log.GeneratorExists())
            log.CreateGenerator();
    }
    void pass() { log.LogSnapshot(); }
};

}  // namespace

class TestWorkloadServer : public QObject {
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerDatabase> m_db;
    WorkloadConnection m_connection;

    // The workload's attachments that the server still lists, apart from the watcher's own:
    // those of the ids given and those of this process.
    QList<Row> leftOver(Watcher& w, const std::vector<int64_t>& ids)
    {
        QList<Row> left;
        for (const Row& r : w.rows("SELECT MON$ATTACHMENT_ID, MON$REMOTE_PID FROM MON$ATTACHMENTS "
                                   "WHERE MON$SYSTEM_FLAG = 0 AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION"))
            if (contains(ids, r.id) || r.text == QString::number(QCoreApplication::applicationPid()))
                left << r;
        return left;
    }

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        m_db = std::make_unique<ServerDatabase>(m_server);
        m_connection = {m_db->name(), TestServer::userName(), TestServer::password()};
        // the monitoring views, as quillmere-schema installs them
        QFile f(TestDatabase::schemaPath(QStringLiteral("firebird-monitoring-views.sql")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        WorkloadSession s(m_connection);
        ib::Transaction tr;
        tr.start(s.attachment(), transactionBlock(Isolation::ReadCommitted, false, false));
        for (const std::string& sql : ib::splitSqlScript(f.readAll().toStdString()))
            s.execute(tr, sql);
        tr.commit();
    }

    // The tables get their rows once, however often the setup runs; an order takes the product's
    // price and stock, and the stock is refilled rather than going below zero.
    void setupAndTheOrderProcedure()
    {
        setupDemoDatabase(m_connection);
        setupDemoDatabase(m_connection);
        Watcher w(m_connection);
        QCOMPARE(w.scalar("SELECT COUNT(*) FROM QM_REGIONS"), kDemoRegions);
        QCOMPARE(w.scalar("SELECT COUNT(*) FROM QM_PRODUCTS"), kDemoProducts);

        w.execute("UPDATE QM_PRODUCTS SET STOCK = 10, PRICE = 2.50 WHERE PRODUCT_ID = 7");
        w.execute("EXECUTE PROCEDURE QM_PLACE_ORDER(7, 4)");
        QCOMPARE(w.scalar("SELECT STOCK FROM QM_PRODUCTS WHERE PRODUCT_ID = 7"), 6);
        const int64_t order = w.scalar("SELECT MAX(ORDER_ID) FROM QM_ORDERS");
        QCOMPARE(w.scalar("SELECT CAST(AMOUNT * 100 AS INTEGER) FROM QM_ORDERS WHERE ORDER_ID = " + std::to_string(order)), 1000);
        QCOMPARE(w.scalar("SELECT QUANTITY FROM QM_ORDERS WHERE ORDER_ID = " + std::to_string(order)), 4);
        w.execute("EXECUTE PROCEDURE QM_PLACE_ORDER(7, 9)");
        QCOMPARE(w.scalar("SELECT STOCK FROM QM_PRODUCTS WHERE PRODUCT_ID = 7"), 6 + 1000 - 9);
        // an unknown product places nothing
        w.execute("EXECUTE PROCEDURE QM_PLACE_ORDER(99999, 1)");
        QCOMPARE(w.scalar("SELECT MAX(ORDER_ID) FROM QM_ORDERS"), order + 1);
        QVERIFY(w.scalar("SELECT CHECKSUM FROM QM_STOCK_CHECK(1000)") > 0);
    }

    // Everything the workload promises shows in the views while it runs, and nothing of it is
    // left after stop().
    void theViewsShowTheWorkloadUntilItStops()
    {
        setupDemoDatabase(m_connection);
        // logging set up before the workload starts (its table stability transaction reserves what it
        // reads, the system tables that a CREATE TABLE changes among them)
        auto log = std::make_unique<Logging>(m_connection);
        Workload workload(m_connection, quickOptions());
        workload.start();
        const std::vector<int64_t> ids = workload.attachmentIds();
        QCOMPARE(ids.size(), size_t(5));
        QCOMPARE(QSet<int64_t>(ids.begin(), ids.end()).size(), 5);
        QVERIFY(workload.description().contains(QLatin1String("long-query (read committed)")));

        Watcher w(m_connection);
        const QList<Row> users = w.rows("SELECT TMP$ATTACHMENT_ID, TMP$USER FROM TMP$ATTACHMENTS");
        for (int64_t id : ids)
            QVERIFY2(std::any_of(users.begin(), users.end(), [id](const Row& r) { return r.id == id; }),
                     qPrintable(QStringLiteral("attachment %1 not in TMP$ATTACHMENTS").arg(id)));

        bool active = false;
        QVERIFY(eventually([&] {
            for (const Row& r : w.rows("SELECT TMP$ATTACHMENT_ID, TMP$SQL FROM TMP$STATEMENTS WHERE TMP$STATE = 'ACTIVE'"))
                active = active || (contains(ids, r.id) && r.text.startsWith(QLatin1String("WITH RECURSIVE")));
            return active;
        }));

        QSet<QString> isolations;
        // read committed is read consistency (isolation 4) from Firebird 4 on, by the servers' default
        const QSet<QString> wanted{w.release() >= 4 ? QStringLiteral("READ_CONSISTENCY")
                                                    : QStringLiteral("READ_COMMITTED_REC_VERSION"),
                                   QStringLiteral("CONCURRENCY"), QStringLiteral("CONSISTENCY")};
        const bool allThree = eventually([&] {
            for (const Row& r : w.rows("SELECT TMP$ATTACHMENT_ID, TMP$TYPE FROM TMP$TRANSACTIONS"))
                if (contains(ids, r.id))
                    isolations << r.text;
            return isolations.contains(wanted);
        });
        QVERIFY2(allThree, qPrintable(joined(isolations)));

        // a logging pass, as the log timer runs it, writes the workload into the log tables, the
        // isolations in the texts the views show
        log->pass();
        log.reset();
        for (const char* table : {"LOG$ATTACHMENTS", "LOG$DATABASE", "LOG$POOLS", "LOG$RELATIONS", "LOG$STATEMENTS",
                                  "LOG$TRANSACTIONS"})
            QVERIFY2(w.scalar(std::string("SELECT COUNT(*) FROM ") + table) > 0, table);
        const QSet<QString> known = wanted + QSet<QString>{QStringLiteral("READ_COMMITTED_REC_VERSION"),
                                                           QStringLiteral("READ_COMMITTED_NO_REC_VERSION")};
        for (const Row& r : w.rows("SELECT ID, TMP$TYPE FROM LOG$TRANSACTIONS"))
            QVERIFY2(known.contains(r.text), qPrintable(r.text));

        QVERIFY(eventually([&] {
            return w.scalar("SELECT COUNT(*) FROM TMP$PROCEDURES WHERE TMP$PROCEDURE_NAME = 'QM_STOCK_CHECK'") > 0;
        }));

        // the orders table keeps the newest thirty and the batch being written
        QVERIFY(eventually([&] { return w.scalar("SELECT GEN_ID(QM_ORDER_NUMBERS, 0) FROM RDB$DATABASE") > 200; }));
        QVERIFY(w.scalar("SELECT COUNT(*) FROM QM_ORDERS") <= 30 + 5);

        workload.stop();
        QVERIFY(!workload.running());
        QVERIFY(workload.attachmentIds().empty());
        const QList<Row> left = leftOver(w, ids);
        QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("attachment %1 left").arg(left.value(0).id)));
        QVERIFY2(workload.failures().isEmpty(), qPrintable(workload.failures().join(QLatin1Char('\n'))));
        // stopped twice, nothing happens
        workload.stop();
    }

    // A client whose attachment is shut down from the monitor reports it and attaches anew.
    void aClientShutDownComesBack()
    {
        setupDemoDatabase(m_connection);
        Workload workload(m_connection, quickOptions());
        workload.start();
        const std::vector<int64_t> before = workload.attachmentIds();
        QCOMPARE(before.size(), size_t(5));
        Watcher w(m_connection);
        const int64_t victim = before.front();
        w.execute("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + std::to_string(victim));

        QVERIFY(eventually([&] {
            const std::vector<int64_t> now = workload.attachmentIds();
            return now.size() == 5 && !contains(now, victim);
        }));
        QVERIFY(!workload.failures().isEmpty());
        QVERIFY2(workload.failures().first().startsWith(QLatin1String("long-query: ")), qPrintable(workload.failures().first()));
        const std::vector<int64_t> after = workload.attachmentIds();
        workload.stop();
        QVERIFY(leftOver(w, after).isEmpty());
    }

    // A workload that cannot attach says why and leaves no thread or attachment behind.
    void aFailedStartIsReported()
    {
        Workload workload({m_db->name(), TestServer::userName(), QStringLiteral("not the password")});
        try {
            workload.start();
            QFAIL("the workload started with a wrong password");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QLatin1String("password"), Qt::CaseInsensitive), qPrintable(e.message()));
        }
        QVERIFY(!workload.running());
    }
};

QTEST_GUILESS_MAIN(TestWorkloadServer)
#include "test_workload_server.moc"

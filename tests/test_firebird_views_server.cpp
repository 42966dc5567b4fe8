// Monitoring a Firebird server on the private test server, where other clients' attachments are
// what the program watches, both through the monitoring views and through the server's MON$
// tables read directly in a database without the views: our own attachment over TCP, a second
// attachment's long statement shown as running and cancelled, a user's work cancelled, a user
// shut down, and an ordinary user who sees only that user's own attachments. With the demo's
// workload running, every snapshot read directly equals what the views give for the same MON$
// snapshot; and one tick reads one MON$ snapshot.

#include "DemoDatabase.h"
#include "Workload.h"

#include "common/Exception.h"
#include "common/ParamList.h"
#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"
#include "ib/SqlScript.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "monitor/QuillmereDM.h"
#include "support/TestDatabase.h"
#include "support/ServerClient.h"
#include "support/TestServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

// How a test watches the server: through the views (the source the logging reads), or through the
// MON$ tables directly, in a database that has no views.
using Source = TdmQuillmere::SourceKind;

struct Monitor {
    TdmServerProperties connection;
    TdmQuillmere dm;
    Monitor(const QString& databaseName, Source source, const QString& user = TestServer::userName(),
            const QString& password = TestServer::password())
    {
        connection.SetDatabaseName(databaseName);
        connection.SetUserName(user);
        connection.SetPassword(password);
        if (source == Source::Tables)
            dm.SetSourceOverride(Source::Tables);
        dm.SetDatabase(&connection.IBDatabase);
        connection.SetConnected(true);
    }

    // Refreshes the statements until the client's long statement shows as running (the server
    // may take a moment to start it); its TMP$STATEMENT_ID, or 0 when it never shows.
    qint32 waitForLongStatement(qint32 attachment)
    {
        Snapshot& s = dm.cdsStatements;
        for (int attempt = 0; attempt < 1200; ++attempt) {
            s.isOpen() ? s.refresh() : s.open();
            for (s.first(); !s.eof(); s.next())
                if (s.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")) == attachment &&
                    s.asText(QStringLiteral("TMP$STATE")).trimmed() == QLatin1String("ACTIVE"))
                    return static_cast<qint32>(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")));
            QThread::msleep(50);
        }
        return 0;
    }
};

// Moves the cursor to the row whose integer column has the value.
bool locate(Snapshot& s, const char* column, qint64 value) { return s.locate(QString::fromLatin1(column), value); }

// A snapshot's rows keyed by its key column (rows of equal sort values may come in any order
// through the views), each cell as its value and its display text. ELAPSED_TIME is kept apart:
// each read takes its own CURRENT_TIMESTAMP.
struct Contents {
    QMap<QString, QMap<QString, QString>> rows;  // key -> column -> cell
    QMap<QString, double> elapsed;
    QStringList order;  // the sort column's trimmed texts, row by row
    QSet<QString> absent;  // the columns the source lacks
};

// The cells of a row without the columns either source lacks (the client behind a row and what
// a newer release tells are not in the views).
QStringList comparable(const QMap<QString, QString>& row, const QSet<QString>& absent)
{
    QStringList cells;
    for (auto it = row.begin(); it != row.end(); ++it)
        if (!absent.contains(it.key()))
            cells << it.key() + QLatin1Char('=') + it.value();
    return cells;
}

Contents contents(const Snapshot& s, const char* sortColumn)
{
    Contents out;
    const int sort = sortColumn ? s.requireColumn(QLatin1String(sortColumn)) : -1;
    for (int r = 0; r < s.rowCount(); ++r) {
        QString key = s.keyColumn() < 0 ? QString::number(r) : QString::fromLatin1(QByteArray::fromStdString(s.keyOf(r)).toHex());
        if (out.rows.contains(key))
            key += QStringLiteral(" (again)");  // a key twice: the comparison shows it
        QMap<QString, QString> cells;
        for (int c = 0; c < s.columnCount(); ++c) {
            const QString name = QLatin1String(s.columnDecl(c).name);
            if (s.columnAbsent(c)) {
                out.absent.insert(name);
                continue;
            }
            if (name == QLatin1String("ELAPSED_TIME")) {
                out.elapsed[key] = s.isNull(r, c) ? -1 : s.doubleValue(r, c);
                continue;
            }
            const QVariant v = s.value(r, c);
            const QString value = s.isNull(r, c) ? QStringLiteral("<null>")
                                  : v.typeId() == QMetaType::QString ? QString::fromUtf8(s.rawText(r, c))
                                  : v.typeId() == QMetaType::QDateTime ? v.toDateTime().toString(Qt::ISODateWithMs)
                                                                       : v.toString();
            cells[name] = value + QLatin1Char('|') + s.displayText(r, c);
        }
        out.rows[key] = cells;
        if (sort >= 0)
            out.order << s.plainText(r, sort).trimmed();
    }
    return out;
}

// The column each source orders its rows by.
const char* sortColumn(catalogue::SnapshotId id)
{
    switch (id) {
    case catalogue::SnapshotId::Pools: return "TMP$TYPE";
    case catalogue::SnapshotId::Procedures: return "TMP$PROCEDURE_NAME";
    case catalogue::SnapshotId::Relations: return "TMP$RELATION_NAME";
    case catalogue::SnapshotId::Statements:
    case catalogue::SnapshotId::Transactions:
    case catalogue::SnapshotId::Attachments: return "TMP$USER";
    default: return nullptr;
    }
}

// The rows of a pool type in the pools snapshot.
qint64 poolCount(Snapshot& pools, const char* type)
{
    return pools.locate(QStringLiteral("TMP$TYPE"), QString::fromLatin1(type)) ? pools.asInteger(QStringLiteral("POOL_COUNT")) : 0;
}

}  // namespace

class TestFirebirdViewsServer : public QObject {
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerDatabase> m_db;       // with the monitoring views
    std::unique_ptr<ServerDatabase> m_plainDb;  // without them

    // Each test runs through the views and through the MON$ tables directly.
    static void sources()
    {
        QTest::addColumn<bool>("direct");
        QTest::newRow("views") << false;
        QTest::newRow("MON$ directly, no views") << true;
    }
    QString database() const
    {
        QFETCH_GLOBAL(bool, direct);
        return direct ? m_plainDb->name() : m_db->name();
    }
    static Source source()
    {
        QFETCH_GLOBAL(bool, direct);
        return direct ? Source::Firebird : Source::Tables;
    }

private slots:
    void initTestCase_data() { sources(); }
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        m_db = std::make_unique<ServerDatabase>(m_server);
        m_db->installViews();
        m_plainDb = std::make_unique<ServerDatabase>(m_server);
    }

    // Our own attachment over TCP, with user, host, address and process id.
    void ourAttachmentOverTcp()
    {
        Monitor m(database(), source());
        QCOMPARE(m.dm.Source(), source());
        Snapshot& users = m.dm.cdsAttachments;
        users.open();
        QVERIFY(users.locate(QStringLiteral("TMP$USER_PROCESS"), QCoreApplication::applicationPid()));
        QCOMPARE(users.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
        QCOMPARE(users.asText(QStringLiteral("TMP$USER_IP_ADDR")).trimmed(), QStringLiteral("127.0.0.1"));
        QCOMPARE(users.asText(QStringLiteral("TMP$USER_HOST")).trimmed(), QSysInfo::machineHostName());
        QCOMPARE(users.asText(QStringLiteral("TMP$STATE")).trimmed(), QStringLiteral("ACTIVE"));
        // the login time as the server's clock reads it (the same machine's), whatever the release
        const QDateTime login = users.asDateTime(QStringLiteral("TMP$TIMESTAMP"));
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY2(login.date().daysTo(now.date()) >= 0 && login.date().daysTo(now.date()) <= 1,
                 qPrintable(login.toString(Qt::ISODate)));
        // The server's own attachments (cache writer, garbage collector) are rows of the system:
        // read directly, they show with the system tables and are counted with them.
        const auto userNames = [&] {
            QStringList names;
            for (users.first(); !users.eof(); users.next())
                names << users.asText(QStringLiteral("TMP$USER")).trimmed();
            return names;
        };
        const auto countedAttachments = [&] {
            m.dm.cdsDatabase.open();
            return m.dm.cdsDatabase.asInteger(QStringLiteral("TMP$ATTACHMENTS"));
        };
        m.dm.SetShowSystemTables(false);
        {
            const TdmQuillmere::Tick tick(m.dm);
            users.refresh();
            QCOMPARE(userNames(), QStringList{QStringLiteral("SYSDBA")});
            QCOMPARE(countedAttachments(), users.rowCount());
        }
        m.dm.SetShowSystemTables(true);
        if (source() != Source::Firebird)
            return;
        {
            const TdmQuillmere::Tick tick(m.dm);
            users.refresh();
            const QStringList names = userNames();
            QVERIFY2(names.contains(QStringLiteral("SYSDBA")) && names.size() > 1, qPrintable(names.join(',')));
            QCOMPARE(countedAttachments(), users.rowCount());
            // which the server lets nobody cancel or shut down
            QVERIFY(users.locate(QStringLiteral("TMP$USER"), QStringLiteral("Cache Writer").leftJustified(67)) ||
                    users.locate(QStringLiteral("TMP$USER"), QStringLiteral("Garbage Collector").leftJustified(67)));
            const qint32 own = static_cast<qint32>(users.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")));
            QVERIFY_THROWS_EXCEPTION(Exception, m.dm.ShutdownAttachment(own));
        }
        // What the release tells of a session and of the database shows where it has it: 4.0 the
        // timeouts, the wire and the database's encryption and replica mode, 5.0 the time zone.
        const int release = m.connection.IBDatabase.attachment().firebirdMajorVersion();
        QVERIFY(release >= 3);
        QVERIFY(users.locate(QStringLiteral("TMP$USER_PROCESS"), QCoreApplication::applicationPid()));
        QCOMPARE(users.columnAbsent(users.requireColumn(QStringLiteral("WIRE_ENCRYPTED"))), release < 4);
        QCOMPARE(users.columnAbsent(users.requireColumn(QStringLiteral("SESSION_TIME_ZONE"))), release < 5);
        m.dm.cdsDatabase.open();
        QCOMPARE(m.dm.cdsDatabase.columnAbsent(m.dm.cdsDatabase.requireColumn(QStringLiteral("CRYPT_STATE"))), release < 4);
        if (release >= 4) {
            QCOMPARE(users.asText(QStringLiteral("WIRE_ENCRYPTED")), QStringLiteral("Y"));  // the client's default
            QCOMPARE(users.asInteger(QStringLiteral("IDLE_TIMEOUT")), 0);
            QCOMPARE(m.dm.cdsDatabase.asText(QStringLiteral("CRYPT_STATE")), QStringLiteral("NONE"));
            QCOMPARE(m.dm.cdsDatabase.asText(QStringLiteral("REPLICA_MODE")), QStringLiteral("NONE"));
        }
        if (release >= 5)
            QVERIFY(!users.asText(QStringLiteral("SESSION_TIME_ZONE")).isEmpty());
        // without the system tables, Firebird's own relations are hidden as well
        Snapshot& relations = m.dm.cdsRelations;
        m.dm.SetShowSystemTables(false);
        relations.open();
        for (relations.first(); !relations.eof(); relations.next())
            QVERIFY(!QRegularExpression(QStringLiteral("^(RDB|MON|SEC|TMP)\\$"))
                         .match(relations.asText(QStringLiteral("TMP$RELATION_NAME"))).hasMatch());
        m.dm.SetShowSystemTables(true);
        relations.refresh();
        QVERIFY(relations.locate(QStringLiteral("TMP$RELATION_NAME"), QStringLiteral("MON$DATABASE").leftJustified(67)));
    }

    // A second client's long statement shows as running with its text and user; Cancel makes
    // that client receive the server's cancellation, and the client goes on working.
    void longStatementShownAndCancelled()
    {
        Monitor m(database(), source());
        Client client(database());
        client.startLong();
        const qint32 id = m.waitForLongStatement(client.attachmentId());
        if (id == 0)
            m.dm.ShutdownAttachment(client.attachmentId());
        QVERIFY(id != 0);
        Snapshot& s = m.dm.cdsStatements;
        QVERIFY(locate(s, "TMP$STATEMENT_ID", id));
        QCOMPARE(s.asText(QStringLiteral("TMP$SQL")), QString::fromLatin1(kLongStatement));
        QCOMPARE(s.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
        if (source() == Source::Firebird) {  // the client behind it: this program
            QCOMPARE(s.asInteger(QStringLiteral("CLIENT_PROCESS_ID")), QCoreApplication::applicationPid());
            QCOMPARE(s.asText(QStringLiteral("CLIENT_HOST")), QSysInfo::machineHostName());
            QCOMPARE(s.asText(QStringLiteral("CLIENT_PROGRAM")), QCoreApplication::applicationFilePath());
            const int release = m.connection.IBDatabase.attachment().firebirdMajorVersion();
            QCOMPARE(s.columnAbsent(s.requireColumn(QStringLiteral("STATEMENT_TIMEOUT"))), release < 4);
            QCOMPARE(s.columnAbsent(s.requireColumn(QStringLiteral("CLIENT_WIRE_ENCRYPTED"))), release < 4);
            if (release >= 4) {
                QCOMPARE(s.asInteger(QStringLiteral("STATEMENT_TIMEOUT")), 0);
                QCOMPARE(s.asText(QStringLiteral("CLIENT_WIRE_ENCRYPTED")), QStringLiteral("Y"));
            }
            const QString plan = m.dm.StatementPlan(id);  // as the server explains it
            QVERIFY2(plan.contains(QLatin1String("Select Expression")) && plan.contains(QLatin1String("RDB$DATABASE")),
                     qPrintable(plan));
        }
        QVERIFY(!s.isNull(QStringLiteral("TMP$TRANSACTION_ID")));

        QVERIFY(m.dm.CancelStatement(id));
        const QString error = client.wait(&m.dm);
        QVERIFY2(error.contains(QStringLiteral("operation was cancelled")), qPrintable(error));
        QCOMPARE(client.value("SELECT 5 FROM RDB$DATABASE"), QStringLiteral("5"));
        s.refresh();
        for (s.first(); !s.eof(); s.next())
            if (s.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")) == client.attachmentId())
                QVERIFY(s.asText(QStringLiteral("TMP$STATE")).trimmed() != QLatin1String("ACTIVE"));
    }

    // Cancel on a user cancels what that user runs, and leaves the user connected.
    void cancelOfAUser()
    {
        Monitor m(database(), source());
        Client client(database());
        client.startLong();
        const qint32 id = m.waitForLongStatement(client.attachmentId());
        if (id == 0)
            m.dm.ShutdownAttachment(client.attachmentId());
        QVERIFY(id != 0);
        QVERIFY(m.dm.CancelAttachment(client.attachmentId()));
        const QString error = client.wait(&m.dm);
        QVERIFY2(error.contains(QStringLiteral("operation was cancelled")), qPrintable(error));
        QCOMPARE(client.value("SELECT 6 FROM RDB$DATABASE"), QStringLiteral("6"));
        m.dm.cdsAttachments.open();
        QVERIFY(locate(m.dm.cdsAttachments, "TMP$ATTACHMENT_ID", client.attachmentId()));
    }

    // Shutdown of a user disconnects it, while idle and while running a statement.
    void shutdownOfAUser()
    {
        Monitor m(database(), source());
        {
            Client idle(database());
            m.dm.cdsAttachments.open();
            QVERIFY(locate(m.dm.cdsAttachments, "TMP$ATTACHMENT_ID", idle.attachmentId()));
            QVERIFY(m.dm.ShutdownAttachment(idle.attachmentId()));
            try {
                idle.value("SELECT 1 FROM RDB$DATABASE");
                QFAIL("the attachment still works");
            } catch (const ib::EIBError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("shutdown")), qPrintable(e.message()));
            }
        }
        Client running(database());
        running.startLong();
        const bool shown = m.waitForLongStatement(running.attachmentId()) != 0;
        QVERIFY(m.dm.ShutdownAttachment(running.attachmentId()));
        QVERIFY(shown);
        const QString error = running.wait();
        QVERIFY2(!error.isEmpty() && error != QLatin1String("finished"), qPrintable(error));
        m.dm.cdsAttachments.refresh();
        QVERIFY(!locate(m.dm.cdsAttachments, "TMP$ATTACHMENT_ID", running.attachmentId()));
        QVERIFY(!m.dm.ShutdownAttachment(running.attachmentId()));
    }

    // An ordinary user reads the views, sees only that user's own attachments, and cannot act on
    // SYSDBA's: the row is not there, so nothing changes.
    void anOrdinaryUserSeesOnlyItself()
    {
        const QString user = QStringLiteral("QM_VIEWER");
        const QString password = QStringLiteral("viewer1");
        {
            ib::Attachment att;
            att.attach(ib::toClientText(database()), dpb(TestServer::userName(), TestServer::password()));
            ib::Transaction tr;
            tr.start(att, ib::readCommittedTpb(false));
            ib::Statement st;
            st.prepare(att, tr, "CREATE OR ALTER USER QM_VIEWER PASSWORD 'viewer1' USING PLUGIN Srp", 3);
            st.execute(tr);
            tr.commit();
        }
        Client sysdba(database());
        {
            Monitor m(database(), source(), user, password);
            Snapshot& users = m.dm.cdsAttachments;
            users.open();
            QCOMPARE(users.rowCount(), 1);
            QCOMPARE(users.asText(QStringLiteral("TMP$USER")).trimmed(), user);
            m.dm.cdsStatements.open();
            for (m.dm.cdsStatements.first(); !m.dm.cdsStatements.eof(); m.dm.cdsStatements.next())
                QCOMPARE(m.dm.cdsStatements.asText(QStringLiteral("TMP$USER")).trimmed(), user);
            m.dm.cdsDatabase.open();
            QCOMPARE(m.dm.cdsDatabase.asInteger(QStringLiteral("TMP$ATTACHMENTS")), 1);
            QVERIFY(!m.dm.ShutdownAttachment(sysdba.attachmentId()));
            QVERIFY(!m.dm.CancelAttachment(sysdba.attachmentId()));
        }
        QCOMPARE(sysdba.value("SELECT 8 FROM RDB$DATABASE"), QStringLiteral("8"));
    }
    // With the demo's workload running (a long statement, a procedure on the call stack, open
    // transactions of every isolation), every snapshot read from MON$ directly equals what the
    // views give for the same MON$ snapshot: the same rows, values and texts, in the views' order.
    void everySnapshotReadDirectlyEqualsTheViews()
    {
        QFETCH_GLOBAL(bool, direct);
        if (!direct)
            QSKIP("compares both sources in one run");
        const WorkloadConnection connection{m_db->name(), TestServer::userName(), TestServer::password()};
        setupDemoDatabase(connection);
        WorkloadOptions options;
        options.longQuerySize = 150;
        options.stockCheckLoops = 3'000'000;
        options.hold = 5s;
        options.orderInterval = 20ms;
        options.rest = 100ms;
        Workload workload(connection, options);
        workload.start();
        Monitor m(m_db->name(), Source::Firebird);
        QCOMPARE(m.dm.Source(), Source::Firebird);  // Quillmere's own views do not count as TMP$ tables
        bool compared = false;
        for (int attempt = 0; attempt < 600 && !compared; ++attempt) {
            const TdmQuillmere::Tick tick(m.dm);
            QElapsedTimer sinceTick;  // a source reads each MON$ table once a tick, with its CURRENT_TIMESTAMP
            sinceTick.start();
            m.dm.SetSourceOverride(Source::Firebird);
            m.dm.cdsProcedures.open();
            m.dm.cdsStatements.open();
            bool running = false;
            for (m.dm.cdsStatements.first(); !m.dm.cdsStatements.eof(); m.dm.cdsStatements.next())
                running = running || m.dm.cdsStatements.asText(QStringLiteral("TMP$STATE")).trimmed() == QLatin1String("ACTIVE");
            if (m.dm.cdsProcedures.isEmpty() || !running) {
                QThread::msleep(50);
                continue;
            }
            compared = true;
            for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
                Snapshot& s = m.dm.snapshot(decl.id);
                // the views list users' attachments only, and leave out only RDB$ and TMP$ relations
                // without the system tables: so the attachments without, the relations with them
                m.dm.SetShowSystemTables(decl.id == catalogue::SnapshotId::Relations);
                m.dm.SetSourceOverride(Source::Tables);
                s.open();
                const Contents views = contents(s, sortColumn(decl.id));
                m.dm.SetSourceOverride(Source::Firebird);
                s.open();
                const double apart = (sinceTick.elapsed() + 2) / 86400000.0;  // days, with the clock's millisecond
                const Contents read = contents(s, sortColumn(decl.id));
                QVERIFY2(decl.id == catalogue::SnapshotId::PoolBlocks || !read.rows.isEmpty(), decl.snapshotName);
                QCOMPARE(read.rows.keys(), views.rows.keys());
                const QSet<QString> absent = read.absent + views.absent;
                for (const QString& key : read.rows.keys())
                    QCOMPARE(comparable(read.rows[key], absent), comparable(views.rows[key], absent));
                for (const QString& key : read.elapsed.keys()) {
                    QCOMPARE(read.elapsed[key] < 0, views.elapsed[key] < 0);
                    QVERIFY2(std::abs(read.elapsed[key] - views.elapsed[key]) <= apart, decl.snapshotName);
                }
                QStringList sorted = read.order;
                std::stable_sort(sorted.begin(), sorted.end());
                QCOMPARE(read.order, sorted);
            }
        }
        QVERIFY2(compared, "the workload's running statement and procedure never showed");
        workload.stop();
    }

    // A tick reads one MON$ snapshot: an attachment made during a tick shows in none of its
    // snapshots (the users and the pools agree), and shows at the next tick.
    void oneSnapshotPerTick()
    {
        QFETCH_GLOBAL(bool, direct);
        if (!direct)
            QSKIP("the views' reads end their transaction after each fetch");
        Monitor m(database(), source());
        std::unique_ptr<Client> late;
        qint64 users = 0;
        {
            const TdmQuillmere::Tick tick(m.dm);
            m.dm.cdsAttachments.open();
            users = m.dm.cdsAttachments.rowCount();
            m.dm.cdsPools.open();
            const qint64 attachmentPools = poolCount(m.dm.cdsPools, "ATT");
            late = std::make_unique<Client>(database());
            m.dm.cdsAttachments.refresh();
            m.dm.cdsPools.refresh();
            QCOMPARE(m.dm.cdsAttachments.rowCount(), users);
            QCOMPARE(poolCount(m.dm.cdsPools, "ATT"), attachmentPools);
            m.dm.cdsDatabase.open();
            QCOMPARE(m.dm.cdsDatabase.asInteger(QStringLiteral("TMP$ATTACHMENTS")), users);
        }
        const TdmQuillmere::Tick next(m.dm);
        m.dm.cdsAttachments.refresh();
        QCOMPARE(m.dm.cdsAttachments.rowCount(), users + 1);
        QVERIFY(m.dm.cdsAttachments.locate(QStringLiteral("TMP$ATTACHMENT_ID"), late->attachmentId()));
    }
};

QTEST_GUILESS_MAIN(TestFirebirdViewsServer)
#include "test_firebird_views_server.moc"

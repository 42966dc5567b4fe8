// The monitoring views over Firebird's MON$ tables on the private test server, where other
// clients' attachments are what the program watches: our own attachment over TCP, a second
// attachment's long statement shown as running and cancelled, a user's work cancelled, a user
// shut down, and an ordinary user who sees only that user's own attachments.

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
#include "support/TestServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

// Many seconds of work for the server: a billion rows counted.
const char* const kLongStatement =
    "WITH RECURSIVE R (N) AS (SELECT 1 FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM R WHERE N < 1000) "
    "SELECT COUNT(*) FROM R A, R B, R C";

ib::ParamBlock dpb(const QString& user, const QString& password)
{
    ParamList params;
    params.setParam(QStringLiteral("user_name"), user);
    params.setParam(QStringLiteral("password"), password);
    return ib::databaseParamBlock(params);
}

// A second client of the server in this process: its own attachment, and a statement that it
// runs in a thread of its own.
class Client {
public:
    Client(const QString& databaseName, const QString& user = TestServer::userName(),
           const QString& password = TestServer::password())
    {
        m_att.attach(ib::toClientText(databaseName), dpb(user, password));
        m_tr.start(m_att, ib::readCommittedTpb(false));
        m_id = value("SELECT CURRENT_CONNECTION FROM RDB$DATABASE").toInt();
    }
    ~Client() { wait(); }

    qint32 attachmentId() const { return m_id; }

    QString value(const char* sql)
    {
        ib::Statement st;
        st.prepare(m_att, m_tr, sql, 3);
        st.execute(m_tr);
        QString out;
        if (st.fetch())
            out = QString::fromStdString(st.asText(0));
        st.closeCursor();
        return out;
    }

    // Runs the statement in a thread; its error (or "finished") is kept for error().
    void startLong()
    {
        m_thread = std::thread([this] {
            try {
                ib::Statement st;
                st.prepare(m_att, m_tr, kLongStatement, 3);
                st.execute(m_tr);
                st.fetch();
                st.closeCursor();
                m_error = QStringLiteral("finished");
            } catch (const Exception& e) {
                m_error = e.message();
            }
            m_done = true;
        });
    }
    // Waits for the statement's thread to end; its error text. A statement that goes on running
    // (nothing stopped it) is ended by a shutdown of the attachment after a minute, and reads as
    // "still running".
    QString wait(TdmQuillmere* dm = nullptr)
    {
        for (int i = 0; dm && !m_done && i < 1200; ++i)
            QThread::msleep(50);
        if (dm && !m_done) {
            dm->ShutdownAttachment(m_id);
            if (m_thread.joinable())
                m_thread.join();
            return QStringLiteral("still running");
        }
        if (m_thread.joinable())
            m_thread.join();
        return m_error;
    }

private:
    ib::Attachment m_att;
    ib::Transaction m_tr;
    qint32 m_id = 0;
    std::thread m_thread;
    std::atomic<bool> m_done = false;
    QString m_error;
};

struct Monitor {
    TdmServerProperties connection;
    TdmQuillmere dm;
    Monitor(const QString& databaseName, const QString& user = TestServer::userName(),
            const QString& password = TestServer::password())
    {
        connection.SetDatabaseName(databaseName);
        connection.SetUserName(user);
        connection.SetPassword(password);
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

}  // namespace

class TestFirebirdViewsServer : public QObject {
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerDatabase> m_db;

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        m_db = std::make_unique<ServerDatabase>(m_server);
        m_db->installViews();
    }

    // Our own attachment over TCP, with user, host, address and process id.
    void ourAttachmentOverTcp()
    {
        Monitor m(m_db->name());
        Snapshot& users = m.dm.cdsAttachments;
        users.open();
        QVERIFY(users.locate(QStringLiteral("TMP$USER_PROCESS"), QCoreApplication::applicationPid()));
        QCOMPARE(users.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
        QCOMPARE(users.asText(QStringLiteral("TMP$USER_IP_ADDR")).trimmed(), QStringLiteral("127.0.0.1"));
        QCOMPARE(users.asText(QStringLiteral("TMP$USER_HOST")).trimmed(), QSysInfo::machineHostName());
        QCOMPARE(users.asText(QStringLiteral("TMP$STATE")).trimmed(), QStringLiteral("ACTIVE"));
        // the server's own system attachments are not users
        for (users.first(); !users.eof(); users.next())
            QCOMPARE(users.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
    }

    // A second client's long statement shows as running with its text and user; Cancel makes
    // that client receive the server's cancellation, and the client goes on working.
    void longStatementShownAndCancelled()
    {
        Monitor m(m_db->name());
        Client client(m_db->name());
        client.startLong();
        const qint32 id = m.waitForLongStatement(client.attachmentId());
        if (id == 0)
            m.dm.ShutdownAttachment(client.attachmentId());
        QVERIFY(id != 0);
        Snapshot& s = m.dm.cdsStatements;
        QVERIFY(locate(s, "TMP$STATEMENT_ID", id));
        QCOMPARE(s.asText(QStringLiteral("TMP$SQL")), QString::fromLatin1(kLongStatement));
        QCOMPARE(s.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
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
        Monitor m(m_db->name());
        Client client(m_db->name());
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
        Monitor m(m_db->name());
        {
            Client idle(m_db->name());
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
        Client running(m_db->name());
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
            att.attach(ib::toClientText(m_db->name()), dpb(TestServer::userName(), TestServer::password()));
            ib::Transaction tr;
            tr.start(att, ib::readCommittedTpb(false));
            ib::Statement st;
            st.prepare(att, tr, "CREATE OR ALTER USER QM_VIEWER PASSWORD 'viewer1' USING PLUGIN Srp", 3);
            st.execute(tr);
            tr.commit();
        }
        Client sysdba(m_db->name());
        {
            Monitor m(m_db->name(), user, password);
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
};

QTEST_GUILESS_MAIN(TestFirebirdViewsServer)
#include "test_firebird_views_server.moc"

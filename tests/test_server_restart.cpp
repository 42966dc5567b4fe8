// A server that goes away between two requests: the next request raises the client library's
// text and leaves nothing attached; once the server is back, requests work again. The test has a
// server of its own (the fbserver_restart fixture), since it kills it.

#include "common/Exception.h"
#include "connection/ServerConnectionDM.h"
#include "ib/IBError.h"
#include "support/TestServer.h"

#include <QFile>
#include <QtTest>

namespace {
QString fileText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("cannot read %1").arg(path));
    return QString::fromLocal8Bit(f.readAll());
}
}  // namespace

class TestServerRestart : public QObject {
    Q_OBJECT

    TestServer m_server;

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
    }

    void requestsAfterAKillAndARestart()
    {
        ServerDatabase db(m_server);
        TdmServerProperties p;
        p.SetDatabaseName(db.name());
        p.SetUserName(TestServer::userName());
        p.SetPassword(TestServer::password());
        p.SetConnected(true);
        QCOMPARE(p.GetServerLog(), fileText(m_server.logFile()));
        QVERIFY(p.GetDatabaseStatistics(0x04).contains(QLatin1String("Database header page information")));
        const int port = m_server.port();

        m_server.kill();
        for (int request = 0; request < 2; ++request) {
            try {
                if (request == 0)
                    p.GetServerLog();
                else
                    p.GetDatabaseStatistics(0x04);
                QFAIL("a request to a killed server succeeded");
            } catch (const ib::EIBError& e) {
                // the client library's own text, naming the network failure
                QVERIFY2(e.message().contains(QLatin1String("Unable to complete network request to host")),
                         qPrintable(e.message()));
            }
            QVERIFY(!p.IBLogService.isAttached());
            QVERIFY(!p.IBStatisticalService.isAttached());
        }
        // the connection to the lost server closes without keeping anything open
        try {
            p.SetConnected(false);
        } catch (const ib::EIBError& e) {
            qInfo("closing the lost connection: %s", qPrintable(e.message()));
        }
        QVERIFY(!p.GetConnected());

        const int restartedOn = m_server.start();
        QCOMPARE(restartedOn, m_server.port());
        if (restartedOn != port) {
            // another program took the port in between; the script found another one
            qInfo("the server came back on port %d instead of %d", restartedOn, port);
            p.SetDatabaseName(QStringLiteral("%1:%2").arg(m_server.serverName(), db.path()));
        }
        QCOMPARE(p.GetServerLog(), fileText(m_server.logFile()));
        QVERIFY(p.GetDatabaseStatistics(0x04).contains(QStringLiteral("Database \"%1\"").arg(db.path())));
        p.SetConnected(true);
        QCOMPARE(p.GetODSMajorVersion(), 12);
        p.SetConnected(false);
    }
};

QTEST_GUILESS_MAIN(TestServerRestart)
#include "test_server_restart.moc"

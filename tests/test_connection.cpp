// The connection module: database name classification, the parameter lists of the connection
// and the Services clients, the server name cache and the hand-over of the connection.

#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/DatabaseName.h"
#include "connection/ServerConnectionDM.h"
#include "monitor/QuillmereDM.h"
#include "support/TestDatabase.h"

#include <QtTest>

Q_DECLARE_METATYPE(ServicesProtocol)

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void classification_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<ServicesProtocol>("protocol");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("serviceManager");
        QTest::newRow("named pipe") << "\\\\srv\\d:\\data\\emp.gdb" << ServicesProtocol::NamedPipe << "srv"
                                    << "d:\\data\\emp.gdb" << "\\\\srv\\service_mgr";
        QTest::newRow("named pipe without path") << "\\\\srv" << ServicesProtocol::NamedPipe << "" << ""
                                                 << "\\\\\\service_mgr";
        QTest::newRow("tcp, second colon") << "srv:d:\\data\\emp.gdb" << ServicesProtocol::TCP << "srv"
                                           << "d:\\data\\emp.gdb" << "srv:service_mgr";
        QTest::newRow("tcp, slash") << "srv:/data/emp.gdb" << ServicesProtocol::TCP << "srv" << "/data/emp.gdb"
                                    << "srv:service_mgr";
        QTest::newRow("tcp with port") << "127.0.0.1/3051:/tmp/a.fdb" << ServicesProtocol::TCP << "127.0.0.1/3051"
                                       << "/tmp/a.fdb" << "127.0.0.1/3051:service_mgr";
        QTest::newRow("local") << "d:\\data\\emp.gdb" << ServicesProtocol::Local << "" << "d:\\data\\emp.gdb"
                               << "service_mgr";
        QTest::newRow("local unix path") << "/var/db/emp.fdb" << ServicesProtocol::Local << "" << "/var/db/emp.fdb"
                                         << "service_mgr";
        QTest::newRow("spx") << "nw@vol1:data\\emp.gdb" << ServicesProtocol::SPX << "nw" << "vol1:data\\emp.gdb"
                             << "nw@service_mgr";
    }
    void classification()
    {
        QFETCH(QString, name);
        QFETCH(ServicesProtocol, protocol);
        QFETCH(QString, server);
        QFETCH(QString, path);
        QFETCH(QString, serviceManager);
        const DatabaseNameParts parts = ClassifyDatabaseName(name);
        QCOMPARE(parts.protocol, protocol);
        QCOMPARE(parts.serverName, server);
        QCOMPARE(parts.databasePath, path);
        QCOMPARE(ServiceManagerName(parts.protocol, parts.serverName), serviceManager);

        // the Services clients are configured the same way
        TdmServerProperties connection;
        connection.SetDatabaseName(name);
        connection.ConfigureServices();
        for (ServicesClient* c : {&connection.IBServerProperties, &connection.IBLogService, &connection.IBStatisticalService}) {
            QCOMPARE(c->protocol(), protocol);
            QCOMPARE(c->serverName(), server);
            QVERIFY(!c->loginPrompt());
        }
        QCOMPARE(connection.IBStatisticalService.databaseName(), path);
        QCOMPARE(connection.GetServerName(), server);
    }

    void unclassifiableNames()
    {
        QVERIFY_THROWS_EXCEPTION(Exception, ClassifyDatabaseName(QStringLiteral("emp.gdb")));
        TdmServerProperties connection;
        try {
            connection.GetServerName();
            QFAIL("a server name without a database name");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), QStringLiteral("Internal error: IBDatabase not connected before calling GetServerNameAndProtocol."));
        }
        connection.SetDatabaseName(QStringLiteral("emp.gdb"));
        for (auto call : {+[](TdmServerProperties& c) { c.GetServerName(); }, +[](TdmServerProperties& c) { c.ConfigureServices(); }}) {
            try {
                call(connection);
                QFAIL("classified a name without a colon");
            } catch (const EServerPropertiesDMError&) {
                QFAIL("the wrong error type");
            } catch (const Exception& e) {
                QCOMPARE(e.message(), QStringLiteral("Internal error: Cannot determine protocol type from Database Name."));
            }
        }
    }

    void localServicesClientHasNoServerName()
    {
        ServicesClient c;
        c.setServerName(QStringLiteral("srv"));
        c.setProtocol(ServicesProtocol::TCP);
        QCOMPARE(c.serverName(), QStringLiteral("srv"));
        c.setProtocol(ServicesProtocol::Local);
        QCOMPARE(c.serverName(), QString());
        QCOMPARE(c.serviceManagerName(), QStringLiteral("service_mgr"));
    }

    void credentialsGoToEveryClientRoleAndCharsetOnlyToTheConnection()
    {
        TdmServerProperties connection;
        connection.SetUserName(QStringLiteral("SYSDBA"));
        connection.SetPassword(QStringLiteral("pw"));
        connection.SetRole(QStringLiteral("R"));
        connection.SetCharacterSet(QStringLiteral("UTF8"));
        QCOMPARE(connection.IBDatabase.params().lines(),
                 (QStringList{"user_name=SYSDBA", "password=pw", "sql_role_name=R", "lc_ctype=UTF8"}));
        for (ServicesClient* c : {&connection.IBServerProperties, &connection.IBLogService, &connection.IBStatisticalService})
            QCOMPARE(c->params().lines(), (QStringList{"user_name=SYSDBA", "password=pw"}));
        connection.SetRole(QString());
        connection.SetPassword(QString());
        QCOMPARE(connection.IBDatabase.params().lines(), (QStringList{"user_name=SYSDBA", "lc_ctype=UTF8"}));
        QCOMPARE(connection.IBLogService.params().lines(), QStringList{"user_name=SYSDBA"});
    }

    void settingCredentialsDetachesAnAttachedClient()
    {
        TestDatabase db;  // the embedded engine answers as the local service manager
        TdmServerProperties connection;
        connection.SetUserName(QStringLiteral("SYSDBA"));
        connection.SetDatabaseName(db.path());
        connection.ConfigureServices();
        connection.IBLogService.attach();
        QVERIFY(connection.IBLogService.isAttached());
        connection.SetPassword(QStringLiteral("other"));
        QVERIFY(!connection.IBLogService.isAttached());
        QCOMPARE(connection.IBLogService.params().value(QStringLiteral("password")), QStringLiteral("other"));
    }

    void serverNameIsCachedUntilDisconnect()
    {
        TestDatabase db;
        TdmServerProperties connection;
        connection.SetUserName(QStringLiteral("SYSDBA"));
        // an alias-free TCP spelling is only classified, never attached here
        connection.SetDatabaseName(QStringLiteral("first:/x.fdb"));
        QCOMPARE(connection.GetServerName(), QStringLiteral("first"));
        connection.SetDatabaseName(QStringLiteral("second:/x.fdb"));
        QCOMPARE(connection.GetServerName(), QStringLiteral("first"));  // cached
        connection.SetDatabaseName(db.path());
        connection.SetConnected(true);
        connection.SetConnected(false);  // a disconnect clears the cache
        connection.SetDatabaseName(QStringLiteral("second:/x.fdb"));
        QCOMPARE(connection.GetServerName(), QStringLiteral("second"));
    }

    void setDatabaseWithTheSameReferenceChangesNothing()
    {
        TestDatabase db;
        TdmServerProperties connection;
        connection.SetDatabaseName(db.path());
        connection.SetUserName(QStringLiteral("SYSDBA"));
        TdmQuillmere dm;
        dm.SetDatabase(&connection.IBDatabase);
        QCOMPARE(dm.Database(), &connection.IBDatabase);
        QCOMPARE(dm.query(catalogue::SnapshotId::Statements).database(), &connection.IBDatabase);
        QCOMPARE(dm.IBTransactionReadWrite.defaultDatabase(), &connection.IBDatabase);
        connection.SetConnected(true);
        dm.cdsAttachments.open();
        QVERIFY(dm.query(catalogue::SnapshotId::Attachments).isPrepared());
        dm.SetDatabase(&connection.IBDatabase);  // nothing is handed out again
        QVERIFY(dm.query(catalogue::SnapshotId::Attachments).isPrepared());
        QVERIFY(dm.IBTransaction.isActive());  // until the next tick, or a retaining commit
        // closing the connection ends the monitoring transaction and frees the queries
        connection.SetConnected(false);
        QVERIFY(!dm.IBTransaction.isActive());
        QVERIFY(!dm.query(catalogue::SnapshotId::Attachments).isPrepared());
        QVERIFY(dm.cdsAttachments.isOpen());  // the snapshot keeps its rows
    }

    void theConnectionMayGoBeforeTheModule()
    {
        TestDatabase db;
        TdmQuillmere dm;
        {
            TdmServerProperties connection;
            connection.SetDatabaseName(db.path());
            connection.SetUserName(QStringLiteral("SYSDBA"));
            dm.SetDatabase(&connection.IBDatabase);
            connection.SetConnected(true);
            dm.cdsStatements.open();
        }
        QCOMPARE(dm.query(catalogue::SnapshotId::Statements).database(), nullptr);
        QVERIFY_THROWS_EXCEPTION(Exception, dm.cdsStatements.refresh());
    }

    // A name whose length the attach call cannot carry is refused before any call: 65,536 more
    // characters than the path of a real database would have reached that database.
    void aNameTooLongForTheClientLibraryIsRefused()
    {
        TestDatabase db;
        TdmServerProperties connection;
        const QString name = db.path() + QString(65536, QLatin1Char('x'));
        connection.SetDatabaseName(name);
        connection.SetUserName(QStringLiteral("SYSDBA"));
        QString message;
        try {
            connection.SetConnected(true);
        } catch (const Exception& e) {
            message = e.message();
        }
        QCOMPARE(message, QString::fromUtf8(msg::DatabaseNameTooLong).arg(name.size()).arg(32767));
        QVERIFY(!connection.GetConnected());
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"

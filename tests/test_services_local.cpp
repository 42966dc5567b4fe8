// The reports of a local database (a file path with no server part): both come from the service
// manager of this machine, through the embedded engine, without a server.

#include "common/Exception.h"
#include "connection/ServerConnectionDM.h"
#include "ib/IBError.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QtTest>

namespace {
// The embedded engine of Debian's Firebird 3 reads its log from this file: the folder is
// compiled in, and FIREBIRD does not move it. CTest runs this test with a folder of its own
// mounted there (tests/support/with-private-firebird-log), where the namespaces allow it.
const char* const EngineLogFile = "/var/log/firebird/firebird3.0.log";
}  // namespace

class TestServicesLocal : public QObject {
    Q_OBJECT

    struct Local {
        TestDatabase db;
        TdmServerProperties p;
        Local()
        {
            p.SetDatabaseName(db.path());
            p.SetUserName(QStringLiteral("SYSDBA"));
            p.SetConnected(true);
        }
    };

private slots:
    void statisticsFromTheLocalServiceManager()
    {
        Local l;
        QCOMPARE(l.p.GetServerName(), QString());
        for (const uint8_t options : {uint8_t(0x04), uint8_t(0x01)}) {
            const QString report = l.p.GetDatabaseStatistics(options);
            QCOMPARE(l.p.IBStatisticalService.protocol(), ServicesProtocol::Local);
            QCOMPARE(l.p.IBStatisticalService.serviceManagerName(), QStringLiteral("service_mgr"));
            QCOMPARE(l.p.IBStatisticalService.databaseName(), l.db.path());
            QVERIFY(!l.p.IBStatisticalService.isAttached());
            QVERIFY2(report.contains(QStringLiteral("Database \"%1\"").arg(l.db.path())), qPrintable(report.left(300)));
            QVERIFY(report.contains(QLatin1String("Database header page information")));
            QCOMPARE(report.contains(QLatin1String("TMP$STATEMENTS (")), options == 0x01);
        }
    }

    // The embedded engine's log when it has one; otherwise the local service manager's own
    // answer that the file is missing. Either way the request went to this machine.
    void logFromTheLocalServiceManager()
    {
        Local l;
        QFile file(QString::fromLatin1(EngineLogFile));
        if (!file.exists()) {
            qInfo("%s does not exist: the local service manager must say so", EngineLogFile);
            try {
                l.p.GetServerLog();
                QFAIL("a log was read from a file that does not exist");
            } catch (const ib::EIBError& e) {
                QCOMPARE(e.message(), QStringLiteral("operating system directive fopen failed\nNo such file or directory"));
            }
            QVERIFY(!l.p.IBLogService.isAttached());
            return;
        }
        const QString log = l.p.GetServerLog();
        QVERIFY(!l.p.IBLogService.isAttached());
        QCOMPARE(l.p.IBLogService.serviceManagerName(), QStringLiteral("service_mgr"));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        QCOMPARE(log, QString::fromLocal8Bit(file.readAll()));
        // and in pieces
        l.p.IBLogService.setReplyBufferSize(9);
        file.seek(0);
        QCOMPARE(l.p.GetServerLog(), QString::fromLocal8Bit(file.readAll()));
    }
};

QTEST_GUILESS_MAIN(TestServicesLocal)
#include "test_services_local.moc"

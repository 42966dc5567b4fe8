// The server's reports through the private test server: the log and the statistics over TCP
// ("127.0.0.1/PORT:/path"), the reply joined from many pieces, refused credentials, and the
// names that fail before anything is sent.

#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/ServerConnectionDM.h"
#include "ib/IBError.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "support/TestServer.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {
QString fileText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("cannot read %1").arg(path));
    return QString::fromLocal8Bit(f.readAll());
}

void verifyDetached(TdmServerProperties& p)
{
    QVERIFY(!p.IBServerProperties.isAttached());
    QVERIFY(!p.IBLogService.isAttached());
    QVERIFY(!p.IBStatisticalService.isAttached());
}
}  // namespace

class TestServicesServer : public QObject {
    Q_OBJECT

    TestServer m_server;

    void connectTo(TdmServerProperties& p, const QString& databaseName, const QString& password = TestServer::password())
    {
        p.SetDatabaseName(databaseName);
        p.SetUserName(TestServer::userName());
        p.SetPassword(password);
    }

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        QVERIFY(m_server.port() > 0);
    }

    // The whole log, as the server's log file holds it, in one reply and in many.
    void serverLogArrivesWhole()
    {
        ServerDatabase db(m_server);
        TdmServerProperties p;
        connectTo(p, db.name());
        p.SetConnected(true);
        QCOMPARE(p.GetServerName(), m_server.serverName());
        // Other tests share the server and may make it write to its log meanwhile: the reply holds
        // the whole file as it was before the request, and nothing that the file does not hold.
        const auto verifyWholeLog = [this](const QString& log, const QString& before) {
            const QString after = fileText(m_server.logFile());
            QVERIFY2(log.startsWith(before), qPrintable(log));
            QVERIFY2(after.startsWith(log), qPrintable(log));
        };
        const QString file = fileText(m_server.logFile());
        QVERIFY(!file.isEmpty());
        verifyWholeLog(p.GetServerLog(), file);
        verifyDetached(p);

        // a buffer far smaller than the log (8 bytes hold 3 bytes of text): the pieces are joined
        // with nothing added
        QVERIFY(file.size() > 10 * 3);
        for (const size_t bufferSize : {size_t(8), size_t(61)}) {
            p.IBLogService.setReplyBufferSize(bufferSize);
            const QString before = fileText(m_server.logFile());
            verifyWholeLog(p.GetServerLog(), before);
        }
        verifyDetached(p);
        p.SetConnected(false);
    }

    void statisticsForEachOption_data()
    {
        QTest::addColumn<int>("options");
        QTest::addColumn<QStringList>("sections");  // texts of the report that this choice brings
        QTest::addColumn<QStringList>("absent");    // texts that it must not bring
        QTest::addColumn<QString>("refusal");       // the server's text when it refuses the option
        const QString header = QStringLiteral("Database header page information");
        const QString analysis = QStringLiteral("Analyzing database pages");
        const QString userTable = QStringLiteral("QM_ORDERS (");
        const QString userIndex = QStringLiteral("Index QM_ORDERS_AMOUNT (");
        const QString dataPages = QStringLiteral("Data pages:");
        const QString systemTable = QStringLiteral("RDB$RELATIONS (");
        QTest::newRow("header only") << 0x04 << QStringList{header} << QStringList{analysis, userTable} << QString();
        // Firebird 3 has no log pages any more and refuses the option, which is sent as it is
        QTest::newRow("header and log") << 0x02 << QStringList{} << QStringList{}
                                        << QStringLiteral("unrecognized service parameter block");
        QTest::newRow("index pages") << 0x08 << QStringList{header, userTable, userIndex}
                                     << QStringList{dataPages, systemTable} << QString();
        QTest::newRow("data pages") << 0x01 << QStringList{header, userTable, dataPages}
                                    << QStringList{userIndex, systemTable} << QString();
        QTest::newRow("system tables") << 0x10 << QStringList{header, userTable, dataPages, userIndex, systemTable}
                                       << QStringList{} << QString();
    }
    void statisticsForEachOption()
    {
        QFETCH(int, options);
        QFETCH(QStringList, sections);
        QFETCH(QStringList, absent);
        QFETCH(QString, refusal);
        ServerDatabase db(m_server);
        TdmServerProperties p;
        connectTo(p, db.name());
        p.SetConnected(true);
        {
            ib::Transaction tr;
            tr.start(p.IBDatabase.attachment(), ib::readCommittedTpb(false));
            for (const char* sql : {"CREATE TABLE QM_ORDERS (ID INTEGER, AMOUNT INTEGER)",
                                    "CREATE INDEX QM_ORDERS_AMOUNT ON QM_ORDERS (AMOUNT)"}) {
                ib::Statement st;
                st.prepare(p.IBDatabase.attachment(), tr, sql, 3);
                st.execute(tr);
                tr.commitRetaining();
            }
            tr.commit();
        }
        if (!refusal.isEmpty()) {
            try {
                p.GetDatabaseStatistics(static_cast<uint8_t>(options));
                QFAIL("the server accepted the option");
            } catch (const ib::EIBError& e) {
                QVERIFY2(e.message().contains(refusal), qPrintable(e.message()));
            }
            verifyDetached(p);
            QCOMPARE(p.IBStatisticalService.options(), uint8_t(options));
            return;
        }
        const QString report = p.GetDatabaseStatistics(static_cast<uint8_t>(options));
        verifyDetached(p);
        QCOMPARE(p.IBStatisticalService.options(), uint8_t(options));
        QCOMPARE(p.IBStatisticalService.databaseName(), db.path());
        QVERIFY2(report.contains(QStringLiteral("Database \"%1\"").arg(db.path())), qPrintable(report.left(400)));
        for (const QString& s : sections)
            QVERIFY2(report.contains(s), qPrintable(s + QLatin1String(" missing in:\n") + report.left(2000)));
        for (const QString& s : absent)
            QVERIFY2(!report.contains(s), qPrintable(s + QLatin1String(" unexpected in:\n") + report.left(2000)));
        // the server's report ends with its completion line: nothing was cut off
        QVERIFY(report.trimmed().split(QLatin1Char('\n')).last().startsWith(QLatin1String("Gstat completion time")));

        // The same report through a small buffer. Its time stamps differ, and so do the header's
        // transaction numbers: the page analysis runs transactions of its own.
        p.IBStatisticalService.setReplyBufferSize(40);
        const QString pieces = p.GetDatabaseStatistics(static_cast<uint8_t>(options));
        verifyDetached(p);
        const auto comparable = [](QString text) {
            static const QRegularExpression times(QStringLiteral("Gstat (execution|completion) time [^\n]*"));
            static const QRegularExpression numbers(QStringLiteral("[0-9]+"));
            return text.replace(times, QString()).replace(numbers, QStringLiteral("#"));
        };
        QCOMPARE(comparable(pieces), comparable(report));
        p.SetConnected(false);
    }

    // Refused credentials: the client library's text, and no client stays attached.
    void wrongPassword()
    {
        ServerDatabase db(m_server);
        TdmServerProperties p;
        connectTo(p, db.name(), QStringLiteral("not-the-password"));
        for (int request = 0; request < 2; ++request) {
            try {
                if (request == 0)
                    p.GetServerLog();
                else
                    p.GetDatabaseStatistics(0x04);
                QFAIL("a wrong password was accepted");
            } catch (const ib::EIBError& e) {
                QVERIFY2(e.message().contains(QLatin1String("Your user name and password are not defined")),
                         qPrintable(e.message()));
            }
            verifyDetached(p);
        }
        // the right password afterwards works: nothing stale stayed behind
        p.SetPassword(TestServer::password());
        QVERIFY(p.GetDatabaseStatistics(0x04).contains(QLatin1String("Database header page information")));
        verifyDetached(p);
    }

    // Names that cannot be used fail with the program's own text before any attach.
    void namesRefusedBeforeAnythingIsSent()
    {
        TdmServerProperties p;
        p.SetUserName(TestServer::userName());
        p.SetPassword(TestServer::password());
        p.SetDatabaseName(QStringLiteral("emp.fdb"));
        for (int request = 0; request < 2; ++request) {
            try {
                if (request == 0)
                    p.GetServerLog();
                else
                    p.GetDatabaseStatistics(0x04);
                QFAIL("an unclassifiable name was used");
            } catch (const ib::EIBError& e) {
                QFAIL(qPrintable(QLatin1String("the client library was called: ") + e.message()));
            } catch (const Exception& e) {
                QCOMPARE(e.message(), QStringLiteral("Internal error: Cannot determine protocol type from Database Name."));
            }
            verifyDetached(p);
        }

        // a named-pipe name without a path: the statistics request is not sent
        p.SetDatabaseName(QStringLiteral("\\\\127.0.0.1\\"));
        try {
            p.GetDatabaseStatistics(0x04);
            QFAIL("statistics of an empty path were requested");
        } catch (const ib::EIBError& e) {
            QFAIL(qPrintable(QLatin1String("the client library was called: ") + e.message()));
        } catch (const EServerPropertiesDMError& e) {
            QCOMPARE(e.message(), QString::fromUtf8(msg::StatisticsPathEmpty));
        }
        verifyDetached(p);
    }
};

QTEST_GUILESS_MAIN(TestServicesServer)
#include "test_services_server.moc"

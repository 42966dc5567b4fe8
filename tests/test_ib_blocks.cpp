// Parameter blocks byte for byte, parameter lists, script splitting, value decoding and the
// loading of the client library.

#include "common/Exception.h"
#include "common/ParamList.h"
#include "ib/CallWatchdog.h"
#include "ib/ClientLibrary.h"
#include "ib/ParamBlock.h"
#include "ib/SqlScript.h"
#include "ib/Transaction.h"
#include "ib/Values.h"

#include <QtTest>

namespace {
QByteArray bytes(const ib::ParamBlock& b) { return QByteArray(b.data(), b.size()); }
QByteArray raw(std::initializer_list<int> v)
{
    QByteArray out;
    for (int c : v)
        out.append(static_cast<char>(c));
    return out;
}
}  // namespace

class TestIbBlocks : public QObject {
    Q_OBJECT
private slots:
    void setParamReplacesAppendsAndRemoves_data()
    {
        QTest::addColumn<QStringList>("operations");  // "name=value", value may be empty
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("append") << QStringList{"user_name=SYSDBA", "password=pw"} << QStringList{"user_name=SYSDBA", "password=pw"};
        QTest::newRow("replace keeps place") << QStringList{"user_name=A", "password=pw", "user_name=B"}
                                             << QStringList{"user_name=B", "password=pw"};
        QTest::newRow("empty removes") << QStringList{"sql_role_name=R", "lc_ctype=UTF8", "sql_role_name="}
                                       << QStringList{"lc_ctype=UTF8"};
        QTest::newRow("empty of absent") << QStringList{"password="} << QStringList{};
        QTest::newRow("value with =") << QStringList{"password=a=b"} << QStringList{"password=a=b"};
    }
    void setParamReplacesAppendsAndRemoves()
    {
        QFETCH(QStringList, operations);
        QFETCH(QStringList, lines);
        ParamList list;
        for (const QString& op : operations) {
            const qsizetype eq = op.indexOf(QLatin1Char('='));
            SetParam(list, op.left(eq), op.mid(eq + 1));
        }
        QCOMPARE(list.lines(), lines);
    }

    void databaseParamBlockFollowsTheListOrder()
    {
        ParamList list;
        list.setParam(QStringLiteral("lc_ctype"), QStringLiteral("UTF8"));
        list.setParam(QStringLiteral("user_name"), QStringLiteral("SYSDBA"));
        list.setParam(QStringLiteral("password"), QStringLiteral("pw"));
        list.setParam(QStringLiteral("sql_role_name"), QStringLiteral("R1"));
        QByteArray expected = raw({isc_dpb_version1, isc_dpb_lc_ctype, 4}) + "UTF8";
        expected += raw({isc_dpb_user_name, 6}) + "SYSDBA";
        expected += raw({isc_dpb_password, 2}) + "pw";
        expected += raw({isc_dpb_sql_role_name, 2}) + "R1";
        // the connect timeout last: the call watchdog's bound in whole seconds, rounded up
        const ib::CallWatchdog::Bound bound(std::chrono::milliseconds(2500));
        expected += raw({isc_dpb_connect_timeout, 4, 3, 0, 0, 0});
        QCOMPARE(bytes(ib::databaseParamBlock(list)), expected);
        // a role removed again is not sent at all
        list.setParam(QStringLiteral("sql_role_name"), QString());
        QVERIFY(!bytes(ib::databaseParamBlock(list)).contains(static_cast<char>(isc_dpb_sql_role_name)));
        QCOMPARE(bytes(ib::databaseParamBlock(ParamList())),
                 raw({isc_dpb_version1, isc_dpb_connect_timeout, 4, 3, 0, 0, 0}));
    }

    void serviceBlocks()
    {
        ParamList list;
        list.setParam(QStringLiteral("password"), QStringLiteral("secret"));
        list.setParam(QStringLiteral("user_name"), QStringLiteral("SYSDBA"));
        list.setParam(QStringLiteral("lc_ctype"), QStringLiteral("UTF8"));  // not a Services parameter
        QByteArray expected = raw({isc_spb_version, isc_spb_current_version, isc_spb_password, 6}) + "secret";
        expected += raw({isc_spb_user_name, 6}) + "SYSDBA";
        expected += raw({isc_spb_connect_timeout, 4, 15, 0, 0, 0});  // the product's bound
        QCOMPARE(bytes(ib::serviceAttachBlock(list)), expected);

        ib::ParamBlock stats;
        const std::string path(300, 'p');
        stats.addByte(isc_action_svc_db_stats).addString2(isc_spb_dbname, path).addInt4(isc_spb_options, 0x10);
        QByteArray want = raw({isc_action_svc_db_stats, isc_spb_dbname, 300 & 0xFF, 300 >> 8}) + QByteArray(path.c_str());
        want += raw({isc_spb_options, 0x10, 0, 0, 0});
        QCOMPARE(bytes(stats), want);
    }

    void tooLongValuesAreRefused()
    {
        ib::ParamBlock b;
        QVERIFY_THROWS_EXCEPTION(Exception, b.addString1(isc_dpb_password, std::string(256, 'x')));
        QVERIFY_THROWS_EXCEPTION(Exception, b.addString2(isc_spb_dbname, std::string(65536, 'x')));
        b.addString1(isc_dpb_password, std::string(255, 'x'));
        QCOMPARE(b.size(), short(257));
    }

    void transactionBlocks()
    {
        QCOMPARE(bytes(ib::readCommittedTpb(true)),
                 raw({isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait, isc_tpb_read}));
        QCOMPARE(bytes(ib::readCommittedTpb(false)),
                 raw({isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait}));
    }

    void littleEndianIntegers()
    {
        const char twoBytes[] = {'\x40', '\x9C'};
        QCOMPARE(ib::readLittleEndian(twoBytes, 2), uint64_t(40000));
        QCOMPARE(ib::readSignedLittleEndian(twoBytes, 2), int64_t(40000 - 65536));
        const char four[] = {'\x01', '\x00', '\x00', '\x80'};
        QCOMPARE(ib::readSignedLittleEndian(four, 4), int64_t(INT32_MIN) + 1);
    }

    void timestampsAreDecodedExactly()
    {
        // 17 November 1858 is day 0
        QCOMPARE(ib::Timestamp({0, 0}).toDate(), QDate(1858, 11, 17));
        const QDateTime dt(QDate(2024, 2, 29), QTime(23, 59, 58, 999), Qt::UTC);
        const ib::Timestamp ts = ib::Timestamp::fromDateTime(dt);
        QCOMPARE(ts.toDateTime(), dt);
        QCOMPARE(ib::Timestamp::fromPacked(ts.packed()), ts);
        const ib::Timestamp early{-40000, 5};
        QCOMPARE(ib::Timestamp::fromPacked(early.packed()), early);
    }

    void textDecoding()
    {
        QCOMPARE(ib::decodeText("plain"), QStringLiteral("plain"));
        QCOMPARE(ib::decodeText("Z\xC3\xBCrich"), QStringLiteral("Zürich"));
        // not UTF-8: one character per byte, nothing lost
        QCOMPARE(ib::decodeText(std::string_view("Z\xFCrich")), QStringLiteral("Zürich"));
        QCOMPARE(ib::trimRight("ACTIVE   "), std::string_view("ACTIVE"));
        QCOMPARE(ib::trimRight("   "), std::string_view(""));
    }

    void scriptSplitting()
    {
        const std::string script =
            "-- a comment; with a semicolon\n"
            "SET SQL DIALECT 1;\n"
            "CREATE TABLE T (A INTEGER); /* block; comment */\n"
            "INSERT INTO T VALUES (';''');\n"
            "COMMIT;\n"
            "SET TERM ^ ;\n"
            "CREATE TRIGGER X FOR T BEFORE INSERT AS BEGIN NEW.A = 1; END^\n"
            "SET TERM ; ^\n"
            "SELECT * FROM T;\n";
        const std::vector<std::string> got = ib::splitSqlScript(script);
        QCOMPARE(got.size(), size_t(4));
        QCOMPARE(got[0], std::string("CREATE TABLE T (A INTEGER)"));
        QCOMPARE(got[1], std::string("INSERT INTO T VALUES (';''')"));
        QCOMPARE(got[2], std::string("CREATE TRIGGER X FOR T BEFORE INSERT AS BEGIN NEW.A = 1; END"));
        QCOMPARE(got[3], std::string("SELECT * FROM T"));
        QVERIFY_THROWS_EXCEPTION(Exception, ib::splitSqlScript("SELECT 'open"));
        QVERIFY_THROWS_EXCEPTION(Exception, ib::splitSqlScript("SELECT 1 FROM T"));
        QVERIFY_THROWS_EXCEPTION(Exception, ib::splitSqlScript("/* never closed"));
        QVERIFY(ib::splitSqlScript("  -- only a comment\n").empty());
    }

    void aLibraryThatCannotBeLoadedNamesWhatWasTried()
    {
        try {
            ib::ClientLibrary lib({QStringLiteral("libquillmere-missing-a.so"), QStringLiteral("libquillmere-missing-b.so")});
            QFAIL("loaded a library that does not exist");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QLatin1String("libquillmere-missing-a.so")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QLatin1String("libquillmere-missing-b.so")), qPrintable(e.message()));
        }
        // a library without the entry points: the first missing one is named
        try {
            ib::ClientLibrary lib({QStringLiteral("libz.so.1")});
            QFAIL("accepted a library without the client API");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QLatin1String("isc_attach_database")), qPrintable(e.message()));
        }
        QVERIFY(!ib::ClientLibrary::instance().loadedName().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIbBlocks)
#include "test_ib_blocks.moc"

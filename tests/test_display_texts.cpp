// The display-text rules: elapsed times, pool type names, start times and their cut-off date, a
// server time that the client's time zone skips, and texts in the connection's character set.

#include "monitor/DisplayTexts.h"
#include "monitor/QuillmereDM.h"
#include "monitor/Snapshot.h"

#include <QLocale>
#include <QtTest>

#include <ctime>

class TestDisplayTexts : public QObject {
    Q_OBJECT
private slots:
    void elapsedTime_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << QStringLiteral("   0:00:00.000");
        QTest::newRow("1 s") << 1.0 / 86400 << QStringLiteral("   0:00:01.000");
        QTest::newRow("half a day") << 0.5 << QStringLiteral("  12:00:00.000");
        QTest::newRow("1.25") << 1.25 << QStringLiteral("  30:00:00.000");
        QTest::newRow("3.0001") << 3.0001 << QStringLiteral("  72:00:08.640");
        QTest::newRow("125") << 125.0 << QStringLiteral("3000:00:00.000");
        QTest::newRow("1 ms") << 0.001 / 86400 << QStringLiteral("   0:00:00.001");
        // the hours are a 16-bit unsigned count
        QTest::newRow("wraps") << 2731.0 << QString::number((2731 * 24) % 65536).rightJustified(4) + QStringLiteral(":00:00.000");
        QTest::newRow("not a number") << std::nan("") << QStringLiteral("   0:00:00.000");
    }
    void elapsedTime()
    {
        QFETCH(double, days);
        QFETCH(QString, text);
        QCOMPARE(ElapsedTimeText(days), text);
    }

    void poolTypeNames_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("CCH") << "CCH" << "CCH: Cache mgr/page buffers";
        QTest::newRow("DYN") << "DYN" << "DYN: Internal DDL";
        QTest::newRow("IRQ") << "IRQ" << "IRQ: Int. metadata queries";
        QTest::newRow("PRM") << "PRM" << "PRM: Metadata structures";
        QTest::newRow("REQ") << "REQ" << "REQ: User queries";
        QTest::newRow("TRA") << "TRA" << "TRA: Transaction manager";
        QTest::newRow("TRG") << "TRG" << "TRA: Trigger requests";
        QTest::newRow("unlisted") << "XYZ" << "XYZ";
        QTest::newRow("case matters") << "cch" << "cch";
        QTest::newRow("empty") << "" << "";
    }
    void poolTypeNames()
    {
        QFETCH(QString, code);
        QFETCH(QString, text);
        QCOMPARE(PoolTypeName(code), text);
    }

    void poolColumnTrimsPaddingAndNull()
    {
        TdmQuillmere dm;
        QCOMPARE(dm.cdsPoolsTMPTYPEGetText(QStringLiteral("CCH").leftJustified(31)), QStringLiteral("CCH: Cache mgr/page buffers"));
        QCOMPARE(dm.cdsPoolsTMPTYPEGetText(QVariant()), QString());
    }

    void startTimesAfterTheCutoffOnly()
    {
        TdmQuillmere dm;
        QCOMPARE(dm.TimestampCutoff(), QDateTime(QDate(1975, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(dm.TimestampGetText(QDateTime(QDate(1975, 1, 1), QTime(0, 0))), QString());
        QCOMPARE(dm.TimestampGetText(QDateTime(QDate(1960, 5, 1), QTime(10, 0))), QString());
        QCOMPARE(dm.TimestampGetText(QVariant()), QString());
        const QDateTime later(QDate(1975, 1, 1), QTime(0, 0, 1));
        QCOMPARE(dm.TimestampGetText(later), standardDateTimeText(later));
        QVERIFY(!dm.TimestampGetText(later).isEmpty());
    }

    void standardDateTimeLeavesMidnightOut()
    {
        const QLocale locale;
        const QDateTime midnight(QDate(2021, 3, 4), QTime(0, 0, 0, 500));
        QCOMPARE(standardDateTimeText(midnight), locale.toString(midnight.date(), QLocale::ShortFormat));
        const QString withTime = standardDateTimeText(QDateTime(QDate(2021, 3, 4), QTime(13, 5, 9)));
        QVERIFY(withTime.startsWith(locale.toString(QDate(2021, 3, 4), QLocale::ShortFormat) + QLatin1Char(' ')));
        QVERIFY2(withTime.contains(QLatin1String("05")) && withTime.contains(QLatin1String("09")), qPrintable(withTime));
        QCOMPARE(standardDateTimeText(QDateTime()), QString());
    }

    // The server's times are shown as the server has them: 02:30 on the night the client's clock
    // jumps from 02:00 to 03:00 does not exist in the client's zone, and still shows.
    void aTimeInTheClientsDaylightSavingGapShows()
    {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        const ib::Timestamp gap = ib::Timestamp::fromDateTime(QDateTime(QDate(2026, 3, 29), QTime(2, 30), Qt::UTC));
        TdmQuillmere dm;
        const QDateTime value = gap.toDateTime();
        const QString text = dm.TimestampGetText(value);
        qputenv("TZ", zone);
        tzset();
        QVERIFY(value.isValid());
        QCOMPARE(value.time(), QTime(2, 30));
        QVERIFY2(text.contains(QLatin1String("30")) && !text.isEmpty(), qPrintable(text));
    }

    // Texts in the character set the connection asked for: WIN1251 bytes are Cyrillic; NONE keeps
    // UTF-8 where the bytes are UTF-8 and one character per byte where they are not.
    void textsInTheConnectionsCharacterSet()
    {
        const std::string privet = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in WIN1251
        QCOMPARE(ib::TextDecoder(QStringLiteral("WIN1251")).decode(privet), QStringLiteral("Привет"));
        QCOMPARE(ib::TextDecoder(QStringLiteral("win_1251")).decode(privet), QStringLiteral("Привет"));
        QCOMPARE(ib::TextDecoder(QStringLiteral("KOI8R")).decode("\xF0\xD2\xC9\xD7\xC5\xD4"), QStringLiteral("Привет"));
        QCOMPARE(ib::TextDecoder(QStringLiteral("ISO8859_1")).decode("\xC9t\xE9"), QStringLiteral("Été"));
        for (const QString& set : {QString(), QStringLiteral("NONE"), QStringLiteral("UTF8"), QStringLiteral("NO_SUCH_SET")}) {
            QCOMPARE(ib::TextDecoder(set).decode(privet), QString::fromLatin1(privet.data(), 6));
            QCOMPARE(ib::TextDecoder(set).decode("\xC3\x89t\xC3\xA9"), QStringLiteral("Été"));
        }
    }
};

QTEST_GUILESS_MAIN(TestDisplayTexts)
#include "test_display_texts.moc"

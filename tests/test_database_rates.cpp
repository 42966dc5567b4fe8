// The arithmetic behind the Database tab's rates and transaction gaps: rates from two reads, the
// cases without a rate, the amber and red boundaries, the defaults that follow the sweep interval,
// and the thresholds through the settings file.

#include "common/SettingsFile.h"
#include "mainwindow/DatabaseRates.h"
#include "mainwindow/TransactionHealth.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;
using Values = std::vector<std::optional<qint64>>;

class TestDatabaseRates : public QObject {
    Q_OBJECT

private slots:
    // Row 0 a counter, row 1 a gauge, row 2 a counter the server leaves empty at times.
    void ratesFromTwoReads()
    {
        DatabaseRates rates({true, false, true});
        const DatabaseRates::Clock::time_point t0{};
        // the first read has nothing to compare with
        QCOMPARE(rates.update({100, 5, 7}, t0), (std::vector<std::optional<double>>(3)));
        const auto second = rates.update({350, 9, std::nullopt}, t0 + 2500ms);
        QCOMPARE(second[0], std::optional<double>(100.0));
        QVERIFY(!second[1]);  // a gauge
        QVERIFY(!second[2]);  // empty now
        // empty before: no rate yet
        QVERIFY(!rates.update({350, 9, 10}, t0 + 3500ms)[2]);
        QCOMPARE(rates.update({350, 9, 30}, t0 + 4500ms)[2], std::optional<double>(20.0));

        // forgotten (a disconnect): the next read starts afresh
        rates.forget();
        QVERIFY(!rates.update({400, 9, 40}, t0 + 10s)[0]);
        QCOMPARE(rates.update({500, 9, 40}, t0 + 11s)[0], std::optional<double>(100.0));
    }

    // A counter that went down (the server restarted) has no rate, never a negative one; the next
    // read rates from the new value.
    void aCounterThatWentDown()
    {
        DatabaseRates rates({true, true});
        const DatabaseRates::Clock::time_point t0{};
        rates.update({1000000, 50}, t0);
        const auto restarted = rates.update({200, 60}, t0 + 1s);
        QVERIFY(!restarted[0]);
        QCOMPARE(restarted[1], std::optional<double>(10.0));
        QCOMPARE(rates.update({500, 60}, t0 + 4s)[0], std::optional<double>(100.0));
    }

    // A rate reads like the values beside it, which are plain digits: no thousands separator,
    // also where the locale groups digits.
    void aRateInTheValuesFormat()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(DatabaseRates::text(1234567.5), QStringLiteral("1234567.5/s"));
        QLocale::setDefault(QLocale::c());
    }

    // Amber past the amber threshold, red past the red one; exactly on a threshold is not past it.
    void levelBoundaries()
    {
        const health::Thresholds t{10000, 100000};
        QCOMPARE(health::levelOf(10000, t), health::Level::Normal);
        QCOMPARE(health::levelOf(10001, t), health::Level::Amber);
        QCOMPARE(health::levelOf(100000, t), health::Level::Amber);
        QCOMPARE(health::levelOf(100001, t), health::Level::Red);
        QVERIFY(!health::gapValue(5, std::nullopt));
        QCOMPARE(health::gapValue(59, 15), std::optional<qint64>(44));
    }

    // The interesting gap follows the database's sweep interval (amber) and ten times it (red);
    // with sweeping off or no interval known, 20,000 and 200,000. Set thresholds take precedence.
    void thresholdDefaults()
    {
        health::Settings s;
        using health::Gap;
        QCOMPARE(s.thresholds(Gap::ActiveGap, 5000).amber, 10000);
        QCOMPARE(s.thresholds(Gap::SnapshotGap, 5000).red, 100000);
        QCOMPARE(s.thresholds(Gap::InterestingGap, 5000).amber, 5000);
        QCOMPARE(s.thresholds(Gap::InterestingGap, 5000).red, 50000);
        QCOMPARE(s.thresholds(Gap::InterestingGap, 0).amber, 20000);
        QCOMPARE(s.thresholds(Gap::InterestingGap, std::nullopt).red, 200000);
        s.amber[Gap::InterestingGap] = 300;
        QCOMPARE(s.thresholds(Gap::InterestingGap, 5000).amber, 300);
        QCOMPARE(s.thresholds(Gap::InterestingGap, 5000).red, 3000);
    }

    // The section [TransactionHealth]: written and read back; a key that is missing, not a
    // number or 0 or less takes the default.
    void thresholdsInTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("q.ini"));
        health::Settings s;
        s.amber = {5, 0, 7};
        s.red = {50, 9, 70};
        {
            SettingsFile settings(file);
            s.write(settings);
            settings.writeString(QStringLiteral("transactionhealth"), QStringLiteral("snapshotgapred"),
                                 QStringLiteral("lots"));
            settings.writeFile();
        }
        const SettingsFile settings(file);
        QCOMPARE(settings.keys(health::SettingsSection),
                 QStringList({"ActiveGapAmber", "ActiveGapRed", "InterestingGapAmber", "InterestingGapRed",
                              "SnapshotGapAmber", "SnapshotGapRed"}));
        const health::Settings back = health::Settings::read(settings);
        QCOMPARE(back.amber, s.amber);
        QCOMPARE(back.red, (std::array<qint64, 3>{50, 9, 0}));
        QCOMPARE(back.thresholds(health::SnapshotGap, 1).red, 100000);
    }
};

QTEST_GUILESS_MAIN(TestDatabaseRates)
#include "test_database_rates.moc"

// The Database tab beyond its counters, in the main window against real databases: the rates of
// the counters from the embedded engine's own figures, the transaction gaps and their thresholds
// (also through the settings file), the Transactions tab's mark of the oldest active transaction,
// the status bar's refresh panel, and the label column.

#include "app/QuillmereApplication.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "mainwindow/DatabaseProperties.h"
#include "mainwindow/DatabaseValueList.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/grid/GridProxyModel.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "support/MainWindowFixture.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QLabel>
#include <QRegularExpression>
#include <QThread>
#include <QTreeView>
#include <QtTest>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int FirstGapRow = static_cast<int>(DatabasePropertyCount);

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int row(const char* column) { return databasePropertyRow(column); }

// A database without monitoring tables of its own: the window reads Firebird's MON$ tables.
std::unique_ptr<TestDatabase> firebirdDatabase()
{
    TestDatabase::Options o;
    o.applySchema = false;
    return std::make_unique<TestDatabase>(o);
}

// The rate shown in a row, as a number.
double shownRate(const TfrmMain& f, int row)
{
    QString text = f.databasePage().valueList().rate(row);
    const QString unit = QString::fromUtf8(msg::DatabaseRatePerSecond).arg(QString());
    if (!text.endsWith(unit))
        return -1;
    text.chop(unit.size());
    bool ok = false;
    const double rate = QLocale().toDouble(text, &ok);
    return ok ? rate : -1;
}

// The rows of the Transactions grid drawn on a background of their own, by transaction ID.
QList<qint64> markedTransactions(const TfrmMain& f)
{
    const QAbstractItemModel* model = f.transactionsPage().grid()->view()->model();
    const int id = f.transactionsPage().grid()->sectionOf(QStringLiteral("TMP$TRANSACTION_ID"));
    QList<qint64> marked;
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->index(r, 0).data(Qt::BackgroundRole).isValid())
            marked << model->index(r, id).data(Qt::EditRole).toLongLong();
    return marked;
}

// The number of a running transaction.
qint64 transactionId(ib::Attachment& att, ib::Transaction& tr)
{
    ib::Statement st;
    st.prepare(att, tr, ib::toClientText(QStringLiteral("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE")), 1);
    st.execute(tr);
    const qint64 id = st.fetch() ? st.asInt64(0) : -1;
    st.closeCursor();
    return id;
}

}  // namespace

class TestDatabaseTab : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // Known inserts between two refreshes give inserts / seconds between the reads, bounded by
    // the times measured around the refreshes; the first refresh, gauges and counters Firebird
    // leaves empty show no rate; a disconnect forgets the previous values.
    void ratesFromTheEngine()
    {
        const auto db = firebirdDatabase();
        db->execute(QStringLiteral("CREATE TABLE T (I INTEGER)"));
        Window w(db.get());
        TfrmMain& f = *w.form;
        w.show();  // connects; the first refresh reads the Database tab
        QVERIFY(w.connected());
        QCOMPARE(w.dm().Source(), TdmQuillmere::SourceKind::Firebird);
        for (int r = 0; r < f.databasePage().valueList().rowCount(); ++r)
            QVERIFY2(f.databasePage().valueList().rate(r).isEmpty(), qPrintable(f.databasePage().label(r)));

        const Clock::time_point t0 = Clock::now();
        f.actRefresh->trigger();
        const Clock::time_point t1 = Clock::now();
        constexpr int Inserts = 3000;
        const qint64 before = f.databasePage().value(row("TMP$RECORD_INSERTS")).toLongLong();
        db->execute(QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO BEGIN "
                                   "INSERT INTO T VALUES (:I); I = I + 1; END END")
                        .arg(Inserts));
        // a pause long beside a refresh, so that the bounds below are close
        QThread::msleep(1500);
        const Clock::time_point t2 = Clock::now();
        f.actRefresh->trigger();
        const Clock::time_point t3 = Clock::now();

        QCOMPARE(f.databasePage().value(row("TMP$RECORD_INSERTS")).toLongLong() - before, qint64(Inserts));
        // the reads lie within the refreshes, so the seconds between them lie within these bounds;
        // the rate is shown with one decimal
        const double lowest = Inserts / seconds(t3 - t0) - 0.05, highest = Inserts / seconds(t2 - t1) + 0.05;
        const double rate = shownRate(f, row("TMP$RECORD_INSERTS"));
        QVERIFY2(rate >= lowest && rate <= highest,
                 qPrintable(QStringLiteral("%1 not in [%2, %3]").arg(rate).arg(lowest).arg(highest)));
        QVERIFY(shownRate(f, row("TMP$NEXT_TRANSACTION")) > 0);  // transactions started per second
        QVERIFY(shownRate(f, row("TMP$PAGE_FETCHES")) > 0);
        QVERIFY(!f.databasePage().value(row("TMP$CURRENT_MEMORY")).isEmpty());
        QVERIFY(f.databasePage().valueList().rate(row("TMP$CURRENT_MEMORY")).isEmpty());  // a gauge
        QVERIFY(f.databasePage().value(row("TMP$TRANSACTION_COMMITS")).isEmpty());  // Firebird keeps none
        QVERIFY(f.databasePage().valueList().rate(row("TMP$TRANSACTION_COMMITS")).isEmpty());
        QVERIFY(f.databasePage().valueList().rate(FirstGapRow).isEmpty());

        f.actDisconnect->trigger();
        f.actConnect->trigger();
        QVERIFY(w.connected());
        QVERIFY(f.databasePage().valueList().rate(row("TMP$RECORD_INSERTS")).isEmpty());
    }

    // Each gap is amber past its threshold and red past the higher one; the interesting gap
    // follows the sweep interval. Changed thresholds apply at the next refresh; a disconnect
    // blanks the gaps.
    void transactionGaps()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID, TMP$NEXT_TRANSACTION, TMP$OLDEST_ACTIVE, "
                                  "TMP$OLDEST_INTERESTING, TMP$OLDEST_SNAPSHOT, TMP$SWEEP_INTERVAL) "
                                  "VALUES (1, 200000, 50, 40, 195000, 5)"));
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        QCOMPARE(f.databasePage().label(FirstGapRow), QStringLiteral("Gap: Next - Oldest active"));
        QCOMPARE(f.databasePage().value(FirstGapRow), QStringLiteral("199950"));
        QCOMPARE(f.databasePage().valueList().level(FirstGapRow), health::Level::Red);
        QCOMPARE(f.databasePage().value(FirstGapRow + 1), QStringLiteral("10"));
        QCOMPARE(f.databasePage().valueList().level(FirstGapRow + 1), health::Level::Amber);  // past the sweep interval
        QCOMPARE(f.databasePage().valueList().item(FirstGapRow + 1, 1)->toolTip(),
                 QStringLiteral("Amber past 5, red past 50 (settings file, section [TransactionHealth])"));
        QCOMPARE(f.databasePage().value(FirstGapRow + 2), QStringLiteral("5000"));
        QCOMPARE(f.databasePage().valueList().level(FirstGapRow + 2), health::Level::Normal);

        health::Settings raised;
        raised.red[health::ActiveGap] = 199950;
        f.databasePage().SetTransactionHealth(raised);
        f.actRefresh->trigger();
        QCOMPARE(f.databasePage().valueList().level(FirstGapRow), health::Level::Amber);

        f.actDisconnect->trigger();
        QVERIFY(f.databasePage().value(FirstGapRow).isEmpty());
        QCOMPARE(f.databasePage().valueList().level(FirstGapRow), health::Level::Normal);
    }

    // Transaction numbers go up to 2^48: a database whose counters and ids are past 2^31 (here
    // monitoring tables whose columns are BIGINT, as Firebird's are) shows them exactly on the
    // Database tab, in the gaps and the grids, and Commit acts on the transaction with that id.
    void valuesPast2To31StayExact()
    {
        TestDatabase::Options o;
        o.dialect = 3;
        TestDatabase db(o);
        db.execute({QStringLiteral("ALTER TABLE TMP$DATABASE ALTER TMP$NEXT_TRANSACTION TYPE BIGINT, "
                                   "ALTER TMP$OLDEST_ACTIVE TYPE BIGINT, ALTER TMP$OLDEST_INTERESTING TYPE BIGINT, "
                                   "ALTER TMP$OLDEST_SNAPSHOT TYPE BIGINT"),
                    QStringLiteral("ALTER TABLE TMP$TRANSACTIONS ALTER TMP$TRANSACTION_ID TYPE BIGINT")});
        const qint64 next = (qint64(1) << 40) + 7;  // past 2^31, and past 2^32 so that no wrap hides
        db.execute({QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID, TMP$NEXT_TRANSACTION, "
                                   "TMP$OLDEST_ACTIVE, TMP$OLDEST_INTERESTING, TMP$OLDEST_SNAPSHOT) VALUES (1, %1, %2, %3, %4)")
                        .arg(next)
                        .arg(next - 3000000000)
                        .arg(next - 3000000010)
                        .arg(next - 5),
                    QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$ATTACHMENT_ID, TMP$STATE) "
                                   "VALUES (%1, 1, 'ACTIVE')")
                        .arg(next - 1)});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        QCOMPARE(f.databasePage().value(row("TMP$NEXT_TRANSACTION")), QString::number(next));
        QCOMPARE(f.databasePage().value(row("TMP$OLDEST_ACTIVE")), QString::number(next - 3000000000));
        QCOMPARE(f.databasePage().value(FirstGapRow), QStringLiteral("3000000000"));
        QCOMPARE(f.databasePage().value(FirstGapRow + 1), QStringLiteral("10"));
        QCOMPARE(f.databasePage().value(FirstGapRow + 2), QStringLiteral("5"));

        f.SelectPage(PageId::Transactions);
        QCOMPARE(w.current(PageId::Transactions), next - 1);
        w.prompts.answers = {QMessageBox::Ok};
        f.transactionsPage().actTransactionCommit->trigger();
        QCOMPARE(db.scalar(QStringLiteral("SELECT TMP$STATE FROM TMP$TRANSACTIONS")).trimmed(), QStringLiteral("COMMIT"));
    }

    // The thresholds are read when the window is created and written when it closes, in a
    // section of their own beside the monitoring options.
    void thresholdsThroughTheSettingsFile()
    {
        QFile::remove(SettingsFileName());
        {
            SettingsFile settings(SettingsFileName());
            settings.writeInteger(health::SettingsSection, QStringLiteral("ActiveGapRed"), 300000);
            settings.writeInteger(health::SettingsSection, QStringLiteral("InterestingGapAmber"), 700);
            settings.writeFile();
        }
        {
            TfrmMain form;
            QCOMPARE(form.databasePage().transactionHealth().red[health::ActiveGap], qint64(300000));
            QCOMPARE(form.databasePage().transactionHealth().amber[health::InterestingGap], qint64(700));
            health::Settings changed = form.databasePage().transactionHealth();
            changed.amber[health::SnapshotGap] = 42;
            form.databasePage().SetTransactionHealth(changed);
            form.close();
        }
        const SettingsFile settings(SettingsFileName());
        QVERIFY(settings.hasSection(QStringLiteral("MonitorOptions")));
        QCOMPARE(settings.readInteger(health::SettingsSection, QStringLiteral("SnapshotGapAmber"), 0), 42);
        QCOMPARE(settings.readInteger(health::SettingsSection, QStringLiteral("ActiveGapRed"), 0), 300000);
        QCOMPARE(settings.readInteger(health::SettingsSection, QStringLiteral("InterestingGapRed"), -1), 0);
    }

    // On Firebird the mark is the database's oldest active transaction of the same refresh, not
    // the one the Database tab read earlier (committed since), nor the oldest row: a read-only
    // read-committed transaction is listed but holds nothing back.
    void theOldestActiveTransactionIsMarked()
    {
        const auto db = firebirdDatabase();
        ib::Attachment att;
        db->attach(att);
        ib::Transaction readOnly, first, second;
        readOnly.start(att, ib::readCommittedTpb(true));
        first.start(att, ib::readCommittedTpb(false));
        second.start(att, ib::readCommittedTpb(false));
        const qint64 firstId = transactionId(att, first), secondId = transactionId(att, second);
        QVERIFY(transactionId(att, readOnly) < firstId);

        Window w(db.get());
        TfrmMain& f = *w.form;
        w.show();
        QCOMPARE(f.databasePage().value(row("TMP$OLDEST_ACTIVE")).toLongLong(), firstId);
        first.commit();
        f.SelectPage(PageId::Transactions);
        QVERIFY(w.dm().cdsTransactions.rowCount() >= 3);
        QCOMPARE(f.transactionsPage().markedTransaction(), std::optional<qint64>(secondId));
        QCOMPARE(markedTransactions(f), QList<qint64>{secondId});
        second.commit();
        readOnly.commit();
    }

    // Where the refresh itself does not read it, the mark is the oldest active transaction the
    // Database tab read last, while it is among the rows; otherwise the oldest open row.
    void theMarkWithoutTheDatabaseInTheSameRefresh()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID, TMP$OLDEST_ACTIVE) VALUES (1, 30)"),
                    transactionRow(20, 1, QStringLiteral("COMMITTING")), transactionRow(25, 1, QStringLiteral("ACTIVE")),
                    transactionRow(30, 1, QStringLiteral("ACTIVE"))});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        f.SelectPage(PageId::Transactions);
        QCOMPARE(f.transactionsPage().markedTransaction(), std::optional<qint64>(30));
        QCOMPARE(markedTransactions(f), QList<qint64>{30});

        db.execute(QStringLiteral("UPDATE TMP$DATABASE SET TMP$OLDEST_ACTIVE = 99"));
        f.SelectPage(PageId::Database);
        f.SelectPage(PageId::Transactions);
        QCOMPARE(f.transactionsPage().markedTransaction(), std::optional<qint64>(25));
        QCOMPARE(markedTransactions(f), QList<qint64>{25});
    }

    // The refresh panel: the time of the last refresh and its duration, "Paused" while paused;
    // a disconnect forgets the last refresh.
    void theRefreshPanel()
    {
        TestDatabase db;
        Window w(&db);
        TfrmMain& f = *w.form;
        const QTime before = QTime::currentTime().addMSecs(-999);
        w.show();
        const QTime after = QTime::currentTime();
        const QRegularExpression shown(QStringLiteral("^Last refresh (\\d\\d:\\d\\d:\\d\\d) \\((\\d+) ms\\)$"));
        const QRegularExpressionMatch m = shown.match(f.statusPanel(TfrmMain::StatusPanel::Refresh).text());
        QVERIFY2(m.hasMatch(), qPrintable(f.statusPanel(TfrmMain::StatusPanel::Refresh).text()));
        const QTime at = QTime::fromString(m.captured(1), QStringLiteral("HH:mm:ss"));
        if (before < after)  // not across midnight
            QVERIFY(at >= before && at <= after);

        const QString lastRefresh = f.statusPanel(TfrmMain::StatusPanel::Refresh).text();
        f.actPaused->trigger();
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Refresh).text(), QStringLiteral("Paused. ") + lastRefresh);
        f.actDisconnect->trigger();
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Refresh).text(), QStringLiteral("Paused"));
        f.actPaused->trigger();
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Refresh).text().isEmpty());
    }

    // The label column fits the longest label, and the line after it can be dragged.
    void theLabelColumn()
    {
        Window w(nullptr);
        TfrmMain& f = *w.form;
        w.show();
        TDatabaseValueList& list = f.databasePage().valueList();
        const int width = list.columnWidth(TDatabaseValueList::LabelColumn);
        for (int r = 0; r < list.rowCount(); ++r)
            QVERIFY2(list.fontMetrics().horizontalAdvance(list.label(r)) < width, qPrintable(list.label(r)));

        QWidget* viewport = list.viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(width, 5));
        QTest::mouseMove(viewport, QPoint(width + 40, 5));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(width + 40, 5));
        QCOMPARE(list.columnWidth(TDatabaseValueList::LabelColumn), width + 40);
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestDatabaseTab)
#include "test_database_tab.moc"

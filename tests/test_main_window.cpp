// The main window offscreen against real databases with the monitoring tables: start-up, the
// refresh cycle, the command rules, the version refusal and error reporting from timer ticks.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/ErrorListDlg.h"
#include "dialogs/MultiExceptionHandler.h"
#include "dialogs/Prompts.h"
#include "mainwindow/DatabaseValueList.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/MemoryChartFrame.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/sqlpane/SqlPane.h"
#include "monitor/QuillmereDM.h"
#include "monitor/SnapshotModel.h"
#include "support/MainWindowFixture.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

namespace {


// One tick of the window's refresh timer, delivered the way the timer delivers it.
void tick(TfrmMain& form)
{
    QVERIFY(form.Timer.isActive());
    QTimerEvent event(form.Timer.timerId());
    QCoreApplication::sendEvent(&form.Timer, &event);
}

// Counts the reads of every snapshot a tab shows (each read replaces the rows once).
struct Reads {
    QSignalSpy database, pools, procedures, statements, relations, transactions, attachments;
    explicit Reads(TdmQuillmere& dm)
        : database(&dm.cdsDatabase, &Snapshot::rowsReplaced), pools(&dm.cdsPools, &Snapshot::rowsReplaced),
          procedures(&dm.cdsProcedures, &Snapshot::rowsReplaced),
          statements(&dm.cdsStatements, &Snapshot::rowsReplaced),
          relations(&dm.cdsRelations, &Snapshot::rowsReplaced),
          transactions(&dm.cdsTransactions, &Snapshot::rowsReplaced),
          attachments(&dm.cdsAttachments, &Snapshot::rowsReplaced)
    {
    }
    void clear()
    {
        for (QSignalSpy* s : {&database, &pools, &procedures, &statements, &relations, &transactions, &attachments})
            s->clear();
    }
    // The grids' snapshots read since the last clear, as one text for readable failures.
    QString grids() const
    {
        return QStringLiteral("procedures %1 statements %2 relations %3 transactions %4 attachments %5")
            .arg(procedures.count())
            .arg(statements.count())
            .arg(relations.count())
            .arg(transactions.count())
            .arg(attachments.count());
    }
};

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // Cancelling the connect dialog at start: the Database tab with its 44 labels and no values,
    // no charts, both timers stopped, and exactly the connection-dependent commands disabled.
    void startUpWithoutAConnection()
    {
        Window w(nullptr);
        TfrmMain& f = *w.form;
        w.show();
        QVERIFY(!w.connected());
        // the first client area, below the menu bar: tabs and status bar
        QCOMPARE(f.size() - QSize(0, f.menuBar()->height()), QSize(688, 453));
        QCOMPARE(f.activePage().id(), PageId::Database);
        // the counters, encryption and replica mode, then the transaction gaps
        QCOMPARE(f.databasePage().valueList().rowCount(), 44 + 2 + 3);
        QCOMPARE(f.databasePage().label(0), QStringLiteral("Active threads"));
        QCOMPARE(f.databasePage().label(43), QStringLiteral("Transactions: Waits"));
        for (int row = 0; row < 44; ++row)
            QVERIFY2(f.databasePage().value(row).isEmpty(), qPrintable(f.databasePage().label(row)));
        for (const MonitorPage* page : f.pages())
            QCOMPARE(w.rows(page->id()), 0);
        QVERIFY(f.statementsPage().sqlPane().toPlainText().isEmpty());
        QVERIFY(f.memoryPage().charts().history().empty());
        QVERIFY(!f.Timer.isActive());
        QCOMPARE(f.Timer.interval(), 10000);
        QVERIFY(!f.TimerLog.isActive());
        QCOMPARE(f.TimerLog.interval(), 600000);
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Logging).text().isEmpty());
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Database).text().isEmpty());
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Logging).width(), 50);

        QStringList disabled;
        const QList<QAction*> actions = f.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly);
        for (const QAction* a : actions)
            if (!a->objectName().isEmpty() && !a->isEnabled())
                disabled << a->objectName();
        disabled.sort();
        QCOMPARE(disabled, QStringList({"actDisconnect", "actExportGrid", "actLive", "actLoggingEnabled",
                                        "actOpenLogTables", "actRefresh", "actSetupLogging", "actStatementGoToUser",
                                        "actTransactionGoToUser", "actViewDatabaseStatistics", "actViewInterbaseLog"}));
        const auto named = std::count_if(actions.begin(), actions.end(),
                                         [](const QAction* a) { return !a->objectName().isEmpty(); });
        QCOMPARE(int(named), 30);
        QVERIFY(!f.memoryPage().charts().isHidden());
        QVERIFY(f.memoryPage().grid()->isHidden());
    }

    // The window's composition where a slip would not show in the other tests.
    void commandsMenusAndToolBars()
    {
        Window w(nullptr);
        TfrmMain& f = *w.form;
        QCOMPARE(f.actRefresh->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(f.actPaused->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        QCOMPARE(f.actHelpContents->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(f.actDisconnect->icon().cacheKey() == f.usersPage().actAttachmentShutdown->icon().cacheKey());
        QVERIFY(f.statementsPage().actStatementCancel->icon().cacheKey() == f.usersPage().actAttachmentCancel->icon().cacheKey());
        QVERIFY(f.statementsPage().actStatementCancel->icon().cacheKey() != f.actDisconnect->icon().cacheKey());
        QVERIFY(f.FileExit1->icon().isNull());
        QVERIFY(!f.transactionsPage().actTransactionCommit->icon().isNull());
        QCOMPARE(f.FileExit1->toolTip(), QStringLiteral("Exit"));
        QCOMPARE(f.FileExit1->statusTip(), QStringLiteral("Quits the application"));
        QCOMPARE(f.pages().size(), size_t(7));
        // the ampersand of "Tables & Views" is shown, not taken as an accelerator
        QCOMPARE(f.page(PageId::Relations).caption(), QStringLiteral("Tables && Views"));
        QCOMPARE(f.transactionsPage().toolBar()->actions(),
                 QList<QAction*>({f.transactionsPage().actTransactionCommit, f.transactionsPage().actTransactionRollback, f.transactionsPage().actTransactionGoToUser}));
        QCOMPARE(f.statementsPage().toolBar()->actions(), QList<QAction*>({f.statementsPage().actStatementCancel, f.statementsPage().actStatementGoToUser}));
        QCOMPARE(f.usersPage().toolBar()->actions(), QList<QAction*>({f.usersPage().actAttachmentCancel, f.usersPage().actAttachmentShutdown}));
        QCOMPARE(f.statementsPage().toolBar()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    }

    // Choosing the checked entry of a radio group again leaves it checked; the memory choice
    // shows exactly the chosen view.
    void radioGroupsKeepTheChosenEntry()
    {
        Window w(nullptr);
        TfrmMain& f = *w.form;
        w.show();
        for (int i = 0; i < 2; ++i) {
            f.actMemoryDetails->trigger();
            QVERIFY(f.actMemoryDetails->isChecked());
            QVERIFY(!f.actMemorySummary->isChecked());
            QVERIFY(!f.memoryPage().grid()->isHidden());
            QVERIFY(f.memoryPage().charts().isHidden());
        }
        for (int i = 0; i < 2; ++i) {
            f.actMemorySummary->trigger();
            QVERIFY(f.actMemorySummary->isChecked());
            QVERIFY(f.memoryPage().grid()->isHidden());
            QVERIFY(!f.memoryPage().charts().isHidden());
        }
        for (int i = 0; i < 2; ++i) {
            f.actSlowRefresh->trigger();
            QVERIFY(f.actSlowRefresh->isChecked());
            QVERIFY(!f.actMediumRefresh->isChecked() && !f.actFastRefresh->isChecked());
            QCOMPARE(f.Timer.interval(), 30000);
        }
        f.actPaused->trigger();
        f.actPaused->trigger();
        QVERIFY(!f.actPaused->isChecked());
        // disconnected: an interval is only stored, the timer stays stopped
        QVERIFY(!f.Timer.isActive());
    }

    // Connecting refreshes once: the Database tab's values and the pools, one history value;
    // the status bar shows the name as entered. Disconnecting blanks the values and the charts,
    // the grids keep their rows.
    void connectingRefreshesOnceAndDisconnectingClears()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID, TMP$ACTIVE_THREADS, TMP$ATTACHMENTS, "
                                   "TMP$SWEEP_ACTIVE, TMP$TRANSACTION_WAITS) VALUES (1, 7, 3, 'Y', 123456)"),
                    poolRow(1, "REQ", 3 * 1048576), poolRow(2, "CCH", 1048576), attachmentRow(1, "SYSDBA")});
        Window w(&db);
        TfrmMain& f = *w.form;
        Reads reads(w.dm());
        w.show();
        QVERIFY(w.connected());
        QCOMPARE(reads.database.count(), 2);  // opened, copied and closed again
        QCOMPARE(reads.pools.count(), 1);
        QCOMPARE(reads.grids(), QStringLiteral("procedures 0 statements 0 relations 0 transactions 0 attachments 0"));
        QVERIFY(!w.dm().cdsDatabase.isOpen());
        QCOMPARE(f.databasePage().value(0), QStringLiteral("7"));
        QCOMPARE(f.databasePage().value(1), QStringLiteral("3"));
        QCOMPARE(f.databasePage().value(29), QStringLiteral("Y"));
        QCOMPARE(f.databasePage().value(43), QStringLiteral("123456"));
        QVERIFY(f.databasePage().value(2).isEmpty());  // NULL
        const std::vector<double>& history = f.memoryPage().charts().history();
        QCOMPARE(history.size(), size_t(30));
        QCOMPARE(history[0], 4.0);
        QCOMPARE(history[1], 0.0);
        QCOMPARE(f.memoryPage().poolMemoryList().size(), size_t(2));
        QCOMPARE(f.memoryPage().poolMemoryList()[0].poolType, QStringLiteral("CCH: Cache mgr/page buffers"));
        QCOMPARE(f.memoryPage().poolMemoryList()[1].bytes, 3 * 1048576);
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Database).text(), db.path());
        QVERIFY(f.Timer.isActive());
        QCOMPARE(f.Timer.interval(), 10000);
        for (QAction* a : {f.actDisconnect, f.actRefresh, f.actSetupLogging, f.actViewDatabaseStatistics,
                           f.actViewInterbaseLog})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(!f.actLoggingEnabled->isEnabled());

        f.SelectPage(PageId::Users);
        QCOMPARE(w.rows(PageId::Users), 1);
        f.actDisconnect->trigger();
        QVERIFY(!w.connected());
        for (int row = 0; row < 44; ++row)
            QVERIFY(f.databasePage().value(row).isEmpty());
        QCOMPARE(f.databasePage().label(0), QStringLiteral("Active threads"));
        QVERIFY(f.memoryPage().charts().history().empty());
        QVERIFY(f.memoryPage().charts().slices().empty());
        QCOMPARE(w.rows(PageId::Users), 1);
        QVERIFY(!f.Timer.isActive());
        QVERIFY(!f.actRefresh->isEnabled());
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Database).text().isEmpty());
        QVERIFY(w.prompts.requests.empty());
    }

    // The current row is the one with the same key after a refresh, wherever it moved; the SQL
    // pane shows its text. When the row has gone, the cursor keeps its position number, and the
    // grid shows that row, not the neighbour it moved to while the rows were replaced.
    void theCurrentStatementStaysCurrent()
    {
        TestDatabase db;
        db.execute({attachmentRow(1, "ANNA"), attachmentRow(2, "BERT"), attachmentRow(3, "CARL"),
                    attachmentRow(4, "DORA"), attachmentRow(5, "AARON"), statementRow(11, 1, "ACTIVE", "select 11"),
                    statementRow(17, 2, "ACTIVE", "select seventeen"), statementRow(13, 3, "ACTIVE", "select 13"),
                    statementRow(14, 4, "ACTIVE", "select 14")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        f.SelectPage(PageId::Statements);
        QTreeView& grid = *f.statementsPage().grid()->view();
        QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Snapshot& s = w.dm().cdsStatements;
        QCOMPARE(s.rowCount(), 4);
        // moving in the grid moves the snapshot
        grid.setCurrentIndex(grid.model()->index(1, 0));
        QCOMPARE(w.current(PageId::Statements), 17);
        QCOMPARE(f.statementsPage().sqlPane().toPlainText(), QStringLiteral("select seventeen"));

        // a user who sorts first puts a new statement in front of 17
        db.execute(statementRow(18, 5, "ACTIVE", "select 18"));
        f.actRefresh->trigger();
        QCOMPARE(s.rowCount(), 5);
        QCOMPARE(s.recNo(), 2);
        QCOMPARE(w.current(PageId::Statements), 17);
        QCOMPARE(grid.currentIndex().row(), 2);
        QCOMPARE(f.statementsPage().sqlPane().toPlainText(), QStringLiteral("select seventeen"));

        // 17 goes and another row comes in front: position 2 now holds ANNA's statement 11,
        // while the grid's own current row would have slid to CARL's 13
        db.execute({QStringLiteral("DELETE FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID = 17"),
                    QStringLiteral("UPDATE TMP$ATTACHMENTS SET TMP$USER = 'AAA' WHERE TMP$ATTACHMENT_ID = 4")});
        f.actRefresh->trigger();
        QCOMPARE(s.rowCount(), 4);
        QCOMPARE(s.recNo(), 2);
        QCOMPARE(w.current(PageId::Statements), 11);
        QCOMPARE(grid.currentIndex().row(), 2);
        QCOMPARE(f.statementsPage().sqlPane().toPlainText(), QStringLiteral("select 11"));
    }

    // A tab change re-reads that tab's snapshot and the pools, nothing else; every refresh, from a
    // tick, F5 or a tab change, adds exactly one history value, the newest first, and after 31
    // the first has dropped out.
    void refreshesReadTheActiveTabAndAddOneHistoryValueEach()
    {
        TestDatabase db;
        db.execute({poolRow(1, "REQ", 1048576), attachmentRow(1, "SYSDBA")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        Reads reads(w.dm());
        int refreshes = 1;
        const auto setTotal = [&](int megabytes) {
            db.execute(QStringLiteral("UPDATE TMP$POOLS SET TMP$POOL_MEMORY = %1").arg(qint64(megabytes) * 1048576));
        };

        setTotal(++refreshes);
        f.SelectPage(PageId::Users);
        QCOMPARE(reads.grids(), QStringLiteral("procedures 0 statements 0 relations 0 transactions 0 attachments 1"));
        QCOMPARE(reads.pools.count(), 1);
        QCOMPARE(reads.database.count(), 0);
        reads.clear();
        setTotal(++refreshes);
        f.SelectPage(PageId::Memory);  // no snapshot of its own
        QCOMPARE(reads.grids(), QStringLiteral("procedures 0 statements 0 relations 0 transactions 0 attachments 0"));
        QCOMPARE(reads.pools.count(), 1);
        reads.clear();
        setTotal(++refreshes);
        tick(f);
        QCOMPARE(reads.grids(), QStringLiteral("procedures 0 statements 0 relations 0 transactions 0 attachments 0"));
        QCOMPARE(reads.pools.count(), 1);
        f.SelectPage(PageId::Transactions);
        ++refreshes;
        QCOMPARE(reads.transactions.count(), 1);

        const std::vector<double>* history = &f.memoryPage().charts().history();
        QCOMPARE((*history)[0], 4.0);  // the tab change after the tick read the same total
        QCOMPARE((*history)[1], 4.0);
        QCOMPARE((*history)[2], 3.0);
        QCOMPARE((*history)[4], 1.0);
        QCOMPARE((*history)[5], 0.0);
        while (refreshes < 31) {
            setTotal(++refreshes);
            f.actRefresh->trigger();
        }
        history = &f.memoryPage().charts().history();
        QCOMPARE(history->size(), size_t(30));
        QCOMPARE(history->front(), 31.0);
        QCOMPARE((*history)[29], 2.0);  // the first value, 1 MB, has gone
        QCOMPARE(f.memoryPage().charts().barColors().size(), size_t(30));
    }

    // Fast Refresh chosen while paused reads nothing and leaves the timer stopped until Paused
    // is unchecked; then the timer runs at one second.
    void fastRefreshChosenWhilePaused()
    {
        TestDatabase db;
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        QVERIFY(f.Timer.isActive());
        Reads reads(w.dm());
        f.actPaused->trigger();
        QVERIFY(f.actPaused->isChecked());
        QVERIFY(!f.Timer.isActive());
        f.actFastRefresh->trigger();
        QVERIFY(!f.Timer.isActive());
        QCOMPARE(f.Timer.interval(), 1000);
        QCOMPARE(reads.pools.count() + reads.database.count(), 0);
        f.actPaused->trigger();
        QVERIFY(f.Timer.isActive());
        QCOMPARE(f.Timer.interval(), 1000);
        QCOMPARE(reads.pools.count() + reads.database.count(), 0);
        // F5 stays available while paused
        f.actPaused->trigger();
        f.actRefresh->trigger();
        QCOMPARE(reads.pools.count(), 1);
        QVERIFY(!f.Timer.isActive());
    }

    // The control commands follow the state of their snapshot's current row (blanks trimmed,
    // case-sensitive): LIMBO enables Commit and Rollback, STALLED enables Cancel, CANCEL
    // disables it, and an empty users snapshot disables both user commands.
    void controlCommandsFollowTheCurrentRow()
    {
        TestDatabase db;
        db.execute({statementRow(1, 1, "STALLED", "a"), statementRow(2, 1, "CANCEL", "b"),
                    statementRow(3, 1, "active", "c"),
                    QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$STATE) VALUES (1, 'LIMBO')"),
                    QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$STATE) VALUES (2, 'COMMIT')")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        TdmQuillmere& dm = w.dm();

        f.SelectPage(PageId::Statements);
        QVERIFY(f.statementsPage().selectKey(1));
        QVERIFY(f.statementsPage().actStatementCancel->isEnabled());
        QVERIFY(f.statementsPage().selectKey(2));
        QVERIFY(!f.statementsPage().actStatementCancel->isEnabled());
        QVERIFY(f.statementsPage().selectKey(1));
        QVERIFY(f.statementsPage().selectKey(3));  // "active" is not "ACTIVE"
        QVERIFY(!f.statementsPage().actStatementCancel->isEnabled());

        f.SelectPage(PageId::Transactions);
        const QString tid = QStringLiteral("TMP$TRANSACTION_ID");
        QVERIFY(f.transactionsPage().selectKey(2));
        QVERIFY(!f.transactionsPage().actTransactionCommit->isEnabled() && !f.transactionsPage().actTransactionRollback->isEnabled());
        QVERIFY(f.transactionsPage().selectKey(1));
        QVERIFY(f.transactionsPage().actTransactionCommit->isEnabled() && f.transactionsPage().actTransactionRollback->isEnabled());
        // moving in the grid moves the cursor, and the commands follow
        QTreeView& transactions = *f.transactionsPage().grid()->view();
        const int idSection = f.transactionsPage().grid()->sectionOf(tid);
        for (int row = 0; row < transactions.model()->rowCount(); ++row) {
            const QModelIndex index = transactions.model()->index(row, idSection);
            if (index.data().toInt() == 2)
                transactions.setCurrentIndex(index);
        }
        QCOMPARE(w.current(PageId::Transactions), 2);
        QVERIFY(!f.transactionsPage().actTransactionCommit->isEnabled() && !f.transactionsPage().actTransactionRollback->isEnabled());

        QVERIFY(f.usersPage().actAttachmentCancel->isEnabled());  // enabled at start, until the users are read
        f.SelectPage(PageId::Users);
        QVERIFY(dm.cdsAttachments.isEmpty());
        QVERIFY(!f.usersPage().actAttachmentCancel->isEnabled() && !f.usersPage().actAttachmentShutdown->isEnabled());
        db.execute(attachmentRow(1, "SYSDBA"));
        f.actRefresh->trigger();
        QVERIFY(f.usersPage().actAttachmentCancel->isEnabled() && f.usersPage().actAttachmentShutdown->isEnabled());
    }

    // A database whose on-disk structure is older than InterBase 7 is refused with the exact
    // message, through the error list, and the window ends disconnected.
    void anOldOnDiskStructureIsRefused()
    {
        TestDatabase db;
        db.execute(poolRow(1, "REQ", 1048576));
        Window w(&db);
        TfrmMain& f = *w.form;
        f.dmServerProperties().ODSMajorVersionOverride = [] { return 10; };
        Reads reads(w.dm());
        QString shown;
        ModalAnswer<TfrmErrorList> answer([&](TfrmErrorList* list) {
            shown = list->memErrorText->toPlainText();
            list->btnOK->click();
        });
        w.show();
        QCOMPARE(answer.answered(), 1);
        QCOMPARE(shown, QString::fromUtf8(msg::NotAnInterBase7Database) + QLatin1Char('\n'));
        QVERIFY(!w.connected());
        QCOMPARE(reads.pools.count(), 0);
        QVERIFY(!f.Timer.isActive());
        QVERIFY(!f.actDisconnect->isEnabled());
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Database).text().isEmpty());
        QVERIFY(f.errorHandler().ErrorList() == nullptr);
    }

    // A refresh that fails on every tick of the real timer while the error list is open adds to
    // that one window: the list opens after the tick's slot has returned, so the timer goes on
    // ticking. The fault neither stops the timer nor disconnects. After OK the next failure opens
    // a fresh window that counts from one again.
    void aLastingFaultFillsOneErrorList()
    {
        TestDatabase db;
        // the pools as a view that fails to read while FAULT holds a non-number
        db.execute({QStringLiteral("DROP INDEX IX_POOLS_TYPE"), QStringLiteral("DROP TABLE TMP$POOLS"),
                    QStringLiteral("CREATE TABLE POOL_ROWS (TMP$TYPE CHAR(31), TMP$POOL_MEMORY INTEGER)"),
                    QStringLiteral("CREATE TABLE FAULT (VAL VARCHAR(10))"),
                    QStringLiteral("CREATE VIEW TMP$POOLS (TMP$POOL_ID, TMP$DATABASE_ID, TMP$TYPE, TMP$POOL_MEMORY, "
                                   "TMP$FREE_MEMORY, TMP$EXTEND_MEMORY, TMP$FREE_STACK_NODES, "
                                   "TMP$FREE_BITMAP_BUCKETS, TMP$FREE_BITMAP_SEGMENTS) AS SELECT 1, 1, P.TMP$TYPE, "
                                   "CAST(P.TMP$POOL_MEMORY + CAST(F.VAL AS INTEGER) AS INTEGER), 0, 0, "
                                   "CAST(0 AS SMALLINT), CAST(0 AS SMALLINT), 0 FROM POOL_ROWS P CROSS JOIN FAULT F"),
                    QStringLiteral("INSERT INTO POOL_ROWS VALUES ('REQ', 1048576)"),
                    QStringLiteral("INSERT INTO FAULT VALUES ('0')")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        QVERIFY(w.connected());
        QCOMPARE(f.memoryPage().charts().history().front(), 1.0);
        db.execute(QStringLiteral("UPDATE FAULT SET VAL = 'x'"));

        // What a list holds when it is answered: the timer is stopped first and the reports of
        // ticks already run are let in, so that the count is final.
        struct Seen {
            int messages = 0, failures = 0, listsOpen = 0;
            QString count;
            bool timerRan = false, reached = false;
        };
        const auto answer = [&f](Seen& seen, TfrmErrorList* list, int atLeast) {
            // the real timer's ticks, each adding its message to the open list
            seen.reached = QTest::qWaitFor([&] { return list->MessageCount() >= atLeast; }, 60000);
            seen.timerRan = f.Timer.isActive();
            f.Timer.stop();
            QCoreApplication::sendPostedEvents();
            seen.messages = list->MessageCount();
            seen.count = list->lblErrorCount->text();
            seen.failures = int(list->memErrorText->toPlainText().count(QLatin1String("conversion error")));
            const QWidgetList windows = QApplication::topLevelWidgets();
            seen.listsOpen = int(std::count_if(windows.begin(), windows.end(),
                                               [](QWidget* t) { return qobject_cast<TfrmErrorList*>(t) != nullptr; }));
            list->btnOK->click();
        };
        Seen first, second;
        {
            ModalAnswer<TfrmErrorList> answered([&](TfrmErrorList* list) { answer(first, list, 3); });
            f.Timer.start(10);
            QVERIFY(QTest::qWaitFor([&] { return answered.answered() == 1 && !f.errorHandler().ErrorList(); }, 60000));
        }
        QVERIFY(first.reached);
        QVERIFY(first.timerRan);  // the fault does not stop the timer
        QCOMPARE(first.count, QStringLiteral("Messages: %1").arg(first.messages));
        QCOMPARE(first.failures, first.messages);
        QCOMPARE(first.listsOpen, 1);
        QCOMPARE(w.prompts.count(ScriptedPrompts::Kind::ExclamationBeep), first.messages);
        QVERIFY(w.connected());  // and it does not disconnect

        {
            ModalAnswer<TfrmErrorList> answered([&](TfrmErrorList* list) { answer(second, list, 1); });
            f.Timer.start(10);
            QVERIFY(QTest::qWaitFor([&] { return answered.answered() == 1 && !f.errorHandler().ErrorList(); }, 60000));
        }
        // a fresh window: only its own messages, counted from one
        QCOMPARE(second.failures, second.messages);
        QCOMPARE(second.count, second.messages >= 2 ? QStringLiteral("Messages: %1").arg(second.messages) : QString());
        QCOMPARE(w.prompts.count(ScriptedPrompts::Kind::ExclamationBeep), first.messages + second.messages);
    }

    // Closing the window while connected ends the connection without an error and without
    // touching the views that go with the window.
    void closingWhileConnected()
    {
        TestDatabase db;
        db.execute({poolRow(1, "REQ", 1048576), attachmentRow(1, "SYSDBA")});
        QStringList errors;
        {
            Window w(&db);
            w.show();
            w.form->SelectPage(PageId::Users);
            QVERIFY(w.connected());
            // errors while closing are recorded; after the window has uninstalled its handler
            // they would reach the default report, a message box
            QuillmereApplication::setErrorHandler([&](const Exception& e) { errors << e.message(); });
            ModalAnswer<QMessageBox> defaultReport([&](QMessageBox* box) {
                errors << box->text();
                box->close();
            });
            QVERIFY(w.form->close());
            w.form.reset();
            QCOMPARE(defaultReport.answered(), 0);
            QVERIFY(w.prompts.requests.empty());
        }
        QuillmereApplication::setErrorHandler({});
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        // nothing of the window's attachment is left: another attachment may drop what it read
        db.execute(QStringLiteral("DROP TABLE TMP$ATTACHMENTS"));
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestMainWindow)

#include "test_main_window.moc"

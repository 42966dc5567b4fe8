// The main window's commands offscreen: the five control commands (what they ask, what they act
// on, what they say when nothing changed), Connect over an open connection, the server log and
// statistics viewers (the embedded engine's services and the private server's), the system-table
// choice and help.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/IBStatisticsOptionsDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/TextViewerDlg.h"
#include "mainwindow/MemoryChartFrame.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/sqlpane/PlanPane.h"
#include "monitor/RowState.h"
#include "support/MainWindowFixture.h"
#include "support/ModalAnswer.h"
#include "support/ServerClient.h"
#include "support/TestServer.h"

#include <QAction>
#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <map>
#include <tuple>
#include <vector>

namespace {
using Kind = ScriptedPrompts::Kind;

QString state(const TestDatabase& db, const char* table, const char* idColumn, int id)
{
    return db.scalar(QStringLiteral("SELECT TMP$STATE FROM %1 WHERE %2 = %3")
                         .arg(QLatin1String(table), QLatin1String(idColumn))
                         .arg(id))
        .trimmed();
}

// Answers every confirmation with OK after running something of the test's own while the
// question is "open" (a refresh, say).
class AnswerAfter : public Prompts {
public:
    explicit AnswerAfter(std::function<void()> meanwhile) : m_meanwhile(std::move(meanwhile))
    {
        m_previous = Prompts::install(this);
    }
    ~AnswerAfter() override { Prompts::install(m_previous); }
    QMessageBox::StandardButton confirm(const Confirmation& c) override
    {
        questions << c.text;
        m_meanwhile();
        return QMessageBox::Ok;
    }
    void information(const QString& text) override { informations << text; }
    void beep() override { ++beeps; }
    void exclamationBeep() override { ++beeps; }

    QStringList questions, informations;
    int beeps = 0;

private:
    std::function<void()> m_meanwhile;
    Prompts* m_previous;
};

// The error handler's reports, instead of the error list, while it lives.
struct Reports {
    QStringList messages;
    Reports()
    {
        QuillmereApplication::setErrorHandler([this](const Exception& e) { messages << e.message(); });
    }
    ~Reports() { QuillmereApplication::setErrorHandler({}); }
    Reports(const Reports&) = delete;
    Reports& operator=(const Reports&) = delete;
};

// Refreshes (F5) until the check holds; false when it never does within a minute.
bool refreshUntil(TfrmMain& form, const std::function<bool()>& check)
{
    for (int i = 0; i < 600; ++i) {
        form.actRefresh->trigger();
        if (check())
            return true;
        QTest::qWait(100);
    }
    return false;
}

int cursorPosition(const TdlgTextViewer& viewer) { return viewer.Memo->textCursor().position(); }
int textEnd(const TdlgTextViewer& viewer) { return viewer.Memo->document()->characterCount() - 1; }
}  // namespace

class TestMainCommands : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // Each command asks about the chosen row in its own words and names it (id, user, client, the
    // statement's SQL), in a warning box whose default button is Cancel; OK writes the state; a
    // row gone since the last refresh gets the failure text and nothing else. User names lose
    // their padding, statement texts stay as they are. When the chosen row has gone at a refresh,
    // the commands wait until the user chooses a row.
    void controlCommandsAskAboutTheCurrentRow()
    {
        TestDatabase db;
        const QString sql = QStringLiteral("select *\r\n  from RDB$DATABASE   ");
        db.execute({attachmentRow(1, "ANNA"), attachmentRow(2, "BERT"), transactionRow(7, 1, "ACTIVE"),
                    transactionRow(8, 2, "ACTIVE"), statementRow(11, 1, "ACTIVE", sql)});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        ScriptedPrompts& prompts = w.prompts;

        f.SelectPage(PageId::Statements);
        prompts.answers = {QMessageBox::Ok};
        f.statementsPage().actStatementCancel->trigger();
        QCOMPARE(prompts.requests.size(), size_t(1));
        const Prompts::Confirmation& asked = prompts.requests[0].confirmation;
        QCOMPARE(asked.caption, QStringLiteral("Confirm"));
        QCOMPARE(asked.text, QStringLiteral("Are you sure you want to cancel this statement?\r\n\r\nID 11, user ANNA\r\n") + sql);
        QCOMPARE(asked.icon, QMessageBox::Warning);
        QCOMPARE(asked.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(asked.defaultButton, QMessageBox::Cancel);
        QCOMPARE(state(db, "TMP$STATEMENTS", "TMP$STATEMENT_ID", 11), QStringLiteral("CANCEL"));

        // the users grid is sorted by name: ANNA is current; her name is CHAR-padded
        f.SelectPage(PageId::Users);
        prompts.clear();
        prompts.answers = {QMessageBox::Ok, QMessageBox::Cancel};
        f.usersPage().actAttachmentCancel->trigger();
        f.usersPage().actAttachmentShutdown->trigger();
        QCOMPARE(prompts.requests.size(), size_t(2));
        QCOMPARE(prompts.requests[0].confirmation.text,
                 QStringLiteral("Are you sure you want to cancel the current operations for the user ANNA?\r\n\r\n"
                                "ID 1, user ANNA"));
        QCOMPARE(prompts.requests[1].confirmation.text,
                 QStringLiteral("Are you sure you want to shutdown this connection for user ANNA?\r\n\r\nID 1, user ANNA"));
        QCOMPARE(state(db, "TMP$ATTACHMENTS", "TMP$ATTACHMENT_ID", 1), QStringLiteral("CANCEL"));

        // the transaction ends between the refresh and the question: the update finds no row
        f.SelectPage(PageId::Transactions);
        const qint64 id = w.current(PageId::Transactions);
        db.execute(QStringLiteral("DELETE FROM TMP$TRANSACTIONS WHERE TMP$TRANSACTION_ID = %1").arg(id));
        prompts.clear();
        prompts.answers = {QMessageBox::Ok};
        f.transactionsPage().actTransactionCommit->trigger();
        QCOMPARE(prompts.requests.size(), size_t(2));
        QCOMPARE(prompts.requests[0].confirmation.text,
                 QStringLiteral("Are you sure you want to commit transaction ID %1?\r\n\r\nID %1, user %2")
                     .arg(id)
                     .arg(id == 7 ? QStringLiteral("ANNA") : QStringLiteral("BERT")));
        QCOMPARE(prompts.requests[1].kind, Kind::Information);
        QCOMPARE(prompts.requests[1].confirmation.text,
                 QStringLiteral("Operation failed.  The transaction may no longer be active."));

        // the chosen transaction has gone: the refresh moves the current row, the commands wait
        f.actRefresh->trigger();
        const qint64 other = w.current(PageId::Transactions);
        QVERIFY(other != id);
        QVERIFY(!f.transactionsPage().actTransactionRollback->isEnabled());
        QCOMPARE(f.statusBar()->currentMessage(),
                 QStringLiteral("The transaction you chose has ended (ID %1). Choose a transaction to act on.").arg(id));
        QVERIFY(f.transactionsPage().selectKey(other));
        QVERIFY(f.transactionsPage().actTransactionRollback->isEnabled());
        QVERIFY(f.statusBar()->currentMessage().isEmpty());
        // no answer given: the default button, Cancel, which changes nothing
        prompts.clear();
        f.transactionsPage().actTransactionRollback->trigger();
        QCOMPARE(prompts.requests.size(), size_t(1));
        QCOMPARE(prompts.requests[0].confirmation.text,
                 QStringLiteral("Are you sure you want to roll back transaction ID %1?\r\n\r\nID %1, user %2")
                     .arg(other)
                     .arg(other == 7 ? QStringLiteral("ANNA") : QStringLiteral("BERT")));
        QCOMPARE(state(db, "TMP$TRANSACTIONS", "TMP$TRANSACTION_ID", int(other)), QStringLiteral("ACTIVE"));
    }

    // The real box: Enter alone presses Cancel.
    void enterInTheConfirmationBoxCancels()
    {
        TestDatabase db;
        db.execute({attachmentRow(1, "ANNA"), transactionRow(7, 1, "ACTIVE")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        f.SelectPage(PageId::Transactions);
        Prompts* scripted = Prompts::install(nullptr);
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        ModalAnswer<QMessageBox> enter([&](QMessageBox* box) {
            title = box->windowTitle();
            icon = box->icon();
            QTest::keyClick(box, Qt::Key_Return);
        });
        f.transactionsPage().actTransactionCommit->trigger();
        Prompts::install(scripted);
        QCOMPARE(enter.answered(), 1);
        QCOMPARE(title, QStringLiteral("Confirm"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(state(db, "TMP$TRANSACTIONS", "TMP$TRANSACTION_ID", 7), QStringLiteral("ACTIVE"));
    }

    // A refresh while the question is open moves the current row (the asked-about statement has
    // gone); the command still acts on the statement it asked about, not on the new current row.
    void aRefreshDuringTheQuestionDoesNotChangeTheTarget()
    {
        TestDatabase db;
        db.execute({attachmentRow(1, "ANNA"), attachmentRow(2, "BERT"), statementRow(11, 1, "ACTIVE", "select 11"),
                    statementRow(12, 2, "ACTIVE", "select 12")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        f.SelectPage(PageId::Statements);
        QVERIFY(f.statementsPage().selectKey(11));
        AnswerAfter prompts([&] {
            db.execute(QStringLiteral("DELETE FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID = 11"));
            f.actRefresh->trigger();
        });
        f.statementsPage().actStatementCancel->trigger();
        QCOMPARE(w.current(PageId::Statements), 12);
        QCOMPARE(prompts.questions, QStringList({QStringLiteral(
                                        "Are you sure you want to cancel this statement?\r\n\r\nID 11, user ANNA\r\nselect 11")}));
        QCOMPARE(prompts.informations,
                 QStringList({QStringLiteral("Operation failed.  The statement may no longer be active.")}));
        QCOMPARE(state(db, "TMP$STATEMENTS", "TMP$STATEMENT_ID", 12), QStringLiteral("ACTIVE"));
    }

    // Nothing to act on: an empty grid, or a current row that the grid's filter hides. A beep,
    // no question.
    void withoutAVisibleRowOnlyABeep()
    {
        TestDatabase db;
        db.execute({attachmentRow(1, "ANNA"), attachmentRow(2, "BERT")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        f.SelectPage(PageId::Transactions);
        // the commands are disabled then; the handlers beep all the same (after a disconnect
        // the commands keep their enabled state over the grids' last rows)
        QVERIFY(w.dm().cdsTransactions.isEmpty());
        f.transactionsPage().actTransactionCommitExecute();
        f.transactionsPage().actTransactionRollbackExecute();
        f.SelectPage(PageId::Statements);
        f.statementsPage().actStatementCancelExecute();
        QCOMPARE(w.prompts.count(Kind::Beep), 3);
        QCOMPARE(w.prompts.requests.size(), size_t(3));

        f.SelectPage(PageId::Users);
        TMonitorGrid& users = *f.usersPage().grid();
        QVERIFY(users.currentRowShown());
        QCOMPARE(w.current(PageId::Users), 1);
        const int section = users.sectionOf(QStringLiteral("TMP$USER"));
        QVERIFY(section >= 0);
        // the user's filter hides the current row: the grid's first row becomes current
        users.setValueFilter(section, QStringLiteral("BERT"));
        QVERIFY(users.currentRowShown());
        QCOMPARE(w.current(PageId::Users), 2);
        // a refresh keeps the row current while the filter now hides it: nothing to act on
        db.execute(QStringLiteral("UPDATE TMP$ATTACHMENTS SET TMP$USER = 'CARL' WHERE TMP$ATTACHMENT_ID = 2"));
        f.actRefresh->trigger();
        QCOMPARE(w.current(PageId::Users), 2);
        QVERIFY(!users.currentRowShown());
        w.prompts.clear();
        f.usersPage().actAttachmentShutdownExecute();
        QCOMPARE(w.prompts.count(Kind::Beep), 1);
        QCOMPARE(w.prompts.count(Kind::Confirm), 0);
        QCOMPARE(state(db, "TMP$ATTACHMENTS", "TMP$ATTACHMENT_ID", 2), QStringLiteral("ACTIVE"));

        // without the filter the row is in sight again and is acted on
        users.removeValueFilter(section);
        QVERIFY(users.currentRowShown());
        w.prompts.clear();
        w.prompts.answers = {QMessageBox::Ok};
        f.usersPage().actAttachmentShutdown->trigger();
        QCOMPARE(w.prompts.requests[0].confirmation.text,
                 QStringLiteral("Are you sure you want to shutdown this connection for user CARL?\r\n\r\nID 2, user CARL"));
        QCOMPARE(state(db, "TMP$ATTACHMENTS", "TMP$ATTACHMENT_ID", 2), QStringLiteral("SHUTDOWN"));
        QCOMPARE(state(db, "TMP$ATTACHMENTS", "TMP$ATTACHMENT_ID", 1), QStringLiteral("ACTIVE"));
    }

    // Where the server gives plans (Firebird read through MON$: a database without TMP$ relations)
    // the current statement's plan shows under its SQL; a database with TMP$ tables has no plans.
    void thePlanPaneWhereTheServerGivesPlans()
    {
        TestDatabase::Options o;
        o.applySchema = false;
        const TestDatabase plain(o);
        {
            Window w(&plain);
            TfrmMain& f = *w.form;
            w.show();
            f.SelectPage(PageId::Statements);
            QVERIFY(!f.statementsPage().planPane().isHidden());
            Snapshot& s = w.dm().cdsStatements;
            QVERIFY(s.rowCount() > 0);  // the monitor's own statements
            QTRY_VERIFY(f.statementsPage().planPane().shownStatement() == s.asInteger(QStringLiteral("TMP$STATEMENT_ID")));
            QTRY_VERIFY2(f.statementsPage().planPane().toPlainText().contains(QLatin1String("Select Expression")),
                         qPrintable(f.statementsPage().planPane().toPlainText()));
        }
        const TestDatabase tables;
        Window w(&tables);
        w.show();
        QVERIFY(w.form->statementsPage().planPane().isHidden());
    }

    // Read through Firebird's MON$ tables, Commit and Rollback stay off on an open transaction,
    // with the reason as their tool tip, instead of asking first and refusing then.
    void commitAndRollbackOffOnFirebird()
    {
        TestDatabase::Options o;
        o.applySchema = false;
        const TestDatabase plain(o);
        Window w(&plain);
        TfrmMain& f = *w.form;
        w.show();
        f.SelectPage(PageId::Transactions);
        const TransactionsPage& page = f.transactionsPage();
        QCOMPARE(currentRowState(*page.snapshot()), RowState::Active);  // one the TMP$ source would end
        for (QAction* action : {page.actTransactionCommit, page.actTransactionRollback}) {
            QVERIFY(!action->isEnabled());
            QCOMPARE(action->toolTip(), QString::fromUtf8(msg::FirebirdCannotEndTransactionHint));
        }
    }

    // A user who is neither SYSDBA, nor the database's owner, nor in RDB$ADMIN sees only its own
    // connections, and the status bar says so whatever the tab; SYSDBA's window has no notice.
    void aRestrictedUserIsTold()
    {
        TestServer server;
        if (!server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        ServerDatabase db(server);
        try {
            db.execute({"CREATE OR ALTER USER QM_WATCHER PASSWORD 'watcher1' USING PLUGIN Srp"});
        } catch (const Exception& e) {
            QSKIP(qPrintable(QStringLiteral("this server makes no users: ") + e.message()));
        }
        std::vector<std::tuple<QString, QString, bool>> users{
            {QStringLiteral("QM_WATCHER"), QStringLiteral("watcher1"), true},
            {TestServer::userName(), TestServer::password(), false}};
        for (size_t i = 0; i < users.size(); ++i) {
            const auto [user, password, told] = users[i];  // a copy: the list may grow
            Window w(db.name(), user, password);
            w.show();
            QVERIFY(w.connected());
            // from Firebird 4 on, a user whose (default) role has the system privilege to see
            // every attachment is not told
            if (user == TestServer::userName() &&
                w.form->dmServerProperties().IBDatabase.attachment().firebirdMajorVersion() >= 4) {
                db.execute({"CREATE OR ALTER USER QM_MONITOR PASSWORD 'monitor1' USING PLUGIN Srp",
                            "CREATE ROLE QM_MONITORS SET SYSTEM PRIVILEGES TO MONITOR_ANY_ATTACHMENT"});
                db.execute({"GRANT DEFAULT QM_MONITORS TO USER QM_MONITOR"});
                users.emplace_back(QStringLiteral("QM_MONITOR"), QStringLiteral("monitor1"), false);
            }
            const QLabel& notice = w.form->statusPanel(TfrmMain::StatusPanel::Rights);
            QCOMPARE(notice.text(), told ? QString::fromUtf8(msg::StatusOwnConnectionsOnly) : QString());
            QCOMPARE(notice.isVisible(), told);
        }
    }

    // Go to User selects the statement's (or the transaction's) attachment on the Users tab, read
    // afresh; an attachment that has gone since gets a beep.
    void goToUserSelectsTheAttachment()
    {
        TestDatabase db;
        db.execute({attachmentRow(1, "ANNA"), attachmentRow(2, "BERT"), attachmentRow(3, "CARL"),
                    statementRow(11, 2, "ACTIVE", QStringLiteral("select 1 from rdb$database")),
                    transactionRow(7, 3, "ACTIVE"), transactionRow(8, 4, "ACTIVE")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        f.SelectPage(PageId::Statements);
        QVERIFY(f.statementsPage().actStatementGoToUser->isEnabled());
        f.statementsPage().actStatementGoToUser->trigger();
        QCOMPARE(f.activePage().id(), PageId::Users);
        QCOMPARE(w.current(PageId::Users), 2);
        QVERIFY(f.usersPage().grid()->currentRowShown());

        f.SelectPage(PageId::Transactions);
        QVERIFY(f.transactionsPage().selectKey(7));
        f.transactionsPage().actTransactionGoToUser->trigger();
        QCOMPARE(w.current(PageId::Users), 3);
        QCOMPARE(w.prompts.count(Kind::Beep), 0);

        f.SelectPage(PageId::Transactions);
        QVERIFY(f.transactionsPage().selectKey(8));
        f.transactionsPage().actTransactionGoToUser->trigger();
        QCOMPARE(w.prompts.count(Kind::Beep), 1);
    }

    // Cancelling the connect dialog keeps the open connection; OK closes it before the new one is
    // tried, and a new one that fails leaves the window disconnected with the library's text.
    void connectOverAnOpenConnection()
    {
        TestDatabase db;
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        QVERIFY(w.connected());
        Reports reports;
        TfrmMain::setConnectDialogRunner([](TdlgConnectToDB&) { return int(QDialog::Rejected); });
        f.actConnect->trigger();
        QVERIFY(w.connected());
        QVERIFY(f.Timer.isActive());

        QTemporaryDir nowhere;
        const QString missing = nowhere.filePath(QStringLiteral("missing.fdb"));
        TfrmMain::setConnectDialogRunner([&](TdlgConnectToDB& dialog) {
            dialog.edtDatabaseName->setCurrentText(missing);
            dialog.edtUserName->setText(QStringLiteral("SYSDBA"));
            return int(QDialog::Accepted);
        });
        QSignalSpy closed(&w.dm().cdsDatabase, &Snapshot::rowsReplaced);
        f.actConnect->trigger();
        QVERIFY(!w.connected());
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY2(reports.messages[0].contains(missing), qPrintable(reports.messages[0]));
        QVERIFY(f.databasePage().value(0).isEmpty());
        QVERIFY(!f.Timer.isActive());
        QVERIFY(!f.actDisconnect->isEnabled());
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Database).text().isEmpty());
    }

    // Show System Tables on another tab changes the query only; the Tables & Views tab shows the
    // change when it is next shown. Disconnected with that tab active, the grid empties.
    void showSystemTablesRereadsOnlyTheActiveTablesTab()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$RELATION_NAME) "
                                   "VALUES (1, 'RDB$PAGES')"),
                    QStringLiteral("INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$RELATION_NAME) "
                                   "VALUES (200, 'EMPLOYEE')")});
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        Snapshot& relations = w.dm().cdsRelations;
        f.SelectPage(PageId::Relations);
        QCOMPARE(relations.rowCount(), 2);
        f.SelectPage(PageId::Procedures);
        QSignalSpy reads(&relations, &Snapshot::rowsReplaced);
        QVERIFY(f.actShowSystemTables->isChecked());
        f.actShowSystemTables->trigger();
        QVERIFY(!w.dm().ShowSystemTables());
        QCOMPARE(reads.count(), 0);
        QCOMPARE(relations.rowCount(), 2);
        f.SelectPage(PageId::Relations);
        QCOMPARE(relations.rowCount(), 1);
        QCOMPARE(relations.asText(QStringLiteral("TMP$RELATION_NAME")).trimmed(), QStringLiteral("EMPLOYEE"));

        // on the tab itself: at once, and without a history bar
        const size_t bars = f.memoryPage().charts().history().size();
        const double newest = f.memoryPage().charts().history().front();
        f.actShowSystemTables->trigger();
        QCOMPARE(relations.rowCount(), 2);
        QCOMPARE(f.memoryPage().charts().history().size(), bars);
        QCOMPARE(f.memoryPage().charts().history().front(), newest);

        f.actDisconnect->trigger();
        QCOMPARE(w.rows(PageId::Relations), 2);
        f.actShowSystemTables->trigger();
        QVERIFY(!relations.isOpen());
        QCOMPARE(w.rows(PageId::Relations), 0);
    }

    // The local engine's log: the caption is the empty server name, a blank and "interbase.log";
    // the viewer opens at the end. The statistics open at the top in the fixed-pitch font; a
    // cancelled options dialog shows nothing.
    void reportsOfTheLocalEngine()
    {
        TestDatabase db;
        Window w(&db);
        TfrmMain& f = *w.form;
        w.show();
        Reports reports;
        QString caption;
        int position = -1, end = -2;
        ModalAnswer<TdlgTextViewer> log([&](TdlgTextViewer* viewer) {
            caption = viewer->windowTitle();
            position = cursorPosition(*viewer);
            end = textEnd(*viewer);
            viewer->reject();
        });
        f.actViewInterbaseLog->trigger();
        QCOMPARE(log.answered(), 1);
        QVERIFY2(reports.messages.isEmpty(), qPrintable(reports.messages.join(u'\n')));
        QCOMPARE(caption, QStringLiteral(" interbase.log"));
        QCOMPARE(position, end);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);

        {
            ModalAnswer<TdlgIBStatisticsOptions> cancel([](TdlgIBStatisticsOptions* d) { d->reject(); });
            ModalAnswer<TdlgTextViewer> none([](TdlgTextViewer* viewer) { viewer->reject(); });
            f.actViewDatabaseStatistics->trigger();
            QCOMPARE(cancel.answered(), 1);
            QCoreApplication::processEvents();
            QCOMPARE(none.answered(), 0);
        }

        QString text;
        bool fixed = false;
        ModalAnswer<TdlgIBStatisticsOptions> ok([](TdlgIBStatisticsOptions* d) { d->accept(); });
        ModalAnswer<TdlgTextViewer> statistics([&](TdlgTextViewer* viewer) {
            caption = viewer->windowTitle();
            text = viewer->Memo->toPlainText();
            fixed = QFontInfo(viewer->Memo->font()).fixedPitch();
            position = cursorPosition(*viewer);
            viewer->reject();
        });
        f.actViewDatabaseStatistics->trigger();
        QCOMPARE(statistics.answered(), 1);
        QVERIFY2(reports.messages.isEmpty(), qPrintable(reports.messages.join(u'\n')));
        QCOMPARE(caption, QStringLiteral("Database Statistics"));
        QVERIFY2(text.contains(db.path()), qPrintable(text.left(400)));
        QVERIFY(fixed);
        QCOMPARE(position, 0);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    // Through the private server: the caption carries the server's name. A failed fetch is
    // reported with the hourglass gone and no viewer shown.
    void reportsOfTheServer()
    {
        TestServer server;
        if (!server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        ServerDatabase db(server);  // monitored through MON$: nothing installed
        Window w(db.name(), TestServer::userName(), TestServer::password());
        TfrmMain& f = *w.form;
        Reports reports;
        w.show();
        QVERIFY2(w.connected(), qPrintable(reports.messages.join(u'\n')));
        QString caption, text;
        ModalAnswer<TdlgTextViewer> log([&](TdlgTextViewer* viewer) {
            caption = viewer->windowTitle();
            text = viewer->Memo->toPlainText();
            viewer->reject();
        });
        f.actViewInterbaseLog->trigger();
        QCOMPARE(log.answered(), 1);
        QCOMPARE(caption, server.serverName() + QStringLiteral(" interbase.log"));
        QVERIFY(!text.isEmpty());

        // the password is refused now: the service attach fails
        f.dmServerProperties().SetPassword(QStringLiteral("not the password"));
        ModalAnswer<TdlgTextViewer> none([](TdlgTextViewer* viewer) { viewer->reject(); });
        f.actViewInterbaseLog->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(none.answered(), 0);
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    // On a server, with other clients' statements running: the user chooses one; when it ends,
    // the refresh moves the current row (by position) but Cancel waits for a new choice and the
    // status bar says why, and the statement now current is not touched. Two statements selected
    // together stay selected across a refresh and are cancelled after one question that names
    // both; each result is reported.
    void commandsActOnlyOnTheChosenStatements()
    {
        TestServer server;
        if (!server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        ServerDatabase db(server);  // monitored through MON$: nothing installed
        Window w(db.name(), TestServer::userName(), TestServer::password());
        TfrmMain& f = *w.form;
        Reports reports;
        w.show();
        QVERIFY2(w.connected(), qPrintable(reports.messages.join(u'\n')));
        f.SelectPage(PageId::Statements);
        StatementsPage& page = f.statementsPage();
        const Snapshot& statements = w.dm().cdsStatements;
        Client first(db.name()), second(db.name()), third(db.name());
        std::map<qint32, qint64> running;  // attachment -> its running statement
        const auto readRunning = [&] {
            running.clear();
            const int attachment = statements.requireColumn(QStringLiteral("TMP$ATTACHMENT_ID"));
            for (int row = 0; row < statements.rowCount(); ++row)
                if (rowState(statements, row) == RowState::Active)
                    running[qint32(statements.intValue(row, attachment))] = statements.intValue(row, statements.keyColumn());
            return running.count(first.attachmentId()) + running.count(second.attachmentId()) +
                   running.count(third.attachmentId());
        };
        for (Client* c : {&first, &second, &third})
            c->startLong();
        QVERIFY(refreshUntil(f, [&] { return readRunning() == 3; }));
        const qint64 chosen = running[first.attachmentId()];
        QVERIFY(page.selectKey(chosen));
        QVERIFY(page.actStatementCancel->isEnabled());

        // the chosen statement ends (another DBA cancels it)
        QVERIFY(w.dm().CancelStatement(chosen));
        QVERIFY2(first.wait(&w.dm()).contains(QLatin1String("operation was cancelled")), "");
        QVERIFY(refreshUntil(f, [&] { return readRunning() == 2; }));
        QVERIFY(w.current(PageId::Statements) != chosen);
        QVERIFY(!page.actStatementCancel->isEnabled());
        QCOMPARE(f.statusBar()->currentMessage(), QString::fromUtf8(msg::ChosenStatementsEnded).arg(chosen));
        page.actStatementCancelExecute();  // as a shortcut would, were it enabled
        QCOMPARE(w.prompts.count(Kind::Confirm), 0);
        QCOMPARE(w.prompts.count(Kind::Beep), 1);

        // two chosen together
        const qint64 two[] = {running[second.attachmentId()], running[third.attachmentId()]};
        QVERIFY(page.selectKey(two[0]));
        for (int row = 0; row < statements.rowCount(); ++row)
            if (statements.intValue(row, statements.keyColumn()) == two[1])
                page.grid()->selectSnapshotRows({row});
        QVERIFY(statements.rowCount() > 2);  // the monitor's own statements besides
        f.actRefresh->trigger();
        QCOMPARE(page.chosenRows().size(), size_t(2));
        AnswerAfter prompts([] {});
        page.actStatementCancel->trigger();
        QCOMPARE(prompts.questions.size(), 1);
        const QString asked = prompts.questions[0];
        QVERIFY2(asked.startsWith(QStringLiteral("Are you sure you want to cancel these 2 statements?\r\n\r\n")),
                 qPrintable(asked));
        for (const qint64 id : two)
            QVERIFY2(asked.contains(QStringLiteral("ID %1, user SYSDBA, client ").arg(id)), qPrintable(asked));
        // the results in the grid's order
        QCOMPARE(prompts.informations.size(), 1);
        QVERIFY2(prompts.informations[0].startsWith(QStringLiteral("2 of 2 done.\r\n\r\n")), qPrintable(prompts.informations[0]));
        for (const qint64 id : two)
            QVERIFY2(prompts.informations[0].contains(QStringLiteral("ID %1: done").arg(id)), qPrintable(prompts.informations[0]));
        for (Client* c : {&second, &third})
            QVERIFY(c->wait(&w.dm()).contains(QLatin1String("operation was cancelled")));
        QVERIFY2(reports.messages.isEmpty(), qPrintable(reports.messages.join(u'\n')));
    }

    // Contents shows Help/<program>.html beside the program in the window's own help window; the
    // web command opens the product's page.
    void helpOpensThePages()
    {
        const QString expected = QCoreApplication::applicationDirPath() + QStringLiteral("/Help/") +
                                 QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                                 QStringLiteral(".html");
        QCOMPARE(TfrmMain::GetHelpFileName(), expected);
        Window w(nullptr);
        Reports reports;
        w.show();
        w.form->actHelpContents->trigger();
        const auto* help = w.form->findChild<TfrmHelp*>();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->CurrentPage(), QUrl::fromLocalFile(expected));

        // the web address goes to the desktop's opener; without one the user is told
        QTemporaryDir noPrograms;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(noPrograms.path()));
        w.form->actHelpWeb->trigger();
        qputenv("PATH", path);
        QTRY_COMPARE(reports.messages.size(), 1);
        QCOMPARE(reports.messages[0], QString::fromUtf8(msg::BrowserNoOpener).arg(QString::fromUtf8(msg::ProductWebAddress)));

        ModalAnswer<TdlgAbout> about([](TdlgAbout* box) { box->accept(); });
        w.form->actHelpAbout->trigger();
        QCOMPARE(about.answered(), 1);
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestMainCommands)

#include "test_main_commands.moc"

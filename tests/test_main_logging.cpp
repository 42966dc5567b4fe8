// The main window's logging commands and log timer, offscreen against real databases with the
// monitoring tables. Boxes are answered by a ScriptedPrompts, the setup dialog from inside its
// modal loop, and what reaches the error reporting is recorded.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/ProgressDlg.h"
#include "dialogs/Prompts.h"
#include "logging/SetupLoggingDlg.h"
#include "mainwindow/LoggingControl.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/history/HistoryMode.h"
#include "mainwindow/pages/StatementsPage.h"
#include "support/LogTestFixture.h"
#include "support/ModalAnswer.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryFile>
#include <QtTest>

#include <climits>
#include <functional>
#include <memory>

namespace {
using Ask = QMessageBox::StandardButton;
using Fill = std::function<void(TfrmLoggingSetup&)>;

QString settingsPath;
const QString CrLf = QStringLiteral("\r\n");
QString T(const char* text) { return QString::fromUtf8(text); }

// The main window connected to the database, with the errors it reports recorded; Abort is
// pressed for a progress dialog left open by an error.
struct Window {
    ScriptedPrompts prompts;
    QStringList errors;
    std::unique_ptr<TfrmMain> form;

    explicit Window(const TestDatabase& db)
    {
        TfrmMain::setConnectDialogRunner([&db](TdlgConnectToDB& dialog) {
            dialog.edtDatabaseName->setCurrentText(db.path());
            dialog.edtUserName->setText(QStringLiteral("SYSDBA"));
            return int(QDialog::Accepted);
        });
        form = std::make_unique<TfrmMain>();
        QuillmereApplication::setErrorHandler([this](const Exception& e) {
            errors << e.message();
            QTimer::singleShot(0, [] {
                if (auto* progress = qobject_cast<TdlgProgress*>(QApplication::activeModalWidget()))
                    progress->btnAbort.click();
            });
        });
        form->show();
        QCoreApplication::sendPostedEvents();
    }
    ~Window()
    {
        form.reset();
        TfrmMain::setConnectDialogRunner({});
    }

    // The setup command with the dialog changed by fill and closed with OK or Cancel; the
    // answers to the boxes in order. Returns whether the dialog opened.
    bool setup(const Fill& fill, bool ok, std::deque<Ask> answers = {})
    {
        prompts.clear();
        prompts.answers = std::move(answers);
        ModalAnswer<TfrmLoggingSetup> answer([&](TfrmLoggingSetup* dialog) {
            if (fill)
                fill(*dialog);
            (ok ? dialog->btnOK : dialog->btnCancel)->click();
        });
        form->actSetupLogging->trigger();
        return answer.answered() == 1;
    }
    // Two runs: the first creates the log objects, the second starts logging.
    void startLogging(const Fill& fill)
    {
        setup(fill, true, {Ask::Ok, Ask::Ok});
        setup({}, true, {Ask::Yes});
    }
    const Prompts::Confirmation& asked(size_t i) const { return prompts.requests.at(i).confirmation; }
};

// One tick of the log timer, delivered the way the timer delivers it, and its error reported
// (after the timer's slot has returned).
void tick(TfrmMain& f)
{
    QVERIFY(f.TimerLog.isActive());
    QTimerEvent event(f.TimerLog.timerId());
    QCoreApplication::sendEvent(&f.TimerLog, &event);
    QCoreApplication::sendPostedEvents();
}

// The logging passes so far, each with its own snapshot number in LOG$DATABASE.
int passes(const TestDatabase& db)
{
    return queryRows(db, QStringLiteral("SELECT COUNT(DISTINCT SNAPSHOT_ID) FROM LOG$DATABASE"))[0][0].toInt();
}

bool tableExists(const TestDatabase& db, const QString& name)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '%1'").arg(name)) ==
           QLatin1String("1");
}

void databaseOn(TfrmLoggingSetup& d) { d.SetItemEnabled(TLogItem::Database, true); }

TestDatabase& withDatabaseRow(TestDatabase& db)
{
    db.execute(QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID) VALUES (1)"));
    return db;
}
}  // namespace

class TestMainLogging : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(settingsPath); }

    // All seven items: the missing tables in the fixed order, then the generator; the next run
    // finds them and offers to start; the first pass comes a whole interval later; a failing
    // pass leaves the timer running; the Logging command stops and restarts it.
    void firstSetupCreatesTheNextStarts()
    {
        TestDatabase db;
        Window w(withDatabaseRow(db));
        TfrmMain& f = *w.form;
        TemporaryCurrentFolder folder;
        const Fill allItems = [](TfrmLoggingSetup& d) {
            for (TLogItem item : AllLogItems)
                d.SetItemEnabled(item, true);
        };
        QVERIFY(w.setup(allItems, true, {Ask::Ok, Ask::Ok}));
        const QStringList tables{"LOG$ATTACHMENTS", "LOG$DATABASE", "LOG$POOLS",       "LOG$PROCEDURES",
                                 "LOG$RELATIONS",   "LOG$STATEMENTS", "LOG$TRANSACTIONS"};
        QCOMPARE(w.prompts.requests.size(), size_t(2));
        QCOMPARE(w.asked(0).text, T(msg::LoggingMissingTablesHead) + CrLf + tables.join(CrLf) + CrLf + CrLf +
                                      T(msg::LoggingMissingTablesTail));
        QCOMPARE(w.asked(0).caption, QStringLiteral("Confirm"));
        QCOMPARE(w.asked(0).icon, QMessageBox::Question);
        QCOMPARE(w.asked(0).defaultButton, QMessageBox::Ok);
        QCOMPARE(w.asked(1).text, QStringLiteral("Generator PERFORMANCE_LOG_G does not exist.  Press OK to create it "
                                                 "now or Cancel to abort and choose a different generator name."));
        QStringList created;
        for (const QStringList& row : queryRows(db, "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE "
                                                    "RDB$RELATION_NAME STARTING WITH 'LOG$' ORDER BY RDB$RELATION_ID"))
            created << row[0];
        QCOMPARE(created, tables);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = 'PERFORMANCE_LOG_G'"),
                 QStringLiteral("1"));
        QVERIFY(!f.actLoggingEnabled->isEnabled());
        QVERIFY(!f.TimerLog.isActive());
        QVERIFY(f.Timer.isActive());

        QVERIFY(w.setup({}, true, {Ask::Yes}));
        QCOMPARE(w.prompts.requests.size(), size_t(1));
        QCOMPARE(w.asked(0).text, T(msg::LoggingStartNow));
        QCOMPARE(w.asked(0).buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(w.asked(0).defaultButton, QMessageBox::Yes);
        QVERIFY(f.TimerLog.isActive() && f.actLoggingEnabled->isChecked() && f.actLoggingEnabled->isEnabled());
        QCOMPARE(f.TimerLog.interval(), 600000);
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Logging).text(), QStringLiteral("Logging"));
        const SettingsFile settings(settingsPath);
        QCOMPARE(settings.keys("LoggingSetup"),
                 QStringList({"AttachmentsLogTableName", "DatabaseLogTableName", "GeneratorName", "LogInterval",
                              "PoolsLogTableName", "ProceduresLogTableName", "RelationsLogTableName",
                              "StatementsLogTableName", "TransactionsLogTableName"}));
        QCOMPARE(settings.readString("LoggingSetup", "LogInterval", {}), QStringLiteral("600000"));
        QCOMPARE(settings.readString("LoggingSetup", "StatementsLogTableName", {}), QStringLiteral("LOG$STATEMENTS"));

        QCOMPARE(passes(db), 0);
        tick(f);
        QCOMPARE(passes(db), 1);
        QVERIFY(w.errors.isEmpty());

        QVERIFY(QFile::remove("TMP$DATABASE.sql") && QDir(folder.path()).mkdir("TMP$DATABASE.sql"));
        tick(f);
        QCOMPARE(w.errors.size(), 1);
        QVERIFY2(w.errors[0].contains(QLatin1String("TMP$DATABASE.sql")), qPrintable(w.errors[0]));
        QVERIFY(f.TimerLog.isActive());
        QCOMPARE(passes(db), 1);

        f.actLoggingEnabled->trigger();
        QVERIFY(!f.TimerLog.isActive());
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Logging).text().isEmpty());
        f.actLoggingEnabled->trigger();
        QVERIFY(f.TimerLog.isActive());
    }

    // File > Open Log Tables shows what a logging pass wrote: the Statements tab holds the pass's
    // statement although the monitoring table has lost it since; Live returns.
    void openLogTablesShowsALoggingPass()
    {
        TestDatabase db;
        withDatabaseRow(db).execute(QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, "
                                                   "TMP$STATE, TMP$SQL) VALUES (7, 1, 'ACTIVE', 'SELECT 7 FROM X')"));
        Window w(db);
        TfrmMain& f = *w.form;
        TemporaryCurrentFolder folder;
        w.startLogging([](TfrmLoggingSetup& d) {
            d.SetItemEnabled(TLogItem::Database, true);
            d.SetItemEnabled(TLogItem::Statements, true);
        });
        tick(f);
        db.execute(QStringLiteral("DELETE FROM TMP$STATEMENTS"));
        f.SelectPage(PageId::Statements);
        f.actOpenLogTables->trigger();
        QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(QLatin1Char('\n'))));
        QVERIFY(f.historyMode().shown());
        const Snapshot& shown = *f.page(PageId::Statements).snapshot();
        QCOMPARE(shown.rowCount(), 1);
        QCOMPARE(shown.asText(QStringLiteral("TMP$SQL")), QStringLiteral("SELECT 7 FROM X"));
        QVERIFY(!f.statementsPage().actStatementCancel->isEnabled());
        f.actLive->trigger();
        QCOMPARE(f.page(PageId::Statements).snapshot()->rowCount(), 0);
    }

    // Every item off needs nothing verified; the pause box and the resume question decide
    // whether logging goes on.
    void itemsOffAndThePausedLog()
    {
        TestDatabase db;
        Window w(db);
        TfrmMain& f = *w.form;
        ModalAnswer<TdlgProgress> progress([](TdlgProgress*) {});
        QVERIFY(w.setup({}, true));
        QVERIFY(w.prompts.requests.empty());
        QCOMPARE(progress.answered(), 0);
        QVERIFY(f.logging().dmPerformanceLog() && !f.actLoggingEnabled->isEnabled());

        w.startLogging(databaseOn);
        QVERIFY(f.TimerLog.isActive());

        QVERIFY(!w.setup({}, true, {Ask::Cancel}));
        QCOMPARE(w.prompts.requests.size(), size_t(1));
        QCOMPARE(w.asked(0).caption, QStringLiteral("Information"));
        QCOMPARE(w.asked(0).text, T(msg::LoggingPausedForSetup));
        QCOMPARE(w.asked(0).icon, QMessageBox::Information);
        QCOMPARE(w.asked(0).buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(w.asked(0).defaultButton, QMessageBox::Ok);
        QVERIFY(f.TimerLog.isActive() && f.Timer.isActive());

        QVERIFY(w.setup({}, false, {Ask::Ok, Ask::No}));
        QCOMPARE(w.prompts.requests.size(), size_t(2));
        QCOMPARE(w.asked(1).text, T(msg::LoggingResumeNow));
        QVERIFY(!f.TimerLog.isActive() && f.actLoggingEnabled->isChecked() && f.Timer.isActive());

        QVERIFY(w.setup({}, false, {Ask::Ok, Ask::Yes}));
        QVERIFY(f.TimerLog.isActive());

        // everything off while logging is on: paused, "&Logging" left as it is, nothing asked
        QVERIFY(w.setup([](TfrmLoggingSetup& d) { d.SetItemEnabled(TLogItem::Database, false); }, true, {Ask::Ok}));
        QCOMPARE(w.prompts.requests.size(), size_t(1));
        QVERIFY(!f.TimerLog.isActive() && f.actLoggingEnabled->isChecked());
        QVERIFY(w.errors.isEmpty());
    }

    // The refresh timer runs again after an error, after a silent end and after an error inside
    // the verification; a paused refresh stays paused.
    void theRefreshTimerIsRestoredInEveryWayOut()
    {
        TestDatabase db;
        Window w(db);
        TfrmMain& f = *w.form;
        const Fill blankGenerator = [](TfrmLoggingSetup& d) {
            d.SetItemEnabled(TLogItem::Database, true);
            d.SetGeneratorName("   ");  // passes the dialog, fails to create
        };
        w.setup(blankGenerator, true, {Ask::Ok, Ask::Ok});
        QCOMPARE(w.errors.size(), 1);
        QVERIFY2(w.errors[0].contains(QLatin1String("SQL error")), qPrintable(w.errors[0]));
        QVERIFY(tableExists(db, "LOG$DATABASE"));
        QVERIFY(f.Timer.isActive() && !f.TimerLog.isActive() && !f.actLoggingEnabled->isEnabled());

        w.setup([](TfrmLoggingSetup& d) { d.SetItemEnabled(TLogItem::Relations, true); }, true, {Ask::Cancel});
        QCOMPARE(w.errors.size(), 1);
        QCOMPARE(w.prompts.requests.size(), size_t(1));
        QVERIFY(!tableExists(db, "LOG$RELATIONS"));
        QVERIFY(f.Timer.isActive());

        // the connection lost while the dialog is open: the check fails inside the progress
        // dialog, which is left with Abort, and the command ends without a question
        ModalAnswer<TdlgProgress> progress([](TdlgProgress*) {});
        w.setup([&](TfrmLoggingSetup&) { f.dmServerProperties().SetConnected(false); }, true);
        QCOMPARE(progress.answered(), 1);
        QCOMPARE(w.errors.size(), 2);
        QVERIFY2(w.errors[1].contains(QLatin1String("not attached")), qPrintable(w.errors[1]));
        QVERIFY(w.prompts.requests.empty());
        QVERIFY(f.Timer.isActive());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(f.actConnect->isEnabled());
        f.actConnect->trigger();
        QVERIFY(f.dmServerProperties().GetConnected());

        f.actPaused->trigger();
        QVERIFY(!f.Timer.isActive());
        w.setup({}, false);
        QVERIFY(!f.Timer.isActive());
    }

    // LoggingSetup read back, an interval above the signed range among it, and that interval
    // counted in two steps before its pass; the names and the interval survive a restart, the
    // items do not.
    void settingsAndALongInterval()
    {
        {
            SettingsFile settings(settingsPath);
            settings.writeString("LoggingSetup", "DatabaseLogTableName", "LOG_DB_A");
            settings.writeString("LoggingSetup", "GeneratorName", "G_A");
            settings.writeFile();
        }
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID) VALUES (1)"));
        TemporaryCurrentFolder folder;
        {
            Window w(db);
            TfrmMain& f = *w.form;
            QString shown;
            w.startLogging([&](TfrmLoggingSetup& d) {
                shown = d.ItemLogTableName(TLogItem::Database) + ' ' + d.GeneratorName() + ' ' + d.ItemLogTableName(TLogItem::Attachments);
                d.SetItemLogTableName(TLogItem::Database, "LOG$DATABASE");
                d.SetItemEnabled(TLogItem::Database, true);
                // 34 days 17:20:00 = 3,000,000,000 ms
                d.edtDays->setValue(34);
                d.edtHours->setValue(17);
                d.edtMinutes->setValue(20);
                d.edtSeconds->setValue(0);
            });
            QCOMPARE(shown, QStringLiteral("LOG_DB_A G_A LOG$ATTACHMENTS"));
            QCOMPARE(f.logging().LogInterval(), 3000000000u);
            QCOMPARE(SettingsFile(settingsPath).readString("LoggingSetup", "LogInterval", {}),
                     QStringLiteral("-1294967296"));
            QCOMPARE(f.TimerLog.interval(), INT_MAX);
            tick(f);
            QCOMPARE(f.TimerLog.interval(), 852516353);  // the rest after one full step
            QCOMPARE(passes(db), 0);
            tick(f);
            QCOMPARE(passes(db), 1);
            QCOMPARE(f.TimerLog.interval(), INT_MAX);
            QVERIFY(w.errors.isEmpty());
            // a failing pass still begins the next whole interval
            QVERIFY(QFile::remove("TMP$DATABASE.sql") && QDir(folder.path()).mkdir("TMP$DATABASE.sql"));
            tick(f);
            tick(f);
            QCOMPARE(w.errors.size(), 1);
            QCOMPARE(f.TimerLog.interval(), INT_MAX);
        }
        Window w(db);
        QString shown;
        w.setup(
            [&](TfrmLoggingSetup& d) {
                shown = QStringLiteral("%1 %2 %3 %4")
                            .arg(d.ItemLogTableName(TLogItem::Database), d.GeneratorName())
                            .arg(d.LogInterval())
                            .arg(d.ItemEnabled(TLogItem::Database));
            },
            false);
        QCOMPARE(shown, QStringLiteral("LOG$DATABASE G_A 3000000000 0"));
    }

    // Help in the setup dialog shows Logging.html in a help window of the dialog's own, which the
    // modal dialog leaves usable.
    void setupHelpOpensAHelpWindow()
    {
        TestDatabase db;
        Window w(db);
        QUrl shown;
        QVERIFY(w.setup([&](TfrmLoggingSetup& d) {
            d.btnHelp->click();
            if (const auto* help = d.findChild<TfrmHelp*>(); help && help->isVisible() && help->isWindow())
                shown = help->CurrentPage();
        }, false));
        QCOMPARE(shown, QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/Help/Logging.html"));
        QVERIFY(w.errors.isEmpty());
    }

    // While disconnected the log timer logs and reports nothing, the panel says that logging waits
    // for a connection, and "&Logging" can still be turned off; after a new connection it logs.
    void loggingWaitsForAConnection()
    {
        TestDatabase db;
        Window w(withDatabaseRow(db));
        TfrmMain& f = *w.form;
        TemporaryCurrentFolder folder;
        w.startLogging(databaseOn);
        f.actDisconnect->trigger();
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Logging).text(), T(msg::StatusLoggingWaits));
        tick(f);
        QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(CrLf)));
        QCOMPARE(passes(db), 0);
        f.actConnect->trigger();
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Logging).text(), T(msg::StatusLogging));
        tick(f);
        QCOMPARE(passes(db), 1);
        // a connection found lost waits the same way
        f.dmServerProperties().SetConnectionLost(true);
        tick(f);
        QCOMPARE(passes(db), 1);
        QVERIFY(w.errors.isEmpty());

        f.actDisconnect->trigger();
        QVERIFY(f.actLoggingEnabled->isEnabled());
        f.actLoggingEnabled->trigger();
        QVERIFY(!f.TimerLog.isActive() && f.statusPanel(TfrmMain::StatusPanel::Logging).text().isEmpty() && !f.actLoggingEnabled->isEnabled());
        QVERIFY(w.errors.isEmpty());
    }

    // A settings file that cannot be written is reported and leaves logging off; a tick without
    // a log module switches "&Logging" off.
    void failuresOfStartAndTick()
    {
        TestDatabase db;
        Window w(db);
        TfrmMain& f = *w.form;
        f.actLoggingEnabled->setChecked(true);
        f.TimerLog.start();
        tick(f);
        QVERIFY(!f.actLoggingEnabled->isChecked() && !f.actLoggingEnabled->isEnabled() && !f.TimerLog.isActive());

        QTemporaryFile blocker;
        QVERIFY(blocker.open());
        setSettingsFileNameOverride(blocker.fileName() + QStringLiteral("/quillmere.ini"));
        w.startLogging(databaseOn);
        setSettingsFileNameOverride(settingsPath);
        QCOMPARE(w.errors.size(), 1);
        QVERIFY(!f.actLoggingEnabled->isChecked() && !f.TimerLog.isActive());
        QVERIFY(f.actLoggingEnabled->isEnabled());
        // ready but off: a cancelled setup offers no resume
        QVERIFY(w.setup({}, false));
        QVERIFY(w.prompts.requests.empty());
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    QTemporaryDir settingsFolder;
    settingsPath = settingsFolder.filePath(QStringLiteral("quillmere.ini"));
    setSettingsFileNameOverride(settingsPath);
    TestMainLogging test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main_logging.moc"

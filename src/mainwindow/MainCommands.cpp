// The main window's control commands, the two reports, the system-table choice and help.

#include "mainwindow/MainForm.h"

#include "app/QuillmereApplication.h"
#include "common/HelpPages.h"
#include "common/Messages.h"
#include "connection/IBStatisticsOptionsDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/Prompts.h"
#include "dialogs/TextViewerDlg.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTabWidget>
#include <QUrl>

namespace {
QString T(const char* text) { return QString::fromUtf8(text); }

// The hourglass while a report is fetched; the previous cursor comes back however the fetch ends.
class HourglassCursor {
public:
    HourglassCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassCursor() { QGuiApplication::restoreOverrideCursor(); }
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;
};

// One control command: the row it acts on, how the question is worded, what it calls and what it
// says when the server changed no row.
struct ControlCommand {
    const char* idColumn;
    QString (*question)(const Snapshot& snapshot);
    bool (TdmQuillmere::*operation)(qint32 id);
    const char* failure;
};

QString cancelStatementQuestion(const Snapshot& s)
{
    // the statement's text as it is, blanks and line breaks included
    return T(msg::ConfirmCancelStatement) + s.asText(QStringLiteral("TMP$SQL"));
}

QString transactionQuestion(const char* lead, const Snapshot& s)
{
    return T(lead) + QString::number(s.value(QStringLiteral("TMP$TRANSACTION_ID")).toLongLong()) +
           T(msg::ConfirmQuestionEnd);
}

QString userQuestion(const char* lead, const Snapshot& s)
{
    // CHAR user names come padded with blanks
    return T(lead) + s.asText(QStringLiteral("TMP$USER")).trimmed() + T(msg::ConfirmQuestionEnd);
}

const ControlCommand StatementCancel{"TMP$STATEMENT_ID", cancelStatementQuestion, &TdmQuillmere::CancelStatement,
                                     msg::FailedStatement};
const ControlCommand TransactionCommit{
    "TMP$TRANSACTION_ID", [](const Snapshot& s) { return transactionQuestion(msg::ConfirmCommitTransaction, s); },
    &TdmQuillmere::CommitTransaction, msg::FailedTransaction};
const ControlCommand TransactionRollback{
    "TMP$TRANSACTION_ID", [](const Snapshot& s) { return transactionQuestion(msg::ConfirmRollbackTransaction, s); },
    &TdmQuillmere::RollbackTransaction, msg::FailedTransaction};
const ControlCommand AttachmentCancel{
    "TMP$ATTACHMENT_ID", [](const Snapshot& s) { return userQuestion(msg::ConfirmCancelAttachment, s); },
    &TdmQuillmere::CancelAttachment, msg::FailedAttachment};
const ControlCommand AttachmentShutdown{
    "TMP$ATTACHMENT_ID", [](const Snapshot& s) { return userQuestion(msg::ConfirmShutdownAttachment, s); },
    &TdmQuillmere::ShutdownAttachment, msg::FailedAttachment};

void runControlCommand(TdmQuillmere& dm, const TMonitorGrid& grid, const ControlCommand& command)
{
    const Snapshot& snapshot = grid.snapshot();
    // Nothing to act on: no rows, or the current row is filtered out of the grid, so the user
    // cannot see which row the command would act on.
    if (!snapshot.isOpen() || snapshot.isEmpty() || !grid.currentRowShown()) {
        Prompts::current().beep();
        return;
    }
    // Taken now: the refresh timer keeps running while the question is open and may move the
    // current row; the command acts on the row the user chose it for.
    const auto id = static_cast<qint32>(snapshot.value(QString::fromLatin1(command.idColumn)).toLongLong());
    Prompts::Confirmation question;
    question.caption = T(msg::ConfirmCaption);
    question.text = command.question(snapshot);
    question.icon = QMessageBox::Warning;
    question.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    // Cancel is the default button so that Enter alone never kills anything
    question.defaultButton = QMessageBox::Cancel;
    if (Prompts::current().confirm(question) != QMessageBox::Ok)
        return;
    if (!(dm.*command.operation)(id))
        Prompts::current().information(T(command.failure));
    // the next refresh shows the row's new state
}
}  // namespace

void TfrmMain::connectCommandActions()
{
    connect(actStatementCancel, &QAction::triggered, this, guarded([this] { actStatementCancelExecute(); }));
    connect(actTransactionCommit, &QAction::triggered, this, guarded([this] { actTransactionCommitExecute(); }));
    connect(actTransactionRollback, &QAction::triggered, this,
            guarded([this] { actTransactionRollbackExecute(); }));
    connect(actAttachmentCancel, &QAction::triggered, this, guarded([this] { actAttachmentCancelExecute(); }));
    connect(actAttachmentShutdown, &QAction::triggered, this, guarded([this] { actAttachmentShutdownExecute(); }));
    connect(actStatementGoToUser, &QAction::triggered, this, guarded([this] { GoToUser(*dbgrdStatements); }));
    connect(actTransactionGoToUser, &QAction::triggered, this, guarded([this] { GoToUser(*dbgrdTransactions); }));
    connect(actViewInterbaseLog, &QAction::triggered, this, guarded([this] { actViewInterbaseLogExecute(); }));
    connect(actViewDatabaseStatistics, &QAction::triggered, this,
            guarded([this] { actViewDatabaseStatisticsExecute(); }));
    connect(actShowSystemTables, &QAction::triggered, this, guarded([this] { actShowSystemTablesExecute(); }));
    connect(actHelpContents, &QAction::triggered, this, guarded([this] { actHelpContentsExecute(); }));
    connect(actHelpWeb, &QAction::triggered, this, guarded([this] { actHelpWebExecute(); }));
    connect(actHelpAbout, &QAction::triggered, this, guarded([this] { actHelpAboutExecute(); }));
}

void TfrmMain::GoToUser(const TMonitorGrid& grid)
{
    const Snapshot& rows = grid.snapshot();
    const QString column = QStringLiteral("TMP$ATTACHMENT_ID");
    if (!rows.isOpen() || rows.isEmpty() || !grid.currentRowShown() || rows.isNull(column)) {
        Prompts::current().beep();
        return;
    }
    const qint64 attachment = rows.asInteger(column);
    // the tab change reads the users afresh; the grid follows the snapshot's cursor
    SelectPage(tshtAttachments);
    Snapshot& users = m_dmQuillmere->cdsAttachments;
    if (!users.isOpen() || !users.locate(column, attachment) || !dbgrdAttachments->currentRowShown())
        Prompts::current().beep();  // gone since, or hidden by the grid's filters
}

void TfrmMain::actStatementCancelExecute() { runControlCommand(*m_dmQuillmere, *dbgrdStatements, StatementCancel); }

void TfrmMain::actTransactionCommitExecute()
{
    runControlCommand(*m_dmQuillmere, *dbgrdTransactions, TransactionCommit);
}

void TfrmMain::actTransactionRollbackExecute()
{
    runControlCommand(*m_dmQuillmere, *dbgrdTransactions, TransactionRollback);
}

void TfrmMain::actAttachmentCancelExecute()
{
    runControlCommand(*m_dmQuillmere, *dbgrdAttachments, AttachmentCancel);
}

void TfrmMain::actAttachmentShutdownExecute()
{
    runControlCommand(*m_dmQuillmere, *dbgrdAttachments, AttachmentShutdown);
}

void TfrmMain::actViewInterbaseLogExecute()
{
    TdlgTextViewer viewer(this);
    // a local connection has no server name: the caption then starts with its blank
    viewer.setWindowTitle(m_dmServerProperties->GetServerName() + T(msg::ServerLogCaptionSuffix));
    {
        const HourglassCursor hourglass;
        viewer.SetViewerText(m_dmServerProperties->GetServerLog());
        // the newest entries are at the end
        viewer.ScrollToEnd();
    }
    viewer.exec();
}

void TfrmMain::actViewDatabaseStatisticsExecute()
{
    TdlgIBStatisticsOptions options(this);
    TdlgTextViewer viewer(this);
    if (options.exec() != QDialog::Accepted)
        return;
    viewer.setWindowTitle(T(msg::StatisticsViewerCaption));
    viewer.SetFixedFont(true);
    {
        const HourglassCursor hourglass;
        viewer.SetViewerText(m_dmServerProperties->GetDatabaseStatistics(options.GetStatisticsOptions()));
    }
    viewer.exec();
}

void TfrmMain::actShowSystemTablesExecute()
{
    // the action has flipped its check already
    TdmQuillmere& dm = *m_dmQuillmere;
    const bool show = actShowSystemTables->isChecked();
    if (dm.ShowSystemTables() == show)
        return;
    dm.SetShowSystemTables(show);
    // another tab shows the change when the Tables & Views tab is next shown (its refresh)
    if (PageControl->currentWidget() == tshtRelations)
        RefreshKeepingRow(dm.cdsRelations, QStringLiteral("TMP$RELATION_ID"));
}

QString TfrmMain::GetHelpFileName() { return GetHelpFileName(QCoreApplication::applicationFilePath()); }

QString TfrmMain::GetHelpFileName(const QString& programFile)
{
    return helpPagePath(programFile, QFileInfo(programFile).completeBaseName() + T(msg::HelpFileExtension));
}

void TfrmMain::actHelpContentsExecute()
{
    // the program's own help window, which needs no browser and says so when a page is missing
    TfrmHelp::ShowHelp(this, QUrl::fromLocalFile(GetHelpFileName()), &QuillmereApplication::reportError);
}

void TfrmMain::actHelpWebExecute() { QDesktopServices::openUrl(QUrl(T(msg::ProductWebAddress))); }

void TfrmMain::actHelpAboutExecute()
{
    TdlgAbout about(this);
    about.exec();
}

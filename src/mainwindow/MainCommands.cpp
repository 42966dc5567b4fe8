// The main window's reports, the system-table choice, Go to User and help.

#include "mainwindow/MainForm.h"

#include "common/ErrorReporting.h"
#include "common/HelpPages.h"
#include "common/Messages.h"
#include "connection/IBStatisticsOptionsDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/BrowserLauncher.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/Prompts.h"
#include "dialogs/TextViewerDlg.h"
#include "mainwindow/pages/UsersPage.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
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
}  // namespace

void TfrmMain::connectCommandActions()
{
    connect(actViewInterbaseLog, &QAction::triggered, this, guarded([this] { actViewInterbaseLogExecute(); }));
    connect(actViewDatabaseStatistics, &QAction::triggered, this,
            guarded([this] { actViewDatabaseStatisticsExecute(); }));
    connect(actShowSystemTables, &QAction::triggered, this, guarded([this] { actShowSystemTablesExecute(); }));
    connect(actHelpContents, &QAction::triggered, this, guarded([this] { actHelpContentsExecute(); }));
    connect(actHelpWeb, &QAction::triggered, this, guarded([this] { actHelpWebExecute(); }));
    connect(actHelpAbout, &QAction::triggered, this, guarded([this] { actHelpAboutExecute(); }));
}

void TfrmMain::GoToUser(qint64 attachmentId)
{
    // the tab change reads the users afresh; the grid follows the snapshot's cursor
    SelectPage(PageId::Users);
    if (!m_users->selectAttachment(attachmentId))
        Prompts::current().beep();  // gone since, or hidden by the grid's filters
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
    if (activePage().id() == PageId::Relations)
        activePage().refresh();
}

QString TfrmMain::GetHelpFileName() { return GetHelpFileName(QCoreApplication::applicationFilePath()); }

QString TfrmMain::GetHelpFileName(const QString& programFile)
{
    return helpPagePath(programFile, QFileInfo(programFile).completeBaseName() + T(msg::HelpFileExtension));
}

void TfrmMain::actHelpContentsExecute()
{
    // the program's own help window, which needs no browser and says so when a page is missing
    TfrmHelp::ShowHelp(this, QUrl::fromLocalFile(GetHelpFileName()), &errors::report);
}

void TfrmMain::actHelpWebExecute() { openInBrowser(QUrl(T(msg::ProductWebAddress)), &errors::report); }

void TfrmMain::actHelpAboutExecute()
{
    TdlgAbout about(this);
    about.exec();
}

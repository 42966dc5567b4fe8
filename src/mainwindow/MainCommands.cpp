// The main window's reports (ServerReports.h), the system-table choice, Go to User and help.

#include "mainwindow/MainForm.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/HelpPages.h"
#include "common/Messages.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/BrowserLauncher.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/Prompts.h"
#include "mainwindow/ServerReports.h"
#include "mainwindow/pages/UsersPage.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

namespace {
QString T(const char* text) { return QString::fromUtf8(text); }
}  // namespace

void TfrmMain::connectCommandActions()
{
    connect(actViewInterbaseLog, &QAction::triggered, this,
            guarded([this] { reports::showServerLog(this, *m_dmServerProperties); }));
    connect(actViewDatabaseStatistics, &QAction::triggered, this,
            guarded([this] { reports::showDatabaseStatistics(this, *m_dmServerProperties); }));
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

// The refresh cycle: one refresh re-reads the active page and the memory pools in one tick; the
// refresh timer; the reaction to a connection opening or closing; and the states of the commands.

#include "mainwindow/MainForm.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/ServerConnectionDM.h"
#include "mainwindow/LoggingControl.h"
#include "mainwindow/history/HistoryMode.h"
#include "mainwindow/history/HistoryRecording.h"
#include "mainwindow/pages/MemoryPage.h"
#include "mainwindow/pages/StatementsPage.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QElapsedTimer>

#include <utility>

namespace {
constexpr int LowestAcceptedODSMajorVersion = 11;

// One refresh. An error that says the connection is gone marks it lost before it is reported:
// refreshing then pauses (the timer stops, and a tab change reads nothing) until F5, a reconnect
// or a disconnect, and the status bar says so, so that one report leaves the user in control.
// Other errors leave the timer running, and a lasting fault is reported at every tick.
void refreshNotingLoss(TfrmMain& form)
{
    try {
        form.RefreshActivePage();
    } catch (const std::exception& e) {
        TdmServerProperties& server = form.dmServerProperties();
        if (server.NoteConnectionLoss(e)) {
            form.UpdateRefreshTimer();
            form.UpdateCommandStates();
        }
        // in words that say what happened, the library's text below
        server.RaiseFailure(e);
    }
}
}  // namespace

void TfrmMain::TimerTimer()
{
    // Reported after this slot has returned: Qt fires the timer again only then, and the error
    // list is modal, so a list opened in here would stop the refresh until OK and count nothing.
    errors::runGuardedReportingLater(this, [this] { refreshNotingLoss(*this); });
}

void TfrmMain::actRefreshExecute()
{
    // After a lost connection F5 attaches again with the same name and parameters: the lost
    // attachment cannot serve another call. The new connection's refresh and timer follow as
    // after a connect.
    TdmServerProperties& server = *m_dmServerProperties;
    if (server.GetConnectionLost()) {
        server.Reconnect();
        return;
    }
    refreshNotingLoss(*this);
}

void TfrmMain::actPausedExecute()
{
    // the action has flipped its check already
    UpdateRefreshTimer();
    UpdateRefreshPanel();
}

void TfrmMain::RefreshActivePage()
{
    if (m_history->shown()) {
        // the recorded moment, read from the store: no tick of the server's
        MonitorPage& active = activePage();
        active.refresh();
        m_memory->refreshPools();
        active.afterRefresh();
        UpdateRefreshPanel();
        return;
    }
    if (!m_dmServerProperties->GetConnected() || m_dmServerProperties->GetConnectionLost())
        return;
    // timed as a whole, for the status bar: the reads, the views' updates and the charts
    QElapsedTimer took;
    took.start();
    // the active tab and the pools come from one snapshot of the server's monitoring tables
    const TdmQuillmere::Tick tick(*m_dmQuillmere);
    MonitorPage& active = activePage();
    active.refresh();
    // the Memory tab has no snapshot of its own: the pools are read on every refresh
    m_memory->refreshPools();
    active.afterRefresh();
    m_status->refreshed((took.nsecsElapsed() + 500000) / 1000000);
    UpdateRefreshPanel();
}

void TfrmMain::ConnectionChanged()
{
    TdmServerProperties& server = *m_dmServerProperties;
    if (server.GetConnected()) {
        if (server.GetODSMajorVersion() < LowestAcceptedODSMajorVersion) {
            // closing runs this handler again for the closed connection
            server.SetConnected(false);
            throw Exception(msg::NotAnInterBase7Database);
        }
        // the history of the connected database is recorded on a timer of its own
        errors::runGuarded([this] { m_recording->connectionChanged(); });
        try {
            refreshNotingLoss(*this);
        } catch (...) {
            // the connection is open all the same: the timer runs (and reports a lasting fault
            // on every tick) unless the connection was found lost, and the commands follow it
            UpdateRefreshTimer();
            UpdateCommandStates();
            throw;
        }
    } else {
        errors::runGuarded([this] { m_recording->connectionChanged(); });
        for (MonitorPage* page : m_pages)
            page->connectionClosed();
        m_status->forgetRefresh();
        // a recorded moment stays shown without the connection
        if (m_history->shown())
            RefreshActivePage();
    }
    UpdateRefreshTimer();
    UpdateCommandStates();
}

void TfrmMain::UpdateRefreshTimer()
{
    Timer.stop();
    const TdmServerProperties& server = *m_dmServerProperties;
    // the display tick stands still while a recorded moment is shown
    if (!actPaused->isChecked() && server.GetConnected() && !server.GetConnectionLost() && !m_history->shown())
        Timer.start();
}

void TfrmMain::RefreshAction(QAction* entry)
{
    const bool running = Timer.isActive();
    Timer.stop();
    Timer.setInterval(entry->data().toInt());
    entry->setChecked(true);
    if (running)
        Timer.start();
}

void TfrmMain::UpdateCommandStates()
{
    const bool connected = m_dmServerProperties->GetConnected();
    for (QAction* action :
         {actDisconnect, actRefresh, actSetupLogging, actViewDatabaseStatistics, actViewInterbaseLog, actOpenLogTables})
        action->setEnabled(connected);
    // while on, "&Logging" can always be turned off, also while logging waits for a connection
    actLoggingEnabled->setEnabled((connected && m_logging->ready()) || actLoggingEnabled->isChecked());
    const QString databaseName = connected ? m_dmServerProperties->GetDatabaseName() : QString();
    // on every tab: what the monitoring tables show this user is not the whole server
    m_status->showConnection(databaseName, m_dmServerProperties->GetConnectionLost(),
                             connected && m_dmQuillmere->OwnAttachmentsOnly());
    m_status->showLogging(actLoggingEnabled->isChecked(), connected);
    m_status->showRecording(m_recording->statusText(), m_recording->statusHint());
    UpdateRefreshPanel();
    UpdatePageNotice();
    m_memory->showViews(actMemorySummary->isChecked(), actMemoryDetails->isChecked());
    // plans where the source gives them
    m_statements->setPlansShown(m_history->shown() || (connected && m_dmQuillmere->GivesPlans()));
    UpdateExportAction();
}

void TfrmMain::MemoryDisplayExecute() { UpdateCommandStates(); }

void TfrmMain::UpdatePageNotice()
{
    m_status->showNotice(activePage().notice(), m_dmServerProperties->GetConnectionLost());
}

void TfrmMain::UpdateRefreshPanel() { m_status->showRefresh(actPaused->isChecked(), m_history->readAt()); }

void TfrmMain::HistoryChanged()
{
    UpdateRefreshTimer();
    if (m_history->shown() != std::exchange(m_historyShown, m_history->shown())) {
        // into history or back: no page keeps the other's rows, rates or memory bars; the active
        // page is read now, the others when they are shown (live without a connection: empty)
        for (MonitorPage* page : m_pages) {
            if (Snapshot* rows = page->snapshot())
                rows->close();
            page->connectionClosed();
        }
    }
    RefreshActivePage();
    // the control commands of every page follow the rows' origin
    for (MonitorPage* page : m_pages)
        page->updateActions();
    UpdateCommandStates();
}

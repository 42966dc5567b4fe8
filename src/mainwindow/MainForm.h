#pragma once
// TfrmMain: the program's one window, a shell around its pages. It owns the connection module,
// the snapshot module and the application's error handler for the whole run; the commands as
// actions shown by the menu bar; the status bar; the refresh timer and the log timer; and one
// page per tab (pages/), which it loops over to refresh, to read and write their options, and to
// export the grid in sight. What a tab shows and does is its page's.
//
// The file pairs: MainForm.cpp (creation, pages, start-up, teardown, connecting), MainActions.cpp
// (what the commands do, Export Grid), MainRefresh.cpp (the refresh cycle and the command
// states), MainCommands.cpp (the report commands, the system-table choice, Go to User and help),
// MainOptions.cpp (the settings file). The commands and menus are made by WindowCommands, the
// status bar is TStatusPanels', the logging commands are TLoggingControl's.

#include "mainwindow/StatusPanels.h"
#include "mainwindow/WindowCommands.h"
#include "mainwindow/pages/MonitorPage.h"

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QTabWidget;
class DatabasePage;
class MemoryPage;
class StatementsPage;
class TransactionsPage;
class UsersPage;
class TdlgConnectToDB;
class TLoggingControl;
class THistoryMode;
class THistoryRecording;
class TdmQuillmere;
class TdmServerProperties;
class TMonitorGrid;
class TMultiExceptionHandler;

class TfrmMain : public QMainWindow, public WindowCommands {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // How the Connect command shows its dialog: by default modally (exec). Tests answer it here.
    using ConnectDialogRunner = std::function<int(TdlgConnectToDB& dialog)>;
    static void setConnectDialogRunner(ConnectDialogRunner runner);
    // How Export Grid asks for the file: by default the save dialog, starting at suggestedName; an
    // empty answer exports nothing. Tests answer it here.
    using ExportFileChooser = std::function<QString(QWidget* parent, const QString& suggestedName)>;
    static void setExportFileChooser(ExportFileChooser chooser);
    // The database name given on the command line: the connect dialog that opens at start shows it.
    void SetStartDatabaseName(const QString& name) { m_startDatabaseName = name; }

    TdmServerProperties& dmServerProperties() const { return *m_dmServerProperties; }
    TdmQuillmere& dmQuillmere() const { return *m_dmQuillmere; }
    TMultiExceptionHandler& errorHandler() const { return *m_errorHandler; }

    // The pages, in tab order.
    const std::vector<MonitorPage*>& pages() const { return m_pages; }
    MonitorPage& page(PageId id) const { return *m_pages[static_cast<size_t>(id)]; }
    MonitorPage& activePage() const;
    DatabasePage& databasePage() const { return *m_database; }
    MemoryPage& memoryPage() const { return *m_memory; }
    StatementsPage& statementsPage() const { return *m_statements; }
    TransactionsPage& transactionsPage() const { return *m_transactions; }
    UsersPage& usersPage() const { return *m_users; }

    // The status bar's panels: the logging state, the database, the last refresh (or Paused), who
    // records history, and the notice that the user sees only its own connections (hidden otherwise).
    using StatusPanel = TStatusPanels::Panel;
    QLabel& statusPanel(StatusPanel panel) const { return m_status->panel(panel); }

    void UpdateCommandStates();
    // The first show: the Database tab, the disconnected state, then the connect dialog.
    void FormShow();

    // Makes the tab active and runs the tab-change handling.
    void SelectPage(PageId id);
    void PageControlChange();

    // The refresh cycle.
    void ConnectionChanged();
    void RefreshActivePage();
    void UpdateRefreshTimer();
    void RefreshAction(QAction* entry);
    // The status bar's refresh panel: the last refresh and how long it took, and Paused.
    void UpdateRefreshPanel();
    // The status bar's message: the active page's notice (the rows the user chose have ended).
    void UpdatePageNotice();
    void MemoryDisplayExecute();

    // The monitoring options in the settings file (MainOptions.cpp).
    void ReadMonitorOptions();
    void WriteMonitorOptions();

    // Command handlers.
    void actConnectExecute();
    void actDisconnectExecute();
    void actRefreshExecute();
    void actPausedExecute();
    // The grid in sight on the active tab, or nullptr; Export Grid writes it as a CSV file.
    TMonitorGrid* ActiveGrid() const;
    void actExportGridExecute();
    void TimerTimer();

    // The system-table choice, Go to User and help (MainCommands.cpp; the reports: ServerReports.h).
    // Selects the attachment on the Users tab (a refresh of it); beeps when it is not there.
    void GoToUser(qint64 attachmentId);
    void actShowSystemTablesExecute();
    void actHelpContentsExecute();
    void actHelpWebExecute();
    void actHelpAboutExecute();
    // The running executable's help page (below).
    static QString GetHelpFileName();
    // The help page of programFile, its name with ".html": beside it in "Help" (the build tree) or in
    // an installed program's data folder (common/HelpPages.h).
    static QString GetHelpFileName(const QString& programFile);

    // The logging commands and the log timer (LoggingControl.h).
    TLoggingControl& logging() const { return *m_logging; }

    // Monitor > Record History and its timer (history/HistoryRecording.h); the history mode, which
    // shows recorded moments on the pages (history/HistoryMode.h).
    THistoryRecording& recording() const { return *m_recording; }
    THistoryMode& historyMode() const { return *m_history; }
    void actHistoryExecute();
    // File > Open Log Tables: the logging passes in the database's log tables, shown as history.
    void actOpenLogTablesExecute();
    // A recorded moment was chosen, or the live view came back.
    void HistoryChanged();

    // The refresh timer and the logging timer.
    QTimer Timer;
    QTimer TimerLog;

    // The tabs, one per page.
    QTabWidget* PageControl = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // MainForm.cpp
    void CreateDataModules();
    void createPages();
    // MainActions.cpp
    void connectActions();
    void UpdateExportAction();
    // MainCommands.cpp
    void connectCommandActions();

    std::unique_ptr<TMultiExceptionHandler> m_errorHandler;
    std::unique_ptr<TdmServerProperties> m_dmServerProperties;
    std::unique_ptr<TdmQuillmere> m_dmQuillmere;
    std::unique_ptr<TLoggingControl> m_logging;
    std::unique_ptr<THistoryRecording> m_recording;
    std::unique_ptr<THistoryMode> m_history;
    bool m_historyShown = false;  // as the pages last showed it
    bool m_shown = false;
    QString m_startDatabaseName;  // for the first connect dialog only

    // The pages, made with what they are given, and owned by the window.
    std::unique_ptr<PageContext> m_pageContext;
    std::vector<MonitorPage*> m_pages;
    DatabasePage* m_database = nullptr;
    MemoryPage* m_memory = nullptr;
    StatementsPage* m_statements = nullptr;
    TransactionsPage* m_transactions = nullptr;
    UsersPage* m_users = nullptr;

    std::unique_ptr<TStatusPanels> m_status;
};

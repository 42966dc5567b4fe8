#pragma once
// TfrmMain: the program's one window. It owns the connection module, the snapshot module, the
// memory chart frame and the application's error handler for the whole run; one tab per
// monitored area; the commands as actions shown by the menu bar and the tabs' tool bars; and the
// refresh cycle, which re-reads what the active tab shows (plus the memory pools) on a timer, on
// F5, on a tab change and when a connection opens.
//
// The file pairs: MainForm.cpp (creation, pages, start-up, teardown, connecting), MainActions.cpp
// (the commands, menus and tool bars), MainRefresh.cpp (the refresh cycle and the command states),
// MainCommands.cpp (the control commands, the reports, the system-table choice and help),
// MainLogging.cpp (the logging commands and the log timer).

#include "mainwindow/DatabaseRates.h"
#include "mainwindow/PoolMemoryList.h"
#include "mainwindow/TransactionHealth.h"

#include <QMainWindow>
#include <QTime>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QToolBar;
class Snapshot;
class SnapshotModel;
class TDatabaseValueList;
class TdlgConnectToDB;
class TdmQuillmere;
class TdmServerProperties;
class TfrmMemoryDisplayChart;
class TdmPerformanceLog;
class TMonitorGrid;
class TMultiExceptionHandler;
class TPlanPane;
class TSqlPane;

class TfrmMain : public QMainWindow {
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
    const PoolMemoryList& poolMemoryList() const { return m_poolMemoryList; }

    // Window creation, in this order (the constructor runs them).
    void CreateDataModules();
    void FillDatabaseLabels();
    void CreateMemoryChart();
    void UpdateCommandStates();
    // The first show: the Database tab, the disconnected state, then the connect dialog.
    void FormShow();

    // Makes the tab active and runs the tab-change handling.
    void SelectPage(QWidget* page);
    void PageControlChange();

    // The refresh cycle.
    void ConnectionChanged();
    void RefreshActivePage();
    bool RefreshKeepingRow(Snapshot& snapshot, const QString& keyColumn);
    void RefreshMemory();
    void UpdateRefreshTimer();
    void RefreshAction(QAction* entry);
    void UpdateStatementActions();
    void UpdateTransactionActions();
    void UpdateUserActions();

    // The Database tab's value list: the 44 counters, their rates, and the transaction gaps below.
    void RefreshDatabaseValues();
    void ClearDatabaseValues();
    QString databaseValue(int row) const;
    QString databaseLabel(int row) const;
    // The thresholds of the transaction gaps, read with the monitoring options.
    const health::Settings& transactionHealth() const { return m_transactionHealth; }
    void SetTransactionHealth(const health::Settings& settings) { m_transactionHealth = settings; }
    // The transaction the Transactions tab marks as the oldest active one (after its refresh).
    std::optional<qint64> markedTransaction() const { return m_markedTransaction; }
    // The status bar's refresh panel: the last refresh and how long it took, and Paused.
    void UpdateRefreshPanel();

    void MemoryDisplayExecute();

    // The monitoring options in the settings file (MainOptions.cpp).
    void ReadMonitorOptions();
    void WriteMonitorOptions();

    // Command handlers.
    void actConnectExecute();
    void actDisconnectExecute();
    void actRefreshExecute();
    void actPausedExecute();
    // The grid in sight on the active tab (the pools grid while the Memory tab shows it), or
    // nullptr; Export Grid writes it as a CSV file (MainActions.cpp).
    TMonitorGrid* ActiveGrid() const;
    void actExportGridExecute();
    void TimerTimer();

    // The control commands, the reports, the system-table choice and help (MainCommands.cpp).
    void actStatementCancelExecute();
    void actTransactionCommitExecute();
    void actTransactionRollbackExecute();
    void actAttachmentCancelExecute();
    void actAttachmentShutdownExecute();
    // Selects the row's attachment on the Users tab (a refresh of it); beeps when there is none.
    void GoToUser(const TMonitorGrid& grid);
    void actViewInterbaseLogExecute();
    void actViewDatabaseStatisticsExecute();
    void actShowSystemTablesExecute();
    void actHelpContentsExecute();
    void actHelpWebExecute();
    void actHelpAboutExecute();
    // The running executable's help page (below).
    static QString GetHelpFileName();
    // The help page of programFile, its name with ".html": beside it in "Help" (the build tree) or in
    // an installed program's data folder (common/HelpPages.h).
    static QString GetHelpFileName(const QString& programFile);

    // Logging (MainLogging.cpp).
    void actSetupLoggingExecute();
    void actLoggingEnabledExecute();
    void TimerLogTimer();
    void EnsureLogModule();
    // false: the setup command ends silently.
    bool VerifyLogObjects();
    bool AskCreateTables(const QStringList& missingTables);
    bool AskCreateGenerator();
    void StartLogging();
    void UpdateLogTimer();
    // The log interval in milliseconds (unsigned 32 bits; longer than a QTimer's signed range, so
    // the log timer counts it in steps).
    quint32 LogInterval() const { return m_logInterval; }
    void SetLogInterval(quint32 milliseconds);
    // The log module: nullptr until the first run of the setup command.
    TdmPerformanceLog* dmPerformanceLog() const { return m_dmPerformanceLog.get(); }

    // The refresh timer and the logging timer.
    QTimer Timer;
    QTimer TimerLog;

    // Tabs and their content.
    QTabWidget* PageControl = nullptr;
    QWidget* tshtDatabase = nullptr;
    QWidget* tshtPools = nullptr;
    QWidget* tshtProcedures = nullptr;
    QWidget* tshtStatements = nullptr;
    QWidget* tshtRelations = nullptr;
    QWidget* tshtTransactions = nullptr;
    QWidget* tshtAttachments = nullptr;
    TDatabaseValueList* vleDatabase = nullptr;
    TfrmMemoryDisplayChart* frmMemoryDisplayChart = nullptr;
    TMonitorGrid* dbgrdPools = nullptr;
    TMonitorGrid* dbgrdProcedures = nullptr;
    TMonitorGrid* dbgrdStatements = nullptr;
    TMonitorGrid* dbgrdRelations = nullptr;
    TMonitorGrid* dbgrdTransactions = nullptr;
    TMonitorGrid* dbgrdAttachments = nullptr;
    SnapshotModel* srcPoolBlocks = nullptr;  // bound, shown by no view of this window
    QSplitter* splStatements = nullptr;
    TSqlPane* memSQL = nullptr;
    TPlanPane* memPlan = nullptr;  // the current statement's plan, where the server gives plans
    QToolBar* tlbStatements = nullptr;
    QToolBar* tlbTransactions = nullptr;
    QToolBar* tlbAttachments = nullptr;
    QLabel* stbLogging = nullptr;   // status bar panel 0
    QLabel* stbDatabase = nullptr;  // status bar panel 1
    QLabel* stbRefresh = nullptr;   // the last refresh, or Paused (at the right-hand end)

    // The commands.
    QAction* actConnect = nullptr;
    QAction* actDisconnect = nullptr;
    QAction* FileExit1 = nullptr;
    QAction* actExportGrid = nullptr;
    QAction* actSlowRefresh = nullptr;
    QAction* actMediumRefresh = nullptr;
    QAction* actFastRefresh = nullptr;
    QAction* actPaused = nullptr;
    QAction* actRefresh = nullptr;
    QAction* actMemorySummary = nullptr;
    QAction* actMemoryDetails = nullptr;
    QAction* actShowSystemTables = nullptr;
    QAction* actSetupLogging = nullptr;
    QAction* actLoggingEnabled = nullptr;
    QAction* actViewDatabaseStatistics = nullptr;
    QAction* actViewInterbaseLog = nullptr;
    QAction* actHelpContents = nullptr;
    QAction* actHelpWeb = nullptr;
    QAction* actHelpAbout = nullptr;
    QAction* actStatementCancel = nullptr;
    QAction* actTransactionCommit = nullptr;
    QAction* actTransactionRollback = nullptr;
    QAction* actAttachmentCancel = nullptr;
    QAction* actAttachmentShutdown = nullptr;
    // Go to User: the attachment of the statement or transaction, selected on the Users tab
    QAction* actStatementGoToUser = nullptr;
    QAction* actTransactionGoToUser = nullptr;
    QActionGroup* grpRefreshInterval = nullptr;
    QActionGroup* grpMemoryDisplay = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // MainForm.cpp
    void createPages();
    void createGrids();
    void createStatusBar();
    // MainActions.cpp
    void createActions();
    void createMenus();
    void createToolBars();
    void connectActions();
    void UpdateExportAction();
    // MainCommands.cpp
    void connectCommandActions();
    // MainLogging.cpp
    void connectLoggingActions();
    bool loggingReady() const;
    // MainRefresh.cpp
    void MarkOldestActiveTransaction();
    void ShowTransactionGaps(const std::vector<std::optional<qint64>>& values);

    PoolMemoryList m_poolMemoryList;
    std::unique_ptr<TMultiExceptionHandler> m_errorHandler;
    std::unique_ptr<TdmServerProperties> m_dmServerProperties;
    std::unique_ptr<TdmQuillmere> m_dmQuillmere;
    std::unique_ptr<TdmPerformanceLog> m_dmPerformanceLog;
    quint32 m_logInterval = 600000;
    quint32 m_logIntervalLeft = 0;  // what is left of the log interval after the running step
    bool m_shown = false;
    QString m_startDatabaseName;  // for the first connect dialog only

    // The Database tab's rates and gaps, and the last refresh.
    DatabaseRates m_rates;
    health::Settings m_transactionHealth;
    std::optional<qint64> m_oldestActive;        // from the last read of the database's values
    std::optional<qint64> m_markedTransaction;   // on the Transactions tab
    struct LastRefresh {
        QTime at;
        qint64 milliseconds = 0;
    };
    std::optional<LastRefresh> m_lastRefresh;
};

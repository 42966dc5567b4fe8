#pragma once
// The main window's commands, as the actions that the menu bar shows (each page makes its own, for
// its rows, with its tool bar): their captions, shortcuts, pictures, check behaviour and state at
// start in one table, the radio groups of the refresh intervals and the memory views, and the
// menus. The window is made of them; what each command does is the window's.

class QAction;
class QActionGroup;
class QMenuBar;
class QObject;

class WindowCommands {
public:
    QAction* actConnect = nullptr;
    QAction* actDisconnect = nullptr;
    QAction* FileExit1 = nullptr;
    QAction* actOpenLogTables = nullptr;
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
    QAction* actRecordHistory = nullptr;
    QAction* actHistory = nullptr;
    QAction* actLive = nullptr;
    QAction* actViewDatabaseStatistics = nullptr;
    QAction* actViewInterbaseLog = nullptr;
    QAction* actHelpContents = nullptr;
    QAction* actHelpWeb = nullptr;
    QAction* actHelpAbout = nullptr;
    QActionGroup* grpRefreshInterval = nullptr;
    QActionGroup* grpMemoryDisplay = nullptr;

protected:
    // Makes every command, owned by owner, in its state at start. Commands that need a connection
    // start disabled; the window keeps them so.
    void createCommands(QObject* owner);
    void createMenus(QMenuBar& bar) const;
};

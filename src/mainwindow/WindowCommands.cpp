#include "mainwindow/WindowCommands.h"

#include "common/Messages.h"
#include "mainwindow/MainIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

namespace {
enum class Check { None, Toggle, Radio };

struct ActionDecl {
    QAction* WindowCommands::*member;
    const char* name;
    const char* caption;
    const char* shortcut;  // portable text; nullptr for none
    Check check;
    bool checked;  // at start
    bool enabled;  // at start
    int interval;  // the refresh interval an entry stands for, in milliseconds; 0 for the others
};

// Captions, shortcuts, check behaviour and the state at start of every command. Commands that
// need a connection start disabled; the window keeps them so.
const ActionDecl Actions[] = {
    {&WindowCommands::actConnect, "actConnect", msg::ActConnect, nullptr, Check::None, false, true, 0},
    {&WindowCommands::actDisconnect, "actDisconnect", msg::ActDisconnect, nullptr, Check::None, false, false, 0},
    {&WindowCommands::FileExit1, "FileExit1", msg::ActExit, nullptr, Check::None, false, true, 0},
    {&WindowCommands::actOpenLogTables, "actOpenLogTables", msg::ActOpenLogTables, nullptr, Check::None, false, false, 0},
    {&WindowCommands::actExportGrid, "actExportGrid", msg::ActExportGrid, nullptr, Check::None, false, false, 0},
    {&WindowCommands::actSlowRefresh, "actSlowRefresh", msg::ActSlowRefresh, nullptr, Check::Radio, false, true, 30000},
    {&WindowCommands::actMediumRefresh, "actMediumRefresh", msg::ActMediumRefresh, nullptr, Check::Radio, true, true, 10000},
    {&WindowCommands::actFastRefresh, "actFastRefresh", msg::ActFastRefresh, nullptr, Check::Radio, false, true, 1000},
    {&WindowCommands::actPaused, "actPaused", msg::ActPaused, "Ctrl+P", Check::Toggle, false, true, 0},
    {&WindowCommands::actRefresh, "actRefresh", msg::ActRefresh, "F5", Check::None, false, false, 0},
    {&WindowCommands::actMemorySummary, "actMemorySummary", msg::ActMemorySummary, nullptr, Check::Radio, true, true, 0},
    {&WindowCommands::actMemoryDetails, "actMemoryDetails", msg::ActMemoryDetails, nullptr, Check::Radio, false, true, 0},
    {&WindowCommands::actShowSystemTables, "actShowSystemTables", msg::ActShowSystemTables, nullptr, Check::Toggle,
     true, true, 0},
    // Record History is on until the settings file or the connection's source says otherwise;
    // History shows the recorded moments, Live (Esc) returns from them
    {&WindowCommands::actRecordHistory, "actRecordHistory", msg::ActRecordHistory, nullptr, Check::Toggle, true, true, 0},
    {&WindowCommands::actHistory, "actHistory", msg::ActHistory, "Ctrl+H", Check::Toggle, false, true, 0},
    {&WindowCommands::actLive, "actLive", msg::ActLive, "Esc", Check::None, false, false, 0},
    {&WindowCommands::actSetupLogging, "actSetupLogging", msg::ActSetupLogging, nullptr, Check::None, false, false, 0},
    {&WindowCommands::actLoggingEnabled, "actLoggingEnabled", msg::ActLoggingEnabled, nullptr, Check::Toggle, false,
     false, 0},
    {&WindowCommands::actViewDatabaseStatistics, "actViewDatabaseStatistics", msg::ActViewDatabaseStatistics,
     nullptr, Check::None, false, false, 0},
    {&WindowCommands::actViewInterbaseLog, "actViewInterbaseLog", msg::ActViewInterbaseLog, nullptr, Check::None,
     false, false, 0},
    {&WindowCommands::actHelpContents, "actHelpContents", msg::ActHelpContents, "F1", Check::None, false, true, 0},
    {&WindowCommands::actHelpWeb, "actHelpWeb", msg::ActHelpWeb, nullptr, Check::None, false, true, 0},
    {&WindowCommands::actHelpAbout, "actHelpAbout", msg::ActHelpAbout, nullptr, Check::None, false, true, 0},
};

QFont menuFont()
{
    const QString name = QStringLiteral("Tahoma");
    if (QFontDatabase::hasFamily(name))
        return QFont(name, 8);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}
}  // namespace

void WindowCommands::createCommands(QObject* owner)
{
    for (const ActionDecl& decl : Actions) {
        auto* action = new QAction(QString::fromUtf8(decl.caption), owner);
        action->setObjectName(QString::fromLatin1(decl.name));
        if (decl.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(decl.shortcut)));
        action->setCheckable(decl.check != Check::None);
        action->setChecked(decl.checked);
        action->setEnabled(decl.enabled);
        if (decl.interval)
            action->setData(decl.interval);
        this->*decl.member = action;
    }
    // the hint: the short part as the tool tip, the long part in the status bar
    const QStringList hint = QString::fromUtf8(msg::ActExitHint).split(QLatin1Char('|'));
    FileExit1->setToolTip(hint.value(0));
    FileExit1->setStatusTip(hint.value(1));

    // Radio groups: choosing an entry checks it and unchecks the others; choosing the checked
    // entry again leaves it checked.
    grpRefreshInterval = new QActionGroup(owner);
    grpRefreshInterval->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* a : {actSlowRefresh, actMediumRefresh, actFastRefresh})
        grpRefreshInterval->addAction(a);
    grpMemoryDisplay = new QActionGroup(owner);
    grpMemoryDisplay->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* a : {actMemorySummary, actMemoryDetails})
        grpMemoryDisplay->addAction(a);

    // Pictures (Disconnect shares Shutdown's, MainIcons.h); Exit has none.
    actConnect->setIcon(mainicons::connect());
    actDisconnect->setIcon(mainicons::disconnect());
    actRefresh->setIcon(mainicons::refresh());
    actPaused->setIcon(mainicons::paused());
    actSetupLogging->setIcon(mainicons::setupLogging());
    actViewDatabaseStatistics->setIcon(mainicons::databaseStatistics());
    actViewInterbaseLog->setIcon(mainicons::serverLog());
    actHelpContents->setIcon(mainicons::helpContents());
    actHelpWeb->setIcon(mainicons::helpWeb());
    actHelpAbout->setIcon(mainicons::helpAbout());
}

void WindowCommands::createMenus(QMenuBar& bar) const
{
    bar.setFont(menuFont());
    QMenu* file = bar.addMenu(QString::fromUtf8(msg::MenuFile));
    file->addActions({actConnect, actDisconnect});
    file->addSeparator();
    file->addAction(actOpenLogTables);
    file->addAction(actExportGrid);
    file->addSeparator();
    file->addAction(FileExit1);

    QMenu* monitor = bar.addMenu(QString::fromUtf8(msg::MenuMonitor));
    monitor->addActions({actSlowRefresh, actMediumRefresh, actFastRefresh});
    monitor->addSeparator();
    monitor->addActions({actPaused, actRefresh});
    monitor->addSeparator();
    QMenu* memory = monitor->addMenu(QString::fromUtf8(msg::MenuMemory));
    memory->addActions({actMemorySummary, actMemoryDetails});
    monitor->addAction(actShowSystemTables);
    monitor->addSeparator();
    monitor->addActions({actRecordHistory, actHistory, actLive});

    QMenu* logging = bar.addMenu(QString::fromUtf8(msg::MenuLogging));
    logging->addActions({actSetupLogging, actLoggingEnabled});

    QMenu* tools = bar.addMenu(QString::fromUtf8(msg::MenuTools));
    tools->addActions({actViewDatabaseStatistics, actViewInterbaseLog});

    QMenu* help = bar.addMenu(QString::fromUtf8(msg::MenuHelp));
    help->addActions({actHelpContents, actHelpWeb, actHelpAbout});
}

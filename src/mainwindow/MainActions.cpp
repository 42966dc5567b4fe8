// The main window's commands in one table, and the menus that show them; Export Grid. The pages
// make their own commands, for their rows, with their tool bars.

#include "mainwindow/MainForm.h"

#include "common/ErrorReporting.h"
#include "common/Messages.h"
#include "mainwindow/MainIcons.h"
#include "mainwindow/history/HistoryMode.h"
#include "mainwindow/grid/GridText.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/MemoryPage.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

namespace {
enum class Check { None, Toggle, Radio };

struct ActionDecl {
    QAction* TfrmMain::*member;
    const char* name;
    const char* caption;
    const char* shortcut;  // portable text; nullptr for none
    Check check;
    bool checked;  // at start
    bool enabled;  // at start
    int interval;  // the refresh interval an entry stands for, in milliseconds; 0 for the others
};

// Captions, shortcuts, check behaviour and the state at start of every command. Commands that
// need a connection start disabled; UpdateCommandStates keeps them so.
const ActionDecl Actions[] = {
    {&TfrmMain::actConnect, "actConnect", msg::ActConnect, nullptr, Check::None, false, true, 0},
    {&TfrmMain::actDisconnect, "actDisconnect", msg::ActDisconnect, nullptr, Check::None, false, false, 0},
    {&TfrmMain::FileExit1, "FileExit1", msg::ActExit, nullptr, Check::None, false, true, 0},
    {&TfrmMain::actOpenLogTables, "actOpenLogTables", msg::ActOpenLogTables, nullptr, Check::None, false, false, 0},
    {&TfrmMain::actExportGrid, "actExportGrid", msg::ActExportGrid, nullptr, Check::None, false, false, 0},
    {&TfrmMain::actSlowRefresh, "actSlowRefresh", msg::ActSlowRefresh, nullptr, Check::Radio, false, true, 30000},
    {&TfrmMain::actMediumRefresh, "actMediumRefresh", msg::ActMediumRefresh, nullptr, Check::Radio, true, true, 10000},
    {&TfrmMain::actFastRefresh, "actFastRefresh", msg::ActFastRefresh, nullptr, Check::Radio, false, true, 1000},
    {&TfrmMain::actPaused, "actPaused", msg::ActPaused, "Ctrl+P", Check::Toggle, false, true, 0},
    {&TfrmMain::actRefresh, "actRefresh", msg::ActRefresh, "F5", Check::None, false, false, 0},
    {&TfrmMain::actMemorySummary, "actMemorySummary", msg::ActMemorySummary, nullptr, Check::Radio, true, true, 0},
    {&TfrmMain::actMemoryDetails, "actMemoryDetails", msg::ActMemoryDetails, nullptr, Check::Radio, false, true, 0},
    {&TfrmMain::actShowSystemTables, "actShowSystemTables", msg::ActShowSystemTables, nullptr, Check::Toggle,
     true, true, 0},
    // Record History is on until the settings file or the connection's source says otherwise;
    // History shows the recorded moments, Live (Esc) returns from them
    {&TfrmMain::actRecordHistory, "actRecordHistory", msg::ActRecordHistory, nullptr, Check::Toggle, true, true, 0},
    {&TfrmMain::actHistory, "actHistory", msg::ActHistory, "Ctrl+H", Check::Toggle, false, true, 0},
    {&TfrmMain::actLive, "actLive", msg::ActLive, "Esc", Check::None, false, false, 0},
    {&TfrmMain::actSetupLogging, "actSetupLogging", msg::ActSetupLogging, nullptr, Check::None, false, false, 0},
    {&TfrmMain::actLoggingEnabled, "actLoggingEnabled", msg::ActLoggingEnabled, nullptr, Check::Toggle, false,
     false, 0},
    {&TfrmMain::actViewDatabaseStatistics, "actViewDatabaseStatistics", msg::ActViewDatabaseStatistics,
     nullptr, Check::None, false, false, 0},
    {&TfrmMain::actViewInterbaseLog, "actViewInterbaseLog", msg::ActViewInterbaseLog, nullptr, Check::None,
     false, false, 0},
    {&TfrmMain::actHelpContents, "actHelpContents", msg::ActHelpContents, "F1", Check::None, false, true, 0},
    {&TfrmMain::actHelpWeb, "actHelpWeb", msg::ActHelpWeb, nullptr, Check::None, false, true, 0},
    {&TfrmMain::actHelpAbout, "actHelpAbout", msg::ActHelpAbout, nullptr, Check::None, false, true, 0},
};

QFont menuFont()
{
    const QString name = QStringLiteral("Tahoma");
    if (QFontDatabase::hasFamily(name))
        return QFont(name, 8);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}
}  // namespace

void TfrmMain::createActions()
{
    for (const ActionDecl& decl : Actions) {
        auto* action = new QAction(QString::fromUtf8(decl.caption), this);
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
    grpRefreshInterval = new QActionGroup(this);
    grpRefreshInterval->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* a : {actSlowRefresh, actMediumRefresh, actFastRefresh})
        grpRefreshInterval->addAction(a);
    grpMemoryDisplay = new QActionGroup(this);
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

void TfrmMain::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setFont(menuFont());
    QMenu* file = bar->addMenu(QString::fromUtf8(msg::MenuFile));
    file->addActions({actConnect, actDisconnect});
    file->addSeparator();
    file->addAction(actOpenLogTables);
    file->addAction(actExportGrid);
    file->addSeparator();
    file->addAction(FileExit1);

    QMenu* monitor = bar->addMenu(QString::fromUtf8(msg::MenuMonitor));
    monitor->addActions({actSlowRefresh, actMediumRefresh, actFastRefresh});
    monitor->addSeparator();
    monitor->addActions({actPaused, actRefresh});
    monitor->addSeparator();
    QMenu* memory = monitor->addMenu(QString::fromUtf8(msg::MenuMemory));
    memory->addActions({actMemorySummary, actMemoryDetails});
    monitor->addAction(actShowSystemTables);
    monitor->addSeparator();
    monitor->addActions({actRecordHistory, actHistory, actLive});

    QMenu* logging = bar->addMenu(QString::fromUtf8(msg::MenuLogging));
    logging->addActions({actSetupLogging, actLoggingEnabled});

    QMenu* tools = bar->addMenu(QString::fromUtf8(msg::MenuTools));
    tools->addActions({actViewDatabaseStatistics, actViewInterbaseLog});

    QMenu* help = bar->addMenu(QString::fromUtf8(msg::MenuHelp));
    help->addActions({actHelpContents, actHelpWeb, actHelpAbout});
}

void TfrmMain::connectActions()
{
    connect(actConnect, &QAction::triggered, this, guarded([this] { actConnectExecute(); }));
    connect(actDisconnect, &QAction::triggered, this, guarded([this] { actDisconnectExecute(); }));
    connect(FileExit1, &QAction::triggered, this, &QWidget::close);
    connect(actExportGrid, &QAction::triggered, this, guarded([this] { actExportGridExecute(); }));
    for (QAction* entry : {actSlowRefresh, actMediumRefresh, actFastRefresh})
        connect(entry, &QAction::triggered, this, guarded([this, entry] { RefreshAction(entry); }));
    connect(actPaused, &QAction::triggered, this, guarded([this] { actPausedExecute(); }));
    connect(actRefresh, &QAction::triggered, this, guarded([this] { actRefreshExecute(); }));
    for (QAction* entry : {actMemorySummary, actMemoryDetails})
        connect(entry, &QAction::triggered, this, guarded([this] { MemoryDisplayExecute(); }));
    connect(&Timer, &QTimer::timeout, this, guarded([this] { TimerTimer(); }));
    connect(actHistory, &QAction::triggered, this, guarded([this] { actHistoryExecute(); }));
    connect(actOpenLogTables, &QAction::triggered, this, guarded([this] { actOpenLogTablesExecute(); }));
    connect(actLive, &QAction::triggered, this, guarded([this] { m_history->showLive(); }));
    connect(PageControl, &QTabWidget::currentChanged, this, guarded([this] { PageControlChange(); }));
    for (MonitorPage* page : m_pages)
        connect(page, &MonitorPage::noticeChanged, this, [this] { UpdatePageNotice(); });
    connectCommandActions();
}

// ---- Export Grid --------------------------------------------------------------------------

namespace {
TfrmMain::ExportFileChooser& exportFileChooser()
{
    static TfrmMain::ExportFileChooser chooser;
    return chooser;
}

// The system's save dialog for a CSV file; it asks before replacing a file.
QString chooseExportFile(QWidget* parent, const QString& suggestedName)
{
    QFileDialog dialog(parent, QString::fromUtf8(msg::ExportGridCaption), suggestedName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QString::fromUtf8(msg::ExportGridFilter));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
}  // namespace

void TfrmMain::setExportFileChooser(ExportFileChooser chooser) { exportFileChooser() = std::move(chooser); }

TMonitorGrid* TfrmMain::ActiveGrid() const { return activePage().gridInSight(); }

void TfrmMain::UpdateExportAction() { actExportGrid->setEnabled(ActiveGrid() != nullptr); }

void TfrmMain::actExportGridExecute()
{
    TMonitorGrid* grid = ActiveGrid();
    if (!grid)
        return;
    // the file is named after the tab ("Tables && Views" shows one ampersand)
    const QString suggested =
        activePage().caption().replace(QLatin1String("&&"), QLatin1String("&")) + QLatin1String(".csv");
    const QString fileName =
        exportFileChooser() ? exportFileChooser()(this, suggested) : chooseExportFile(this, suggested);
    if (fileName.isEmpty())
        return;
    gridtext::writeCsvFile(*grid, fileName);
}

// The main window's commands in one table, and the menus and tool bars that show them; Export
// Grid.

#include "mainwindow/MainForm.h"

#include "app/QuillmereApplication.h"
#include "common/Messages.h"
#include "mainwindow/MainIcons.h"
#include "mainwindow/grid/GridText.h"
#include "mainwindow/grid/MonitorGrid.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

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
};

// Captions, shortcuts, check behaviour and the state at start of every command. Commands that
// need a connection start disabled; UpdateCommandStates keeps them so.
const ActionDecl Actions[] = {
    {&TfrmMain::actConnect, "actConnect", msg::ActConnect, nullptr, Check::None, false, true},
    {&TfrmMain::actDisconnect, "actDisconnect", msg::ActDisconnect, nullptr, Check::None, false, false},
    {&TfrmMain::FileExit1, "FileExit1", msg::ActExit, nullptr, Check::None, false, true},
    {&TfrmMain::actExportGrid, "actExportGrid", msg::ActExportGrid, nullptr, Check::None, false, false},
    {&TfrmMain::actSlowRefresh, "actSlowRefresh", msg::ActSlowRefresh, nullptr, Check::Radio, false, true},
    {&TfrmMain::actMediumRefresh, "actMediumRefresh", msg::ActMediumRefresh, nullptr, Check::Radio, true, true},
    {&TfrmMain::actFastRefresh, "actFastRefresh", msg::ActFastRefresh, nullptr, Check::Radio, false, true},
    {&TfrmMain::actPaused, "actPaused", msg::ActPaused, "Ctrl+P", Check::Toggle, false, true},
    {&TfrmMain::actRefresh, "actRefresh", msg::ActRefresh, "F5", Check::None, false, false},
    {&TfrmMain::actMemorySummary, "actMemorySummary", msg::ActMemorySummary, nullptr, Check::Radio, true, true},
    {&TfrmMain::actMemoryDetails, "actMemoryDetails", msg::ActMemoryDetails, nullptr, Check::Radio, false, true},
    {&TfrmMain::actShowSystemTables, "actShowSystemTables", msg::ActShowSystemTables, nullptr, Check::Toggle,
     true, true},
    {&TfrmMain::actSetupLogging, "actSetupLogging", msg::ActSetupLogging, nullptr, Check::None, false, false},
    {&TfrmMain::actLoggingEnabled, "actLoggingEnabled", msg::ActLoggingEnabled, nullptr, Check::Toggle, false,
     false},
    {&TfrmMain::actViewDatabaseStatistics, "actViewDatabaseStatistics", msg::ActViewDatabaseStatistics,
     nullptr, Check::None, false, false},
    {&TfrmMain::actViewInterbaseLog, "actViewInterbaseLog", msg::ActViewInterbaseLog, nullptr, Check::None,
     false, false},
    {&TfrmMain::actHelpContents, "actHelpContents", msg::ActHelpContents, "F1", Check::None, false, true},
    {&TfrmMain::actHelpWeb, "actHelpWeb", msg::ActHelpWeb, nullptr, Check::None, false, true},
    {&TfrmMain::actHelpAbout, "actHelpAbout", msg::ActHelpAbout, nullptr, Check::None, false, true},
    {&TfrmMain::actStatementCancel, "actStatementCancel", msg::ActStatementCancel, nullptr, Check::None, false,
     true},
    {&TfrmMain::actTransactionCommit, "actTransactionCommit", msg::ActTransactionCommit, nullptr, Check::None,
     false, true},
    {&TfrmMain::actTransactionRollback, "actTransactionRollback", msg::ActTransactionRollback, nullptr,
     Check::None, false, true},
    {&TfrmMain::actAttachmentCancel, "actAttachmentCancel", msg::ActAttachmentCancel, nullptr, Check::None,
     false, true},
    {&TfrmMain::actAttachmentShutdown, "actAttachmentShutdown", msg::ActAttachmentShutdown, nullptr,
     Check::None, false, true},
    {&TfrmMain::actStatementGoToUser, "actStatementGoToUser", msg::ActGoToUser, "Ctrl+U", Check::None, false, false},
    {&TfrmMain::actTransactionGoToUser, "actTransactionGoToUser", msg::ActGoToUser, "Ctrl+U", Check::None, false,
     false},
};

QFont menuFont()
{
    const QString name = QStringLiteral("Tahoma");
    if (QFontDatabase::hasFamily(name))
        return QFont(name, 8);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

QToolBar* tabToolBar(const char* name, QWidget* page, std::initializer_list<QAction*> actions)
{
    auto* bar = new QToolBar(page);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QAction* action : actions)
        bar->addAction(action);
    static_cast<QVBoxLayout*>(page->layout())->insertWidget(0, bar);
    return bar;
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
    actSlowRefresh->setData(30000);
    actMediumRefresh->setData(10000);
    actFastRefresh->setData(1000);
    grpMemoryDisplay = new QActionGroup(this);
    grpMemoryDisplay->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* a : {actMemorySummary, actMemoryDetails})
        grpMemoryDisplay->addAction(a);

    // Pictures: Disconnect and Shutdown share one, so do the two Cancel commands; Exit has none.
    const QIcon disconnectPicture = mainicons::disconnect();
    const QIcon cancelPicture = mainicons::cancel();
    actConnect->setIcon(mainicons::connect());
    actDisconnect->setIcon(disconnectPicture);
    actAttachmentShutdown->setIcon(disconnectPicture);
    actStatementCancel->setIcon(cancelPicture);
    actAttachmentCancel->setIcon(cancelPicture);
    actTransactionCommit->setIcon(mainicons::commit());
    actTransactionRollback->setIcon(mainicons::rollback());
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

    QMenu* logging = bar->addMenu(QString::fromUtf8(msg::MenuLogging));
    logging->addActions({actSetupLogging, actLoggingEnabled});

    QMenu* tools = bar->addMenu(QString::fromUtf8(msg::MenuTools));
    tools->addActions({actViewDatabaseStatistics, actViewInterbaseLog});

    QMenu* help = bar->addMenu(QString::fromUtf8(msg::MenuHelp));
    help->addActions({actHelpContents, actHelpWeb, actHelpAbout});
}

void TfrmMain::createToolBars()
{
    tlbStatements = tabToolBar("tlbStatements", tshtStatements, {actStatementCancel, actStatementGoToUser});
    tlbTransactions = tabToolBar("tlbTransactions", tshtTransactions,
                                 {actTransactionCommit, actTransactionRollback, actTransactionGoToUser});
    // one shortcut for both: each works on its own tab
    for (auto [action, page] : {std::pair{actStatementGoToUser, tshtStatements}, std::pair{actTransactionGoToUser, tshtTransactions}}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        page->addAction(action);
    }
    tlbAttachments = tabToolBar("tlbAttachments", tshtAttachments, {actAttachmentCancel, actAttachmentShutdown});
}

void TfrmMain::connectActions()
{
    connect(actConnect, &QAction::triggered, this, guarded([this] { actConnectExecute(); }));
    connect(actDisconnect, &QAction::triggered, this, guarded([this] { actDisconnectExecute(); }));
    connect(FileExit1, &QAction::triggered, this, &QWidget::close);
    connect(actExportGrid, &QAction::triggered, this, guarded([this] { actExportGridExecute(); }));
    // Export Grid follows the grid in sight: another tab (PageControlChange), the Memory tab's grid
    // shown or hidden
    connect(actMemoryDetails, &QAction::toggled, this, [this] { UpdateExportAction(); });
    for (QAction* entry : {actSlowRefresh, actMediumRefresh, actFastRefresh})
        connect(entry, &QAction::triggered, this, guarded([this, entry] { RefreshAction(entry); }));
    connect(actPaused, &QAction::triggered, this, guarded([this] { actPausedExecute(); }));
    connect(actRefresh, &QAction::triggered, this, guarded([this] { actRefreshExecute(); }));
    for (QAction* entry : {actMemorySummary, actMemoryDetails})
        connect(entry, &QAction::triggered, this, guarded([this] { MemoryDisplayExecute(); }));
    connect(&Timer, &QTimer::timeout, this, guarded([this] { TimerTimer(); }));
    connect(PageControl, &QTabWidget::currentChanged, this, guarded([this] { PageControlChange(); }));
    connectCommandActions();
    connectLoggingActions();
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

TMonitorGrid* TfrmMain::ActiveGrid() const
{
    QWidget* page = PageControl->currentWidget();
    if (page == tshtPools)
        return actMemoryDetails->isChecked() ? dbgrdPools : nullptr;
    for (TMonitorGrid* grid : {dbgrdProcedures, dbgrdStatements, dbgrdRelations, dbgrdTransactions, dbgrdAttachments})
        if (page->isAncestorOf(grid))
            return grid;
    return nullptr;
}

void TfrmMain::UpdateExportAction() { actExportGrid->setEnabled(ActiveGrid() != nullptr); }

void TfrmMain::actExportGridExecute()
{
    TMonitorGrid* grid = ActiveGrid();
    if (!grid)
        return;
    // the file is named after the tab ("Tables && Views" shows one ampersand)
    const QString suggested =
        PageControl->tabText(PageControl->currentIndex()).replace(QLatin1String("&&"), QLatin1String("&")) +
        QLatin1String(".csv");
    const QString fileName =
        exportFileChooser() ? exportFileChooser()(this, suggested) : chooseExportFile(this, suggested);
    if (fileName.isEmpty())
        return;
    gridtext::writeCsvFile(*grid, fileName);
}

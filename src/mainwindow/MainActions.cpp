// What the main window's commands do (WindowCommands.h makes them and the menus); Export Grid.
// The pages make their own commands, for their rows, with their tool bars.

#include "mainwindow/MainForm.h"

#include "common/ErrorReporting.h"
#include "common/Messages.h"
#include "mainwindow/history/HistoryMode.h"
#include "mainwindow/grid/GridText.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/MemoryPage.h"

#include <QAction>
#include <QFileDialog>
#include <QTabWidget>

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

// TfrmMain: the monitoring options in the settings file, read once at creation and written once
// when the window closes; with them the grids' quick filters and Hide idle toggles, in a section
// of their own.

#include "mainwindow/MainForm.h"

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/SettingsFile.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>

namespace {
const QString Section = QStringLiteral("MonitorOptions");
const QString KeyMemoryShowGrid = QStringLiteral("MemoryShowGrid");
const QString KeyMemoryShowChart = QStringLiteral("MemoryShowChart");
const QString KeyPaused = QStringLiteral("Paused");
const QString KeyShowSystemTables = QStringLiteral("ShowSystemTables");
const QString KeyRefreshInterval = QStringLiteral("RefreshInterval");

// [GridOptions]: for each grid <name>QuickFilter (the text) and, where the grid offers it,
// <name>HideIdle (1 or 0).
const QString GridSection = QStringLiteral("GridOptions");
const QString KeyQuickFilter = QStringLiteral("QuickFilter");
const QString KeyHideIdle = QStringLiteral("HideIdle");

std::vector<std::pair<QString, TMonitorGrid*>> namedGrids(const TfrmMain& form)
{
    return {{QStringLiteral("Pools"), form.dbgrdPools},
            {QStringLiteral("Procedures"), form.dbgrdProcedures},
            {QStringLiteral("Statements"), form.dbgrdStatements},
            {QStringLiteral("Tables"), form.dbgrdRelations},
            {QStringLiteral("Transactions"), form.dbgrdTransactions},
            {QStringLiteral("Users"), form.dbgrdAttachments}};
}
}  // namespace

void TfrmMain::ReadMonitorOptions()
{
    const SettingsFile settings(SettingsFileName());
    // The two memory views are a radio group, but the file may leave both unchecked: the group
    // allows that while it is read, and the later key wins when both are set.
    grpMemoryDisplay->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    actMemoryDetails->setChecked(settings.readBool(Section, KeyMemoryShowGrid, actMemoryDetails->isChecked()));
    const bool chart = settings.readBool(Section, KeyMemoryShowChart, actMemorySummary->isChecked());
    actMemorySummary->setChecked(chart);
    if (chart)
        actMemoryDetails->setChecked(false);
    grpMemoryDisplay->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);

    actPaused->setChecked(settings.readBool(Section, KeyPaused, actPaused->isChecked()));
    const bool showSystemTables = settings.readBool(Section, KeyShowSystemTables, actShowSystemTables->isChecked());
    actShowSystemTables->setChecked(showSystemTables);
    m_dmQuillmere->SetShowSystemTables(showSystemTables);

    const int interval = settings.readInteger(Section, KeyRefreshInterval, Timer.interval());
    RefreshAction(interval == 1000 ? actFastRefresh : interval == 30000 ? actSlowRefresh : actMediumRefresh);

    for (const auto& [name, grid] : namedGrids(*this)) {
        grid->setQuickFilter(settings.readString(GridSection, name + KeyQuickFilter, grid->quickFilter()));
        grid->setHideIdle(settings.readBool(GridSection, name + KeyHideIdle, grid->hideIdle()));
    }

    // the thresholds of the Database tab's transaction gaps, a section of their own
    m_transactionHealth = health::Settings::read(settings);
}

void TfrmMain::WriteMonitorOptions()
{
    SettingsFile settings(SettingsFileName());
    settings.writeBool(Section, KeyMemoryShowGrid, actMemoryDetails->isChecked());
    settings.writeBool(Section, KeyMemoryShowChart, actMemorySummary->isChecked());
    settings.writeBool(Section, KeyPaused, actPaused->isChecked());
    settings.writeBool(Section, KeyShowSystemTables, actShowSystemTables->isChecked());
    settings.writeInteger(Section, KeyRefreshInterval, Timer.interval());
    for (const auto& [name, grid] : namedGrids(*this)) {
        settings.writeString(GridSection, name + KeyQuickFilter, grid->quickFilter());
        if (grid->offersHideIdle())
            settings.writeBool(GridSection, name + KeyHideIdle, grid->hideIdle());
    }
    m_transactionHealth.write(settings);
    settings.writeFile();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // The close is always allowed: options that cannot be written are reported, and the window
    // still closes, since keeping it open would not make the folder writable.
    try {
        WriteMonitorOptions();
    } catch (const Exception& e) {
        QuillmereApplication::reportError(e);
    }
    event->accept();
}

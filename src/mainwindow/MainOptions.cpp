// TfrmMain: the monitoring options in the settings file, read once at creation and written once
// when the window closes; with them each page's own options (the grids' quick filters and Hide
// idle toggles, the thresholds of the transaction gaps), in sections of their own.

#include "mainwindow/MainForm.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/SettingsFile.h"
#include "mainwindow/history/HistoryRecording.h"
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

    // an interval that is none of the entries' is the medium one
    const int interval = settings.readInteger(Section, KeyRefreshInterval, Timer.interval());
    QAction* chosen = actMediumRefresh;
    for (QAction* entry : grpRefreshInterval->actions())
        if (entry->data().toInt() == interval)
            chosen = entry;
    RefreshAction(chosen);

    for (MonitorPage* page : m_pages)
        page->readOptions(settings);
    m_recording->readOptions(settings);
}

void TfrmMain::WriteMonitorOptions()
{
    SettingsFile settings(SettingsFileName());
    settings.writeBool(Section, KeyMemoryShowGrid, actMemoryDetails->isChecked());
    settings.writeBool(Section, KeyMemoryShowChart, actMemorySummary->isChecked());
    settings.writeBool(Section, KeyPaused, actPaused->isChecked());
    settings.writeBool(Section, KeyShowSystemTables, actShowSystemTables->isChecked());
    settings.writeInteger(Section, KeyRefreshInterval, Timer.interval());
    for (const MonitorPage* page : m_pages)
        page->writeOptions(settings);
    m_recording->writeOptions(settings);
    settings.writeFile();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // The close is always allowed: options that cannot be written are reported, and the window
    // still closes, since keeping it open would not make the folder writable.
    try {
        WriteMonitorOptions();
    } catch (const Exception& e) {
        errors::report(e);
    }
    event->accept();
}

#include "mainwindow/pages/MonitorPage.h"

#include "common/ErrorReporting.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/Prompts.h"
#include "mainwindow/grid/GridText.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTreeView>
#include <QToolBar>
#include <QVBoxLayout>

using grids::GridId;

namespace {
// The tabs, left to right: the tab's name and caption, the grid it shows (with the grid's name),
// and the name its settings go by.
struct PageDecl {
    PageId id;
    const char* tabName;
    const char* caption;
    std::optional<GridId> grid;
    const char* gridName;
    const char* settingsName;
};

constexpr PageDecl Pages[] = {
    {PageId::Database, "tshtDatabase", msg::TabDatabase, std::nullopt, nullptr, nullptr},
    {PageId::Memory, "tshtPools", msg::TabMemory, GridId::Pools, "dbgrdPools", "Pools"},
    {PageId::Procedures, "tshtProcedures", msg::TabProcedures, GridId::Procedures, "dbgrdProcedures", "Procedures"},
    {PageId::Statements, "tshtStatements", msg::TabStatements, GridId::Statements, "dbgrdStatements", "Statements"},
    {PageId::Relations, "tshtRelations", msg::TabRelations, GridId::Relations, "dbgrdRelations", "Tables"},
    {PageId::Transactions, "tshtTransactions", msg::TabTransactions, GridId::Transactions, "dbgrdTransactions",
     "Transactions"},
    {PageId::Users, "tshtAttachments", msg::TabUsers, GridId::Attachments, "dbgrdAttachments", "Users"},
};

const PageDecl& declOf(PageId id) { return Pages[static_cast<size_t>(id)]; }

// [GridOptions]: for each grid <name>QuickFilter (the text) and, where the grid offers it,
// <name>HideIdle (1 or 0).
const QString GridSection = QStringLiteral("GridOptions");
const QString KeyQuickFilter = QStringLiteral("QuickFilter");
const QString KeyHideIdle = QStringLiteral("HideIdle");
}  // namespace

MonitorPage::MonitorPage(PageId id, const PageContext& context) : QObject(&context.window), m_id(id), m_context(context)
{
    const PageDecl& decl = declOf(id);
    m_widget = new QWidget(&context.tabs);
    m_widget->setObjectName(QString::fromLatin1(decl.tabName));
    context.tabs.addTab(m_widget, QString::fromUtf8(decl.caption));
    m_layout = new QVBoxLayout(m_widget);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    if (decl.grid) {
        m_snapshot = &context.dm.snapshot(grids::gridDecl(*decl.grid).snapshot);
        m_grid = new TMonitorGrid(*m_snapshot, grids::gridDecl(*decl.grid), m_widget);
        m_grid->setObjectName(QString::fromLatin1(decl.gridName));
        m_layout->addWidget(m_grid);
        // the commands follow the current row and the selection; outside a refresh a move is the
        // user's choice
        connect(m_snapshot, &Snapshot::currentRowChanged, this, guarded([this] {
                    userChoseRows();
                    updateActions();
                }));
        connect(m_grid->view()->selectionModel(), &QItemSelectionModel::selectionChanged, this, guarded([this] {
                    userChoseRows();
                    updateActions();
                }));
    }
}

MonitorPage::~MonitorPage() = default;

QString MonitorPage::caption() const
{
    return m_context.tabs.tabText(m_context.tabs.indexOf(m_widget));
}

QString MonitorPage::keyColumn() const
{
    if (!m_snapshot || !m_snapshot->decl().keyColumn)
        return {};
    return QString::fromLatin1(m_snapshot->decl().keyColumn);
}

QAction* MonitorPage::addAction(const char* name, const char* caption, const char* shortcut, bool enabled,
                                const QIcon& icon)
{
    auto* action = new QAction(icon, QString::fromUtf8(caption), &m_context.window);
    action->setObjectName(QString::fromLatin1(name));
    if (shortcut) {
        action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        // the same shortcut may serve several tabs: each works on its own tab
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_widget->addAction(action);
    }
    action->setEnabled(enabled);
    return action;
}

void MonitorPage::addToolBar(const char* name, const QList<QAction*>& actions)
{
    m_toolBar = new QToolBar(m_widget);
    m_toolBar->setObjectName(QString::fromLatin1(name));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->addActions(actions);
    m_layout->insertWidget(0, m_toolBar);
}

void MonitorPage::onTriggered(QAction* action, std::function<void()> handler)
{
    connect(action, &QAction::triggered, this, guarded(std::move(handler)));
}

void MonitorPage::refresh()
{
    refreshKeepingRow();
    updateActions();
}

bool MonitorPage::refreshKeepingRow()
{
    Snapshot& snapshot = *m_snapshot;
    if (!m_context.origin.readable()) {
        snapshot.close();
        return false;
    }
    const QString key = keyColumn();
    // the views are repainted once, after the rows are in and the row is found again
    const QScopedValueRollback<bool> refreshing(m_refreshing, true);
    snapshot.disableControls();
    bool found = false;
    bool hadRows = false;
    try {
        hadRows = snapshot.isOpen() && !snapshot.isEmpty();
        const QVariant value = hadRows && snapshot.recNo() >= 0 ? snapshot.value(key) : QVariant();
        if (snapshot.isOpen())
            snapshot.refresh();
        else
            snapshot.open();
        if (hadRows)
            found = snapshot.locate(key, value);
    } catch (...) {
        snapshot.enableControls();
        throw;
    }
    snapshot.enableControls();
    followChoice(hadRows);
    return found;
}

void MonitorPage::userChoseRows()
{
    if (m_refreshing || !m_grid)
        return;
    const Snapshot& rows = *m_snapshot;
    std::vector<int> selected = m_grid->selectedSnapshotRows();
    if (selected.size() < 2) {
        selected.clear();
        if (hasCurrentRow() && m_grid->currentRowShown())
            selected.push_back(rows.recNo());
    }
    choose(selected);
    m_chosenGone = false;
    setNotice({});
}

void MonitorPage::choose(const std::vector<int>& rows)
{
    const Snapshot& snapshot = *m_snapshot;
    m_chosenKeys.clear();
    m_chosenTexts.clear();
    for (const int row : rows) {
        m_chosenKeys.push_back(snapshot.keyOf(row));
        m_chosenTexts << snapshot.plainText(row, snapshot.keyColumn()).trimmed();
    }
}

void MonitorPage::followChoice(bool hadRows)
{
    const Snapshot& rows = *m_snapshot;
    if (!hadRows || m_chosenKeys.empty()) {
        // nothing was in sight to choose from: the row the read lands on is the one in sight
        if (!m_chosenGone)
            choose(hasCurrentRow() ? std::vector<int>{rows.recNo()} : std::vector<int>{});
        return;
    }
    const bool several = m_chosenKeys.size() > 1;
    std::vector<int> still;
    if (!several && hasCurrentRow() && rows.keyOf(rows.recNo()) == m_chosenKeys.front()) {
        still.push_back(rows.recNo());  // found again where the refresh put the current row
    } else {
        for (const std::string& key : m_chosenKeys)
            for (int row = 0; row < rows.rowCount(); ++row)
                if (rows.keyOf(row) == key) {
                    still.push_back(row);
                    break;
                }
    }
    if (still.empty()) {
        if (!m_chosenGone) {
            m_chosenGone = true;
            if (const char* text = chosenRowsEndedText())
                setNotice(QString::fromUtf8(text).arg(m_chosenTexts.join(QStringLiteral(", "))));
        }
        // the row the refresh moved to is not highlighted as if chosen
        m_grid->clearRowSelection();
        return;
    }
    choose(still);
    if (several)
        m_grid->selectSnapshotRows(still);
}

std::vector<int> MonitorPage::chosenRows() const
{
    std::vector<int> out;
    if (m_chosenGone || !m_grid || !hasCurrentRow())
        return out;
    const Snapshot& rows = *m_snapshot;
    if (m_chosenKeys.size() == 1) {
        // the one chosen row is the current row, in sight
        if (m_grid->currentRowShown() && rows.keyOf(rows.recNo()) == m_chosenKeys.front())
            out.push_back(rows.recNo());
        return out;
    }
    for (const int row : m_grid->selectedSnapshotRows())
        if (std::find(m_chosenKeys.begin(), m_chosenKeys.end(), rows.keyOf(row)) != m_chosenKeys.end())
            out.push_back(row);
    return out;
}

void MonitorPage::setNotice(const QString& notice)
{
    if (notice == m_notice)
        return;
    m_notice = notice;
    emit noticeChanged();
}

bool MonitorPage::hasCurrentRow() const
{
    return m_snapshot && m_snapshot->isOpen() && !m_snapshot->isEmpty() && m_snapshot->recNo() >= 0;
}

void MonitorPage::goToUserOfCurrentRow()
{
    const Snapshot& rows = *m_snapshot;
    const QString column = QLatin1String(catalogue::column::AttachmentId);
    if (!rows.isOpen() || rows.isEmpty() || !m_grid->currentRowShown() || rows.isNull(column)) {
        Prompts::current().beep();
        return;
    }
    m_context.goToUser(rows.asInteger(column));
}

QVariant MonitorPage::currentKey() const
{
    return hasCurrentRow() ? m_snapshot->value(keyColumn()) : QVariant();
}

bool MonitorPage::selectKey(const QVariant& key)
{
    if (!m_snapshot || !m_snapshot->isOpen() || !m_snapshot->locate(keyColumn(), key))
        return false;
    // the row alone is selected, and chosen (also when it was current already)
    m_grid->clearRowSelection();
    m_grid->selectSnapshotRows({m_snapshot->recNo()});
    userChoseRows();
    updateActions();
    return true;
}

QList<QStringList> MonitorPage::shownRows() const
{
    QList<QStringList> rows;
    if (m_grid)
        for (const QStringList& row : gridtext::shownRows(*m_grid, gridtext::Rows::All).rows)
            rows << row;
    return rows;
}

void MonitorPage::readOptions(const SettingsFile& settings)
{
    if (!m_grid)
        return;
    const QString name = QString::fromLatin1(declOf(m_id).settingsName);
    m_grid->setQuickFilter(settings.readString(GridSection, name + KeyQuickFilter, m_grid->quickFilter()));
    m_grid->setHideIdle(settings.readBool(GridSection, name + KeyHideIdle, m_grid->hideIdle()));
}

void MonitorPage::writeOptions(SettingsFile& settings) const
{
    if (!m_grid)
        return;
    const QString name = QString::fromLatin1(declOf(m_id).settingsName);
    settings.writeString(GridSection, name + KeyQuickFilter, m_grid->quickFilter());
    if (m_grid->offersHideIdle())
        settings.writeBool(GridSection, name + KeyHideIdle, m_grid->hideIdle());
}

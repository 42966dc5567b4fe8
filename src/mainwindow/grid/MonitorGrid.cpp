#include "mainwindow/grid/MonitorGrid.h"

#include "common/Messages.h"
#include "mainwindow/grid/GridDelegate.h"
#include "mainwindow/grid/GridFilterBar.h"
#include "mainwindow/grid/GridFooter.h"
#include "mainwindow/grid/GridHeader.h"
#include "mainwindow/grid/GridProxyModel.h"
#include "mainwindow/grid/GridText.h"
#include "mainwindow/grid/GroupPanel.h"
#include "monitor/RowState.h"
#include "monitor/Snapshot.h"
#include "monitor/SnapshotModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <utility>

using grid::OrderedColumn;

namespace {
Qt::SortOrder reversed(Qt::SortOrder o) { return o == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder; }
constexpr int kMaxFilterText = 60;
}  // namespace

TMonitorGrid::TMonitorGrid(Snapshot& snapshot, const grids::GridDecl& decl, QWidget* parent)
    : QWidget(parent), m_snapshot(snapshot), m_decl(decl), m_cellTexts(snapshot)
{
    setObjectName(QString::fromLatin1(decl.gridName));
    // The model first: its update on a refresh runs before the grid's own handling.
    m_model = new SnapshotModel(&snapshot, this);
    m_proxy = new TGridProxyModel(this);
    m_proxy->setValueRole(SnapshotModel::ValueRole);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSearchTextSource(
        [this](int modelRow, int column) { return m_cellTexts.text(m_model->snapshotRowOf(modelRow), column); });

    m_view = new QTreeView(this);
    m_header = new TGridHeader(m_view);
    m_view->setHeader(m_header);
    m_view->setModel(m_proxy);
    m_view->setUniformRowHeights(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);  // several rows to copy
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAllColumnsShowFocus(true);
    m_view->setRootIsDecorated(false);
    m_view->setSortingEnabled(false);
    m_view->setExpandsOnDoubleClick(true);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_header->setStretchLastSection(false);
    m_view->setItemDelegate(new TGridDelegate(m_view));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (decl.groupPanel) {
        m_groupPanel = new TGroupPanel(this);
        layout->addWidget(m_groupPanel);
        m_header->setDragOutEnabled(true);
    }
    layout->addWidget(m_view, 1);

    buildColumns();
    const int state = sectionOf(QString::fromLatin1(RowStateColumn));
    m_stateSection = state >= 0 && state < m_visibleColumns ? state : -1;
    m_filterBar = new TGridFilterBar(m_stateSection >= 0, this);
    layout->insertWidget(0, m_filterBar);
    if (!decl.footerSums.empty()) {
        QList<int> sums;
        for (const char* c : decl.footerSums)
            sums << m_proxy->proxyColumn(snapshot.requireColumn(QString::fromLatin1(c)));
        m_footer = new TGridFooter(
            m_header, sums, [this](int section) { return QString::number(m_proxy->sum(section)); }, this);
        layout->addWidget(m_footer);
    }
    connectParts();

    if (decl.sortedColumn)
        setSortOrder({{sectionOf(QString::fromLatin1(decl.sortedColumn)), Qt::AscendingOrder}});
    arranged();
    sizeColumnsOnce();
    selectSnapshotRow(false);
}

void TMonitorGrid::buildColumns()
{
    // Shown columns in the declared order, then the hidden ones in the snapshot's order.
    std::vector<int> order;
    std::vector<TGridHeader::Band> bands;
    for (const grids::GridBand& band : m_decl.bands) {
        const int first = static_cast<int>(order.size());
        for (const grids::GridColumn& c : band.columns)
            order.push_back(m_snapshot.requireColumn(QString::fromLatin1(c.column)));
        if (band.caption)
            bands.push_back({QString::fromUtf8(band.caption), first, static_cast<int>(order.size()) - 1});
    }
    m_visibleColumns = static_cast<int>(order.size());
    for (const char* hidden : m_decl.hiddenColumns)
        order.push_back(m_snapshot.requireColumn(QString::fromLatin1(hidden)));
    for (int c = 0; c < m_snapshot.columnCount(); ++c)
        if (std::find(order.begin(), order.end(), c) == order.end())
            order.push_back(c);  // undeclared columns stay in the data, hidden
    m_proxy->setColumnOrder(order);

    // Captions: the declared ones, else the display labels of the model.
    int section = 0;
    for (const grids::GridBand& band : m_decl.bands)
        for (const grids::GridColumn& c : band.columns) {
            if (c.caption)
                m_proxy->setCaption(section, QString::fromUtf8(c.caption));
            ++section;
        }
    for (int s = 0; s < m_proxy->columnCount(); ++s)
        m_view->setColumnHidden(s, s >= m_visibleColumns);
    m_absent.assign(static_cast<size_t>(m_visibleColumns), false);
    m_header->setBands(std::move(bands));
    QList<int> filterable;
    for (const char* f : m_decl.filterColumns)
        filterable << sectionOf(QString::fromLatin1(f));
    m_header->setFilterableSections(filterable);
    for (int s = 0; s < m_visibleColumns; ++s)
        m_header->resizeSection(s, std::max(60, m_header->captionWidth(s)));
}

void TMonitorGrid::connectParts()
{
    connect(&m_snapshot, &Snapshot::rowsReplaced, this, &TMonitorGrid::snapshotRowsReplaced);
    connect(&m_snapshot, &Snapshot::currentRowChanged, this, &TMonitorGrid::snapshotCurrentRowChanged);
    // rows that came, went or moved make the view lay its rows out again: see arranged()
    const auto rowsChanged = [this] { m_rowsLaidOut = false; };
    connect(m_proxy, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(m_proxy, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, rowsChanged);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, rowsChanged);
    connect(m_proxy, &TGridProxyModel::arranged, this, &TMonitorGrid::arranged);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { viewCurrentChanged(current); });
    connect(m_filterBar, &TGridFilterBar::searchTextChanged, this, &TMonitorGrid::applyQuickFilter);
    connect(m_filterBar, &TGridFilterBar::hideIdleToggled, this, &TMonitorGrid::applyHideIdle);
    connect(m_header, &TGridHeader::sortRequested, this, &TMonitorGrid::sortBySection);
    connect(m_header, &TGridHeader::filterRequested, this, &TMonitorGrid::showFilterMenu);
    connect(m_header, &TGridHeader::ungroupRequested, this, &TMonitorGrid::ungroupSection);
    connect(m_header, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const int section = m_header->logicalIndexAt(pos);
        if (section >= 0)
            showColumnMenu(section, m_header->viewport()->mapToGlobal(pos), false, false);
    });
    if (m_groupPanel) {
        connect(m_groupPanel, &TGroupPanel::groupRequested, this, &TMonitorGrid::groupBySection);
        connect(m_groupPanel, &TGroupPanel::ungroupRequested, this, &TMonitorGrid::ungroupSection);
        connect(m_groupPanel, &TGroupPanel::orderToggled, this, &TMonitorGrid::toggleGroupOrder);
    }
    // Scrolling sideways moves the bands' captions (kept in the bands' visible parts) and the sums.
    connect(m_view->horizontalScrollBar(), &QAbstractSlider::valueChanged, m_header->viewport(),
            qOverload<>(&QWidget::update));
    if (m_footer)
        connect(m_view->horizontalScrollBar(), &QAbstractSlider::valueChanged, m_footer, qOverload<>(&QWidget::update));
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
}

int TMonitorGrid::sectionOf(const QString& column) const
{
    const int c = m_snapshot.columnIndex(column);
    return c < 0 ? -1 : m_proxy->proxyColumn(c);
}

QString TMonitorGrid::columnOf(int section) const
{
    const int c = m_proxy->sourceColumn(section);
    return c < 0 ? QString() : QString::fromLatin1(m_snapshot.columnDecl(c).name);
}

// ---- the arrangement ----------------------------------------------------------------------

void TMonitorGrid::sortBySection(int section, bool addToSort)
{
    std::vector<OrderedColumn> sorts = m_proxy->sortOrder();
    auto it = std::find_if(sorts.begin(), sorts.end(), [&](const OrderedColumn& o) { return o.column == section; });
    if (addToSort) {
        if (it != sorts.end())
            it->order = reversed(it->order);
        else
            sorts.push_back({section, Qt::AscendingOrder});
    } else {
        const Qt::SortOrder order = it != sorts.end() ? reversed(it->order) : Qt::AscendingOrder;
        sorts = {{section, order}};
    }
    setSortOrder(std::move(sorts));
}

void TMonitorGrid::setSortOrder(std::vector<OrderedColumn> sorts)
{
    m_proxy->setSortOrder(std::move(sorts));
    userArrangementChanged();
}

void TMonitorGrid::groupBySection(int section, int position)
{
    if (!m_groupPanel || section < 0 || section >= m_visibleColumns)
        return;
    std::vector<OrderedColumn> groups = m_proxy->grouping();
    Qt::SortOrder order = Qt::AscendingOrder;
    for (const OrderedColumn& s : m_proxy->sortOrder())
        if (s.column == section)
            order = s.order;
    auto it = std::find_if(groups.begin(), groups.end(), [&](const OrderedColumn& g) { return g.column == section; });
    if (it != groups.end()) {  // moved to another place
        order = it->order;
        const int from = static_cast<int>(it - groups.begin());
        groups.erase(it);
        if (position > from)
            --position;
    }
    if (position < 0 || position > static_cast<int>(groups.size()))
        position = static_cast<int>(groups.size());
    groups.insert(groups.begin() + position, {section, order});
    m_proxy->setGrouping(std::move(groups));
    userArrangementChanged();
}

void TMonitorGrid::ungroupSection(int section)
{
    std::vector<OrderedColumn> groups = m_proxy->grouping();
    std::erase_if(groups, [&](const OrderedColumn& g) { return g.column == section; });
    m_proxy->setGrouping(std::move(groups));
    userArrangementChanged();
}

void TMonitorGrid::toggleGroupOrder(int section)
{
    std::vector<OrderedColumn> groups = m_proxy->grouping();
    for (OrderedColumn& g : groups)
        if (g.column == section)
            g.order = reversed(g.order);
    m_proxy->setGrouping(std::move(groups));
    userArrangementChanged();
}

void TMonitorGrid::setValueFilter(int section, const QVariant& value)
{
    if (!m_header->isFilterable(section))
        return;
    m_proxy->setValueFilter(section, value);
    userArrangementChanged();
}

void TMonitorGrid::removeValueFilter(int section)
{
    m_proxy->removeValueFilter(section);
    userArrangementChanged();
}

void TMonitorGrid::setQuickFilter(const QString& text) { m_filterBar->searchBox()->setText(text); }

QString TMonitorGrid::quickFilter() const { return m_filterBar->searchText(); }

void TMonitorGrid::applyQuickFilter()
{
    std::vector<int> shown(static_cast<size_t>(m_visibleColumns));
    std::iota(shown.begin(), shown.end(), 0);
    m_proxy->setSearchText(quickFilter(), std::move(shown));
    userArrangementChanged();
}

bool TMonitorGrid::offersHideIdle() const { return m_filterBar->hideIdleAction() != nullptr; }

void TMonitorGrid::setHideIdle(bool hide)
{
    if (offersHideIdle())
        m_filterBar->hideIdleAction()->setChecked(hide);
}

bool TMonitorGrid::hideIdle() const { return offersHideIdle() && m_filterBar->hideIdleAction()->isChecked(); }

void TMonitorGrid::applyHideIdle()
{
    // the state Hide idle hides is Firebird's; InterBase's states are other words, which stay in sight
    m_proxy->setExcludedText(m_stateSection, hideIdle() ? QString::fromLatin1(rowStateWord(RowState::Idle)) : QString());
    userArrangementChanged();
}

void TMonitorGrid::userArrangementChanged()
{
    m_header->setSortIndicators(m_proxy->sortOrder());
    QList<int> filtered;
    for (const auto& entry : m_proxy->valueFilters())
        filtered << entry.first;
    m_header->setFilteredSections(filtered);
    showGroupings();
    selectSnapshotRow(true);
    sizeColumnsOnce();  // the first rows may come into sight through a filter taken back
}

void TMonitorGrid::showGroupings()
{
    if (!m_groupPanel)
        return;
    std::vector<TGroupPanel::Chip> chips;
    for (const OrderedColumn& g : m_proxy->grouping())
        chips.push_back({g.column, m_proxy->headerData(g.column, Qt::Horizontal).toString(), g.order});
    m_groupPanel->setChips(chips);
}

void TMonitorGrid::arranged()
{
    const int levels = static_cast<int>(m_proxy->grouping().size());
    const bool grouped = levels > 0;
    m_view->setRootIsDecorated(grouped);
    // The first column holds the groups' indentation: it widens by what the rows are indented.
    const int indent = grouped ? (levels + 1) * m_view->indentation() : 0;
    if (indent != m_firstColumnIndent) {
        m_header->resizeSection(0, std::max(20, m_header->sectionSize(0) + indent - m_firstColumnIndent));
        m_firstColumnIndent = indent;
    }
    if (grouped)
        for (const QModelIndex& g : m_proxy->groupIndexes())
            if (!m_view->isFirstColumnSpanned(g.row(), g.parent()))
                m_view->setFirstColumnSpanned(g.row(), g.parent(), true);
    if (m_footer)
        m_footer->invalidate();
    // The view would lay its rows out at its next paint, and that layout asks for a paint of the
    // whole grid again: laid out now, the tick's changes are painted once.
    if (!std::exchange(m_rowsLaidOut, true))
        m_view->doItemsLayout();
}

// ---- the current row ----------------------------------------------------------------------

int TMonitorGrid::snapshotRowOf(const QModelIndex& index) const
{
    const QModelIndex source = m_proxy->mapToSource(index);
    return source.isValid() ? m_model->snapshotRowOf(source.row()) : -1;
}

QModelIndex TMonitorGrid::indexOfSnapshotRow(int row) const
{
    // Outside an update the model's rows are the snapshot's rows.
    if (row < 0 || row >= m_model->rowCount())
        return {};
    return m_proxy->mapFromSource(m_model->index(row, m_proxy->sourceColumn(0)));
}

QModelIndex TMonitorGrid::firstLeaf(const QModelIndex& parent) const
{
    for (int r = 0; r < m_proxy->rowCount(parent); ++r) {
        const QModelIndex child = m_proxy->index(r, 0, parent);
        if (!m_proxy->isGroup(child))
            return child;
        const QModelIndex leaf = firstLeaf(child);
        if (leaf.isValid())
            return leaf;
    }
    return {};
}

bool TMonitorGrid::currentRowShown() const
{
    const int row = m_snapshot.recNo();
    return row >= 0 && snapshotRowOf(m_view->currentIndex()) == row;
}

std::vector<int> TMonitorGrid::selectedSnapshotRows() const
{
    std::vector<int> rows;
    const QItemSelectionModel* selection = m_view->selectionModel();
    if (!selection->hasSelection())
        return rows;
    // in the order shown: through the groups, depth first
    const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int r = 0; r < m_proxy->rowCount(parent); ++r) {
            const QModelIndex child = m_proxy->index(r, 0, parent);
            if (m_proxy->isGroup(child))
                walk(child);
            else if (selection->isRowSelected(r, parent))
                if (const int row = snapshotRowOf(child); row >= 0)
                    rows.push_back(row);
        }
    };
    walk({});
    return rows;
}

void TMonitorGrid::selectSnapshotRows(const std::vector<int>& rows)
{
    QItemSelection chosen;
    for (const int row : rows)
        if (const QModelIndex index = indexOfSnapshotRow(row); index.isValid())
            chosen.select(index, index);
    if (chosen.isEmpty())
        return;
    m_syncing = true;
    m_view->selectionModel()->select(chosen, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_syncing = false;
}

void TMonitorGrid::clearRowSelection()
{
    m_syncing = true;
    m_view->selectionModel()->clearSelection();
    m_syncing = false;
}

void TMonitorGrid::setRowMarker(std::function<bool(int snapshotRow)> marker, const QString& hint)
{
    m_rowMarker = std::move(marker);
    m_proxy->setRowMarker(
        m_rowMarker ? TGridProxyModel::RowMarker([this](int modelRow) { return isRowMarked(m_model->snapshotRowOf(modelRow)); })
                    : TGridProxyModel::RowMarker(),
        hint);
    refreshRowMarks();
}

bool TMonitorGrid::isRowMarked(int snapshotRow) const
{
    return m_rowMarker && snapshotRow >= 0 && snapshotRow < m_snapshot.rowCount() && m_rowMarker(snapshotRow);
}

void TMonitorGrid::refreshRowMarks() { m_view->viewport()->update(); }

void TMonitorGrid::snapshotRowsReplaced()
{
    m_syncing = true;
    m_proxy->flush();
    m_syncing = false;
    hideAbsentColumns();
    sizeColumnsOnce();
}

void TMonitorGrid::hideAbsentColumns()
{
    for (int s = 0; s < m_visibleColumns; ++s) {
        const bool absent = m_snapshot.columnAbsent(m_proxy->sourceColumn(s));
        if (absent != m_absent[static_cast<size_t>(s)]) {
            m_absent[static_cast<size_t>(s)] = absent;
            m_view->setColumnHidden(s, absent);
        }
    }
}

void TMonitorGrid::snapshotCurrentRowChanged()
{
    if (!currentRowShown())
        selectSnapshotRow(false);
}

void TMonitorGrid::viewCurrentChanged(const QModelIndex& current)
{
    if (m_syncing)
        return;
    const int row = snapshotRowOf(current);
    if (row >= 0 && row != m_snapshot.recNo())
        m_snapshot.setRecNo(row);
}

void TMonitorGrid::selectSnapshotRow(bool mayMoveCursor)
{
    QModelIndex target = indexOfSnapshotRow(m_snapshot.recNo());
    if (!target.isValid() && mayMoveCursor) {
        // The user's filter hid the snapshot's row: the grid's first row becomes the current one.
        // Never when the cursor moved elsewhere: whoever moves it (a loop over the rows, a
        // refresh) keeps it where they put it, and the grid shows no current row meanwhile.
        const QModelIndex leaf = firstLeaf();
        if (leaf.isValid()) {
            m_snapshot.setRecNo(snapshotRowOf(leaf));
            target = indexOfSnapshotRow(m_snapshot.recNo());
        }
    }
    m_syncing = true;
    if (target.isValid()) {
        for (QModelIndex p = target.parent(); p.isValid(); p = p.parent())
            m_view->expand(p);
        const int column = std::max(0, m_view->currentIndex().column());
        target = target.siblingAtColumn(column);
        m_view->selectionModel()->setCurrentIndex(target,
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_view->scrollTo(target);
    } else {
        m_view->selectionModel()->clear();
    }
    m_syncing = false;
}

void TMonitorGrid::sizeColumnsOnce()
{
    if (m_sized || m_proxy->rowCount() == 0)
        return;
    m_sized = true;
    for (int s = 0; s < m_visibleColumns; ++s) {
        m_view->resizeColumnToContents(s);  // with the first column's indentation
        const int caption = m_header->captionWidth(s) + (s == 0 ? m_firstColumnIndent : 0);
        m_header->resizeSection(s, std::clamp(m_header->sectionSize(s) + 8, caption, std::max(caption, 400)));
    }
}

// ---- menus --------------------------------------------------------------------------------

void TMonitorGrid::fillColumnMenu(QMenu& menu, int section)
{
    menu.addAction(QString::fromUtf8(msg::GridSortAscending), this,
                   [this, section] { setSortOrder({{section, Qt::AscendingOrder}}); });
    menu.addAction(QString::fromUtf8(msg::GridSortDescending), this,
                   [this, section] { setSortOrder({{section, Qt::DescendingOrder}}); });
    QAction* clear = menu.addAction(QString::fromUtf8(msg::GridClearSorting), this, [this] { setSortOrder({}); });
    clear->setEnabled(!m_proxy->sortOrder().empty());
    if (m_groupPanel) {
        menu.addSeparator();
        const auto& groups = m_proxy->grouping();
        const bool grouped =
            std::any_of(groups.begin(), groups.end(), [&](const OrderedColumn& g) { return g.column == section; });
        if (grouped)
            menu.addAction(QString::fromUtf8(msg::GridRemoveGrouping), this, [this, section] { ungroupSection(section); });
        else
            menu.addAction(QString::fromUtf8(msg::GridGroupByColumn), this, [this, section] { groupBySection(section); });
    }
    if (m_header->isFilterable(section)) {
        menu.addSeparator();
        fillFilterMenu(*menu.addMenu(QString::fromUtf8(msg::GridFilterByValue)), section);
        QAction* remove =
            menu.addAction(QString::fromUtf8(msg::GridRemoveFilter), this, [this, section] { removeValueFilter(section); });
        remove->setEnabled(m_proxy->hasValueFilter(section));
    }
}

void TMonitorGrid::fillFilterMenu(QMenu& menu, int section)
{
    const bool filtered = m_proxy->hasValueFilter(section);
    QAction* all = menu.addAction(QString::fromUtf8(msg::GridFilterAll), this, [this, section] { removeValueFilter(section); });
    all->setCheckable(true);
    all->setChecked(!filtered);
    menu.addSeparator();
    const grid::SortKey current = grid::SortKey::from(m_proxy->valueFilter(section));
    for (const auto& [value, text] : m_proxy->distinctValues(section)) {
        QString shown = text.size() > kMaxFilterText ? text.left(kMaxFilterText) + QChar(0x2026) : text;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = menu.addAction(shown, this, [this, section, value = value] { setValueFilter(section, value); });
        a->setCheckable(true);
        a->setChecked(filtered && grid::SortKey::from(value) == current &&
                      value.isNull() == m_proxy->valueFilter(section).isNull());
    }
}

void TMonitorGrid::copySelectedRows()
{
    const gridtext::ShownRows rows = gridtext::shownRows(*this, gridtext::Rows::Selected);
    if (!rows.rows.empty())
        QApplication::clipboard()->setText(gridtext::tabSeparated(rows));
}

void TMonitorGrid::showFilterMenu(int section, const QPoint& globalPos)
{
    QMenu menu(this);
    fillFilterMenu(menu, section);
    menu.exec(globalPos);
}

void TMonitorGrid::showColumnMenu(int section, const QPoint& globalPos, bool allColumns, bool onRows)
{
    QMenu menu(this);
    if (onRows) {
        QAction* copy = menu.addAction(QString::fromUtf8(msg::GridCopyRows), this, [this] { copySelectedRows(); });
        copy->setShortcut(QKeySequence::Copy);
        menu.addSeparator();
    }
    if (allColumns) {
        for (int s = 0; s < m_visibleColumns; ++s) {
            QString caption = m_proxy->headerData(s, Qt::Horizontal).toString();
            fillColumnMenu(*menu.addMenu(caption.replace(QLatin1Char('&'), QStringLiteral("&&"))), s);
        }
    } else {
        fillColumnMenu(menu, section);
    }
    menu.exec(globalPos);
}

bool TMonitorGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu && (watched == m_view || watched == m_view->viewport())) {
        auto* e = static_cast<QContextMenuEvent*>(event);
        if (e->reason() == QContextMenuEvent::Keyboard) {
            // from the keyboard: every column's commands, in a submenu each
            const QRect r = m_view->visualRect(m_view->currentIndex());
            const QPoint at = r.isValid() ? r.bottomLeft() : QPoint(0, 0);
            showColumnMenu(-1, m_view->viewport()->mapToGlobal(at), true, true);
        } else {
            const int section = m_header->logicalIndexAt(m_view->viewport()->mapFromGlobal(e->globalPos()).x());
            if (section >= 0 && section < m_visibleColumns)
                showColumnMenu(section, e->globalPos(), false, true);
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == m_view &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelectedRows();  // whole rows, not the view's one cell
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

#include "mainwindow/grid/GridProxyModel.h"

#include "common/Messages.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QSize>

#include <algorithm>
#include <numeric>

using grid::Arrangement;
using grid::OrderedColumn;

namespace {
// CHAR values come padded to their length; a grid shows them without the blanks.
void trimDisplayText(QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return;
    const QString& text = *static_cast<const QString*>(value.constData());
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    if (end < text.size())
        value = text.left(end);
}
}  // namespace

TGridProxyModel::TGridProxyModel(QObject* parent) : QAbstractProxyModel(parent)
{
    m_arrangement.nodes.emplace_back();
}

void TGridProxyModel::setSourceModel(QAbstractItemModel* source)
{
    beginResetModel();
    for (const QMetaObject::Connection& c : m_sourceConnections)
        disconnect(c);
    m_sourceConnections.clear();
    QAbstractProxyModel::setSourceModel(source);
    const int columns = source ? source->columnCount() : 0;
    m_order.resize(static_cast<size_t>(columns));
    std::iota(m_order.begin(), m_order.end(), 0);
    m_proxyOfSource = m_order;
    m_captions.clear();
    m_sorts.clear();
    m_groups.clear();
    m_filters.clear();
    clearRowRules();
    m_arrangement = source ? Arrangement::build(*source, rules(), m_valueRole) : Arrangement{};
    if (m_arrangement.nodes.empty())
        m_arrangement.nodes.emplace_back();
    m_dirty = false;
    if (source) {
        auto& c = m_sourceConnections;
        c.push_back(connect(source, &QAbstractItemModel::dataChanged, this,
                            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                                noteChangedColumns(topLeft.column(), bottomRight.column());
                                sourceChanged();
                            }));
        c.push_back(connect(source, &QAbstractItemModel::rowsRemoved, this,
                            [this](const QModelIndex& parent, int first, int last) {
                                if (parent.isValid())
                                    return;
                                m_arrangement.sourceRowsRemoved(first, last);
                                m_rowsChanged = true;
                                sourceChanged();
                            }));
        c.push_back(connect(source, &QAbstractItemModel::rowsInserted, this,
                            [this](const QModelIndex& parent, int first, int last) {
                                if (parent.isValid())
                                    return;
                                m_arrangement.sourceRowsInserted(first, last);
                                m_rowsChanged = true;
                                sourceChanged();
                            }));
        c.push_back(connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] {
            // Follow the rows that views hold on to through the source's reordering; the others
            // show nothing until the next arrangement, which reads every row afresh.
            const QAbstractItemModel* s = sourceModel();
            m_movingLeaves.clear();
            for (const QModelIndex& held : persistentIndexList()) {
                const int node = nodeOf(held);
                if (node <= 0 || m_arrangement.isGroup(node))
                    continue;
                const int r = m_arrangement.nodes[static_cast<size_t>(node)].sourceRow;
                if (r >= 0)
                    m_movingLeaves.emplace_back(node, QPersistentModelIndex(s->index(r, 0)));
            }
        }));
        c.push_back(connect(source, &QAbstractItemModel::layoutChanged, this, [this] {
            Arrangement& a = m_arrangement;
            a.leafOfSource.assign(static_cast<size_t>(sourceModel()->rowCount()), -1);
            for (size_t n = 1; n < a.nodes.size(); ++n)
                if (!a.isGroup(static_cast<int>(n)))
                    a.nodes[n].sourceRow = -2;
            for (const auto& [node, where] : m_movingLeaves) {
                const int r = where.isValid() ? where.row() : -2;
                a.nodes[static_cast<size_t>(node)].sourceRow = r;
                if (r >= 0)
                    a.leafOfSource[static_cast<size_t>(r)] = node;
            }
            m_movingLeaves.clear();
            m_rowsChanged = true;
            sourceChanged();
        }));
        c.push_back(connect(source, &QAbstractItemModel::headerDataChanged, this,
                            [this](Qt::Orientation orientation, int, int) {
                                if (orientation == Qt::Horizontal && columnCount() > 0)
                                    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
                            }));
        // What the arrangement cannot follow row by row starts afresh.
        c.push_back(connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); }));
        c.push_back(connect(source, &QAbstractItemModel::modelReset, this, [this] {
            resetFromSource();
            endResetModel();
        }));
        c.push_back(connect(source, &QAbstractItemModel::rowsAboutToBeMoved, this, [this] { beginResetModel(); }));
        c.push_back(connect(source, &QAbstractItemModel::rowsMoved, this, [this] {
            resetFromSource();
            endResetModel();
        }));
        c.push_back(connect(source, &QAbstractItemModel::columnsAboutToBeInserted, this, [this] { beginResetModel(); }));
        c.push_back(connect(source, &QAbstractItemModel::columnsInserted, this, [this] {
            resetFromSource();
            endResetModel();
        }));
        c.push_back(connect(source, &QAbstractItemModel::columnsAboutToBeRemoved, this, [this] { beginResetModel(); }));
        c.push_back(connect(source, &QAbstractItemModel::columnsRemoved, this, [this] {
            resetFromSource();
            endResetModel();
        }));
    }
    endResetModel();
}

void TGridProxyModel::resetFromSource()
{
    const QAbstractItemModel* s = sourceModel();
    if (static_cast<int>(m_order.size()) != s->columnCount()) {
        m_order.resize(static_cast<size_t>(s->columnCount()));
        std::iota(m_order.begin(), m_order.end(), 0);
        m_proxyOfSource = m_order;
        m_captions.clear();
        m_sorts.clear();
        m_groups.clear();
        m_filters.clear();
        clearRowRules();
    }
    m_arrangement = Arrangement::build(*s, rules(), m_valueRole);
    m_dirty = false;
    m_rowsChanged = false;
    m_changedColumns.clear();
    m_movingLeaves.clear();
}

void TGridProxyModel::setColumnOrder(std::vector<int> order)
{
    std::vector<int> check = order;
    std::sort(check.begin(), check.end());
    for (size_t i = 0; i < check.size(); ++i)
        if (check[i] != static_cast<int>(i))
            return;  // not a permutation of the source columns
    if (check.size() != m_order.size())
        return;
    beginResetModel();
    m_captions.clear();
    m_order = std::move(order);
    for (size_t c = 0; c < m_order.size(); ++c)
        m_proxyOfSource[static_cast<size_t>(m_order[c])] = static_cast<int>(c);
    m_sorts.clear();
    m_groups.clear();
    m_filters.clear();
    clearRowRules();
    if (sourceModel())
        m_arrangement = Arrangement::build(*sourceModel(), rules(), m_valueRole);
    m_dirty = false;
    endResetModel();
}

void TGridProxyModel::setCaption(int column, const QString& caption)
{
    if (column < 0 || column >= columnCount())
        return;
    m_captions[column] = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int TGridProxyModel::sourceColumn(int column) const
{
    return column >= 0 && column < static_cast<int>(m_order.size()) ? m_order[static_cast<size_t>(column)] : -1;
}

int TGridProxyModel::proxyColumn(int sourceColumn) const
{
    return sourceColumn >= 0 && sourceColumn < static_cast<int>(m_proxyOfSource.size())
               ? m_proxyOfSource[static_cast<size_t>(sourceColumn)]
               : -1;
}

grid::ArrangeRules TGridProxyModel::rules() const
{
    grid::ArrangeRules s;
    for (const auto& [column, value] : m_filters)
        s.filters.push_back({sourceColumn(column), value});
    for (const auto& [column, text] : m_excluded)
        s.excluded.push_back({sourceColumn(column), text});
    s.search.text = m_searchText;
    s.search.displayText = m_searchSource;
    for (const int column : m_searchColumns)
        s.search.columns.push_back(sourceColumn(column));
    for (const OrderedColumn& g : m_groups)
        s.groups.push_back({sourceColumn(g.column), g.order});
    for (const OrderedColumn& o : m_sorts)
        s.sorts.push_back({sourceColumn(o.column), o.order});
    return s;
}

void TGridProxyModel::setSortOrder(std::vector<OrderedColumn> sorts)
{
    std::erase_if(sorts, [this](const OrderedColumn& o) { return sourceColumn(o.column) < 0; });
    if (sorts == m_sorts)
        return;
    m_sorts = std::move(sorts);
    rearrange();
}

void TGridProxyModel::setGrouping(std::vector<OrderedColumn> groups)
{
    std::erase_if(groups, [this](const OrderedColumn& o) { return sourceColumn(o.column) < 0; });
    if (groups == m_groups)
        return;
    m_groups = std::move(groups);
    rearrange();
}

void TGridProxyModel::setValueFilter(int column, const QVariant& value)
{
    if (sourceColumn(column) < 0)
        return;
    auto it = m_filters.find(column);
    if (it != m_filters.end() && grid::SortKey::from(it->second) == grid::SortKey::from(value) &&
        it->second.isNull() == value.isNull())
        return;
    m_filters[column] = value;
    rearrange();
}

void TGridProxyModel::removeValueFilter(int column)
{
    if (m_filters.erase(column) > 0)
        rearrange();
}

QVariant TGridProxyModel::valueFilter(int column) const
{
    auto it = m_filters.find(column);
    return it == m_filters.end() ? QVariant() : it->second;
}

void TGridProxyModel::setExcludedText(int column, const QString& text)
{
    if (sourceColumn(column) < 0 || excludedText(column) == text)
        return;
    if (text.isEmpty())
        m_excluded.erase(column);
    else
        m_excluded[column] = text;
    rearrange();
}

QString TGridProxyModel::excludedText(int column) const
{
    auto it = m_excluded.find(column);
    return it == m_excluded.end() ? QString() : it->second;
}

void TGridProxyModel::setSearchText(const QString& text, std::vector<int> columns)
{
    std::erase_if(columns, [this](int c) { return sourceColumn(c) < 0; });
    if (text == m_searchText && (text.isEmpty() || columns == m_searchColumns))
        return;
    m_searchText = text;
    m_searchColumns = std::move(columns);
    rearrange();
}

void TGridProxyModel::clearRowRules()
{
    m_excluded.clear();
    m_searchText.clear();
    m_searchColumns.clear();
}

void TGridProxyModel::sourceChanged()
{
    m_dirty = true;
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_flushQueued = false;
                flush();
            },
            Qt::QueuedConnection);
    }
}

void TGridProxyModel::noteChangedColumns(int first, int last)
{
    if (first < 0 || last < first)
        return;
    if (m_changedColumns.size() < static_cast<size_t>(last + 1))
        m_changedColumns.resize(static_cast<size_t>(last + 1), false);
    for (int c = first; c <= last; ++c)
        m_changedColumns[static_cast<size_t>(c)] = true;
}

bool TGridProxyModel::changesArrangement() const
{
    if (m_rowsChanged)
        return true;
    const auto changed = [this](int proxyColumn) {
        const int c = sourceColumn(proxyColumn);
        return c >= 0 && static_cast<size_t>(c) < m_changedColumns.size() && m_changedColumns[static_cast<size_t>(c)];
    };
    for (const auto& entry : m_filters)
        if (changed(entry.first))
            return true;
    for (const auto& entry : m_excluded)
        if (changed(entry.first))
            return true;
    if (!m_searchText.isEmpty())
        for (const int c : m_searchColumns)
            if (changed(c))
                return true;
    for (const auto* ordered : {&m_groups, &m_sorts})
        for (const OrderedColumn& o : *ordered)
            if (changed(o.column))
                return true;
    return false;
}

void TGridProxyModel::flush()
{
    if (!m_dirty)
        return;
    if (changesArrangement()) {
        rearrange();
        return;
    }
    // only values that no rule reads have changed: the rows stay where they are
    m_dirty = false;
    m_changedColumns.clear();
    emitValuesChanged();
    emit arranged();
}

void TGridProxyModel::rearrange()
{
    m_dirty = false;
    m_rowsChanged = false;
    m_changedColumns.clear();
    if (!sourceModel())
        return;
    Arrangement next = Arrangement::build(*sourceModel(), rules(), m_valueRole);
    if (next.sameShape(m_arrangement)) {
        m_arrangement = std::move(next);
        emitValuesChanged();
        emit arranged();
        return;
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Who each held index is: a leaf by its source row, a group by its value path.
    const QModelIndexList from = persistentIndexList();
    struct Identity {
        int sourceRow = -1;
        QString path;
    };
    std::vector<Identity> who;
    who.reserve(static_cast<size_t>(from.size()));
    for (const QModelIndex& idx : from) {
        const int node = nodeOf(idx);
        Identity id;
        if (node > 0) {
            if (m_arrangement.isGroup(node))
                id.path = m_arrangement.nodes[static_cast<size_t>(node)].path;
            else
                id.sourceRow = m_arrangement.nodes[static_cast<size_t>(node)].sourceRow;
        }
        who.push_back(std::move(id));
    }
    m_arrangement = std::move(next);
    QModelIndexList to;
    to.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i) {
        const Identity& id = who[static_cast<size_t>(i)];
        int node = -1;
        if (!id.path.isEmpty())
            node = m_arrangement.groupOfPath.value(id.path, -1);
        else if (id.sourceRow >= 0 && id.sourceRow < static_cast<int>(m_arrangement.leafOfSource.size()))
            node = m_arrangement.leafOfSource[static_cast<size_t>(id.sourceRow)];
        to << (node > 0 ? indexOfNode(node, from[i].column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit arranged();
}

void TGridProxyModel::emitValuesChanged()
{
    const int lastColumn = columnCount() - 1;
    if (lastColumn < 0)
        return;
    for (size_t n = 0; n < m_arrangement.nodes.size(); ++n) {
        const Arrangement::Node& node = m_arrangement.nodes[n];
        if (node.children.empty() || (n > 0 && !m_arrangement.isGroup(static_cast<int>(n))))
            continue;
        const int last = static_cast<int>(node.children.size()) - 1;
        emit dataChanged(createIndex(0, 0, static_cast<quintptr>(n)),
                         createIndex(last, lastColumn, static_cast<quintptr>(n)));
    }
}

int TGridProxyModel::nodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    const size_t parent = static_cast<size_t>(index.internalId());
    if (parent >= m_arrangement.nodes.size())
        return -1;
    const std::vector<int>& children = m_arrangement.nodes[parent].children;
    return index.row() < static_cast<int>(children.size()) ? children[static_cast<size_t>(index.row())] : -1;
}

QModelIndex TGridProxyModel::indexOfNode(int node, int column) const
{
    const Arrangement::Node& n = m_arrangement.nodes[static_cast<size_t>(node)];
    return createIndex(n.row, column, static_cast<quintptr>(n.parent));
}

bool TGridProxyModel::isGroup(const QModelIndex& index) const { return m_arrangement.isGroup(nodeOf(index)); }

QModelIndexList TGridProxyModel::groupIndexes() const
{
    QModelIndexList list;
    for (size_t n = 1; n < m_arrangement.nodes.size(); ++n)
        if (m_arrangement.isGroup(static_cast<int>(n)))
            list << indexOfNode(static_cast<int>(n), 0);
    return list;
}

QModelIndex TGridProxyModel::mapToSource(const QModelIndex& proxyIndex) const
{
    const int node = nodeOf(proxyIndex);
    if (node <= 0 || m_arrangement.isGroup(node) || !sourceModel())
        return {};
    const int row = m_arrangement.nodes[static_cast<size_t>(node)].sourceRow;
    return row >= 0 ? sourceModel()->index(row, sourceColumn(proxyIndex.column())) : QModelIndex();
}

QModelIndex TGridProxyModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != sourceModel() || sourceIndex.parent().isValid())
        return {};
    const int row = sourceIndex.row();
    if (row >= static_cast<int>(m_arrangement.leafOfSource.size()))
        return {};
    const int node = m_arrangement.leafOfSource[static_cast<size_t>(row)];
    return node > 0 ? indexOfNode(node, proxyColumn(sourceIndex.column())) : QModelIndex();
}

QModelIndex TGridProxyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= columnCount() || (parent.isValid() && parent.column() != 0))
        return {};
    const int p = parent.isValid() ? nodeOf(parent) : 0;
    if (p < 0 || (p > 0 && !m_arrangement.isGroup(p)))
        return {};
    if (row >= static_cast<int>(m_arrangement.nodes[static_cast<size_t>(p)].children.size()))
        return {};
    return createIndex(row, column, static_cast<quintptr>(p));
}

QModelIndex TGridProxyModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.model() != this)
        return {};
    const size_t p = static_cast<size_t>(child.internalId());
    if (p == 0 || p >= m_arrangement.nodes.size())
        return {};
    return indexOfNode(static_cast<int>(p), 0);
}

QModelIndex TGridProxyModel::sibling(int row, int column, const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    return this->index(row, column, parent(index));
}

int TGridProxyModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const int p = parent.isValid() ? nodeOf(parent) : 0;
    if (p < 0 || (p > 0 && !m_arrangement.isGroup(p)))
        return 0;
    return static_cast<int>(m_arrangement.nodes[static_cast<size_t>(p)].children.size());
}

int TGridProxyModel::columnCount(const QModelIndex&) const { return static_cast<int>(m_order.size()); }

bool TGridProxyModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant TGridProxyModel::data(const QModelIndex& index, int role) const
{
    const int node = nodeOf(index);
    if (node <= 0)
        return {};
    if (!m_arrangement.isGroup(node)) {
        const QModelIndex source = mapToSource(index);
        if (!source.isValid())
            return {};
        QVariant value = source.data(role);
        if (role == Qt::DisplayRole)
            trimDisplayText(value);
        markCell(source.row(), role, value);
        return value;
    }
    const Arrangement::Node& g = m_arrangement.nodes[static_cast<size_t>(node)];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() != 0)
            return QString();
        {
            const int column = m_groups[static_cast<size_t>(g.level)].column;
            const QString value = g.value.isNull() ? QString::fromUtf8(msg::GridBlankValue) : g.text.trimmed();
            return QString::fromUtf8(msg::GridGroupRow)
                .arg(headerData(column, Qt::Horizontal).toString(), value)
                .arg(g.leafCount);
        }
    case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        return font;
    }
    case GroupLevelRole: return g.level;
    case GroupCountRole: return g.leafCount;
    case GroupValueRole: return g.value;
    default: return {};
    }
}

void TGridProxyModel::multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const
{
    // a view asks for every role of a cell at once: one mapping for them all
    const int node = nodeOf(index);
    if (node > 0 && !m_arrangement.isGroup(node)) {
        const QModelIndex source = mapToSource(index);
        if (source.isValid()) {
            sourceModel()->multiData(source, roleDataSpan);
            if (QVariant* text = roleDataSpan.dataForRole(Qt::DisplayRole))
                trimDisplayText(*text);
            if (m_rowMarker && m_rowMarker(source.row()))
                for (QModelRoleData& d : roleDataSpan)
                    markCell(source.row(), d.role(), d.data());
            return;
        }
    }
    for (QModelRoleData& d : roleDataSpan)
        d.setData(data(index, d.role()));
}

void TGridProxyModel::setRowMarker(RowMarker marker, const QString& hint)
{
    m_rowMarker = std::move(marker);
    m_rowMarkHint = hint;
}

bool TGridProxyModel::isMarked(const QModelIndex& index) const
{
    const QModelIndex source = nodeOf(index) > 0 && !isGroup(index) ? mapToSource(index) : QModelIndex();
    return source.isValid() && m_rowMarker && m_rowMarker(source.row());
}

void TGridProxyModel::markCell(int sourceRow, int role, QVariant& value) const
{
    // not bold: a bolder text would no longer fit the columns sized for the others
    if (role != Qt::BackgroundRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole)
        return;
    if (!m_rowMarker || !m_rowMarker(sourceRow))
        return;
    switch (role) {
    case Qt::BackgroundRole: value = QBrush(QColor(255, 226, 150)); break;
    case Qt::ForegroundRole: value = QBrush(QColor(Qt::black)); break;
    case Qt::ToolTipRole: value = m_rowMarkHint; break;
    default: break;
    }
}

QMap<int, QVariant> TGridProxyModel::itemData(const QModelIndex& index) const
{
    return QAbstractItemModel::itemData(index);
}

QVariant TGridProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && sourceModel()) {
        if (role == Qt::DisplayRole) {
            auto it = m_captions.find(section);
            if (it != m_captions.end())
                return it->second;
        }
        const int column = sourceColumn(section);
        return column >= 0 ? sourceModel()->headerData(column, orientation, role) : QVariant();
    }
    return QAbstractItemModel::headerData(section, orientation, role);
}

Qt::ItemFlags TGridProxyModel::flags(const QModelIndex& index) const
{
    const int node = nodeOf(index);
    if (node <= 0)
        return Qt::NoItemFlags;
    if (m_arrangement.isGroup(node))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const QModelIndex source = mapToSource(index);
    const Qt::ItemFlags f = source.isValid() ? source.flags() : Qt::ItemFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return (f & ~Qt::ItemIsEditable) | Qt::ItemNeverHasChildren;
}

std::vector<std::pair<QVariant, QString>> TGridProxyModel::distinctValues(int column) const
{
    std::vector<std::pair<QVariant, QString>> values;
    const int sc = sourceColumn(column);
    if (sc < 0 || !sourceModel())
        return values;
    const QAbstractItemModel* s = sourceModel();
    QHash<QString, int> seen;
    std::vector<grid::SortKey> keys;
    const int n = s->rowCount();
    for (int r = 0; r < n; ++r) {
        const QModelIndex cell = s->index(r, sc);
        const QVariant v = cell.data(m_valueRole);
        grid::SortKey k = grid::SortKey::from(v);
        const QString id = k.identity();
        if (seen.contains(id))
            continue;
        seen.insert(id, 0);
        QString text = v.isNull() ? QString::fromUtf8(msg::GridBlankValue) : cell.data(Qt::DisplayRole).toString();
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        values.emplace_back(v, text);
        keys.push_back(std::move(k));
    }
    std::vector<size_t> order(values.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });
    std::vector<std::pair<QVariant, QString>> sorted;
    sorted.reserve(values.size());
    for (size_t i : order)
        sorted.push_back(std::move(values[i]));
    return sorted;
}

qint64 TGridProxyModel::sum(int column) const
{
    const int sc = sourceColumn(column);
    if (sc < 0 || !sourceModel())
        return 0;
    qint64 total = 0;
    for (size_t r = 0; r < m_arrangement.leafOfSource.size(); ++r)
        if (m_arrangement.leafOfSource[r] > 0)
            total += sourceModel()->index(static_cast<int>(r), sc).data(m_valueRole).toLongLong();
    return total;
}

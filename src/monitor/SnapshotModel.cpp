#include "monitor/SnapshotModel.h"

#include "monitor/Snapshot.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

SnapshotModel::SnapshotModel(Snapshot* snapshot, QObject* parent) : QAbstractTableModel(parent), m_snapshot(snapshot)
{
    m_rowCount = snapshot->rowCount();
    m_keys = currentKeys();
    connect(snapshot, &Snapshot::rowsReplaced, this, &SnapshotModel::snapshotRowsReplaced);
}

int SnapshotModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rowCount; }

int SnapshotModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_snapshot->columnCount();
}

int SnapshotModel::snapshotRowOf(int modelRow) const
{
    if (modelRow < 0 || modelRow >= m_rowCount)
        return -1;
    return m_map.empty() ? modelRow : m_map[static_cast<size_t>(modelRow)];
}

QVariant SnapshotModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount || index.column() >= m_snapshot->columnCount())
        return {};
    const int row = snapshotRowOf(index.row());
    // while a snapshot is re-read and its views are suspended, rows may be gone under a view
    if (row < 0 || row >= m_snapshot->rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: return m_snapshot->displayText(row, index.column());
    case ValueRole:
    case Qt::EditRole: return m_snapshot->value(row, index.column());
    case KeyRole: {
        const std::string key = m_snapshot->keyOf(row);
        return QByteArray(key.data(), static_cast<qsizetype>(key.size()));
    }
    case Qt::TextAlignmentRole: {
        using catalogue::ColumnType;
        const ColumnType t = m_snapshot->columnDecl(index.column()).type;
        if (t == ColumnType::Int16 || t == ColumnType::Int32 || t == ColumnType::Int64)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    }
    default: return {};
    }
}

QVariant SnapshotModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_snapshot->columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const catalogue::ColumnDecl& c = m_snapshot->columnDecl(section);
    switch (role) {
    case Qt::DisplayRole: return QString::fromUtf8(c.label ? c.label : c.name);
    case ColumnNameRole: return QString::fromLatin1(c.name);
    case ShownRole: return c.shown;
    default: return {};
    }
}

Qt::ItemFlags SnapshotModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

std::vector<std::string> SnapshotModel::currentKeys() const
{
    std::vector<std::string> keys;
    const int n = m_snapshot->rowCount();
    keys.reserve(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r)
        keys.push_back(m_snapshot->keyOf(r));
    return keys;
}

void SnapshotModel::snapshotRowsReplaced()
{
    std::vector<std::string> newKeys = currentKeys();
    const int newCount = m_snapshot->rowCount();
    const size_t knownRows = m_keys.size();  // the rows the views know

    // Without a usable key (none declared, or repeated values) the rows cannot be matched up.
    std::unordered_map<std::string, int> newIndex;
    bool keyed = m_snapshot->keyColumn() >= 0;
    if (keyed) {
        newIndex.reserve(newKeys.size());
        for (int r = 0; r < newCount && keyed; ++r)
            keyed = newIndex.emplace(newKeys[static_cast<size_t>(r)], r).second;
        std::unordered_set<std::string> seen;
        for (const std::string& k : m_keys)
            if (!seen.insert(k).second) {
                keyed = false;
                break;
            }
    }
    if (!keyed) {
        if (newCount == m_rowCount && m_snapshot->keyColumn() < 0) {
            // without a key the rows are matched by their places
            m_keys = std::move(newKeys);
            std::vector<int> sameRow(static_cast<size_t>(newCount));
            std::iota(sameRow.begin(), sameRow.end(), 0);
            emitChangedCells(sameRow, knownRows);
            return;
        }
        beginResetModel();
        m_map.clear();
        m_rowCount = newCount;
        m_keys = std::move(newKeys);
        endResetModel();
        return;
    }

    // 1. Remove the rows whose keys are gone, bottom up in contiguous ranges.
    //    The model's rows are then the surviving old rows, in their old order.
    std::vector<int> survivors;  // new snapshot row of each surviving old row, old order
    survivors.reserve(m_keys.size());
    std::vector<int> oldRowOf(static_cast<size_t>(newCount), -1);  // new snapshot row -> the views' row before
    {
        std::vector<bool> gone(m_keys.size());
        m_map.assign(m_keys.size(), -1);
        for (size_t i = 0; i < m_keys.size(); ++i) {
            auto it = newIndex.find(m_keys[i]);
            gone[i] = it == newIndex.end();
            if (!gone[i]) {
                oldRowOf[static_cast<size_t>(it->second)] = static_cast<int>(i);
                survivors.push_back(it->second);
                m_map[i] = it->second;
            }
        }
        int i = static_cast<int>(m_keys.size()) - 1;
        while (i >= 0) {
            if (!gone[static_cast<size_t>(i)]) {
                --i;
                continue;
            }
            int first = i;
            while (first > 0 && gone[static_cast<size_t>(first - 1)])
                --first;
            beginRemoveRows({}, first, i);
            m_keys.erase(m_keys.begin() + first, m_keys.begin() + i + 1);
            // the remaining rows are served from the new rows through the map
            m_map.erase(m_map.begin() + first, m_map.begin() + i + 1);
            m_rowCount -= i - first + 1;
            endRemoveRows();
            i = first - 1;
        }
        m_map = survivors;
        m_rowCount = static_cast<int>(survivors.size());
    }

    // 2. Reorder the surviving rows into their new relative order.
    bool ordered = true;
    for (size_t i = 1; i < survivors.size(); ++i)
        if (survivors[i - 1] > survivors[i]) {
            ordered = false;
            break;
        }
    if (!ordered) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<int> sorted = survivors;
        std::sort(sorted.begin(), sorted.end());
        std::unordered_map<int, int> newPos;  // snapshot row -> model row after sorting
        for (size_t i = 0; i < sorted.size(); ++i)
            newPos[sorted[i]] = static_cast<int>(i);
        const QModelIndexList from = persistentIndexList();
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& idx : from) {
            const int snapRow = survivors[static_cast<size_t>(idx.row())];
            to << index(newPos[snapRow], idx.column());
        }
        m_map = sorted;
        changePersistentIndexList(from, to);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        survivors = std::move(sorted);
    }

    // 3. Insert the new rows at their places, top down in contiguous ranges.
    {
        std::vector<bool> present(static_cast<size_t>(newCount), false);
        for (int s : survivors)
            present[static_cast<size_t>(s)] = true;
        int r = 0;
        while (r < newCount) {
            if (present[static_cast<size_t>(r)]) {
                ++r;
                continue;
            }
            int last = r;
            while (last + 1 < newCount && !present[static_cast<size_t>(last + 1)])
                ++last;
            // rows before r in the new order are all in the model by now, so r is the model row
            beginInsertRows({}, r, last);
            for (int k = r; k <= last; ++k)
                present[static_cast<size_t>(k)] = true;
            m_map.insert(m_map.begin() + r, static_cast<size_t>(last - r + 1), 0);
            for (int k = r; k <= last; ++k)
                m_map[static_cast<size_t>(k)] = k;
            m_rowCount += last - r + 1;
            endInsertRows();
            r = last + 1;
        }
    }

    // 4. The model rows and the snapshot rows are one again; the surviving rows' changed cells.
    m_map.clear();
    m_rowCount = newCount;
    m_keys = std::move(newKeys);
    emitChangedCells(oldRowOf, knownRows);
}

void SnapshotModel::emitChangedCells(const std::vector<int>& oldRowOf, size_t knownRows)
{
    const RowStore* before = m_snapshot->previousRows();
    const int columns = columnCount();
    if (m_rowCount == 0 || columns == 0)
        return;
    if (!before || static_cast<size_t>(before->rowCount()) != knownRows) {
        // what the views knew is not at hand: every value may have changed
        emit dataChanged(index(0, 0), index(m_rowCount - 1, columns - 1));
        return;
    }
    // one signal for each run of rows with changes, over the columns changed in any of them
    const RowStore& now = m_snapshot->rows();
    int first = -1, left = columns, right = -1;
    const auto flush = [&](int last) {
        if (first >= 0)
            emit dataChanged(index(first, left), index(last, right));
        first = -1, left = columns, right = -1;
    };
    for (int r = 0; r < m_rowCount; ++r) {
        const int old = oldRowOf[static_cast<size_t>(r)];
        int l = columns, h = -1;
        if (old >= 0)
            for (int c = 0; c < columns; ++c)
                if (!now.sameCell(r, c, *before, old)) {
                    l = std::min(l, c);
                    h = c;
                }
        if (h < 0) {  // unchanged, or inserted (the views were told so)
            flush(r - 1);
            continue;
        }
        if (first < 0)
            first = r;
        left = std::min(left, l);
        right = std::max(right, h);
    }
    flush(m_rowCount - 1);
}

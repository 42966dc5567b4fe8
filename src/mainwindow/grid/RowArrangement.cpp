#include "mainwindow/grid/RowArrangement.h"

#include <QAbstractItemModel>
#include <QDateTime>

#include <algorithm>
#include <numeric>

namespace grid {

SortKey SortKey::from(const QVariant& value)
{
    SortKey k;
    if (value.isNull() || !value.isValid())
        return k;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::Bool:
        k.m_kind = Kind::Integer;
        k.m_int = value.toLongLong();
        break;
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::UShort:
        k.m_kind = Kind::Integer;
        k.m_int = static_cast<qint64>(value.toULongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        k.m_kind = Kind::Real;
        k.m_real = value.toDouble();
        break;
    case QMetaType::QDateTime:
        k.m_kind = Kind::Integer;
        k.m_int = value.toDateTime().toMSecsSinceEpoch();
        break;
    default:
        k.m_kind = Kind::Text;
        k.m_text = value.toString();
        break;
    }
    return k;
}

int SortKey::compare(const SortKey& other) const
{
    if (m_kind == Kind::Integer && other.m_kind == Kind::Integer)
        return m_int < other.m_int ? -1 : (m_int > other.m_int ? 1 : 0);
    if (m_kind == Kind::Text && other.m_kind == Kind::Text) {
        const int c = QString::compare(m_text, other.m_text, Qt::CaseInsensitive);
        return c != 0 ? c : QString::compare(m_text, other.m_text, Qt::CaseSensitive);
    }
    const bool numeric = (m_kind == Kind::Integer || m_kind == Kind::Real) &&
                         (other.m_kind == Kind::Integer || other.m_kind == Kind::Real);
    if (numeric) {
        const double a = m_kind == Kind::Real ? m_real : static_cast<double>(m_int);
        const double b = other.m_kind == Kind::Real ? other.m_real : static_cast<double>(other.m_int);
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    return static_cast<int>(m_kind) - static_cast<int>(other.m_kind);
}

QString SortKey::identity() const
{
    switch (m_kind) {
    case Kind::Null: return QStringLiteral("N");
    case Kind::Integer: return QLatin1Char('I') + QString::number(m_int);
    case Kind::Real: return QLatin1Char('R') + QString::number(m_real, 'g', 17);
    case Kind::Text: return QLatin1Char('T') + m_text;
    }
    return {};
}

Arrangement Arrangement::build(const QAbstractItemModel& source, const ArrangeSpec& spec, int valueRole)
{
    Arrangement a;
    const int n = source.rowCount();
    a.leafOfSource.assign(static_cast<size_t>(n), -1);
    a.groupLevels = static_cast<int>(spec.groups.size());

    // 1. The rows that pass every filter.
    std::vector<SortKey> wanted;
    for (const ValueFilter& f : spec.filters)
        wanted.push_back(SortKey::from(f.value));
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) {
        bool pass = true;
        for (size_t i = 0; i < spec.filters.size() && pass; ++i)
            pass = SortKey::from(source.index(r, spec.filters[i].column).data(valueRole)) == wanted[i];
        if (pass)
            rows.push_back(r);
    }

    // 2. The keys: the group columns, then the sort columns that are not grouped.
    std::vector<OrderedColumn> keys = spec.groups;
    for (const OrderedColumn& s : spec.sorts)
        if (std::none_of(keys.begin(), keys.end(), [&](const OrderedColumn& k) { return k.column == s.column; }))
            keys.push_back(s);
    const size_t k = keys.size();
    std::vector<SortKey> values(rows.size() * k);
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < k; ++j)
            values[i * k + j] = SortKey::from(source.index(rows[i], keys[j].column).data(valueRole));

    // 3. Order, ties in source order.
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (k > 0)
        std::sort(order.begin(), order.end(), [&](int x, int y) {
            for (size_t j = 0; j < k; ++j) {
                const int c = values[static_cast<size_t>(x) * k + j].compare(values[static_cast<size_t>(y) * k + j]);
                if (c != 0)
                    return keys[j].order == Qt::AscendingOrder ? c < 0 : c > 0;
            }
            return x < y;
        });

    // 4. The tree.
    a.nodes.reserve(rows.size() + 1);
    a.nodes.emplace_back();  // the root
    const size_t g = spec.groups.size();
    std::vector<int> open(g, -1);  // the open group node of each level
    auto addChild = [&a](int parent, Node node) {
        node.parent = parent;
        node.row = static_cast<int>(a.nodes[static_cast<size_t>(parent)].children.size());
        a.nodes.push_back(std::move(node));
        const int id = static_cast<int>(a.nodes.size()) - 1;
        a.nodes[static_cast<size_t>(parent)].children.push_back(id);
        return id;
    };
    for (size_t o = 0; o < order.size(); ++o) {
        const size_t i = static_cast<size_t>(order[o]);
        const int sourceRow = rows[i];
        // the first level whose value differs from the previous row's
        size_t level = 0;
        if (o > 0) {
            const size_t prev = static_cast<size_t>(order[o - 1]);
            while (level < g && values[i * k + level] == values[prev * k + level])
                ++level;
        }
        for (size_t l = level; l < g; ++l) {
            Node group;
            group.level = static_cast<int>(l);
            const QModelIndex cell = source.index(sourceRow, spec.groups[l].column);
            group.value = cell.data(valueRole);
            group.text = cell.data(Qt::DisplayRole).toString();
            const QString parentPath = l == 0 ? QString() : a.nodes[static_cast<size_t>(open[l - 1])].path;
            group.path = parentPath + QChar(0x1f) + values[i * k + l].identity();
            const int id = addChild(l == 0 ? 0 : open[l - 1], std::move(group));
            a.groupOfPath.insert(a.nodes[static_cast<size_t>(id)].path, id);
            open[l] = id;
        }
        Node leaf;
        leaf.sourceRow = sourceRow;
        leaf.level = static_cast<int>(g);
        const int id = addChild(g == 0 ? 0 : open[g - 1], std::move(leaf));
        a.leafOfSource[static_cast<size_t>(sourceRow)] = id;
        for (size_t l = 0; l < g; ++l)
            ++a.nodes[static_cast<size_t>(open[l])].leafCount;
    }
    return a;
}

int Arrangement::visibleLeafCount() const
{
    return static_cast<int>(std::count_if(leafOfSource.begin(), leafOfSource.end(), [](int n) { return n >= 0; }));
}

bool Arrangement::sameShape(const Arrangement& other) const
{
    if (nodes.size() != other.nodes.size() || groupLevels != other.groupLevels)
        return false;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Node& a = nodes[i];
        const Node& b = other.nodes[i];
        if (a.parent != b.parent || a.row != b.row || a.sourceRow != b.sourceRow || a.path != b.path ||
            a.children.size() != b.children.size())
            return false;
    }
    return true;
}

void Arrangement::sourceRowsRemoved(int first, int last)
{
    const int count = last - first + 1;
    for (Node& node : nodes) {
        if (node.sourceRow < first)
            continue;
        node.sourceRow = node.sourceRow <= last ? -2 : node.sourceRow - count;  // -2: a leaf whose row is gone
    }
    if (first >= 0 && last < static_cast<int>(leafOfSource.size()))
        leafOfSource.erase(leafOfSource.begin() + first, leafOfSource.begin() + last + 1);
}

void Arrangement::sourceRowsInserted(int first, int last)
{
    const int count = last - first + 1;
    for (Node& node : nodes)
        if (node.sourceRow >= first)
            node.sourceRow += count;
    if (first >= 0 && first <= static_cast<int>(leafOfSource.size()))
        leafOfSource.insert(leafOfSource.begin() + first, static_cast<size_t>(count), -1);
}

}  // namespace grid

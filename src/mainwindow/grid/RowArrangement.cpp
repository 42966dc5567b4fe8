#include "mainwindow/grid/RowArrangement.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QStringMatcher>

#include <algorithm>
#include <limits>
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
    default: {
        // CHAR values come padded; trailing blanks do not tell values apart
        k.m_kind = Kind::Text;
        k.m_text = value.toString();
        qsizetype end = k.m_text.size();
        while (end > 0 && k.m_text.at(end - 1) == QLatin1Char(' '))
            --end;
        k.m_length = end;  // the text is shared with the value: no copy to cut it
        break;
    }
    }
    return k;
}

int SortKey::compare(const SortKey& other) const
{
    if (m_kind == Kind::Integer && other.m_kind == Kind::Integer)
        return m_int < other.m_int ? -1 : (m_int > other.m_int ? 1 : 0);
    if (m_kind == Kind::Text && other.m_kind == Kind::Text) {
        const int c = text().compare(other.text(), Qt::CaseInsensitive);
        return c != 0 ? c : text().compare(other.text(), Qt::CaseSensitive);
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
    case Kind::Text: return QLatin1Char('T') + text().toString();
    }
    return {};
}

namespace {

constexpr qint64 kUnranked = std::numeric_limits<qint64>::min();

// For each column (k keys a row) whose values are all texts or NULL, the rank of each row's value
// among the column's distinct values (NULL lowest); kUnranked for the other columns' values.
// Empty when no column is ranked.
std::vector<qint64> rankTexts(const std::vector<SortKey>& values, size_t k)
{
    std::vector<qint64> ranks;
    const size_t n = k == 0 ? 0 : values.size() / k;
    for (size_t j = 0; j < k; ++j) {
        bool texts = true;
        for (size_t i = 0; i < n && texts; ++i)
            texts = values[i * k + j].isNull() || values[i * k + j].isText();
        if (!texts)
            continue;
        if (ranks.empty())
            ranks.assign(values.size(), kUnranked);
        QHash<QStringView, qint64> ids;  // views into the values, which outlive it
        std::vector<const SortKey*> distinct;
        for (size_t i = 0; i < n; ++i) {
            const SortKey& v = values[i * k + j];
            if (v.isNull()) {
                ranks[i * k + j] = -1;
                continue;
            }
            auto it = ids.constFind(v.text());
            if (it == ids.constEnd()) {
                it = ids.insert(v.text(), static_cast<qint64>(distinct.size()));
                distinct.push_back(&v);
            }
            ranks[i * k + j] = it.value();
        }
        std::vector<size_t> sorted(distinct.size());
        std::iota(sorted.begin(), sorted.end(), size_t{0});
        std::sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) { return distinct[a]->compare(*distinct[b]) < 0; });
        std::vector<qint64> place(distinct.size());
        for (size_t p = 0; p < sorted.size(); ++p)
            place[sorted[p]] = static_cast<qint64>(p);
        for (size_t i = 0; i < n; ++i)
            if (ranks[i * k + j] >= 0)
                ranks[i * k + j] = place[static_cast<size_t>(ranks[i * k + j])];
    }
    return ranks;
}

bool anyTextContains(const QAbstractItemModel& source, int row, const TextSearch& search, const QStringMatcher& matcher)
{
    for (const int c : search.columns) {
        const QString text =
            search.displayText ? search.displayText(row, c) : source.index(row, c).data(Qt::DisplayRole).toString();
        if (matcher.indexIn(text) >= 0)
            return true;
    }
    return false;
}

}  // namespace

Arrangement Arrangement::build(const QAbstractItemModel& source, const ArrangeRules& rules, int valueRole)
{
    Arrangement a;
    const int n = source.rowCount();
    a.leafOfSource.assign(static_cast<size_t>(n), -1);
    a.groupLevels = static_cast<int>(rules.groups.size());

    // The keys: the group columns, then the sort columns that are not grouped.
    std::vector<OrderedColumn> keys = rules.groups;
    for (const OrderedColumn& s : rules.sorts)
        if (std::none_of(keys.begin(), keys.end(), [&](const OrderedColumn& k) { return k.column == s.column; }))
            keys.push_back(s);
    const size_t k = keys.size();
    const size_t f = rules.filters.size();
    // a key on a filtered column reuses the value the filter has read
    std::vector<int> filterOfKey(k, -1);
    for (size_t j = 0; j < k; ++j)
        for (size_t i = 0; i < f; ++i)
            if (rules.filters[i].column == keys[j].column)
                filterOfKey[j] = static_cast<int>(i);

    // 1. The rows that pass every filter, 2. with their keys.
    std::vector<SortKey> wanted;
    for (const ValueFilter& filter : rules.filters)
        wanted.push_back(SortKey::from(filter.value));
    std::vector<int> rows;
    std::vector<SortKey> values;
    rows.reserve(static_cast<size_t>(n));
    values.reserve(static_cast<size_t>(n) * k);
    std::vector<SortKey> seen(f);
    // the quick filter last: it reads display texts, the dearest of the tests
    const bool searching = !rules.search.text.isEmpty();
    const QStringMatcher matcher(rules.search.text, Qt::CaseInsensitive);
    for (int r = 0; r < n; ++r) {
        bool pass = true;
        for (size_t i = 0; i < f && pass; ++i) {
            seen[i] = SortKey::from(source.index(r, rules.filters[i].column).data(valueRole));
            pass = seen[i] == wanted[i];
        }
        for (size_t i = 0; i < rules.excluded.size() && pass; ++i) {
            const SortKey v = SortKey::from(source.index(r, rules.excluded[i].column).data(valueRole));
            pass = !v.isText() || v.text() != rules.excluded[i].text;
        }
        if (pass && searching)
            pass = anyTextContains(source, r, rules.search, matcher);
        if (!pass)
            continue;
        rows.push_back(r);
        for (size_t j = 0; j < k; ++j)
            values.push_back(filterOfKey[j] >= 0 ? seen[static_cast<size_t>(filterOfKey[j])]
                                                 : SortKey::from(source.index(r, keys[j].column).data(valueRole)));
    }

    // 3. Order, ties in source order. A text column's values are ranked first, so that the
    //    sort compares numbers: a column holds few distinct texts, and texts compare slowly.
    const std::vector<qint64> ranks = rankTexts(values, k);
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (k > 0)
        std::sort(order.begin(), order.end(), [&](int x, int y) {
            for (size_t j = 0; j < k; ++j) {
                const size_t a = static_cast<size_t>(x) * k + j, b = static_cast<size_t>(y) * k + j;
                int c;
                if (!ranks.empty() && ranks[a] != kUnranked)
                    c = ranks[a] < ranks[b] ? -1 : (ranks[a] > ranks[b] ? 1 : 0);
                else
                    c = values[a].compare(values[b]);
                if (c != 0)
                    return keys[j].order == Qt::AscendingOrder ? c < 0 : c > 0;
            }
            return x < y;
        });

    // 4. The tree.
    a.nodes.reserve(rows.size() + 1);
    a.nodes.emplace_back();  // the root
    const size_t g = rules.groups.size();
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
            const QModelIndex cell = source.index(sourceRow, rules.groups[l].column);
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

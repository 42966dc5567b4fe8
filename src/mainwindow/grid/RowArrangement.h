#pragma once
// How a grid arranges the flat rows of its source: the value filters, the excluded values and the
// quick filter's text choose the rows, the group columns nest them under group rows, the sort
// columns order them within their group. Pure logic over an item model's typed values
// (SnapshotModel::ValueRole) and display texts; the grid's proxy model serves the result to the
// view.

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

class QAbstractItemModel;

namespace grid {

// A typed value in a form that compares fast: NULL first, then integers (date-times as
// milliseconds), reals and texts (case-insensitive, then exact; trailing blanks ignored).
class SortKey {
public:
    SortKey() = default;
    static SortKey from(const QVariant& value);

    int compare(const SortKey& other) const;
    bool operator==(const SortKey& other) const { return compare(other) == 0; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isText() const { return m_kind == Kind::Text; }
    QStringView text() const { return QStringView(m_text).left(m_length); }
    // A text that is equal for equal keys and differs otherwise (the group paths).
    QString identity() const;

private:
    enum class Kind : unsigned char { Null, Integer, Real, Text };
    Kind m_kind = Kind::Null;
    qint64 m_int = 0;
    double m_real = 0;
    QString m_text;
    qsizetype m_length = 0;  // without the trailing blanks
};

struct OrderedColumn {
    int column = -1;  // source column
    Qt::SortOrder order = Qt::AscendingOrder;
    bool operator==(const OrderedColumn&) const = default;
};

struct ValueFilter {
    int column = -1;  // source column
    QVariant value;   // the typed value a row must have; a null value admits the NULL cells
};

// Rows whose value in the column is exactly this text (trailing blanks ignored) are left out.
struct ExcludedText {
    int column = -1;  // source column
    QString text;
};

// The quick filter: a row is kept when the display text of one of the columns contains the text,
// without regard to letter case. An empty text keeps every row.
struct TextSearch {
    QString text;
    std::vector<int> columns;  // source columns
    // The display text of a cell (source row, source column); empty: the source's DisplayRole.
    std::function<QString(int row, int column)> displayText;
};

struct ArrangeRules {
    std::vector<ValueFilter> filters;
    std::vector<ExcludedText> excluded;
    TextSearch search;
    std::vector<OrderedColumn> groups;  // outermost first
    std::vector<OrderedColumn> sorts;   // most significant first
};

// The tree: node 0 is the invisible root; groups and leaves below it. A leaf stands for one
// source row.
struct Arrangement {
    struct Node {
        int parent = -1;
        int row = 0;          // row within the parent
        int sourceRow = -1;   // leaves: the source row (-2 once it is gone); groups: -1
        int level = 0;        // groups: 0 for the outermost grouping; leaves: the number of groupings
        int leafCount = 0;    // groups: leaves below
        QVariant value;       // groups: the grouped value
        QString text;         // groups: the value's display text
        QString path;         // groups: identity of the value path from the root
        std::vector<int> children;
    };

    std::vector<Node> nodes;
    std::vector<int> leafOfSource;  // source row -> leaf node, -1 when filtered out
    QHash<QString, int> groupOfPath;
    int groupLevels = 0;

    static Arrangement build(const QAbstractItemModel& source, const ArrangeRules& rules, int valueRole);

    bool isGroup(int node) const { return node > 0 && nodes[static_cast<size_t>(node)].level < groupLevels; }
    int visibleLeafCount() const;
    // Same nodes in the same places (values and counts aside): a view needs no new layout.
    bool sameShape(const Arrangement& other) const;
    // Follow a removal or an insertion of source rows without rebuilding.
    void sourceRowsRemoved(int first, int last);
    void sourceRowsInserted(int first, int last);
};

}  // namespace grid

#pragma once
// The grid's one proxy between the snapshot model and the tree view: it puts the columns in the
// grid's order, keeps the rows that pass the value filters, the excluded values and the quick
// filter, sorts them on several columns and nests them under group rows. A refresh of the source
// reaches it as a keyed row update; the proxy follows it cheaply and arranges the rows again once
// (flush), telling the view by one layout change (or by value changes when nothing moved), so
// that the current row, the selection and the expanded groups survive. Values changed in columns
// that no filter, grouping or sort reads keep the arrangement as it is, without arranging again.

#include "mainwindow/grid/RowArrangement.h"

#include <QAbstractProxyModel>
#include <QPersistentModelIndex>
#include <QSize>

#include <functional>
#include <map>
#include <vector>

class TGridProxyModel : public QAbstractProxyModel {
    Q_OBJECT
public:
    enum Roles {
        GroupLevelRole = Qt::UserRole + 64,  // group rows: 0 for the outermost grouping; leaves: no value
        GroupCountRole,                      // group rows: the rows below
        GroupValueRole                       // group rows: the grouped typed value
    };

    explicit TGridProxyModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    // The role that holds the typed values for sorting, grouping and filtering.
    void setValueRole(int role) { m_valueRole = role; }

    // Column c of the proxy shows source column order[c]; a permutation of the source columns.
    void setColumnOrder(std::vector<int> order);
    int sourceColumn(int column) const;
    int proxyColumn(int sourceColumn) const;
    // A caption of the grid's own in place of the source's header text.
    void setCaption(int column, const QString& caption);

    // The arrangement, in proxy columns. Each change arranges the rows at once.
    void setSortOrder(std::vector<grid::OrderedColumn> sorts);
    const std::vector<grid::OrderedColumn>& sortOrder() const { return m_sorts; }
    void setGrouping(std::vector<grid::OrderedColumn> groups);
    const std::vector<grid::OrderedColumn>& grouping() const { return m_groups; }
    void setValueFilter(int column, const QVariant& value);
    void removeValueFilter(int column);
    bool hasValueFilter(int column) const { return m_filters.count(column) > 0; }
    QVariant valueFilter(int column) const;
    const std::map<int, QVariant>& valueFilters() const { return m_filters; }
    // Leaves out the rows whose value in the column is exactly the text (trailing blanks
    // ignored); an empty text removes the rule.
    void setExcludedText(int column, const QString& text);
    QString excludedText(int column) const;
    // The quick filter: keeps the rows whose display text in one of the columns contains the
    // text, without regard to letter case; an empty text keeps every row.
    void setSearchText(const QString& text, std::vector<int> columns);
    const QString& searchText() const { return m_searchText; }
    // Where the quick filter reads a cell's display text (source row, source column); empty: the
    // source's DisplayRole.
    void setSearchTextSource(std::function<QString(int row, int column)> source) { m_searchSource = std::move(source); }

    // Rows to mark (on a tinted background, with a hint), asked by their source row while
    // the cells are drawn; nullptr marks none.
    using RowMarker = std::function<bool(int sourceRow)>;
    void setRowMarker(RowMarker marker, const QString& hint);
    bool isMarked(const QModelIndex& index) const;

    // Arranges again now if the source has changed since the last arrangement.
    void flush();
    bool isPending() const { return m_dirty; }

    // The distinct values of a column over all source rows, in ascending order, with their
    // display texts (trailing blanks removed).
    std::vector<std::pair<QVariant, QString>> distinctValues(int column) const;
    // The sum of a column's integer values over the rows that pass the filters.
    qint64 sum(int column) const;
    int leafCount() const { return m_arrangement.visibleLeafCount(); }
    bool isGroup(const QModelIndex& index) const;
    QModelIndexList groupIndexes() const;

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    void multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const override;
    QMap<int, QVariant> itemData(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QModelIndex buddy(const QModelIndex& index) const override { return index; }
    bool canFetchMore(const QModelIndex&) const override { return false; }
    void fetchMore(const QModelIndex&) override {}
    QSize span(const QModelIndex&) const override { return {1, 1}; }

signals:
    // The rows were arranged anew (after a flush or a change of the arrangement).
    void arranged();

private:
    int nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(int node, int column) const;
    grid::ArrangeRules rules() const;
    void sourceChanged();
    // What the source changed since the last arrangement: the values of these source columns.
    void noteChangedColumns(int first, int last);
    // Whether the changes since the last arrangement can move, add or drop rows of the view: rows
    // added, removed or reordered in the source, or new values in a column that a filter, the
    // quick filter, a grouping or a sort reads. Otherwise the arrangement stays as it is.
    bool changesArrangement() const;
    void rearrange();
    void emitValuesChanged();
    void resetFromSource();
    void clearRowRules();  // the excluded values and the quick filter
    // A marked row's font, colours and hint in place of the source's.
    void markCell(int sourceRow, int role, QVariant& value) const;

    std::vector<int> m_order;  // proxy column -> source column
    std::vector<int> m_proxyOfSource;
    std::map<int, QString> m_captions;
    int m_valueRole = Qt::EditRole;
    std::vector<grid::OrderedColumn> m_sorts;
    std::vector<grid::OrderedColumn> m_groups;
    std::map<int, QVariant> m_filters;
    std::map<int, QString> m_excluded;
    QString m_searchText;
    std::vector<int> m_searchColumns;
    std::function<QString(int row, int column)> m_searchSource;
    grid::Arrangement m_arrangement;
    bool m_dirty = false;
    bool m_rowsChanged = false;
    std::vector<bool> m_changedColumns;  // by source column
    bool m_flushQueued = false;
    std::vector<std::pair<int, QPersistentModelIndex>> m_movingLeaves;  // across a source layout change
    std::vector<QMetaObject::Connection> m_sourceConnections;
    RowMarker m_rowMarker;
    QString m_rowMarkHint;
};

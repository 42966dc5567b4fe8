#pragma once
// The item model through which views show a snapshot (the data sources). Every declared column
// is a model column; views hide the ones that are not shown. A refresh reaches the views as a
// keyed row update (removed, moved, inserted rows, and dataChanged on the cells whose values
// changed; never a reset while the rows keep their keys), so the current row, the scroll
// position, sorting, filters and expanded groups of the views above survive it.

#include <QAbstractTableModel>

#include <string>
#include <vector>

class Snapshot;

class SnapshotModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Roles {
        ValueRole = Qt::UserRole + 1,  // the typed value (for sorting and filters)
        KeyRole,                       // the row's key bytes as a QByteArray
        ColumnNameRole,                // header: the column's name
        ShownRole                      // header: whether a view that lists all columns shows it
    };

    explicit SnapshotModel(Snapshot* snapshot, QObject* parent = nullptr);
    Snapshot* snapshot() const { return m_snapshot; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The model row that shows snapshot row r (the same number once an update has finished).
    int snapshotRowOf(int modelRow) const;

private:
    void snapshotRowsReplaced();
    // dataChanged over the cells of the surviving rows whose values differ from what the views
    // knew (oldRowOf: per row, its row before the update, -1 for an inserted row).
    void emitChangedCells(const std::vector<int>& oldRowOf, size_t knownRows);
    std::vector<std::string> currentKeys() const;

    Snapshot* m_snapshot;
    // model row -> snapshot row; empty when the two are the same
    std::vector<int> m_map;
    int m_rowCount = 0;
    std::vector<std::string> m_keys;  // keys of the rows as the views know them
};

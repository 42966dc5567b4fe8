#pragma once
// A plain table over one snapshot. Binding it to the snapshot creates its item model (the data
// source) and hides the snapshot's hidden columns; from then on the table's current row and the
// snapshot's cursor are one: moving in the table moves the cursor, and a cursor moved by the
// program (a refresh, a locate) moves the table.

#include <QTableView>

class Snapshot;
class SnapshotModel;

class TSnapshotTableView : public QTableView {
    Q_OBJECT
public:
    explicit TSnapshotTableView(QWidget* parent = nullptr);

    // Once, when the data modules exist.
    void bind(Snapshot& snapshot);
    Snapshot* snapshot() const { return m_snapshot; }
    SnapshotModel* source() const { return m_source; }

private:
    void viewRowChanged(const QModelIndex& current);
    void followSnapshot();

    Snapshot* m_snapshot = nullptr;
    SnapshotModel* m_source = nullptr;
    // While the model replays a refresh, the table's current row moves with the rows it stood
    // on; those moves are not the user's and must not move the cursor.
    bool m_replaying = false;
    bool m_following = false;
};

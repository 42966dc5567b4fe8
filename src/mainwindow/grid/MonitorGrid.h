#pragma once
// The grid of one snapshot, built from its declaration: a tree view over the snapshot's model
// through the grid proxy, with the band header, the group panel and the sum footer where the
// declaration has them. Read-only, whole rows selected. The grid's current row is the snapshot's
// current row: moving in the grid moves the snapshot's cursor, and a cursor moved elsewhere (a
// refresh that finds the row again, a locate) moves the grid, expanding the row's group. Sorts,
// filters, groupings and expanded groups stay in force across refreshes. A column that the
// snapshot's source lacks is out of sight.

#include "mainwindow/grid/CellTexts.h"
#include "mainwindow/grid/GridDeclarations.h"
#include "mainwindow/grid/RowArrangement.h"

#include <QModelIndex>
#include <QWidget>

#include <functional>
#include <vector>

class QMenu;
class QTreeView;
class Snapshot;
class SnapshotModel;
class TGridFilterBar;
class TGridFooter;
class TGridHeader;
class TGridProxyModel;
class TGroupPanel;

class TMonitorGrid : public QWidget {
    Q_OBJECT
public:
    // Throws Exception when the declaration names a column the snapshot lacks.
    TMonitorGrid(Snapshot& snapshot, const grids::GridDecl& decl, QWidget* parent = nullptr);

    Snapshot& snapshot() const { return m_snapshot; }
    const grids::GridDecl& decl() const { return m_decl; }
    SnapshotModel* snapshotModel() const { return m_model; }
    TGridProxyModel* proxyModel() const { return m_proxy; }
    QTreeView* view() const { return m_view; }
    TGridHeader* header() const { return m_header; }
    TGroupPanel* groupPanel() const { return m_groupPanel; }  // nullptr when the grid has none
    TGridFooter* footer() const { return m_footer; }          // nullptr when the grid has none

    // View sections and snapshot columns: -1 / empty when there is no such column.
    int sectionOf(const QString& column) const;
    QString columnOf(int section) const;

    // What the user does through the header, the menus and the group panel.
    void sortBySection(int section, bool addToSort);  // a click; with Ctrl one more sort column
    void setSortOrder(std::vector<grid::OrderedColumn> sorts);
    void groupBySection(int section, int position = -1);  // -1: innermost
    void ungroupSection(int section);
    void toggleGroupOrder(int section);
    void setValueFilter(int section, const QVariant& value);
    void removeValueFilter(int section);

    // The menus: a column's commands (header context menu), and a column's values (its filter
    // drop-down).
    void fillColumnMenu(QMenu& menu, int section);
    void fillFilterMenu(QMenu& menu, int section);

    // The filter bar above the grid: the quick filter keeps the rows in which the display text of
    // a visible column contains the text (letter case ignored); "Hide idle", on the grids that show
    // a row's state, leaves out the rows whose state is exactly IDLE. Like the value filters they
    // stay in force across refreshes.
    TGridFilterBar* filterBar() const { return m_filterBar; }
    void setQuickFilter(const QString& text);  // as if typed into the search box
    QString quickFilter() const;               // the text searched for (no blanks around it)
    bool offersHideIdle() const;
    void setHideIdle(bool hide);  // nothing on a grid that does not offer it
    bool hideIdle() const;

    // Ctrl+C: the selected rows (the current row when none is selected) as tab-separated text
    // with a header line, on the clipboard (see GridText.h).
    void copySelectedRows();

    // Whether the grid shows the snapshot's current row as its current row: not when the row is
    // filtered out (the grid then has no current row, and commands on the row should wait).
    bool currentRowShown() const;

    // The snapshot rows of the selected leaf rows, top to bottom as shown (a group line stands for
    // no row of its own).
    std::vector<int> selectedSnapshotRows() const;
    // Selects these snapshot rows besides the current one (after a refresh: the rows the user had
    // selected, where they still are); rows the grid does not show are left out.
    void selectSnapshotRows(const std::vector<int>& rows);
    // No row selected; the current row stays where it is.
    void clearRowSelection();

    // Rows the grid marks (on a tinted background, with the hint), asked by snapshot row
    // while the cells are drawn; nullptr marks none. After the rows to mark have changed,
    // refreshRowMarks draws them again.
    void setRowMarker(std::function<bool(int snapshotRow)> marker, const QString& hint);
    void refreshRowMarks();
    bool isRowMarked(int snapshotRow) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildColumns();
    void connectParts();
    void arranged();
    void userArrangementChanged();
    void showGroupings();
    void snapshotRowsReplaced();
    // The columns that the snapshot's source lacks (a server's release without them) are out of
    // sight until a source has them.
    void hideAbsentColumns();
    void snapshotCurrentRowChanged();
    void viewCurrentChanged(const QModelIndex& current);
    void selectSnapshotRow(bool mayMoveCursor);
    void sizeColumnsOnce();
    int snapshotRowOf(const QModelIndex& index) const;
    QModelIndex indexOfSnapshotRow(int row) const;
    QModelIndex firstLeaf(const QModelIndex& parent = {}) const;
    void showFilterMenu(int section, const QPoint& globalPos);
    // onRows: opened on the rows, with Copy first
    void showColumnMenu(int section, const QPoint& globalPos, bool allColumns, bool onRows);
    void applyQuickFilter();
    void applyHideIdle();

    Snapshot& m_snapshot;
    const grids::GridDecl& m_decl;
    SnapshotModel* m_model = nullptr;
    TGridProxyModel* m_proxy = nullptr;
    QTreeView* m_view = nullptr;
    bool m_rowsLaidOut = true;  // false from a change of the rows until the view has laid them out
    TGridHeader* m_header = nullptr;
    TGroupPanel* m_groupPanel = nullptr;
    TGridFooter* m_footer = nullptr;
    TGridFilterBar* m_filterBar = nullptr;
    int m_stateSection = -1;  // the visible state column that Hide idle reads; -1: none
    TCellTexts m_cellTexts;   // what the quick filter searches
    int m_visibleColumns = 0;
    std::vector<bool> m_absent;  // by visible section: hidden because the source lacks it
    bool m_syncing = false;
    bool m_sized = false;
    int m_firstColumnIndent = 0;  // what the first column is widened by for the groups' indentation
    std::function<bool(int snapshotRow)> m_rowMarker;
};

#include "mainwindow/SnapshotTableView.h"

#include "monitor/Snapshot.h"
#include "monitor/SnapshotModel.h"

#include <QHeaderView>

TSnapshotTableView::TSnapshotTableView(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
}

void TSnapshotTableView::bind(Snapshot& snapshot)
{
    m_snapshot = &snapshot;
    // connected around the model's own handler, so that the flag spans exactly its replay
    connect(&snapshot, &Snapshot::rowsReplaced, this, [this] { m_replaying = true; });
    m_source = new SnapshotModel(&snapshot, this);
    connect(&snapshot, &Snapshot::rowsReplaced, this, [this] { m_replaying = false; });
    connect(&snapshot, &Snapshot::currentRowChanged, this, &TSnapshotTableView::followSnapshot);

    setModel(m_source);
    for (int c = 0; c < m_source->columnCount(); ++c)
        setColumnHidden(c, !m_source->headerData(c, Qt::Horizontal, SnapshotModel::ShownRole).toBool());
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { viewRowChanged(current); });
}

void TSnapshotTableView::viewRowChanged(const QModelIndex& current)
{
    if (m_replaying || m_following || !current.isValid() || !m_snapshot)
        return;
    const int row = m_source->snapshotRowOf(current.row());
    if (row >= 0)
        m_snapshot->setRecNo(row);
}

void TSnapshotTableView::followSnapshot()
{
    if (!m_snapshot)
        return;
    m_following = true;
    const int row = m_snapshot->recNo();
    if (row < 0 || row >= m_source->rowCount()) {
        selectionModel()->clear();
    } else {
        int column = 0;
        while (column + 1 < m_source->columnCount() && isColumnHidden(column))
            ++column;
        const QModelIndex index = m_source->index(row, column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_following = false;
}

#pragma once
// The Memory tab: the memory charts (the pie of the pool types and the history of the total) or
// the pools grid, whichever is chosen. It has no snapshot of its own to refresh: the pools are
// read on every refresh, whatever the tab (refreshPools), and each read adds one history bar
// (a recorded moment shows its own bar alone).

#include "mainwindow/PoolMemoryList.h"
#include "mainwindow/pages/MonitorPage.h"

class TfrmMemoryDisplayChart;

class MemoryPage : public MonitorPage {
    Q_OBJECT
public:
    explicit MemoryPage(const PageContext& context);

    // Nothing of its own: the pools are read by refreshPools on every refresh.
    void refresh() override {}
    void connectionClosed() override;
    TMonitorGrid* gridInSight() const override { return m_gridShown ? grid() : nullptr; }

    // Reads the pools again (the grid's current row kept), rebuilds the pool memory list and hands
    // it to the charts, which add one history bar.
    void refreshPools();
    // Shows the charts, the grid, both or neither.
    void showViews(bool charts, bool poolsGrid);

    TfrmMemoryDisplayChart& charts() const { return *m_charts; }
    const PoolMemoryList& poolMemoryList() const { return m_poolMemoryList; }

private:
    TfrmMemoryDisplayChart* m_charts;
    PoolMemoryList m_poolMemoryList;
    bool m_gridShown = false;
};

#include "mainwindow/pages/MemoryPage.h"

#include "mainwindow/MemoryChartFrame.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "monitor/Snapshot.h"

#include <QVBoxLayout>

MemoryPage::MemoryPage(const PageContext& context) : MonitorPage(PageId::Memory, context)
{
    m_charts = new TfrmMemoryDisplayChart(widget());
    layout()->insertWidget(0, m_charts);
}

void MemoryPage::refreshPools()
{
    refreshKeepingRow();
    m_poolMemoryList.clear();
    // by position, so that the pools grid's current row stays where the refresh left it
    const Snapshot& pools = *snapshot();
    const int type = pools.requireColumn(QLatin1String(catalogue::column::PoolType));
    const int memory = pools.requireColumn(QLatin1String(catalogue::column::PoolMemory));
    for (int row = 0; row < pools.rowCount(); ++row)
        m_poolMemoryList.push_back(
            {pools.displayText(row, type), pools.isNull(row, memory) ? 0 : pools.intValue(row, memory)});
    // A recorded moment's bar is that moment's alone: the moments the user steps through are not
    // a history of the total, and bars in the order they were visited would read as one.
    if (context().origin.recorded())
        m_charts->ClearCharts();
    m_charts->UpdateCharts(m_poolMemoryList);
}

void MemoryPage::connectionClosed() { m_charts->ClearCharts(); }

void MemoryPage::showViews(bool charts, bool poolsGrid)
{
    m_charts->setVisible(charts);
    grid()->setVisible(poolsGrid);
    m_gridShown = poolsGrid;
}

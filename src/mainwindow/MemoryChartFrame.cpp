#include "mainwindow/MemoryChartFrame.h"

#include "mainwindow/charts/MemoryCharts.h"

#include <QChart>
#include <QChartView>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr double BytesPerKilobyte = 1024.0;
constexpr double BytesPerMegabyte = 1048576.0;
const QColor FirstBarColor(255, 255, 0);

// Channels are carried as real numbers (k/30 of the way, an exact half where the way is one) and
// rounded to the nearest integer, halves away from zero.
int channel(int from, int to, int k)
{
    const double value = from + (to - from) * k / static_cast<double>(TfrmMemoryDisplayChart::HistoryLength);
    return static_cast<int>(std::lround(value));
}
}  // namespace

TfrmMemoryDisplayChart::TfrmMemoryDisplayChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMemoryDisplayChart"));
    m_charts = new TMemoryCharts(this);
    m_charts->setObjectName(QStringLiteral("chtMemory"));
    // flat on the window's own background, so that the bars fade toward it
    for (QChartView* view : {m_charts->pieView(), m_charts->historyView()})
        view->chart()->setBackgroundBrush(palette().color(QPalette::Window));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_charts);
}

QColor TfrmMemoryDisplayChart::historyBackground() const
{
    return m_charts->historyView()->chart()->backgroundBrush().color();
}

void TfrmMemoryDisplayChart::setHistoryBackground(const QColor& color)
{
    m_charts->historyView()->chart()->setBackgroundBrush(color);
}

QColor TfrmMemoryDisplayChart::targetColor(const QColor& background)
{
    return QColor(background.blue(), background.green(), background.red());
}

QColor TfrmMemoryDisplayChart::barColor(int k, const QColor& target)
{
    return QColor(channel(FirstBarColor.red(), target.red(), k), channel(FirstBarColor.green(), target.green(), k),
                  channel(FirstBarColor.blue(), target.blue(), k));
}

void TfrmMemoryDisplayChart::UpdateCharts(const PoolMemoryList& pools)
{
    m_slices.clear();
    qint64 total = 0;
    for (const PoolMemory& pool : pools) {
        m_slices.emplace_back(pool.poolType.left(SliceLabelLength), pool.bytes / BytesPerKilobyte);
        total += pool.bytes;
    }
    // the newest total in front; the oldest of 31 drops out; places never filled stay 0
    std::vector<double> history(HistoryLength, 0.0);
    history[0] = total / BytesPerMegabyte;
    for (size_t i = 0; i + 1 < history.size() && i < m_history.size(); ++i)
        history[i + 1] = m_history[i];
    m_history = std::move(history);

    const QColor target = targetColor(historyBackground());
    m_barColors.clear();
    for (int k = 0; k < HistoryLength; ++k)
        m_barColors.push_back(barColor(k, target));
    // the charts' series cost as much to update unseen as seen
    if (!isVisible() && window()->isVisible()) {
        m_undrawn = pools;
        return;
    }
    m_undrawn.reset();
    draw(pools);
}

void TfrmMemoryDisplayChart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_undrawn) {
        draw(*m_undrawn);
        m_undrawn.reset();
    }
}

void TfrmMemoryDisplayChart::ClearCharts()
{
    m_slices.clear();
    m_history.clear();
    m_barColors.clear();
    m_undrawn.reset();
    m_charts->clear();
}

void TfrmMemoryDisplayChart::draw(const PoolMemoryList& pools)
{
    std::vector<std::pair<QString, qint64>> slices;
    slices.reserve(pools.size());
    for (const PoolMemory& pool : pools)
        slices.emplace_back(pool.poolType, pool.bytes);
    m_charts->setPie(slices);
    m_charts->setHistory(QList<double>(m_history.begin(), m_history.end()),
                         QList<QColor>(m_barColors.begin(), m_barColors.end()));
}

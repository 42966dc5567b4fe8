#pragma once
// TfrmMemoryDisplayChart: what the Memory tab's two charts show: the memory of each pool type as
// a pie, and the history of the total as 30 bars, the newest at the left, each bar in its own
// colour. Every refresh hands it the pools (UpdateCharts), which adds one history value; a
// disconnect clears both. The drawing is TMemoryCharts'; while the charts are out of sight in a
// shown window (another tab is current) they are drawn when they come into sight, not on every
// refresh.

#include "mainwindow/PoolMemoryList.h"

#include <QColor>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class TMemoryCharts;

class TfrmMemoryDisplayChart : public QWidget {
    Q_OBJECT
public:
    static constexpr int HistoryLength = 30;
    static constexpr int SliceLabelLength = 27;

    explicit TfrmMemoryDisplayChart(QWidget* parent = nullptr);

    void UpdateCharts(const PoolMemoryList& pools);
    void ClearCharts();

    // The history in megabytes, newest first: empty after a clear, otherwise 30 values.
    const std::vector<double>& history() const { return m_history; }
    // One colour per history value, in the same order.
    const std::vector<QColor>& barColors() const { return m_barColors; }
    // The pie's slices: label (cut to 27 characters) and kilobytes.
    const std::vector<std::pair<QString, double>>& slices() const { return m_slices; }

    // The history chart's background, from which the bars' target colour is taken.
    QColor historyBackground() const;
    void setHistoryBackground(const QColor& color);
    // The colour the bars run toward: the background's blue, green and red as red, green, blue.
    static QColor targetColor(const QColor& background);
    // Bar k of the history: k/30 of the way from yellow to the target, each channel rounded.
    static QColor barColor(int k, const QColor& target);

    TMemoryCharts* charts() const { return m_charts; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void draw(const PoolMemoryList& pools);

    TMemoryCharts* m_charts;
    std::vector<double> m_history;
    std::vector<QColor> m_barColors;
    std::vector<std::pair<QString, double>> m_slices;
    std::optional<PoolMemoryList> m_undrawn;  // the pools of the last refresh, not drawn yet
};

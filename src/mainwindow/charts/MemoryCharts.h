#pragma once
// The drawing of the Memory tab's two charts, side by side and flat: on the left, 250 pixels wide,
// the pie "Memory Usage by Pool Type" (one slice per pool type however small, no labels on the
// pie, a legend below it listing each label whole with its value in kilobytes right-aligned); on
// the right the bars "Memory Usage History", each bar in the colour the caller gives, the newest
// at the left, with a left axis "Total Memory (MB)", no bottom axis and no legend. What the charts
// show (the history and its colours) is the caller's; this draws it.

#include <QColor>
#include <QList>
#include <QLocale>
#include <QWidget>

#include <utility>
#include <vector>

class QChart;
class QChartView;
class QPieSeries;
class QStackedBarSeries;
class TPieLegend;

class TMemoryCharts : public QWidget {
    Q_OBJECT
public:
    static constexpr int PieWidth = 250;
    static constexpr int LabelLength = 27;

    explicit TMemoryCharts(QWidget* parent = nullptr);

    // One slice per pool type, in order: its text (cut to 27 characters) and its bytes.
    void setPie(const std::vector<std::pair<QString, qint64>>& pools);
    // The bars from left to right in megabytes, the newest first, each with its colour.
    void setHistory(const QList<double>& megabytes, const QList<QColor>& colours);
    void clear();

    QChartView* pieView() const { return m_pieView; }
    QChartView* historyView() const { return m_historyView; }
    QPieSeries* pieSeries() const { return m_pie; }
    QStackedBarSeries* historySeries() const { return m_bars; }
    TPieLegend* legend() const { return m_legend; }

    // "#,##0.### KB": the bytes in kilobytes, thousands separated, up to three decimals.
    static QString kilobytesText(qint64 bytes, const QLocale& locale = QLocale());

private:
    void buildHistoryAxes();

    QChartView* m_pieView;
    QChartView* m_historyView;
    TPieLegend* m_legend;
    QPieSeries* m_pie = nullptr;
    QStackedBarSeries* m_bars = nullptr;
    double m_historyTop = 0;  // the top of the range the value axis was last given
};

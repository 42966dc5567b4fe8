#include "mainwindow/MemoryChartFrame.h"

#include "common/Messages.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLegend>
#include <QLocale>
#include <QPieSeries>
#include <QPieSlice>
#include <QStackedBarSeries>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace {
constexpr double BytesPerKilobyte = 1024.0;
constexpr double BytesPerMegabyte = 1048576.0;
const QColor FirstBarColor(255, 255, 0);

QChartView* flatChart(const char* title, QWidget* parent)
{
    auto* chart = new QChart;
    chart->setTitle(QString::fromUtf8(title));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setBackgroundBrush(parent->palette().color(QPalette::Window));
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    return view;
}

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
    chtPoolTypes = flatChart(msg::ChartPoolTypesTitle, this);
    chtPoolTypes->setObjectName(QStringLiteral("chtPoolTypes"));
    chtPoolTypes->chart()->legend()->hide();
    // the chart's own legend lays out in rows and cuts the labels short in 250 pixels: the
    // legend is a list of its own below the pie, one line per slice, values right-aligned
    lstPoolTypes = new QTreeWidget(this);
    lstPoolTypes->setObjectName(QStringLiteral("lstPoolTypes"));
    lstPoolTypes->setColumnCount(2);
    lstPoolTypes->setHeaderHidden(true);
    lstPoolTypes->setRootIsDecorated(false);
    lstPoolTypes->setSelectionMode(QAbstractItemView::NoSelection);
    lstPoolTypes->setFocusPolicy(Qt::NoFocus);
    lstPoolTypes->setFrameShape(QFrame::NoFrame);
    lstPoolTypes->setIconSize(QSize(10, 10));
    lstPoolTypes->header()->setStretchLastSection(false);
    lstPoolTypes->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstPoolTypes->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    QPalette legendPalette = lstPoolTypes->palette();
    legendPalette.setColor(QPalette::Base, palette().color(QPalette::Window));
    lstPoolTypes->setPalette(legendPalette);
    auto* pie = new QWidget(this);
    pie->setFixedWidth(PieWidth);
    auto* pieLayout = new QVBoxLayout(pie);
    pieLayout->setContentsMargins(0, 0, 0, 0);
    pieLayout->setSpacing(0);
    pieLayout->addWidget(chtPoolTypes, 3);
    pieLayout->addWidget(lstPoolTypes, 2);
    chtHistory = flatChart(msg::ChartHistoryTitle, this);
    chtHistory->setObjectName(QStringLiteral("chtHistory"));
    chtHistory->chart()->legend()->hide();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pie);
    layout->addWidget(chtHistory, 1);
    drawPie();
    drawHistory();
}

QColor TfrmMemoryDisplayChart::historyBackground() const { return chtHistory->chart()->backgroundBrush().color(); }

void TfrmMemoryDisplayChart::setHistoryBackground(const QColor& color)
{
    chtHistory->chart()->setBackgroundBrush(color);
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

QString TfrmMemoryDisplayChart::kilobytesText(double kilobytes)
{
    // thousands are always separated, also where the locale would leave them out
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    QString number = locale.toString(kilobytes, 'f', 3);
    // up to three decimals: trailing zeros and a bare decimal separator go
    const QString point = locale.decimalPoint();
    if (number.contains(point)) {
        while (number.endsWith(QLatin1Char('0')))
            number.chop(1);
        if (number.endsWith(point))
            number.chop(point.size());
    }
    return QString::fromUtf8(msg::ChartKilobytes).arg(number);
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
    drawPie();
    drawHistory();
}

void TfrmMemoryDisplayChart::ClearCharts()
{
    m_slices.clear();
    m_history.clear();
    m_barColors.clear();
    drawPie();
    drawHistory();
}

void TfrmMemoryDisplayChart::drawPie()
{
    QChart* chart = chtPoolTypes->chart();
    chart->removeAllSeries();
    auto* series = new QPieSeries;
    series->setPieSize(0.9);
    for (const auto& [label, kilobytes] : m_slices) {
        QPieSlice* slice = series->append(label, kilobytes);
        slice->setLabelVisible(false);
    }
    chart->addSeries(series);  // gives the slices their colours
    lstPoolTypes->clear();
    const QList<QPieSlice*> drawnSlices = series->slices();
    for (qsizetype i = 0; i < drawnSlices.size(); ++i) {
        auto* line = new QTreeWidgetItem(lstPoolTypes);
        QPixmap swatch(10, 10);
        swatch.fill(drawnSlices[i]->color());
        line->setIcon(0, QIcon(swatch));
        line->setText(0, drawnSlices[i]->label());
        line->setText(1, kilobytesText(drawnSlices[i]->value()));
        line->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
}

void TfrmMemoryDisplayChart::drawHistory()
{
    QChart* chart = chtHistory->chart();
    chart->removeAllSeries();
    // removing an axis hands it back to its caller
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    // one set per bar, each with its own colour, stacked so that each stands in its own place
    auto* series = new QStackedBarSeries;
    series->setBarWidth(0.8);
    double highest = 0;
    for (size_t k = 0; k < m_history.size(); ++k) {
        auto* set = new QBarSet(QString());
        for (size_t place = 0; place < m_history.size(); ++place)
            *set << (place == k ? m_history[k] : 0.0);
        set->setColor(m_barColors[k]);
        set->setBorderColor(m_barColors[k].darker(130));
        series->append(set);
        highest = std::max(highest, m_history[k]);
    }
    chart->addSeries(series);
    auto* places = new QBarCategoryAxis;
    for (int k = 0; k < HistoryLength; ++k)
        places->append(QString::number(k));
    places->setVisible(false);
    chart->addAxis(places, Qt::AlignBottom);
    series->attachAxis(places);
    auto* megabytes = new QValueAxis;
    megabytes->setTitleText(QString::fromUtf8(msg::ChartHistoryAxis));
    megabytes->setRange(0, highest > 0 ? highest * 1.1 : 1.0);
    megabytes->setLabelFormat(QStringLiteral("%.1f"));
    chart->addAxis(megabytes, Qt::AlignLeft);
    series->attachAxis(megabytes);
}

#include "mainwindow/charts/MemoryCharts.h"

#include "common/Messages.h"
#include "mainwindow/charts/PieLegend.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLegend>
#include <QPieSeries>
#include <QPieSlice>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace {

QChartView* flatChart(const char* title, QWidget* parent)
{
    auto* chart = new QChart;
    chart->setTitle(QString::fromUtf8(title));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->hide();
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    return view;
}

}  // namespace

TMemoryCharts::TMemoryCharts(QWidget* parent) : QWidget(parent)
{
    m_pieView = flatChart(msg::ChartPoolTypesTitle, this);
    m_historyView = flatChart(msg::ChartHistoryTitle, this);
    m_legend = new TPieLegend(this);
    m_legend->resize(PieWidth, 0);  // its height follows the column's width from the start

    auto* pieColumn = new QWidget(this);
    pieColumn->setFixedWidth(PieWidth);
    auto* column = new QVBoxLayout(pieColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_pieView, 1);
    column->addWidget(m_legend);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pieColumn);
    layout->addWidget(m_historyView, 1);

    m_pie = new QPieSeries;
    m_pieView->chart()->addSeries(m_pie);
    m_bars = new QStackedBarSeries;
    m_bars->setBarWidth(0.8);
    m_historyView->chart()->addSeries(m_bars);
    buildHistoryAxes();
}

void TMemoryCharts::buildHistoryAxes()
{
    QChart* chart = m_historyView->chart();
    auto* places = new QBarCategoryAxis;
    places->setVisible(false);
    chart->addAxis(places, Qt::AlignBottom);
    m_bars->attachAxis(places);
    auto* megabytes = new QValueAxis;
    megabytes->setTitleText(QString::fromUtf8(msg::ChartHistoryAxis));
    megabytes->setLabelFormat(QStringLiteral("%g"));
    megabytes->setRange(0, 1);
    chart->addAxis(megabytes, Qt::AlignLeft);
    m_bars->attachAxis(megabytes);
}

QString TMemoryCharts::kilobytesText(qint64 bytes, const QLocale& userLocale)
{
    // thousands are always separated, also where the locale would leave them out (the C locale)
    QLocale locale = userLocale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    QString number = locale.toString(static_cast<double>(bytes) / 1024.0, 'f', 3);
    // up to three decimals: trailing zeros go, and a decimal separator left bare
    const QString point = locale.decimalPoint();
    if (number.contains(point)) {
        const QString zero = locale.zeroDigit();
        while (number.endsWith(zero))
            number.chop(zero.size());
        if (number.endsWith(point))
            number.chop(point.size());
    }
    return QString::fromUtf8(msg::ChartKilobytes).arg(number);
}

void TMemoryCharts::setPie(const std::vector<std::pair<QString, qint64>>& pools)
{
    // The same pool types as shown: the slices take their new sizes and keep their colours.
    const QList<QPieSlice*> shown = m_pie->slices();
    bool same = shown.size() == static_cast<qsizetype>(pools.size());
    for (qsizetype i = 0; same && i < shown.size(); ++i)
        same = shown[i]->label() == pools[static_cast<size_t>(i)].first.left(LabelLength);
    if (!same) {
        // A fresh series: the chart's palette colours the slices as the series joins the chart.
        QChart* chart = m_pieView->chart();
        chart->removeSeries(m_pie);
        delete m_pie;
        m_pie = new QPieSeries;
        m_pie->setPieSize(0.9);
        for (const auto& [text, bytes] : pools) {
            QPieSlice* slice = m_pie->append(text.left(LabelLength), static_cast<double>(bytes) / 1024.0);
            slice->setLabelVisible(false);
        }
        chart->addSeries(m_pie);
    } else {
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const double kilobytes = static_cast<double>(pools[static_cast<size_t>(i)].second) / 1024.0;
            if (shown[i]->value() != kilobytes)
                shown[i]->setValue(kilobytes);
        }
    }
    std::vector<TPieLegend::Entry> entries;
    const QList<QPieSlice*> slices = m_pie->slices();
    for (qsizetype i = 0; i < slices.size(); ++i)
        entries.push_back({slices[i]->brush().color(), slices[i]->label(),
                           kilobytesText(pools[static_cast<size_t>(i)].second)});
    const std::vector<TPieLegend::Entry>& before = m_legend->entries();
    const bool legendSame = std::equal(entries.begin(), entries.end(), before.begin(), before.end(),
                                       [](const TPieLegend::Entry& a, const TPieLegend::Entry& b) {
                                           return a.color == b.color && a.label == b.label && a.value == b.value;
                                       });
    if (!legendSame)
        m_legend->setEntries(std::move(entries));
}

void TMemoryCharts::setHistory(const QList<double>& megabytes, const QList<QColor>& colours)
{
    // One set per bar, each with its own colour, stacked so that each stands alone in its place.
    // The sets stay from one refresh to the next: a bar takes its new height, and its colour when
    // that changed, so that a refresh does not build 30 sets of 30 values anew.
    const qsizetype n = megabytes.size();
    if (m_bars->count() != n) {
        m_bars->clear();
        QList<QBarSet*> sets;
        for (qsizetype k = 0; k < n; ++k) {
            auto* set = new QBarSet(QString());
            set->append(QList<qreal>(n, 0.0));
            sets << set;
        }
        m_bars->append(sets);
        QStringList places;
        for (qsizetype k = 0; k < n; ++k)
            places << QString::number(k);
        const auto horizontal = m_historyView->chart()->axes(Qt::Horizontal);
        if (!horizontal.isEmpty())
            static_cast<QBarCategoryAxis*>(horizontal.first())->setCategories(places);
    }
    double highest = 0;
    const QList<QBarSet*> sets = m_bars->barSets();
    for (qsizetype k = 0; k < n; ++k) {
        QBarSet* set = sets[k];
        if (set->at(k) != megabytes[k])
            set->replace(k, megabytes[k]);
        const QColor colour = k < colours.size() ? colours[k] : QColor(Qt::yellow);
        if (set->color() != colour) {
            set->setColor(colour);
            set->setBorderColor(colour.darker(130));
        }
        highest = std::max(highest, megabytes[k]);
    }
    const auto vertical = m_historyView->chart()->axes(Qt::Vertical);
    if (!vertical.isEmpty()) {
        auto* axis = static_cast<QValueAxis*>(vertical.first());
        const double top = highest > 0 ? highest * 1.1 : 1.0;
        if (top != m_historyTop) {
            m_historyTop = top;
            axis->setRange(0, top);
            axis->applyNiceNumbers();
        }
    }
}

void TMemoryCharts::clear()
{
    setPie({});
    setHistory({}, {});
}

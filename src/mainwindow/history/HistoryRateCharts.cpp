#include "mainwindow/history/HistoryRateCharts.h"

#include "common/Messages.h"
#include "mainwindow/DatabaseProperties.h"
#include "mainwindow/DatabaseRates.h"
#include "monitor/RowStore.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDialogButtonBox>
#include <QLineSeries>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {
// At most this many moments are read for the charts.
constexpr size_t ChartPoints = 400;
}  // namespace

THistoryRateCharts::THistoryRateCharts(history::HistoryReader& reader, const std::vector<history::MomentInfo>& moments,
                                       QWidget* parent)
    : QDialog(parent), m_rates(DatabaseProperties.size())
{
    setObjectName(QStringLiteral("dlgHistoryRates"));
    setWindowTitle(QString::fromUtf8(msg::HistoryChartsTitle));
    resize(800, 480);

    // the same rates as the Database tab's, between the moments read
    std::vector<bool> isCounter;
    for (size_t row = 0; row < DatabaseProperties.size(); ++row)
        isCounter.push_back(isDatabaseCounterRow(row));
    DatabaseRates rates(isCounter);
    const catalogue::SnapshotDecl& decl = catalogue::snapshotDecl(catalogue::SnapshotId::Database);
    std::vector<int> columns;
    for (const TDatabasePropertyRecord& property : DatabaseProperties) {
        int found = -1;
        for (size_t c = 0; c < decl.columns.size(); ++c)
            if (std::string_view(decl.columns[c].name) == property.column)
                found = static_cast<int>(c);
        columns.push_back(found);
    }
    const size_t step = std::max<size_t>(1, (moments.size() + ChartPoints - 1) / ChartPoints);
    for (size_t i = 0; i < moments.size(); i += step) {
        const RowStore row = reader.rows(moments[i].id, decl);
        std::vector<std::optional<qint64>> values(DatabaseProperties.size());
        for (size_t p = 0; p < columns.size(); ++p) {
            const int c = columns[p];
            const catalogue::ColumnType type = c >= 0 ? decl.columns[static_cast<size_t>(c)].type : catalogue::ColumnType{};
            if (c >= 0 && row.rowCount() > 0 && !row.isNull(0, c) &&
                (type == catalogue::ColumnType::Int16 || type == catalogue::ColumnType::Int32 ||
                 type == catalogue::ColumnType::Int64))
                values[p] = row.intValue(0, c);
        }
        const auto at = DatabaseRates::Clock::time_point(std::chrono::milliseconds(moments[i].taken.toMSecsSinceEpoch()));
        const std::vector<std::optional<double>> perSecond = rates.update(values, at);
        for (size_t p = 0; p < perSecond.size(); ++p)
            m_rates[p].emplace_back(moments[i].taken, perSecond[p]);
    }

    auto* layout = new QVBoxLayout(this);
    m_counters = new QComboBox(this);
    m_counters->setObjectName(QStringLiteral("cbxHistoryCounter"));
    for (size_t row = 0; row < DatabaseProperties.size(); ++row)
        if (isCounter[row])
            m_counters->addItem(QString::fromUtf8(DatabaseProperties[row].label), static_cast<int>(row));
    m_counters->setCurrentIndex(std::max(0, m_counters->findData(databasePropertyRow("TMP$PAGE_READS"))));
    layout->addWidget(m_counters);
    m_view = new QChartView(new QChart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(m_view, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_counters, &QComboBox::currentIndexChanged, this, [this] { showCounter(); });
    showCounter();
}

void THistoryRateCharts::showCounter()
{
    const int row = m_counters->currentData().toInt();
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setTitle(m_counters->currentText());
    auto* series = new QLineSeries(chart);
    double largest = 0;
    for (const auto& [taken, rate] : m_rates[static_cast<size_t>(row)])
        if (rate) {
            series->append(static_cast<qreal>(taken.toMSecsSinceEpoch()), *rate);
            largest = std::max(largest, *rate);
        }
    chart->addSeries(series);
    auto* time = new QDateTimeAxis(chart);
    time->setFormat(QStringLiteral("MM-dd HH:mm:ss"));
    time->setTitleText(QString::fromUtf8(msg::HistoryChartsTimeAxis));
    chart->addAxis(time, Qt::AlignBottom);
    series->attachAxis(time);
    auto* values = new QValueAxis(chart);
    values->setTitleText(QString::fromUtf8(msg::HistoryChartsAxis));
    values->setRange(0, largest > 0 ? largest * 1.05 : 1);
    values->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    QChart* old = m_view->chart();
    m_view->setChart(chart);
    delete old;
}

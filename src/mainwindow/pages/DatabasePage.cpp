#include "mainwindow/pages/DatabasePage.h"

#include "common/Messages.h"
#include "mainwindow/DatabaseProperties.h"
#include "mainwindow/DatabaseValueList.h"
#include "monitor/QuillmereDM.h"

#include <QVBoxLayout>

DatabasePage::DatabasePage(const PageContext& context) : MonitorPage(PageId::Database, context)
{
    m_values = new TDatabaseValueList(widget());
    m_values->setObjectName(QStringLiteral("vleDatabase"));
    layout()->addWidget(m_values);
    FillDatabaseLabels();
}

void DatabasePage::FillDatabaseLabels()
{
    // the 44 counters in table order, then the transaction gaps
    QStringList labels;
    std::vector<bool> counters;
    for (size_t row = 0; row < DatabaseProperties.size(); ++row) {
        labels << QString::fromUtf8(DatabaseProperties[row].label);
        counters.push_back(isDatabaseCounterRow(row));
    }
    for (const health::GapDecl& gap : health::gaps())
        labels << QString::fromUtf8(gap.label);
    m_values->setLabels(labels);
    m_rates = DatabaseRates(std::move(counters));
}

QString DatabasePage::label(int row) const { return m_values->label(row); }

QString DatabasePage::value(int row) const { return m_values->value(row); }

void DatabasePage::refresh()
{
    Snapshot& database = context().dm.cdsDatabase;
    std::vector<std::optional<qint64>> numbers(DatabaseProperties.size());
    // held open only while the values are copied
    database.open();
    // the moment the values were read, for their rates: now, or when a recorded moment was taken
    // (the rates between recorded moments are never mixed with live ones)
    const std::optional<QDateTime> recordedAt = context().origin.readAt();
    if (recordedAt.has_value() != m_ratesRecorded) {
        m_rates.forget();
        m_ratesRecorded = recordedAt.has_value();
    }
    const DatabaseRates::Clock::time_point readAt =
        recordedAt ? DatabaseRates::Clock::time_point(std::chrono::milliseconds(recordedAt->toMSecsSinceEpoch()))
                   : DatabaseRates::Clock::now();
    try {
        for (size_t i = 0; i < DatabaseProperties.size(); ++i) {
            const int column = database.requireColumn(QString::fromLatin1(DatabaseProperties[i].column));
            // the plain value, not a display text; without a row every value is empty
            const QString text = database.rowCount() > 0 ? database.plainText(0, column) : QString();
            m_values->setValue(static_cast<int>(i), text);
            // what the source lacks (a release without it) is out of sight
            m_values->setRowHidden(static_cast<int>(i), database.columnAbsent(column));
            // the numbers as they are, for the rates and the transaction gaps
            const catalogue::ColumnType type = database.columnDecl(column).type;
            if (database.rowCount() > 0 && !database.isNull(0, column) &&
                (type == catalogue::ColumnType::Int16 || type == catalogue::ColumnType::Int32 ||
                 type == catalogue::ColumnType::Int64))
                numbers[i] = database.intValue(0, column);
        }
    } catch (...) {
        database.close();
        throw;
    }
    database.close();

    const std::vector<std::optional<double>> rates = m_rates.update(numbers, readAt);
    for (size_t i = 0; i < rates.size(); ++i)
        m_values->setRate(static_cast<int>(i), rates[i] ? DatabaseRates::text(*rates[i]) : QString());
    ShowTransactionGaps(numbers);
    m_oldestActive = numbers[static_cast<size_t>(databasePropertyRow("TMP$OLDEST_ACTIVE"))];
}

void DatabasePage::ShowTransactionGaps(const std::vector<std::optional<qint64>>& values)
{
    auto valueOf = [&](const char* column) { return values[static_cast<size_t>(databasePropertyRow(column))]; };
    const std::optional<qint64> sweepInterval = valueOf("TMP$SWEEP_INTERVAL");
    for (int g = 0; g < health::GapCount; ++g) {
        const health::GapDecl& decl = health::gaps()[static_cast<size_t>(g)];
        const int row = static_cast<int>(DatabaseProperties.size()) + g;
        const std::optional<qint64> gap = health::gapValue(valueOf(decl.minuend), valueOf(decl.subtrahend));
        const health::Thresholds limits = m_transactionHealth.thresholds(health::Gap(g), sweepInterval);
        m_values->setValue(row, gap ? QString::number(*gap) : QString());
        m_values->setLevel(row, gap ? health::levelOf(*gap, limits) : health::Level::Normal,
                           QString::fromUtf8(msg::TransactionGapHint).arg(limits.amber).arg(limits.red));
    }
}

void DatabasePage::connectionClosed()
{
    m_values->clearValues();
    // a new connection starts its rates afresh
    m_rates.forget();
    m_oldestActive.reset();
}

void DatabasePage::readOptions(const SettingsFile& settings) { m_transactionHealth = health::Settings::read(settings); }

void DatabasePage::writeOptions(SettingsFile& settings) const { m_transactionHealth.write(settings); }

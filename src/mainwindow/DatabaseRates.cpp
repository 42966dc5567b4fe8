#include "mainwindow/DatabaseRates.h"

#include "common/Messages.h"

DatabaseRates::DatabaseRates(std::vector<bool> counters) : m_counters(std::move(counters)) {}

std::vector<std::optional<double>> DatabaseRates::update(const std::vector<std::optional<qint64>>& values,
                                                         Clock::time_point readAt)
{
    std::vector<std::optional<double>> rates(values.size());
    if (m_previousAt && readAt > *m_previousAt) {
        const double seconds = std::chrono::duration<double>(readAt - *m_previousAt).count();
        for (size_t row = 0; row < values.size() && row < m_counters.size() && row < m_previous.size(); ++row) {
            const std::optional<qint64>& now = values[row];
            const std::optional<qint64>& before = m_previous[row];
            if (m_counters[row] && now && before && *now >= *before)
                rates[row] = static_cast<double>(*now - *before) / seconds;
        }
    }
    m_previous = values;
    m_previousAt = readAt;
    return rates;
}

void DatabaseRates::forget()
{
    m_previous.clear();
    m_previousAt.reset();
}

QString DatabaseRates::text(double rate)
{
    return QString::fromUtf8(msg::DatabaseRatePerSecond).arg(QString::number(rate, 'f', 1));
}

#pragma once
// The Database tab's rates over the recorded span: one counter at a time (chosen from a list),
// its change per second between recorded moments, against time. A long span is read at evenly
// spaced moments, each rate then the mean over the step, so that opening a week stays quick.

#include "history/HistoryReader.h"

#include <QDialog>

#include <optional>
#include <vector>

class QComboBox;
class QChartView;

class THistoryRateCharts : public QDialog {
    Q_OBJECT
public:
    THistoryRateCharts(history::HistoryReader& reader, const std::vector<history::MomentInfo>& moments,
                       QWidget* parent = nullptr);

    // The counters offered (rows of the Database tab) and the one shown.
    QComboBox& counters() const { return *m_counters; }
    // The rates of a Database tab row at the moments read: the moment's time and the rate, or
    // nothing (a first moment, a counter that went down).
    const std::vector<std::pair<QDateTime, std::optional<double>>>& rates(size_t row) const { return m_rates[row]; }

private:
    void showCounter();

    std::vector<std::vector<std::pair<QDateTime, std::optional<double>>>> m_rates;  // by Database tab row
    QComboBox* m_counters;
    QChartView* m_view;
};

#pragma once
// The rates of the Database tab: for each cumulative counter, its change since the previous read
// divided by the seconds between the two reads, the reads timed on a monotonic clock when their
// values arrived. Pure arithmetic over the values, kept apart from the window so that it can be
// tested on its own.
//
// A row has no rate
//  - when it is a gauge (what exists now, not a total);
//  - on the first read, and on the first read after forget() (a disconnect);
//  - when its value or its previous value is empty (a server that does not keep the counter);
//  - when the counter went down (the server restarted): the next read rates from the new value.

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <optional>
#include <vector>

class DatabaseRates {
public:
    using Clock = std::chrono::steady_clock;

    // counters[i]: whether row i is a cumulative counter.
    explicit DatabaseRates(std::vector<bool> counters = {});

    // One read: the rows' values in table order (nothing where a value is empty or no integer)
    // and the moment they were read. Gives one rate per row, per second, or nothing.
    std::vector<std::optional<double>> update(const std::vector<std::optional<qint64>>& values,
                                              Clock::time_point readAt);
    // Forgets the previous read: the next read gives no rates.
    void forget();
    // A rate as the tab shows it, in the number format of the values beside it (digits as they
    // are, no thousands separator, whatever the locale) with one decimal, and "/s".
    static QString text(double rate);

private:
    std::vector<bool> m_counters;
    std::vector<std::optional<qint64>> m_previous;
    std::optional<Clock::time_point> m_previousAt;
};

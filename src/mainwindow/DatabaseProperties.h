#pragma once
// The Database tab's rows: a label and the TMP$DATABASE column whose value it shows, in display
// order. The labels are in the messages table, in the same order as the columns here. A row whose
// column the source lacks is out of sight.

#include "common/Messages.h"

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>

struct TDatabasePropertyRecord {
    const char* label;
    const char* column;
};

inline constexpr const char* DatabasePropertyColumns[] = {
    "TMP$ACTIVE_THREADS",        "TMP$ATTACHMENTS",           "TMP$STATEMENTS",
    "TMP$PROCEDURES",            "TMP$RELATIONS",             "TMP$TRIGGERS",
    "TMP$CACHE_BUFFERS",         "TMP$CACHE_FREE_WAITS",      "TMP$CACHE_FREE_WRITES",
    "TMP$CACHE_LATCH_WAITS",     "TMP$CACHE_PRECEDENCE",      "TMP$CACHE_POOL_MEMORY",
    "TMP$CURRENT_MEMORY",        "TMP$MAXIMUM_MEMORY",        "TMP$PERMANENT_POOL_MEMORY",
    "TMP$POOLS",                 "TMP$SORT_MEMORY",           "TMP$ALLOCATED_PAGES",
    "TMP$PAGE_FETCHES",          "TMP$PAGE_MARKS",            "TMP$PAGE_READS",
    "TMP$PAGE_WRITES",           "TMP$RECORD_BACKOUTS",       "TMP$RECORD_DELETES",
    "TMP$RECORD_EXPUNGES",       "TMP$RECORD_INSERTS",        "TMP$RECORD_PURGES",
    "TMP$RECORD_SELECTS",        "TMP$RECORD_UPDATES",        "TMP$SWEEP_ACTIVE",
    "TMP$SWEEP_INTERVAL",        "TMP$SWEEP_RECORDS",         "TMP$SWEEP_RELATION",
    "TMP$TRANSACTIONS",          "TMP$TRANSACTION_COMMITS",   "TMP$TRANSACTION_CONFLICTS",
    "TMP$TRANSACTION_DEADLOCKS", "TMP$NEXT_TRANSACTION",      "TMP$OLDEST_ACTIVE",
    "TMP$OLDEST_INTERESTING",    "TMP$OLDEST_SNAPSHOT",       "TMP$TRANSACTION_PREPARES",
    "TMP$TRANSACTION_ROLLBACKS", "TMP$TRANSACTION_WAITS",
    // what Firebird 4 and later tell of the database; out of sight where the source lacks it
    "CRYPT_STATE",               "REPLICA_MODE",
};

inline constexpr std::size_t DatabasePropertyCount = 44 + 2;
static_assert(std::size(DatabasePropertyColumns) == DatabasePropertyCount);
static_assert(std::size(msg::DatabasePropertyLabels) == DatabasePropertyCount);

inline constexpr std::array<TDatabasePropertyRecord, DatabasePropertyCount> DatabaseProperties = [] {
    std::array<TDatabasePropertyRecord, DatabasePropertyCount> table{};
    for (std::size_t i = 0; i < DatabasePropertyCount; ++i)
        table[i] = {msg::DatabasePropertyLabels[i], DatabasePropertyColumns[i]};
    return table;
}();

// The row of a column in the table above; -1 when no row shows it.
constexpr int databasePropertyRow(std::string_view column)
{
    for (std::size_t i = 0; i < DatabasePropertyCount; ++i)
        if (column == DatabasePropertyColumns[i])
            return static_cast<int>(i);
    return -1;
}

// The cumulative counters among the rows: totals that only grow while the server runs, so that
// their change between two reads is a rate. The next transaction number counts the transactions
// started. Everything else is a gauge (memory, counts of what exists now, the oldest
// transactions, sizes, the sweep's state).
inline constexpr const char* DatabaseCounterColumns[] = {
    "TMP$CACHE_FREE_WAITS",      "TMP$CACHE_FREE_WRITES",     "TMP$CACHE_LATCH_WAITS",
    "TMP$PAGE_FETCHES",          "TMP$PAGE_MARKS",            "TMP$PAGE_READS",
    "TMP$PAGE_WRITES",           "TMP$RECORD_BACKOUTS",       "TMP$RECORD_DELETES",
    "TMP$RECORD_EXPUNGES",       "TMP$RECORD_INSERTS",        "TMP$RECORD_PURGES",
    "TMP$RECORD_SELECTS",        "TMP$RECORD_UPDATES",        "TMP$TRANSACTION_COMMITS",
    "TMP$TRANSACTION_CONFLICTS", "TMP$TRANSACTION_DEADLOCKS", "TMP$NEXT_TRANSACTION",
    "TMP$TRANSACTION_PREPARES",  "TMP$TRANSACTION_ROLLBACKS", "TMP$TRANSACTION_WAITS",
};

constexpr bool isDatabaseCounterRow(std::size_t row)
{
    if (row >= DatabasePropertyCount)
        return false;
    for (const char* counter : DatabaseCounterColumns)
        if (std::string_view(counter) == DatabasePropertyColumns[row])
            return true;
    return false;
}
static_assert(databasePropertyRow("TMP$OLDEST_ACTIVE") == 38);
static_assert(isDatabaseCounterRow(databasePropertyRow("TMP$PAGE_READS")));
static_assert(!isDatabaseCounterRow(databasePropertyRow("TMP$CURRENT_MEMORY")));

#pragma once
// The database's own log tables read back as history (File > Open Log Tables): each logging pass
// (a SNAPSHOT_ID of the log tables) becomes a recorded moment of a history store, taken when the
// pass wrote its rows, its rows in the snapshots of their monitoring sources (a column the log
// table lacks stays empty; the pool blocks, never logged, are empty), so that the window shows the
// logging passes as it shows recorded moments.

#include "monitor/MonitoringCatalogue.h"

#include <QString>

#include <vector>

class TdmPerformanceLog;
namespace ib {
class Database;
}
namespace history {
class HistoryStore;
}

namespace logtables {

// The log table of a monitoring source.
struct LogTable {
    catalogue::SnapshotId source;
    QString name;
};

// The log tables of the logging setup that exist in the database, with their sources.
std::vector<LogTable> existingTables(TdmPerformanceLog& log);

// Reads every logging pass of the tables, in one read-only transaction, into the store (open for
// writing and claimed); the texts decoded in the connection's character set. The passes read.
int readInto(ib::Database& database, const QString& characterSet, const std::vector<LogTable>& tables,
             history::HistoryStore& store);

}  // namespace logtables

#include "logging/LogTablesHistory.h"

#include "history/HistoryWriter.h"
#include "ib/Database.h"
#include "logging/IBPerformanceLogDM.h"
#include "logging/LogSQLConstants.h"
#include "monitor/MonitorQuery.h"
#include "monitor/Snapshot.h"

#include <map>
#include <memory>

using catalogue::ColumnType;
using catalogue::SnapshotId;

namespace logtables {

namespace {

QString L(const char* piece) { return QString::fromLatin1(piece); }

// The passes of a log table: their number and time. Not one of the monitoring snapshots, so its
// id lies outside theirs.
constexpr catalogue::ColumnDecl PassColumns[] = {
    {"SNAPSHOT_ID", ColumnType::Int64, 0, nullptr, true, catalogue::DisplayRule::Plain},
    {"TAKEN", ColumnType::Timestamp, 0, nullptr, true, catalogue::DisplayRule::Plain}};
constexpr catalogue::SnapshotDecl PassesDecl{static_cast<SnapshotId>(-1), "cdsLogPasses", "qryLogPasses",
                                             "LOG$", nullptr, PassColumns};

// A query of the read, in the read's transaction.
std::unique_ptr<MonitorQuery> query(const char* name, const QString& text, ib::Database& database,
                                    ib::TransactionComponent& transaction)
{
    auto q = std::make_unique<MonitorQuery>(QString::fromLatin1(name), std::initializer_list<const char*>{});
    q->setSQL({text});
    q->setDatabase(&database);
    q->setTransaction(&transaction);
    return q;
}

}  // namespace

std::vector<LogTable> existingTables(TdmPerformanceLog& log)
{
    std::vector<LogTable> tables;
    for (const TLogItem item : AllLogItems) {
        SnapshotId source = SnapshotId::Database;
        switch (item) {
        case TLogItem::Attachments: source = SnapshotId::Attachments; break;
        case TLogItem::Database: source = SnapshotId::Database; break;
        case TLogItem::Pools: source = SnapshotId::Pools; break;
        case TLogItem::Procedures: source = SnapshotId::Procedures; break;
        case TLogItem::Relations: source = SnapshotId::Relations; break;
        case TLogItem::Statements: source = SnapshotId::Statements; break;
        case TLogItem::Transactions: source = SnapshotId::Transactions; break;
        }
        if (log.TableExists(log.ItemLogTableName(item)))
            tables.push_back({source, log.ItemLogTableName(item)});
    }
    return tables;
}

int readInto(ib::Database& database, const QString& characterSet, const std::vector<LogTable>& tables,
             history::HistoryStore& store)
{
    ib::TransactionComponent transaction(ib::readCommittedTpb(true));
    transaction.setDefaultDatabase(&database);
    transaction.start();
    try {
        // every pass any of the tables holds, with the earliest time its rows carry
        std::map<int64_t, QDateTime> passes;
        for (const LogTable& table : tables) {
            Snapshot list(PassesDecl);
            auto q = query("qryLogPasses", L(logsql::PassesOpen) + table.name + L(logsql::PassesClose), database,
                           transaction);
            list.setFetcher([&](Snapshot& s, RowStore& rows) { q->fetchInto(s, rows); });
            list.open();
            for (int r = 0; r < list.rowCount(); ++r) {
                const QDateTime taken = list.value(r, 1).toDateTime();
                auto [at, added] = passes.emplace(list.intValue(r, 0), taken);
                if (!added && taken < at->second)
                    at->second = taken;
            }
        }

        // one snapshot per source, filled from its log table (an empty one where none is logged)
        std::vector<std::unique_ptr<Snapshot>> snapshots;
        std::vector<std::unique_ptr<MonitorQuery>> queries;
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
            auto snapshot = std::make_unique<Snapshot>(decl);
            snapshot->setTextDecoder(ib::TextDecoder(characterSet));
            MonitorQuery* q = nullptr;
            for (const LogTable& table : tables)
                if (table.source == decl.id) {
                    queries.push_back(query("qryLogRows", L(logsql::PassRowsOpen) + table.name + L(logsql::PassRowsClose),
                                            database, transaction));
                    q = queries.back().get();
                }
            snapshot->setFetcher([q](Snapshot& s, RowStore& rows) {
                if (q)
                    q->fetchInto(s, rows);
            });
            snapshots.push_back(std::move(snapshot));
        }

        history::HistoryWriter writer(store);
        history::PassSnapshots pass{};
        for (size_t i = 0; i < snapshots.size(); ++i)
            pass[i] = snapshots[i].get();
        for (const auto& [id, taken] : passes) {
            for (const auto& snapshot : snapshots) {
                snapshot->setParam(L(logsql::PassParam), QVariant::fromValue(static_cast<qint64>(id)));
                snapshot->refresh();
            }
            // the server's time, without a zone: taken as this computer's local time
            writer.write(pass, {}, QDateTime(taken.date(), taken.time(), Qt::LocalTime).toUTC());
        }
        transaction.commit();
        return static_cast<int>(passes.size());
    } catch (...) {
        transaction.transaction().endQuietly();
        throw;
    }
}

}  // namespace logtables

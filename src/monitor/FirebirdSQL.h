#pragma once
// The queries of the Firebird source over the monitoring (MON$) and system (RDB$) tables, built
// from these fixed pieces only.
//
// Releases differ in their columns (4.0 adds timeouts and wire encryption, 5.0 the session time
// zone, ...), so a query is a list of result columns, each naming the table column it reads: where
// the server lacks that column, NULL is selected in its place, so that a release without it gives
// an empty value, never an error. The rest of a query (FROM onwards) reads only what it names; a
// query whose rest reads something the server lacks gives no rows. Names are "TABLE.COLUMN",
// or "TABLE" for a whole table.
//
// Each text column arrives as the server's own bytes (CHARACTER SET OCTETS, so no character set
// of the connection can refuse a character); the program decodes them as UTF-8.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace monitorsql::firebird {

struct Item {
    const char* needs;       // "MON$ATTACHMENTS.MON$IDLE_TIMEOUT"; nullptr: reads nothing that may lack
    const char* expression;  // selected where the column exists
};

struct Query {
    std::span<const Item> items;
    const char* rest;                       // " FROM ..." up to the end
    std::span<const char* const> reads;  // what `rest` reads
};

// What the server has, learnt once per connection: every column of the monitoring and system
// tables, as "TABLE.COLUMN" (trimmed).
inline constexpr const char* ServerColumns =
    "SELECT CAST(TRIM(RF.RDB$RELATION_NAME) || '.' || TRIM(RF.RDB$FIELD_NAME) AS VARCHAR(512) CHARACTER SET OCTETS) "
    "FROM RDB$RELATION_FIELDS RF "
    "WHERE RF.RDB$RELATION_NAME STARTING WITH 'MON$' OR RF.RDB$RELATION_NAME STARTING WITH 'RDB$'";
inline constexpr const char* Selected = "SELECT ";
inline constexpr const char* ItemSeparator = ", ";
inline constexpr const char* Absent = "NULL";

struct Query;
// The text of a query for a server that has what has(name) says it has; empty when the server
// lacks what the query's rest reads.
template <class Has> std::string text(const Query& query, const Has& has);

// The columns that some releases lack and that snapshots show when the server has them.
inline constexpr const char* DatabaseCryptState = "MON$DATABASE.MON$CRYPT_STATE";
inline constexpr const char* DatabaseReplicaMode = "MON$DATABASE.MON$REPLICA_MODE";
inline constexpr const char* AttachmentIdleTimeout = "MON$ATTACHMENTS.MON$IDLE_TIMEOUT";
inline constexpr const char* AttachmentStatementTimeout = "MON$ATTACHMENTS.MON$STATEMENT_TIMEOUT";
inline constexpr const char* AttachmentWireEncrypted = "MON$ATTACHMENTS.MON$WIRE_ENCRYPTED";
inline constexpr const char* AttachmentWireCompressed = "MON$ATTACHMENTS.MON$WIRE_COMPRESSED";
inline constexpr const char* AttachmentTimeZone = "MON$ATTACHMENTS.MON$SESSION_TIMEZONE";
inline constexpr const char* StatementTimeout = "MON$STATEMENTS.MON$STATEMENT_TIMEOUT";
inline constexpr const char* StatementTimer = "MON$STATEMENTS.MON$STATEMENT_TIMER";

// ---- the queries --------------------------------------------------------------------------------

inline constexpr Item DatabaseItems[] = {
    {"MON$DATABASE.MON$STAT_ID", "D.MON$STAT_ID"},
    {"MON$DATABASE.MON$DATABASE_NAME", "CAST(D.MON$DATABASE_NAME AS VARCHAR(1020) CHARACTER SET OCTETS)"},
    {"MON$DATABASE.MON$PAGE_SIZE", "D.MON$PAGE_SIZE"},
    {"MON$DATABASE.MON$PAGE_BUFFERS", "D.MON$PAGE_BUFFERS"},
    {"MON$DATABASE.MON$PAGES", "D.MON$PAGES"},
    {"MON$DATABASE.MON$NEXT_TRANSACTION", "D.MON$NEXT_TRANSACTION"},
    {"MON$DATABASE.MON$OLDEST_TRANSACTION", "D.MON$OLDEST_TRANSACTION"},
    {"MON$DATABASE.MON$OLDEST_ACTIVE", "D.MON$OLDEST_ACTIVE"},
    {"MON$DATABASE.MON$OLDEST_SNAPSHOT", "D.MON$OLDEST_SNAPSHOT"},
    {"MON$DATABASE.MON$SWEEP_INTERVAL", "D.MON$SWEEP_INTERVAL"},
    {DatabaseCryptState, "D.MON$CRYPT_STATE"},
    {DatabaseReplicaMode, "D.MON$REPLICA_MODE"},
};
inline constexpr const char* DatabaseReads[] = {"MON$DATABASE"};
inline constexpr Query Database = {DatabaseItems, " FROM MON$DATABASE D", DatabaseReads};

inline constexpr Item AttachmentItems[] = {
    {"MON$ATTACHMENTS.MON$ATTACHMENT_ID", "A.MON$ATTACHMENT_ID"},
    {"MON$ATTACHMENTS.MON$STAT_ID", "A.MON$STAT_ID"},
    {"MON$ATTACHMENTS.MON$SYSTEM_FLAG", "A.MON$SYSTEM_FLAG"},
    {"MON$ATTACHMENTS.MON$STATE", "A.MON$STATE"},
    {"MON$ATTACHMENTS.MON$TIMESTAMP", "A.MON$TIMESTAMP"},
    {"MON$ATTACHMENTS.MON$USER", "CAST(TRIM(A.MON$USER) AS VARCHAR(252) CHARACTER SET OCTETS)"},
    {"MON$ATTACHMENTS.MON$REMOTE_ADDRESS", "CAST(A.MON$REMOTE_ADDRESS AS VARCHAR(1020) CHARACTER SET OCTETS)"},
    {"MON$ATTACHMENTS.MON$REMOTE_HOST", "CAST(A.MON$REMOTE_HOST AS VARCHAR(1020) CHARACTER SET OCTETS)"},
    {"MON$ATTACHMENTS.MON$REMOTE_PROCESS", "CAST(A.MON$REMOTE_PROCESS AS VARCHAR(1020) CHARACTER SET OCTETS)"},
    {"MON$ATTACHMENTS.MON$REMOTE_PID", "A.MON$REMOTE_PID"},
    {"MON$ATTACHMENTS.MON$SERVER_PID", "A.MON$SERVER_PID"},
    {"MON$ATTACHMENTS.MON$REMOTE_PROTOCOL", "CASE WHEN A.MON$REMOTE_PROTOCOL IS NULL THEN 0 ELSE 1 END"},
    {AttachmentIdleTimeout, "A.MON$IDLE_TIMEOUT"},
    {AttachmentStatementTimeout, "A.MON$STATEMENT_TIMEOUT"},
    {AttachmentWireEncrypted, "A.MON$WIRE_ENCRYPTED"},
    {AttachmentWireCompressed, "A.MON$WIRE_COMPRESSED"},
    {AttachmentTimeZone, "CAST(TRIM(A.MON$SESSION_TIMEZONE) AS VARCHAR(252) CHARACTER SET OCTETS)"},
};
inline constexpr const char* AttachmentsReads[] = {"MON$ATTACHMENTS"};
inline constexpr Query Attachments = {AttachmentItems, " FROM MON$ATTACHMENTS A", AttachmentsReads};

// Every statement with what the pools and the counts need; with its text, times and timeout for
// the statements snapshot. A statement text is read whole (up to 4094 characters) by the SQL
// pane, but a text column costs every row its declared width, in the server's messages and on the
// wire, whatever its length: a 24 KB column over thousands of statements is most of the tick. So
// the statements query carries the texts whose bytes fit QM_SHORT_TEXT_BYTES, nearly all of them,
// and their lengths; the few longer ones come from a second query of those rows only.
#define QM_SHORT_TEXT_BYTES "1020"
inline constexpr Item StatementBriefItems[] = {
    {"MON$STATEMENTS.MON$STATEMENT_ID", "S.MON$STATEMENT_ID"},
    {"MON$STATEMENTS.MON$ATTACHMENT_ID", "S.MON$ATTACHMENT_ID"},
    {"MON$STATEMENTS.MON$STAT_ID", "S.MON$STAT_ID"},
    {"MON$STATEMENTS.MON$STATE", "S.MON$STATE"},
};
inline constexpr Item StatementFullItems[] = {
    {"MON$STATEMENTS.MON$STATEMENT_ID", "S.MON$STATEMENT_ID"},
    {"MON$STATEMENTS.MON$ATTACHMENT_ID", "S.MON$ATTACHMENT_ID"},
    {"MON$STATEMENTS.MON$STAT_ID", "S.MON$STAT_ID"},
    {"MON$STATEMENTS.MON$STATE", "S.MON$STATE"},
    {"MON$STATEMENTS.MON$TRANSACTION_ID", "S.MON$TRANSACTION_ID"},
    {"MON$STATEMENTS.MON$TIMESTAMP", "S.MON$TIMESTAMP"},
    {"MON$STATEMENTS.MON$TIMESTAMP", "CURRENT_TIMESTAMP - S.MON$TIMESTAMP"},
    // the text when its bytes fit a short column, else NULL and read by StatementLongTexts
    {"MON$STATEMENTS.MON$SQL_TEXT", "CASE WHEN OCTET_LENGTH(S.MON$SQL_TEXT) <= " QM_SHORT_TEXT_BYTES
                                    " THEN CAST(S.MON$SQL_TEXT AS VARCHAR(" QM_SHORT_TEXT_BYTES
                                    ") CHARACTER SET OCTETS) END"},
    {StatementTimeout, "S.MON$STATEMENT_TIMEOUT"},
    {StatementTimer, "S.MON$STATEMENT_TIMER"},
    {"MON$STATEMENTS.MON$SQL_TEXT", "OCTET_LENGTH(S.MON$SQL_TEXT)"},
};
inline constexpr const char* StatementsReads[] = {"MON$STATEMENTS"};
inline constexpr Query StatementsBrief = {StatementBriefItems, " FROM MON$STATEMENTS S", StatementsReads};
inline constexpr Query StatementsFull = {StatementFullItems, " FROM MON$STATEMENTS S", StatementsReads};

// The texts too long for the statements query's short column, cut at 4094 characters (of up to
// six bytes each), by statement. Read in the same transaction, so of the same monitoring snapshot.
inline constexpr Item StatementLongTextItems[] = {
    {"MON$STATEMENTS.MON$STATEMENT_ID", "S.MON$STATEMENT_ID"},
    {"MON$STATEMENTS.MON$SQL_TEXT", "CAST(SUBSTRING(S.MON$SQL_TEXT FROM 1 FOR 4094) AS VARCHAR(24564) CHARACTER SET OCTETS)"},
};
inline constexpr const char* StatementLongTextReads[] = {"MON$STATEMENTS.MON$SQL_TEXT"};
inline constexpr Query StatementLongTexts = {
    StatementLongTextItems, " FROM MON$STATEMENTS S WHERE OCTET_LENGTH(S.MON$SQL_TEXT) > " QM_SHORT_TEXT_BYTES,
    StatementLongTextReads};
#undef QM_SHORT_TEXT_BYTES

// The plan of one statement.
inline constexpr Item PlanItems[] = {
    {"MON$STATEMENTS.MON$EXPLAINED_PLAN",
     "CAST(SUBSTRING(S.MON$EXPLAINED_PLAN FROM 1 FOR 8000) AS VARCHAR(32000) CHARACTER SET OCTETS)"},
};
inline constexpr const char* PlanReads[] = {"MON$STATEMENTS.MON$STATEMENT_ID"};
inline constexpr Query StatementPlan = {PlanItems, " FROM MON$STATEMENTS S WHERE S.MON$STATEMENT_ID = ?",
                                        PlanReads};

inline constexpr Item TransactionItems[] = {
    {"MON$TRANSACTIONS.MON$TRANSACTION_ID", "T.MON$TRANSACTION_ID"},
    {"MON$TRANSACTIONS.MON$ATTACHMENT_ID", "T.MON$ATTACHMENT_ID"},
    {"MON$TRANSACTIONS.MON$STAT_ID", "T.MON$STAT_ID"},
    {"MON$TRANSACTIONS.MON$STATE", "T.MON$STATE"},
    {"MON$TRANSACTIONS.MON$TIMESTAMP", "T.MON$TIMESTAMP"},
    {"MON$TRANSACTIONS.MON$TIMESTAMP", "CURRENT_TIMESTAMP - T.MON$TIMESTAMP"},
    {"MON$TRANSACTIONS.MON$ISOLATION_MODE", "T.MON$ISOLATION_MODE"},
    {"MON$TRANSACTIONS.MON$LOCK_TIMEOUT", "T.MON$LOCK_TIMEOUT"},
    {"MON$TRANSACTIONS.MON$READ_ONLY", "T.MON$READ_ONLY"},
    {"MON$TRANSACTIONS.MON$OLDEST_ACTIVE", "T.MON$OLDEST_ACTIVE"},
};
inline constexpr const char* TransactionsReads[] = {"MON$TRANSACTIONS"};
inline constexpr Query Transactions = {TransactionItems, " FROM MON$TRANSACTIONS T", TransactionsReads};

inline constexpr Item MemoryItems[] = {
    {"MON$MEMORY_USAGE.MON$STAT_ID", "M.MON$STAT_ID"},
    {"MON$MEMORY_USAGE.MON$MEMORY_USED", "M.MON$MEMORY_USED"},
    {"MON$MEMORY_USAGE.MON$MEMORY_ALLOCATED", "M.MON$MEMORY_ALLOCATED"},
    {"MON$MEMORY_USAGE.MON$MAX_MEMORY_USED", "M.MON$MAX_MEMORY_USED"},
};
inline constexpr const char* MemoryReads[] = {"MON$MEMORY_USAGE"};
inline constexpr Query Memory = {MemoryItems, " FROM MON$MEMORY_USAGE M", MemoryReads};

// The record counters, in the order the source reads them, of a statistics group and of a table.
inline constexpr Item RecordCounterItems[] = {
    {"MON$RECORD_STATS.MON$RECORD_SEQ_READS", "R.MON$RECORD_SEQ_READS"},
    {"MON$RECORD_STATS.MON$RECORD_IDX_READS", "R.MON$RECORD_IDX_READS"},
    {"MON$RECORD_STATS.MON$RECORD_INSERTS", "R.MON$RECORD_INSERTS"},
    {"MON$RECORD_STATS.MON$RECORD_UPDATES", "R.MON$RECORD_UPDATES"},
    {"MON$RECORD_STATS.MON$RECORD_DELETES", "R.MON$RECORD_DELETES"},
    {"MON$RECORD_STATS.MON$RECORD_BACKOUTS", "R.MON$RECORD_BACKOUTS"},
    {"MON$RECORD_STATS.MON$RECORD_PURGES", "R.MON$RECORD_PURGES"},
    {"MON$RECORD_STATS.MON$RECORD_EXPUNGES", "R.MON$RECORD_EXPUNGES"},
};

// The items of the parts one after the other, as one list.
template <size_t... N> constexpr std::array<Item, (N + ...)> joined(const Item (&... parts)[N])
{
    std::array<Item, (N + ...)> out{};
    size_t i = 0;
    const auto append = [&](const auto& part) {
        for (const Item& item : part)
            out[i++] = item;
    };
    (append(parts), ...);
    return out;
}

// Page and record counters of one statistics group (0 database, 1 attachment, 2 transaction,
// 3 statement, 4 call), both tables joined on the server: the page counters, the record counters,
// then the conflicts and waits.
inline constexpr Item PageCounterItems[] = {
    {"MON$IO_STATS.MON$STAT_ID", "I.MON$STAT_ID"},
    {"MON$IO_STATS.MON$PAGE_READS", "I.MON$PAGE_READS"},
    {"MON$IO_STATS.MON$PAGE_WRITES", "I.MON$PAGE_WRITES"},
    {"MON$IO_STATS.MON$PAGE_FETCHES", "I.MON$PAGE_FETCHES"},
    {"MON$IO_STATS.MON$PAGE_MARKS", "I.MON$PAGE_MARKS"},
};
inline constexpr Item LockCounterItems[] = {
    {"MON$RECORD_STATS.MON$RECORD_CONFLICTS", "R.MON$RECORD_CONFLICTS"},
    {"MON$RECORD_STATS.MON$RECORD_WAITS", "R.MON$RECORD_WAITS"},
};
inline constexpr auto StatisticsItems = joined(PageCounterItems, RecordCounterItems, LockCounterItems);
inline constexpr const char* StatisticsReads[] = {"MON$IO_STATS", "MON$RECORD_STATS"};
inline constexpr Query GroupStatistics = {
    StatisticsItems,
    " FROM MON$IO_STATS I JOIN MON$RECORD_STATS R ON R.MON$STAT_ID = I.MON$STAT_ID "
    "WHERE I.MON$STAT_GROUP = ? AND R.MON$STAT_GROUP = ?",
    StatisticsReads};

// The stored procedures on the call stacks (object type 5), with their procedure numbers.
inline constexpr Item CallItems[] = {
    {"MON$CALL_STACK.MON$STATEMENT_ID", "C.MON$STATEMENT_ID"},
    {"MON$CALL_STACK.MON$STAT_ID", "C.MON$STAT_ID"},
    {"MON$CALL_STACK.MON$TIMESTAMP", "C.MON$TIMESTAMP"},
    {"MON$CALL_STACK.MON$PACKAGE_NAME", "CAST(TRIM(C.MON$PACKAGE_NAME) AS VARCHAR(252) CHARACTER SET OCTETS)"},
    {"MON$CALL_STACK.MON$OBJECT_NAME", "CAST(TRIM(C.MON$OBJECT_NAME) AS VARCHAR(252) CHARACTER SET OCTETS)"},
    {"RDB$PROCEDURES.RDB$PROCEDURE_ID", "P.RDB$PROCEDURE_ID"},
};
inline constexpr const char* CallsReads[] = {"MON$CALL_STACK", "RDB$PROCEDURES.RDB$PACKAGE_NAME",
                                                "MON$CALL_STACK.MON$PACKAGE_NAME"};
inline constexpr Query ProcedureCalls = {
    CallItems,
    " FROM MON$CALL_STACK C LEFT JOIN RDB$PROCEDURES P ON P.RDB$PROCEDURE_NAME = C.MON$OBJECT_NAME "
    "AND P.RDB$PACKAGE_NAME IS NOT DISTINCT FROM C.MON$PACKAGE_NAME WHERE C.MON$OBJECT_TYPE = 5",
    CallsReads};

// The database-wide record counters of each table that has been used.
inline constexpr Item TableNameItem[] = {
    {"MON$TABLE_STATS.MON$TABLE_NAME", "CAST(TRIM(T.MON$TABLE_NAME) AS VARCHAR(252) CHARACTER SET OCTETS)"},
};
inline constexpr auto TableStatisticsItems = joined(TableNameItem, RecordCounterItems);
inline constexpr const char* TableStatisticsReads[] = {"MON$TABLE_STATS", "MON$RECORD_STATS"};
inline constexpr Query TableStatistics = {
    TableStatisticsItems,
    " FROM MON$TABLE_STATS T JOIN MON$RECORD_STATS R ON R.MON$STAT_ID = T.MON$RECORD_STAT_ID "
    "WHERE T.MON$STAT_GROUP = 0",
    TableStatisticsReads};

inline constexpr Item RelationItems[] = {
    {nullptr, "R.RDB$RELATION_ID"},
    {nullptr, "CAST(TRIM(R.RDB$RELATION_NAME) AS VARCHAR(252) CHARACTER SET OCTETS)"},
    {nullptr, "R.RDB$FORMAT"},
};
inline constexpr Query Relations = {RelationItems, " FROM RDB$RELATIONS R", {}};

inline constexpr Item PointerPageItems[] = {{nullptr, "P.RDB$RELATION_ID"}, {nullptr, "COUNT(*)"}};
inline constexpr Query PointerPages = {
    PointerPageItems, " FROM RDB$PAGES P WHERE P.RDB$PAGE_TYPE = 4 GROUP BY P.RDB$RELATION_ID", {}};

// The numbers of relations and of active triggers.
inline constexpr Item MetadataCountItems[] = {
    {nullptr, "(SELECT COUNT(*) FROM RDB$RELATIONS)"},
    {nullptr, "(SELECT COUNT(*) FROM RDB$TRIGGERS T WHERE COALESCE(T.RDB$TRIGGER_INACTIVE, 0) = 0)"},
};
inline constexpr Query MetadataCounts = {MetadataCountItems, " FROM RDB$DATABASE", {}};

template <class Has> std::string text(const Query& query, const Has& has)
{
    for (const char* needed : query.reads)
        if (!has(std::string_view(needed)))
            return {};
    std::string out = Selected;
    for (size_t i = 0; i < query.items.size(); ++i) {
        const Item& item = query.items[i];
        if (i > 0)
            out += ItemSeparator;
        out += !item.needs || has(std::string_view(item.needs)) ? item.expression : Absent;
    }
    return out + query.rest;
}

}  // namespace monitorsql::firebird

// The declarations of the monitoring grids and the pools grid. Pure data.

#include "mainwindow/grid/GridDeclarations.h"

namespace grids {

using catalogue::SnapshotId;

namespace {

// Procedures: short captions in the record and page bands.
constexpr GridColumn kProcedureColumns[] = {
    {"TMP$PROCEDURE_NAME", "Procedure name"}, {"TMP$POOL_MEMORY", "Memory"},   {"TMP$CLONE", "Clone no."},
    {"TMP$TIMESTAMP", "Start time"},          {"TMP$USE_COUNT", "Statements"}, {"TMP$QUANTUM", "Quantum"},
    {"TMP$INVOCATIONS", "Calls"},
};
constexpr GridColumn kProcedureRecords[] = {
    {"TMP$RECORD_DELETES", "Deletes"},      {"TMP$RECORD_INSERTS", "Inserts"},      {"TMP$RECORD_SELECTS", "Selects"},
    {"TMP$RECORD_UPDATES", "Updates"},      {"TMP$RECORD_BACKOUTS", "GC backouts"}, {"TMP$RECORD_EXPUNGES", "GC expunges"},
    {"TMP$RECORD_PURGES", "GC purges"},
};
constexpr GridColumn kProcedurePages[] = {
    {"TMP$PAGE_MARKS", "Marks"}, {"TMP$PAGE_FETCHES", "Fetches"}, {"TMP$PAGE_READS", "Reads"}, {"TMP$PAGE_WRITES", "Writes"},
};
constexpr GridBand kProcedureBands[] = {
    {"Procedure", kProcedureColumns}, {"Records", kProcedureRecords}, {"Pages", kProcedurePages}};
constexpr const char* kProcedureHidden[] = {"TMP$PROCEDURE_ID", "TMP$DATABASE_ID", "TMP$POOL_ID"};

// Statements: full captions in the record and page bands; the SQL text goes to the pane below.
constexpr GridColumn kStatementColumns[] = {
    {"TMP$USER", "User"},           {"TMP$POOL_MEMORY", "Memory"},   {"TMP$CLONE", "Clone no."},
    {"TMP$TIMESTAMP", "Start time"}, {"ELAPSED_TIME", "Elapsed time"}, {"TMP$QUANTUM", "Quantum"},
    {"TMP$INVOCATIONS", "Calls"},    {"TMP$STATE", "State"},        {"STATEMENT_TIMEOUT", "Timeout (ms)"},
    {"STATEMENT_TIMER", "Times out at"},
};
constexpr GridColumn kFullRecords[] = {
    {"TMP$RECORD_DELETES", "Record deletes"},       {"TMP$RECORD_INSERTS", "Record inserts"},
    {"TMP$RECORD_SELECTS", "Record selects"},       {"TMP$RECORD_UPDATES", "Record updates"},
    {"TMP$RECORD_BACKOUTS", "GC record backouts"}, {"TMP$RECORD_EXPUNGES", "GC record expunges"},
    {"TMP$RECORD_PURGES", "GC record purges"},
};
constexpr GridColumn kFullPages[] = {
    {"TMP$PAGE_FETCHES", "Page fetches"}, {"TMP$PAGE_MARKS", "Page marks"},
    {"TMP$PAGE_READS", "Page reads"},     {"TMP$PAGE_WRITES", "Page writes"},
};
// The client behind a statement or transaction (its attachment's), after the other bands; its
// session's settings where the server tells them.
constexpr GridColumn kClientColumns[] = {
    {"CLIENT_HOST", "Host"},
    {"CLIENT_PROCESS_ID", "Process ID"},
    {"CLIENT_PROGRAM", "Program"},
    {"CLIENT_IDLE_TIMEOUT", "Idle timeout (s)"},
    {"CLIENT_STATEMENT_TIMEOUT", "Statement timeout (ms)"},
    {"CLIENT_WIRE_ENCRYPTED", "Encrypted"},
    {"CLIENT_WIRE_COMPRESSED", "Compressed"},
    {"CLIENT_TIME_ZONE", "Time zone"},
};
constexpr GridBand kStatementBands[] = {
    {"Statement", kStatementColumns}, {"Records", kFullRecords}, {"Pages", kFullPages}, {"Client", kClientColumns}};
constexpr const char* kStatementHidden[] = {"TMP$STATEMENT_ID", "TMP$ATTACHMENT_ID", "TMP$TRANSACTION_ID",
                                            "TMP$SQL",          "TMP$POOL_ID",       "TMP$PRIORITY"};
constexpr const char* kStatementFilters[] = {"TMP$USER", "TMP$STATE", "CLIENT_HOST", "CLIENT_PROGRAM"};

// Tables and views.
constexpr GridColumn kRelationColumns[] = {
    {"TMP$RELATION_NAME", "Name"},   {"TMP$USE_COUNT", "Statements using"}, {"TMP$POINTER_PAGES", "Pointer pages"},
    {"TMP$FORMATS", "Formats"},      {"TMP$SCAN_COUNT", "Sequential scans"}, {"TMP$SWEEP_COUNT", "Sweep count"},
};
constexpr GridColumn kRelationRecords[] = {
    {"TMP$RECORD_IDX_SELECTS", "Indexed selects"}, {"TMP$RECORD_SEQ_SELECTS", "Sequential selects"},
    {"TMP$RECORD_DELETES", "Deletes"},             {"TMP$RECORD_INSERTS", "Inserts"},
    {"TMP$RECORD_UPDATES", "Updates"},             {"TMP$RECORD_BACKOUTS", "GC backouts"},
    {"TMP$RECORD_EXPUNGES", "GC expunges"},        {"TMP$RECORD_PURGES", "GC purges"},
};
constexpr GridColumn kRelationPages[] = {
    {"TMP$DATA_PAGES", "Data"},   {"TMP$PAGE_FETCHES", "Fetches"},          {"TMP$PAGE_READS", "Reads"},
    {"TMP$PAGE_MARKS", "Marks"}, {"TMP$GARBAGE_COLLECT_PAGES", "To GC"}, {"TMP$PAGE_WRITES", "Writes"},
};
constexpr GridBand kRelationBands[] = {
    {"Table / View", kRelationColumns}, {"Records", kRelationRecords}, {"Pages", kRelationPages}};
constexpr const char* kRelationHidden[] = {"TMP$RELATION_ID", "TMP$DATABASE_ID"};

// Transactions: full captions; the key is shown as "ID".
constexpr GridColumn kTransactionColumns[] = {
    {"TMP$TRANSACTION_ID", "ID"},           {"TMP$USER", "User"},           {"TMP$STATE", "State"},
    {"TMP$TIMESTAMP", "Start time"},        {"ELAPSED_TIME", "Elapsed time"}, {"TMP$COMMIT_RETAINING", "Commit retaining"},
    {"TMP$TYPE", "Isolation"},              {"TMP$READONLY", "Read only"},  {"TMP$SNAPSHOT", "Snapshot no."},
    {"TMP$NOWAIT", "No wait"},              {"TMP$POOL_MEMORY", "Memory"},  {"TMP$QUANTUM", "Quantum"},
    {"TMP$SAVEPOINTS", "Savepoint records"}, {"TMP$WRITE", "Data written"},
};
constexpr GridBand kTransactionBands[] = {
    {"Transaction", kTransactionColumns}, {"Records", kFullRecords}, {"Pages", kFullPages}, {"Client", kClientColumns}};
constexpr const char* kTransactionHidden[] = {"TMP$ATTACHMENT_ID", "TMP$POOL_ID", "TMP$PRIORITY"};
constexpr const char* kTransactionFilters[] = {"TMP$USER", "TMP$STATE", "TMP$TYPE", "CLIENT_HOST", "CLIENT_PROGRAM"};

// Users.
constexpr GridColumn kAttachmentColumns[] = {
    {"TMP$USER", "User"},
    {"TMP$USER_HOST", "Host"},
    {"TMP$USER_IP_ADDR", "IP addr."},
    {"TMP$USER_PROCESS", "Process ID"},
    {"TMP$TIMESTAMP", "Login time"},
    {"TMP$STATEMENTS", "Compiled statements"},
    {"TMP$TRANSACTIONS", "Active transactions"},
    {"TMP$QUANTUM", "Quantum"},
    {"TMP$STATE", "State"},
    {"TMP$DBKEY_ID", "DB key trans. ID"},
    {"TMP$ACTIVE_SORTS", "Active sorts"},
};
constexpr GridColumn kShortRecords[] = {
    {"TMP$RECORD_DELETES", "Deletes"},      {"TMP$RECORD_INSERTS", "Inserts"},      {"TMP$RECORD_SELECTS", "Selects"},
    {"TMP$RECORD_UPDATES", "Updates"},      {"TMP$RECORD_BACKOUTS", "GC backouts"}, {"TMP$RECORD_EXPUNGES", "GC expunges"},
    {"TMP$RECORD_PURGES", "GC purges"},
};
constexpr GridColumn kShortPages[] = {
    {"TMP$PAGE_FETCHES", "Fetches"}, {"TMP$PAGE_MARKS", "Marks"}, {"TMP$PAGE_READS", "Reads"}, {"TMP$PAGE_WRITES", "Writes"},
};
// The session's settings where the server tells them.
constexpr GridColumn kSessionColumns[] = {
    {"IDLE_TIMEOUT", "Idle timeout (s)"}, {"STATEMENT_TIMEOUT", "Statement timeout (ms)"},
    {"WIRE_ENCRYPTED", "Encrypted"},      {"WIRE_COMPRESSED", "Compressed"},
    {"SESSION_TIME_ZONE", "Time zone"},
};
constexpr GridBand kAttachmentBands[] = {
    {"User", kAttachmentColumns}, {"Records", kShortRecords}, {"Pages", kShortPages}, {"Session", kSessionColumns}};
constexpr const char* kAttachmentHidden[] = {"TMP$ATTACHMENT_ID", "TMP$DATABASE_ID", "TMP$POOL_ID", "TMP$POOL_MEMORY",
                                             "TMP$PRIORITY"};
constexpr const char* kAttachmentFilters[] = {"TMP$USER", "TMP$USER_HOST", "TMP$USER_IP_ADDR", "TMP$USER_PROCESS",
                                              "TMP$STATE"};

// The pools grid of the memory tab: no band row, the display labels as captions.
constexpr GridColumn kPoolColumns[] = {
    {"TMP$TYPE", nullptr},          {"POOL_COUNT", nullptr},          {"TMP$POOL_MEMORY", nullptr},
    {"TMP$FREE_MEMORY", nullptr},   {"TMP$EXTEND_MEMORY", nullptr},   {"TMP$FREE_STACK_NODES", nullptr},
    {"TMP$FREE_BITMAP_BUCKETS", nullptr}, {"TMP$FREE_BITMAP_SEGMENTS", nullptr},
};
constexpr GridBand kPoolBands[] = {{nullptr, kPoolColumns}};
constexpr const char* kPoolFilters[] = {"TMP$TYPE"};
constexpr const char* kPoolSums[] = {"TMP$POOL_MEMORY", "TMP$FREE_MEMORY"};

constexpr GridDecl kGrids[] = {
    {SnapshotId::Procedures, "dbgrdProcedures", kProcedureBands, kProcedureHidden, "TMP$PROCEDURE_NAME", {}, false, {}},
    {SnapshotId::Statements, "dbgrdStatements", kStatementBands, kStatementHidden, nullptr, kStatementFilters, true, {}},
    {SnapshotId::Relations, "dbgrdRelations", kRelationBands, kRelationHidden, "TMP$RELATION_NAME", {}, false, {}},
    {SnapshotId::Transactions, "dbgrdTransactions", kTransactionBands, kTransactionHidden, nullptr, kTransactionFilters,
     true, {}},
    {SnapshotId::Attachments, "dbgrdUsers", kAttachmentBands, kAttachmentHidden, "TMP$USER", kAttachmentFilters, true,
     {}},
    {SnapshotId::Pools, "dbgrdPools", kPoolBands, {}, "TMP$TYPE", kPoolFilters, false, kPoolSums},
};

}  // namespace

const GridDecl& gridDecl(GridId id) { return kGrids[static_cast<size_t>(id)]; }

}  // namespace grids

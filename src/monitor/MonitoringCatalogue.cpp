// The monitoring catalogue: the columns of every snapshot, in declaration order. Pure data.

#include "monitor/MonitoringCatalogue.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace catalogue {

using enum ColumnType;
using enum DisplayRule;

// TMP$DATABASE: one row of database-wide counters. Declared in the server's column order; no
// labels, nothing hidden. The database tab's value list picks its 44 lines by name.
static constexpr ColumnDecl kDatabaseColumns[] = {
    {"TMP$DATABASE_ID",           Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$DATABASE_PATH",         Varchar,   253,  nullptr,                     true,  Plain},
    {"TMP$ATTACHMENTS",           Int16,     0,    nullptr,                     true,  Plain},
    {"TMP$STATEMENTS",            Int16,     0,    nullptr,                     true,  Plain},
    {"TMP$ALLOCATED_PAGES",       Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$POOLS",                 Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$PROCEDURES",            Int16,     0,    nullptr,                     true,  Plain},
    {"TMP$RELATIONS",             Int16,     0,    nullptr,                     true,  Plain},
    {"TMP$TRIGGERS",              Int16,     0,    nullptr,                     true,  Plain},
    {"TMP$ACTIVE_THREADS",        Int16,     0,    nullptr,                     true,  Plain},
    {"TMP$SORT_MEMORY",           Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$CURRENT_MEMORY",        Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$MAXIMUM_MEMORY",        Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$PERMANENT_POOL_MEMORY", Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$CACHE_POOL_MEMORY",     Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$TRANSACTIONS",          Int16,     0,    nullptr,                     true,  Plain},
    {"TMP$TRANSACTION_COMMITS",   Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$TRANSACTION_ROLLBACKS", Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$TRANSACTION_PREPARES",  Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$TRANSACTION_DEADLOCKS", Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$TRANSACTION_CONFLICTS", Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$TRANSACTION_WAITS",     Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$NEXT_TRANSACTION",      Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$OLDEST_INTERESTING",    Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$OLDEST_ACTIVE",         Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$OLDEST_SNAPSHOT",       Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$CACHE_BUFFERS",         Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$CACHE_PRECEDENCE",      Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$CACHE_LATCH_WAITS",     Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$CACHE_FREE_WAITS",      Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$CACHE_FREE_WRITES",     Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$SWEEP_INTERVAL",        Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$SWEEP_ACTIVE",          Char,      1,    nullptr,                     true,  Plain},
    {"TMP$SWEEP_RELATION",        Char,      NameLength, nullptr,                     true,  Plain},
    {"TMP$SWEEP_RECORDS",         Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$PAGE_READS",            Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$PAGE_WRITES",           Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$PAGE_FETCHES",          Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$PAGE_MARKS",            Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$RECORD_SELECTS",        Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$RECORD_INSERTS",        Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$RECORD_UPDATES",        Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$RECORD_DELETES",        Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$RECORD_PURGES",         Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$RECORD_EXPUNGES",       Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$RECORD_BACKOUTS",       Int32,     0,    nullptr,                     true,  Plain},
    // what Firebird 4 and later tell of the database (absent where the server has no such column,
    // and where the TMP$ relations are read)
    {"CRYPT_STATE",               Varchar,   31,   nullptr,                     true,  Plain},
    {"REPLICA_MODE",              Varchar,   31,   nullptr,                     true,  Plain},
};

// TMP$POOLS grouped by pool type: one row per type. POOL_COUNT is the number of pools of the type,
// TMP$EXTEND_MEMORY the average over them, the other counters sums (keeping the declared types).
static constexpr ColumnDecl kPoolsColumns[] = {
    {"TMP$TYPE",                 Char,      31,   "Type",                      true,  PoolType},
    {"POOL_COUNT",               Int32,     0,    "Pools",                     true,  Plain},
    {"TMP$POOL_MEMORY",          Int32,     0,    "Total",                     true,  Plain},
    {"TMP$FREE_MEMORY",          Int32,     0,    "Free",                      true,  Plain},
    {"TMP$EXTEND_MEMORY",        Int32,     0,    "Extend amt.",               true,  Plain},
    {"TMP$FREE_STACK_NODES",     Int16,     0,    "Free stack nodes",          true,  Plain},
    {"TMP$FREE_BITMAP_BUCKETS",  Int16,     0,    "Free bitmap buckets",       true,  Plain},
    {"TMP$FREE_BITMAP_SEGMENTS", Int32,     0,    "Free bitmap segments",      true,  Plain},
};

// TMP$POOL_BLOCKS of the one pool given as the query parameter TMP$POOL_ID. The labels are the
// server's block codes or descriptive names; TMP$MFB is labelled "MFP", and TMP$BLF has no label.
static constexpr ColumnDecl kPoolBlocksColumns[] = {
    {"TMP$POOL_ID",   Int32,     0,    nullptr,                     false, Plain},
    {"TMP$ACC",       Int32,     0,    "ACC",                       true,  Plain},
    {"TMP$ARR",       Int32,     0,    "ARR",                       true,  Plain},
    {"TMP$ATT",       Int32,     0,    "ATT",                       true,  Plain},
    {"TMP$BCB",       Int32,     0,    "Buffer control",            true,  Plain},
    {"TMP$BDB",       Int32,     0,    "Buffer descriptor",         true,  Plain},
    {"TMP$BLB",       Int32,     0,    "Blob",                      true,  Plain},
    {"TMP$BLF",       Int32,     0,    nullptr,                     true,  Plain},
    {"TMP$BTB",       Int32,     0,    "BTB",                       true,  Plain},
    {"TMP$BTC",       Int32,     0,    "BTC",                       true,  Plain},
    {"TMP$CHARSET",   Int32,     0,    "Char set",                  true,  Plain},
    {"TMP$CSB",       Int32,     0,    "Compiler scratch",          true,  Plain},
    {"TMP$CSCONVERT", Int32,     0,    "CSConvert",                 true,  Plain},
    {"TMP$DBB",       Int32,     0,    "Database",                  true,  Plain},
    {"TMP$DCC",       Int32,     0,    "Data compression control",  true,  Plain},
    {"TMP$DFW",       Int32,     0,    "Deferred work",             true,  Plain},
    {"TMP$DLS",       Int32,     0,    "DLS",                       true,  Plain},
    {"TMP$EXT",       Int32,     0,    "EXT",                       true,  Plain},
    {"TMP$FIL",       Int32,     0,    "File",                      true,  Plain},
    {"TMP$FLD",       Int32,     0,    "FLD",                       true,  Plain},
    {"TMP$FMT",       Int32,     0,    "Format",                    true,  Plain},
    {"TMP$FRB",       Int32,     0,    "Free",                      true,  Plain},
    {"TMP$FUN",       Int32,     0,    "FUN",                       true,  Plain},
    {"TMP$HNK",       Int32,     0,    "Hunk",                      true,  Plain},
    {"TMP$IDB",       Int32,     0,    "IDB",                       true,  Plain},
    {"TMP$IDL",       Int32,     0,    "IDL",                       true,  Plain},
    {"TMP$IRB",       Int32,     0,    "IRB",                       true,  Plain},
    {"TMP$IRL",       Int32,     0,    "IRL",                       true,  Plain},
    {"TMP$LCK",       Int32,     0,    "Lock",                      true,  Plain},
    {"TMP$LWT",       Int32,     0,    "LWT",                       true,  Plain},
    {"TMP$MAP",       Int32,     0,    "MAP",                       true,  Plain},
    {"TMP$MFB",       Int32,     0,    "MFP",                       true,  Plain},
    {"TMP$NOD",       Int32,     0,    "Node",                      true,  Plain},
    {"TMP$OPT",       Int32,     0,    "OPT",                       true,  Plain},
    {"TMP$PRC",       Int32,     0,    "PRC",                       true,  Plain},
    {"TMP$PRE",       Int32,     0,    "Precedence",                true,  Plain},
    {"TMP$PRM",       Int32,     0,    "PRM",                       true,  Plain},
    {"TMP$REC",       Int32,     0,    "Record",                    true,  Plain},
    {"TMP$REL",       Int32,     0,    "Relation",                  true,  Plain},
    {"TMP$REQ",       Int32,     0,    "Request",                   true,  Plain},
    {"TMP$RIV",       Int32,     0,    "RIV",                       true,  Plain},
    {"TMP$RSB",       Int32,     0,    "Record source",             true,  Plain},
    {"TMP$RSC",       Int32,     0,    "RSC",                       true,  Plain},
    {"TMP$SAV",       Int32,     0,    "SAV",                       true,  Plain},
    {"TMP$SBM",       Int32,     0,    "Sparse bitmap",             true,  Plain},
    {"TMP$SCL",       Int32,     0,    "SCL",                       true,  Plain},
    {"TMP$SDW",       Int32,     0,    "SDW",                       true,  Plain},
    {"TMP$SMB",       Int32,     0,    "Sort map",                  true,  Plain},
    {"TMP$SRPB",      Int32,     0,    "SRPB",                      true,  Plain},
    {"TMP$STR",       Int32,     0,    "String",                    true,  Plain},
    {"TMP$SVC",       Int32,     0,    "SVC",                       true,  Plain},
    {"TMP$SYM",       Int32,     0,    "SYM",                       true,  Plain},
    {"TMP$TEXTTYPE",  Int32,     0,    "Text type",                 true,  Plain},
    {"TMP$TFB",       Int32,     0,    "Temporary field",           true,  Plain},
    {"TMP$TPC",       Int32,     0,    "TPC",                       true,  Plain},
    {"TMP$TRA",       Int32,     0,    "Transaction",               true,  Plain},
    {"TMP$USR",       Int32,     0,    "USR",                       true,  Plain},
    {"TMP$VCL",       Int32,     0,    "Vector long",               true,  Plain},
    {"TMP$VCT",       Int32,     0,    "VCT",                       true,  Plain},
    {"TMP$VCX",       Int32,     0,    "VCX",                       true,  Plain},
    {"TMP$XCP",       Int32,     0,    "XCP",                       true,  Plain},
};

// TMP$PROCEDURES: loaded stored procedures. TMP$TIMESTAMP shows as a plain date-time here.
static constexpr ColumnDecl kProceduresColumns[] = {
    {"TMP$PROCEDURE_ID",    Int32,     0,    nullptr,                     false, Plain},
    {"TMP$DATABASE_ID",     Int32,     0,    nullptr,                     false, Plain},
    {"TMP$PROCEDURE_NAME",  Char,      NameLength, "Procedure name",            true,  Plain},
    {"TMP$POOL_ID",         Int32,     0,    nullptr,                     false, Plain},
    {"TMP$POOL_MEMORY",     Int32,     0,    "Memory",                    true,  Plain},
    {"TMP$CLONE",           Int16,     0,    "Clone no.",                 true,  Plain},
    {"TMP$TIMESTAMP",       Timestamp, 0,    "Start time",                true,  Plain},
    {"TMP$USE_COUNT",       Int16,     0,    "Statements",                true,  Plain},
    {"TMP$QUANTUM",         Int32,     0,    "Quantum",                   true,  Plain},
    {"TMP$INVOCATIONS",     Int32,     0,    "Calls",                     true,  Plain},
    {"TMP$RECORD_DELETES",  Int32,     0,    "Record deletes",            true,  Plain},
    {"TMP$RECORD_INSERTS",  Int32,     0,    "Record inserts",            true,  Plain},
    {"TMP$RECORD_SELECTS",  Int32,     0,    "Record selects",            true,  Plain},
    {"TMP$RECORD_UPDATES",  Int32,     0,    "Record updates",            true,  Plain},
    {"TMP$RECORD_BACKOUTS", Int32,     0,    "GC record backouts",        true,  Plain},
    {"TMP$RECORD_EXPUNGES", Int32,     0,    "GC record expunges",        true,  Plain},
    {"TMP$RECORD_PURGES",   Int32,     0,    "GC record purges",          true,  Plain},
    {"TMP$PAGE_MARKS",      Int32,     0,    "Page marks",                true,  Plain},
    {"TMP$PAGE_FETCHES",    Int32,     0,    "Page fetches",              true,  Plain},
    {"TMP$PAGE_READS",      Int32,     0,    "Page reads",                true,  Plain},
    {"TMP$PAGE_WRITES",     Int32,     0,    "Page writes",               true,  Plain},
};

// TMP$STATEMENTS with TMP$USER joined from TMP$ATTACHMENTS (null when the attachment row is gone)
// and ELAPSED_TIME computed by the query (days with a fraction). TMP$SQL is hidden in the grid and
// shown in the SQL pane.
static constexpr ColumnDecl kStatementsColumns[] = {
    {"TMP$STATEMENT_ID",    Int32,     0,    nullptr,                     false, Plain},
    {"TMP$ATTACHMENT_ID",   Int32,     0,    nullptr,                     false, Plain},
    {"TMP$TRANSACTION_ID",  Int32,     0,    nullptr,                     false, Plain},
    {"TMP$USER",            Char,      NameLength, "User",                      true,  Plain},
    {"TMP$SQL",             Varchar,   4094, "SQL",                       false, Plain},
    {"TMP$POOL_ID",         Int32,     0,    nullptr,                     false, Plain},
    {"TMP$POOL_MEMORY",     Int32,     0,    "Memory",                    true,  Plain},
    {"TMP$CLONE",           Int16,     0,    "Clone no.",                 true,  Plain},
    {"TMP$TIMESTAMP",       Timestamp, 0,    "Start time",                true,  StartTime},
    {"ELAPSED_TIME",        Double,    0,    "Elapsed time",              true,  ElapsedTime},
    {"TMP$QUANTUM",         Int32,     0,    "Quantum",                   true,  Plain},
    {"TMP$INVOCATIONS",     Int32,     0,    "Calls",                     true,  Plain},
    {"TMP$STATE",           Char,      31,   "State",                     true,  Plain},
    {"TMP$PRIORITY",        Char,      31,   nullptr,                     false, Plain},
    {"TMP$RECORD_DELETES",  Int32,     0,    "Record deletes",            true,  Plain},
    {"TMP$RECORD_INSERTS",  Int32,     0,    "Record inserts",            true,  Plain},
    {"TMP$RECORD_SELECTS",  Int32,     0,    "Record selects",            true,  Plain},
    {"TMP$RECORD_UPDATES",  Int32,     0,    "Record updates",            true,  Plain},
    {"TMP$RECORD_BACKOUTS", Int32,     0,    "GC record backouts",        true,  Plain},
    {"TMP$RECORD_EXPUNGES", Int32,     0,    "GC record expunges",        true,  Plain},
    {"TMP$RECORD_PURGES",   Int32,     0,    "GC record purges",          true,  Plain},
    {"TMP$PAGE_FETCHES",    Int32,     0,    "Page fetches",              true,  Plain},
    {"TMP$PAGE_MARKS",      Int32,     0,    "Page marks",                true,  Plain},
    {"TMP$PAGE_READS",      Int32,     0,    "Page reads",                true,  Plain},
    {"TMP$PAGE_WRITES",     Int32,     0,    "Page writes",               true,  Plain},
    // Firebird 4 and later: the statement's timeout and when it runs out (absent where the server
    // has no such column, and where the TMP$ relations are read)
    {"STATEMENT_TIMEOUT",   Int32,     0,    "Timeout (ms)",              true,  Plain},
    {"STATEMENT_TIMER",     Timestamp, 0,    "Times out at",              true,  Plain},
    // the client behind the row, from its attachment: read from Firebird's MON$ATTACHMENTS (absent
    // where the TMP$ relations are read, whose statements and transactions do not carry them), and
    // its session as Firebird 4 and later tell it (absent where the server has no such column)
    {"CLIENT_HOST",              Varchar,   255,  "Host",                      true,  Plain},
    {"CLIENT_PROCESS_ID",        Int32,     0,    "Process ID",                true,  Plain},
    {"CLIENT_PROGRAM",           Varchar,   255,  "Program",                   true,  Plain},
    {"CLIENT_IDLE_TIMEOUT",      Int32,     0,    "Idle timeout (s)",          true,  Plain},
    {"CLIENT_STATEMENT_TIMEOUT", Int32,     0,    "Statement timeout (ms)",    true,  Plain},
    {"CLIENT_WIRE_ENCRYPTED",    Char,      1,    "Wire encrypted",            true,  Plain},
    {"CLIENT_WIRE_COMPRESSED",   Char,      1,    "Wire compressed",           true,  Plain},
    {"CLIENT_TIME_ZONE",         Varchar,   63,   "Time zone",                 true,  Plain},
};

// TMP$RELATIONS: loaded tables and views. The key TMP$RELATION_ID is int16, unlike the other
// identifiers.
static constexpr ColumnDecl kRelationsColumns[] = {
    {"TMP$RELATION_ID",           Int16,     0,    nullptr,                     false, Plain},
    {"TMP$DATABASE_ID",           Int32,     0,    nullptr,                     false, Plain},
    {"TMP$RELATION_NAME",         Char,      NameLength, "Name",                      true,  Plain},
    {"TMP$USE_COUNT",             Int16,     0,    "Statements using",          true,  Plain},
    {"TMP$RECORD_IDX_SELECTS",    Int32,     0,    "Indexed selects",           true,  Plain},
    {"TMP$RECORD_SEQ_SELECTS",    Int32,     0,    "Sequential selects",        true,  Plain},
    {"TMP$RECORD_DELETES",        Int32,     0,    "Record deletes",            true,  Plain},
    {"TMP$RECORD_INSERTS",        Int32,     0,    "Record inserts",            true,  Plain},
    {"TMP$RECORD_UPDATES",        Int32,     0,    "Record updates",            true,  Plain},
    {"TMP$RECORD_BACKOUTS",       Int32,     0,    "GC record backouts",        true,  Plain},
    {"TMP$RECORD_EXPUNGES",       Int32,     0,    "GC record expunges",        true,  Plain},
    {"TMP$RECORD_PURGES",         Int32,     0,    "GC record purges",          true,  Plain},
    {"TMP$PAGE_FETCHES",          Int32,     0,    "Page fetches",              true,  Plain},
    {"TMP$PAGE_READS",            Int32,     0,    "Page reads",                true,  Plain},
    {"TMP$PAGE_MARKS",            Int32,     0,    "Page marks",                true,  Plain},
    {"TMP$PAGE_WRITES",           Int32,     0,    "Page writes",               true,  Plain},
    {"TMP$DATA_PAGES",            Int32,     0,    "Data pages",                true,  Plain},
    {"TMP$GARBAGE_COLLECT_PAGES", Int32,     0,    "Pages to GC",               true,  Plain},
    {"TMP$POINTER_PAGES",         Int32,     0,    "Pointer pages",             true,  Plain},
    {"TMP$FORMATS",               Int16,     0,    "Formats",                   true,  Plain},
    {"TMP$SCAN_COUNT",            Int32,     0,    "Sequential scans",          true,  Plain},
    {"TMP$SWEEP_COUNT",           Int16,     0,    "Sweep count",               true,  Plain},
};

// TMP$TRANSACTIONS with TMP$USER and ELAPSED_TIME formed as for statements. The key
// TMP$TRANSACTION_ID is shown, labelled "ID". The four char(1) flags are shown as stored.
static constexpr ColumnDecl kTransactionsColumns[] = {
    {"TMP$TRANSACTION_ID",   Int32,     0,    "ID",                        true,  Plain},
    {"TMP$ATTACHMENT_ID",    Int32,     0,    nullptr,                     false, Plain},
    {"TMP$USER",             Char,      NameLength, "User",                      true,  Plain},
    {"TMP$STATE",            Char,      31,   "State",                     true,  Plain},
    {"TMP$TIMESTAMP",        Timestamp, 0,    "Start time",                true,  StartTime},
    {"ELAPSED_TIME",         Double,    0,    "Elapsed time",              true,  ElapsedTime},
    {"TMP$COMMIT_RETAINING", Char,      1,    "Commit retaining",          true,  Plain},
    {"TMP$TYPE",             Char,      31,   "Isolation",                 true,  Plain},
    {"TMP$READONLY",         Char,      1,    "Read only",                 true,  Plain},
    {"TMP$SNAPSHOT",         Int32,     0,    "Snapshot no.",              true,  Plain},
    {"TMP$NOWAIT",           Char,      1,    "No wait",                   true,  Plain},
    {"TMP$POOL_ID",          Int32,     0,    nullptr,                     false, Plain},
    {"TMP$POOL_MEMORY",      Int32,     0,    "Memory",                    true,  Plain},
    {"TMP$QUANTUM",          Int32,     0,    "Quantum",                   true,  Plain},
    {"TMP$SAVEPOINTS",       Int32,     0,    "Savepoint records",         true,  Plain},
    {"TMP$WRITE",            Char,      1,    "Data written",              true,  Plain},
    {"TMP$PRIORITY",         Char,      31,   nullptr,                     false, Plain},
    {"TMP$RECORD_DELETES",   Int32,     0,    "Record deletes",            true,  Plain},
    {"TMP$RECORD_INSERTS",   Int32,     0,    "Record inserts",            true,  Plain},
    {"TMP$RECORD_SELECTS",   Int32,     0,    "Record selects",            true,  Plain},
    {"TMP$RECORD_UPDATES",   Int32,     0,    "Record updates",            true,  Plain},
    {"TMP$RECORD_BACKOUTS",  Int32,     0,    "GC record backouts",        true,  Plain},
    {"TMP$RECORD_EXPUNGES",  Int32,     0,    "GC record expunges",        true,  Plain},
    {"TMP$RECORD_PURGES",    Int32,     0,    "GC record purges",          true,  Plain},
    {"TMP$PAGE_FETCHES",     Int32,     0,    "Page fetches",              true,  Plain},
    {"TMP$PAGE_MARKS",       Int32,     0,    "Page marks",                true,  Plain},
    {"TMP$PAGE_READS",       Int32,     0,    "Page reads",                true,  Plain},
    {"TMP$PAGE_WRITES",      Int32,     0,    "Page writes",               true,  Plain},
    // the client behind the row, from its attachment: read from Firebird's MON$ATTACHMENTS (absent
    // where the TMP$ relations are read, whose statements and transactions do not carry them), and
    // its session as Firebird 4 and later tell it (absent where the server has no such column)
    {"CLIENT_HOST",              Varchar,   255,  "Host",                      true,  Plain},
    {"CLIENT_PROCESS_ID",        Int32,     0,    "Process ID",                true,  Plain},
    {"CLIENT_PROGRAM",           Varchar,   255,  "Program",                   true,  Plain},
    {"CLIENT_IDLE_TIMEOUT",      Int32,     0,    "Idle timeout (s)",          true,  Plain},
    {"CLIENT_STATEMENT_TIMEOUT", Int32,     0,    "Statement timeout (ms)",    true,  Plain},
    {"CLIENT_WIRE_ENCRYPTED",    Char,      1,    "Wire encrypted",            true,  Plain},
    {"CLIENT_WIRE_COMPRESSED",   Char,      1,    "Wire compressed",           true,  Plain},
    {"CLIENT_TIME_ZONE",         Varchar,   63,   "Time zone",                 true,  Plain},
};

// TMP$ATTACHMENTS: connected users. TMP$POOL_MEMORY is labelled but hidden here; TMP$TIMESTAMP is
// the login time, shown plainly.
static constexpr ColumnDecl kAttachmentsColumns[] = {
    {"TMP$ATTACHMENT_ID",   Int32,     0,    nullptr,                     false, Plain},
    {"TMP$DATABASE_ID",     Int32,     0,    nullptr,                     false, Plain},
    {"TMP$USER",            Char,      NameLength, "User",                      true,  Plain},
    {"TMP$USER_HOST",       Char,      31,   "Host",                      true,  Plain},
    {"TMP$USER_IP_ADDR",    Char,      31,   "IP addr.",                  true,  Plain},
    {"TMP$USER_PROCESS",    Int32,     0,    "Process ID",                true,  Plain},
    {"TMP$TIMESTAMP",       Timestamp, 0,    "Login time",                true,  Plain},
    {"TMP$POOL_ID",         Int32,     0,    nullptr,                     false, Plain},
    {"TMP$POOL_MEMORY",     Int32,     0,    "Memory",                    false, Plain},
    {"TMP$STATEMENTS",      Int16,     0,    "Compiled statements",       true,  Plain},
    {"TMP$TRANSACTIONS",    Int16,     0,    "Active transactions",       true,  Plain},
    {"TMP$QUANTUM",         Int32,     0,    "Quantum",                   true,  Plain},
    {"TMP$STATE",           Char,      31,   "State",                     true,  Plain},
    {"TMP$PRIORITY",        Char,      31,   nullptr,                     false, Plain},
    {"TMP$DBKEY_ID",        Int32,     0,    "DB key trans. ID",          true,  Plain},
    {"TMP$ACTIVE_SORTS",    Int16,     0,    "Active sorts",              true,  Plain},
    {"TMP$RECORD_DELETES",  Int32,     0,    "Record deletes",            true,  Plain},
    {"TMP$RECORD_INSERTS",  Int32,     0,    "Record inserts",            true,  Plain},
    {"TMP$RECORD_SELECTS",  Int32,     0,    "Record selects",            true,  Plain},
    {"TMP$RECORD_UPDATES",  Int32,     0,    "Record updates",            true,  Plain},
    {"TMP$RECORD_BACKOUTS", Int32,     0,    "GC record backouts",        true,  Plain},
    {"TMP$RECORD_EXPUNGES", Int32,     0,    "GC record expunges",        true,  Plain},
    {"TMP$RECORD_PURGES",   Int32,     0,    "GC record purges",          true,  Plain},
    {"TMP$PAGE_FETCHES",    Int32,     0,    "Page fetches",              true,  Plain},
    {"TMP$PAGE_MARKS",      Int32,     0,    "Page marks",                true,  Plain},
    {"TMP$PAGE_READS",      Int32,     0,    "Page reads",                true,  Plain},
    {"TMP$PAGE_WRITES",     Int32,     0,    "Page writes",               true,  Plain},
    // the session as Firebird 4 and later tell it (absent where the server has no such column,
    // and where the TMP$ relations are read)
    {"IDLE_TIMEOUT",        Int32,     0,    "Idle timeout (s)",          true,  Plain},
    {"STATEMENT_TIMEOUT",   Int32,     0,    "Statement timeout (ms)",    true,  Plain},
    {"WIRE_ENCRYPTED",      Char,      1,    "Wire encrypted",            true,  Plain},
    {"WIRE_COMPRESSED",     Char,      1,    "Wire compressed",           true,  Plain},
    {"SESSION_TIME_ZONE",   Varchar,   63,   "Time zone",                 true,  Plain},
};

static constexpr SnapshotDecl kSnapshots[] = {
    {SnapshotId::Database,     "cdsDatabase",     "qryDatabase",     "TMP$DATABASE",     nullptr,              kDatabaseColumns},
    {SnapshotId::Pools,        "cdsPools",        "qryPools",        "TMP$POOLS",        column::PoolType,     kPoolsColumns},
    {SnapshotId::PoolBlocks,   "cdsPoolBlocks",   "qryPoolBlocks",   "TMP$POOL_BLOCKS",  nullptr,              kPoolBlocksColumns},
    {SnapshotId::Procedures,   "cdsProcedures",   "qryProcedures",   "TMP$PROCEDURES",   "TMP$PROCEDURE_ID",   kProceduresColumns},
    {SnapshotId::Statements,   "cdsStatements",   "qryStatements",   "TMP$STATEMENTS",   column::StatementId,  kStatementsColumns},
    {SnapshotId::Relations,    "cdsRelations",    "qryRelations",    "TMP$RELATIONS",    "TMP$RELATION_ID",    kRelationsColumns},
    {SnapshotId::Transactions, "cdsTransactions", "qryTransactions", "TMP$TRANSACTIONS", "TMP$TRANSACTION_ID", kTransactionsColumns},
    {SnapshotId::Attachments,  "cdsAttachments",  "qryAttachments",  "TMP$ATTACHMENTS",  column::AttachmentId, kAttachmentsColumns},
};

// Checks the compiler can make: the column counts, the table's order matching SnapshotId, a key
// column that is one of its snapshot's columns, lengths exactly on the text types, and no name
// declared twice within a snapshot.
static_assert(std::size(kDatabaseColumns) == 46 + 2);  // and what Firebird 4 adds
static_assert(std::size(kPoolsColumns) == 8);
static_assert(std::size(kPoolBlocksColumns) == 61);
static_assert(std::size(kProceduresColumns) == 21);
static_assert(std::size(kStatementsColumns) == 25 + 2 + 8);  // the timeout, and the client columns
static_assert(std::size(kRelationsColumns) == 22);
static_assert(std::size(kTransactionsColumns) == 28 + 8);
static_assert(std::size(kAttachmentsColumns) == 27 + 5);

namespace {

constexpr bool sameName(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

constexpr bool hasColumn(std::span<const ColumnDecl> columns, const char* name)
{
    for (const ColumnDecl& c : columns)
        if (sameName(c.name, name))
            return true;
    return false;
}

constexpr bool wellFormed()
{
    for (std::size_t i = 0; i < std::size(kSnapshots); ++i) {
        const SnapshotDecl& s = kSnapshots[i];
        if (static_cast<std::size_t>(s.id) != i)
            return false;
        if (s.keyColumn != nullptr && !hasColumn(s.columns, s.keyColumn))
            return false;
        for (std::size_t j = 0; j < s.columns.size(); ++j) {
            const ColumnDecl& c = s.columns[j];
            const bool text = c.type == Char || c.type == Varchar;
            if (text != (c.length > 0))
                return false;
            for (std::size_t k = j + 1; k < s.columns.size(); ++k)
                if (sameName(c.name, s.columns[k].name))
                    return false;
        }
    }
    return true;
}

static_assert(wellFormed());

// The columns read by name are in the snapshots they are read from.
constexpr bool hasAll(std::span<const ColumnDecl> columns, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (!hasColumn(columns, name))
            return false;
    return true;
}
static_assert(hasAll(kStatementsColumns, {column::StatementId, column::AttachmentId, column::SqlText, column::User,
                                          column::ClientHost, column::ClientProcess, column::ClientProgram}));
static_assert(hasAll(kTransactionsColumns, {column::AttachmentId, column::User, column::ClientHost,
                                            column::ClientProcess, column::ClientProgram}));
static_assert(hasAll(kAttachmentsColumns, {column::AttachmentId, column::User, column::UserHost, column::UserProcess}));
static_assert(hasAll(kPoolsColumns, {column::PoolType, column::PoolMemory}));

}  // namespace

const SnapshotDecl& snapshotDecl(SnapshotId id)
{
    return kSnapshots[static_cast<std::size_t>(id)];
}

std::span<const SnapshotDecl> allSnapshots()
{
    return kSnapshots;
}

bool directOnly(const ColumnDecl& column)
{
    const std::string_view name(column.name);
    return name.substr(0, 4) != "TMP$" && name != "ELAPSED_TIME" && name != "POOL_COUNT";
}

}  // namespace catalogue

#pragma once
// The SQL of the log module, in one place: the fixed pieces that the checks, the creation of the
// log tables and the logging pass put together with the configured names. Names are used exactly
// as held: unquoted, not trimmed, not escaped (except where the DDL text formats them itself).

#include <initializer_list>
#include <span>

namespace logsql {

using Lines = std::initializer_list<const char*>;
using Names = std::span<const char* const>;

// ---- checks ----------------------------------------------------------------------------------

// qryRelationFields: the existence check of a table (one parameter, RELATION_NAME).
inline constexpr Lines RelationFields = {
    "SELECT",
    "  RF.RDB$FIELD_NAME",
    "FROM",
    "  RDB$RELATION_FIELDS RF",
    "WHERE",
    "  RF.RDB$RELATION_NAME = :RELATION_NAME",
};
inline constexpr const char* RelationNameParam = "RELATION_NAME";

// The generator check; the name is the one parameter, compared exactly as held.
inline constexpr const char* GeneratorExists = "SELECT 1 FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = ?";
inline constexpr const char* CreateGenerator = "CREATE GENERATOR ";
inline constexpr const char* DropTable = "DROP TABLE ";

// ---- the monitoring table's definition (each query has the relation name as its parameter) ---

// The columns, one row each, in the order of the table.
inline constexpr const char* TableColumns =
    "SELECT RF.RDB$FIELD_NAME, RF.RDB$FIELD_SOURCE, R.RDB$SYSTEM_FLAG, F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, "
    "F.RDB$FIELD_PRECISION, F.RDB$FIELD_SCALE, F.RDB$FIELD_LENGTH, F.RDB$CHARACTER_LENGTH, F.RDB$SEGMENT_LENGTH, "
    "F.RDB$DIMENSIONS, F.RDB$CHARACTER_SET_ID, CS.RDB$CHARACTER_SET_NAME, CS.RDB$DEFAULT_COLLATE_NAME, "
    "CO.RDB$COLLATION_NAME, F.RDB$COMPUTED_SOURCE, RF.RDB$DEFAULT_SOURCE, RF.RDB$NULL_FLAG "
    "FROM RDB$RELATIONS R "
    "JOIN RDB$RELATION_FIELDS RF ON RF.RDB$RELATION_NAME = R.RDB$RELATION_NAME "
    "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
    "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID "
    "LEFT JOIN RDB$COLLATIONS CO ON CO.RDB$COLLATION_ID = RF.RDB$COLLATION_ID "
    "AND CO.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID "
    "WHERE R.RDB$RELATION_NAME = ? "
    "ORDER BY RF.RDB$FIELD_POSITION, RF.RDB$FIELD_NAME";
// Result columns of TableColumns, by position.
enum TableColumn {
    tcFieldName, tcFieldSource, tcSystemFlag, tcFieldType, tcFieldSubType, tcFieldPrecision, tcFieldScale,
    tcFieldLength, tcCharacterLength, tcSegmentLength, tcDimensions, tcCharacterSetId, tcCharacterSetName,
    tcDefaultCollateName, tcCollationName, tcComputedSource, tcDefaultSource, tcNullFlag
};

// The NOT NULL constraints: column name, constraint name.
inline constexpr const char* NotNullConstraints =
    "SELECT CC.RDB$TRIGGER_NAME, RC.RDB$CONSTRAINT_NAME "
    "FROM RDB$RELATION_CONSTRAINTS RC "
    "JOIN RDB$CHECK_CONSTRAINTS CC ON CC.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME "
    "WHERE RC.RDB$RELATION_NAME = ? AND RC.RDB$CONSTRAINT_TYPE = 'NOT NULL' "
    "ORDER BY RC.RDB$CONSTRAINT_NAME";

// The array bounds of the columns' domains: domain name, lower bound, upper bound.
inline constexpr const char* ArrayBounds =
    "SELECT D.RDB$FIELD_NAME, D.RDB$LOWER_BOUND, D.RDB$UPPER_BOUND "
    "FROM RDB$FIELD_DIMENSIONS D "
    "WHERE D.RDB$FIELD_NAME IN (SELECT RF.RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS RF "
    "WHERE RF.RDB$RELATION_NAME = ?) "
    "ORDER BY D.RDB$FIELD_NAME, D.RDB$DIMENSION";

// The primary-key and unique constraints: constraint name, type, column name.
inline constexpr const char* KeyConstraints =
    "SELECT RC.RDB$CONSTRAINT_NAME, RC.RDB$CONSTRAINT_TYPE, S.RDB$FIELD_NAME "
    "FROM RDB$RELATION_CONSTRAINTS RC "
    "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = RC.RDB$INDEX_NAME "
    "WHERE RC.RDB$RELATION_NAME = ? AND RC.RDB$CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE') "
    "ORDER BY RC.RDB$CONSTRAINT_NAME, S.RDB$FIELD_POSITION";
inline constexpr const char* PrimaryKeyType = "PRIMARY KEY";

// ---- the log table's DDL text --------------------------------------------------------------

inline constexpr const char* LineEnd = "\r\n";
inline constexpr const char* CreateTable = "CREATE TABLE ";
inline constexpr const char* AfterTableName = " ";
inline constexpr const char* OpenColumns = "(";
inline constexpr const char* IdColumn = "  ID INTEGER NOT NULL PRIMARY KEY, ";
inline constexpr const char* TimeStampColumn = "  TIME_STAMP TIMESTAMP NOT NULL, ";
inline constexpr const char* SnapshotIdColumn = "  SNAPSHOT_ID INTEGER NOT NULL, ";
inline constexpr const char* ColumnIndent = "  ";
inline constexpr const char* AfterColumnName = "\t";
inline constexpr const char* ItemSeparator = ",";
inline constexpr const char* NamedConstraint = "CONSTRAINT ";
inline constexpr const char* UnnamedConstraintPrefix = "INTEG";
inline constexpr const char* PrimaryKey = " PRIMARY KEY (";
inline constexpr const char* Unique = " UNIQUE (";
inline constexpr const char* ColumnNameSeparator = ", ";
inline constexpr const char* CloseKey = ")";
inline constexpr const char* CloseColumns = ");";

inline constexpr const char* Numeric = "NUMERIC";
// A 64-bit integer column: BIGINT, which dialect 1 refuses as a word; there the system domain of
// Firebird's 64-bit counters gives the same type.
inline constexpr const char* Bigint = "BIGINT";
inline constexpr const char* BigintInDialect1 = "RDB$COUNTER";
// The widening of a log table's columns: ALTER TABLE name ALTER column TYPE BIGINT, ...
inline constexpr const char* AlterTable = "ALTER TABLE ";
inline constexpr const char* AlterColumn = " ALTER ";
inline constexpr const char* ToType = " TYPE ";
inline constexpr const char* Decimal = "DECIMAL";
inline constexpr const char* OpenPrecision = "(";
inline constexpr const char* PrecisionScaleSeparator = ", ";
inline constexpr const char* ClosePrecision = ")";
inline constexpr const char* OpenLength = "(";
inline constexpr const char* CloseLength = ")";
inline constexpr const char* OpenBounds = "[";
inline constexpr const char* BoundSeparator = ":";
inline constexpr const char* DimensionSeparator = ", ";
inline constexpr const char* CloseBounds = "] ";
inline constexpr const char* BlobSubType = " SUB_TYPE ";
inline constexpr const char* SegmentSize = " SEGMENT SIZE ";
inline constexpr const char* CharacterSet = " CHARACTER SET ";
inline constexpr const char* ComputedBy = " COMPUTED BY ";
inline constexpr const char* BeforeDefault = " ";
inline constexpr const char* ColumnConstraint = " CONSTRAINT ";
inline constexpr const char* NotNull = " NOT NULL";
inline constexpr const char* Collate = " COLLATE ";
// A domain the server made for one column: "RDB$" followed by a digit.
inline constexpr const char* GeneratedDomainPrefix = "RDB$";

// The type names by RDB$FIELD_TYPE; nullptr for codes that have none.
inline constexpr const char* typeName(int fieldType)
{
    switch (fieldType) {
    case 7: return "SMALLINT";
    case 8: return "INTEGER";
    case 9: return "QUAD";
    case 10: return "FLOAT";
    case 12: return "DATE";
    case 13: return "TIME";
    case 14: return "CHAR";
    case 16: return "INT64";
    case 17: return "BOOLEAN";
    case 27: return "DOUBLE PRECISION";
    case 35: return "TIMESTAMP";
    case 37: return "VARCHAR";
    case 40: return "CSTRING";
    case 45: return "BLOB_ID";
    case 261: return "BLOB";
    default: return nullptr;
    }
}
// The names of the BLOB sub-types 1 to 8; nullptr for the others (written as numbers).
inline constexpr const char* blobSubTypeName(int subType)
{
    switch (subType) {
    case 1: return "TEXT";
    case 2: return "BLR";
    case 3: return "ACL";
    case 4: return "RANGES";
    case 5: return "SUMMARY";
    case 6: return "FORMAT";
    case 7: return "TRANSACTION_DESCRIPTION";
    case 8: return "EXTERNAL_FILE_DESCRIPTION";
    default: return nullptr;
    }
}
// The precision written for a scaled number without a declared precision, by type.
inline constexpr int defaultPrecision(int fieldType)
{
    switch (fieldType) {
    case 7: return 4;
    case 8: return 9;
    case 27: return 15;
    default: return 0;
    }
}

// ---- the logging pass ------------------------------------------------------------------------

inline constexpr const char* NextSnapshotIdOpen = "SELECT GEN_ID(";
inline constexpr const char* NextSnapshotIdClose = ", 1) FROM RDB$DATABASE ";

inline constexpr const char* InsertInto = "INSERT INTO ";
// The pass's number in the statements prepared once and run at every pass (the trace file shows
// the number itself), of the type of the log tables' SNAPSHOT_ID column.
inline constexpr const char* SnapshotNumberParameter = "CAST(? AS INTEGER)";
inline constexpr const char* RowIdOpen = ", GEN_ID(";
inline constexpr const char* RowIdCloseFrom = ", 1) FROM ";
inline constexpr const char* TraceFileSuffix = ".sql";
inline constexpr const char* TraceLineEnd = "\r\n";

// The column part of an item: opening, column list, the middle, select list, the end.
inline constexpr const char* OpeningWide = " (  ";
inline constexpr const char* OpeningNarrow = " ( ";
inline constexpr const char* ListSeparator = ", ";
inline constexpr const char* ColumnPartMiddle = ", TIME_STAMP, SNAPSHOT_ID, ID ) SELECT ";
inline constexpr const char* ColumnPartEnd = ", CURRENT_TIMESTAMP,";

inline constexpr const char* AttachmentsColumns[] = {
    "TMP$ATTACHMENT_ID", "TMP$DATABASE_ID", "TMP$POOL_ID", "TMP$POOL_MEMORY", "TMP$STATEMENTS",
    "TMP$TRANSACTIONS", "TMP$TIMESTAMP", "TMP$QUANTUM", "TMP$USER", "TMP$USER_IP_ADDR", "TMP$USER_HOST",
    "TMP$USER_PROCESS", "TMP$STATE", "TMP$PRIORITY", "TMP$DBKEY_ID", "TMP$ACTIVE_SORTS", "TMP$PAGE_READS",
    "TMP$PAGE_WRITES", "TMP$PAGE_FETCHES", "TMP$PAGE_MARKS", "TMP$RECORD_SELECTS", "TMP$RECORD_INSERTS",
    "TMP$RECORD_UPDATES", "TMP$RECORD_DELETES", "TMP$RECORD_PURGES", "TMP$RECORD_EXPUNGES",
    "TMP$RECORD_BACKOUTS"};
inline constexpr const char* DatabaseColumns[] = {
    "TMP$DATABASE_ID", "TMP$DATABASE_PATH", "TMP$ATTACHMENTS", "TMP$STATEMENTS", "TMP$ALLOCATED_PAGES",
    "TMP$POOLS", "TMP$PROCEDURES", "TMP$RELATIONS", "TMP$TRIGGERS", "TMP$ACTIVE_THREADS", "TMP$SORT_MEMORY",
    "TMP$CURRENT_MEMORY", "TMP$MAXIMUM_MEMORY", "TMP$PERMANENT_POOL_MEMORY", "TMP$CACHE_POOL_MEMORY",
    "TMP$TRANSACTIONS", "TMP$TRANSACTION_COMMITS", "TMP$TRANSACTION_ROLLBACKS", "TMP$TRANSACTION_PREPARES",
    "TMP$TRANSACTION_DEADLOCKS", "TMP$TRANSACTION_CONFLICTS", "TMP$TRANSACTION_WAITS", "TMP$NEXT_TRANSACTION",
    "TMP$OLDEST_INTERESTING", "TMP$OLDEST_ACTIVE", "TMP$OLDEST_SNAPSHOT", "TMP$CACHE_BUFFERS",
    "TMP$CACHE_PRECEDENCE", "TMP$CACHE_LATCH_WAITS", "TMP$CACHE_FREE_WAITS", "TMP$CACHE_FREE_WRITES",
    "TMP$SWEEP_INTERVAL", "TMP$SWEEP_ACTIVE", "TMP$SWEEP_RELATION", "TMP$SWEEP_RECORDS", "TMP$PAGE_READS",
    "TMP$PAGE_WRITES", "TMP$PAGE_FETCHES", "TMP$PAGE_MARKS", "TMP$RECORD_SELECTS", "TMP$RECORD_INSERTS",
    "TMP$RECORD_UPDATES", "TMP$RECORD_DELETES", "TMP$RECORD_PURGES", "TMP$RECORD_EXPUNGES",
    "TMP$RECORD_BACKOUTS"};
inline constexpr const char* PoolsColumns[] = {
    "TMP$TYPE", "TMP$POOL_MEMORY", "TMP$FREE_MEMORY", "TMP$EXTEND_MEMORY", "TMP$FREE_STACK_NODES",
    "TMP$FREE_BITMAP_BUCKETS", "TMP$FREE_BITMAP_SEGMENTS"};
inline constexpr const char* PoolsSummarizedSelect[] = {
    "TMP$TYPE", "SUM(TMP$POOL_MEMORY)", "SUM(TMP$FREE_MEMORY)", "AVG(TMP$EXTEND_MEMORY)",
    "SUM(TMP$FREE_STACK_NODES)", "SUM(TMP$FREE_BITMAP_BUCKETS)", "SUM(TMP$FREE_BITMAP_SEGMENTS)"};
inline constexpr const char* ProceduresColumns[] = {
    "TMP$PROCEDURE_ID", "TMP$DATABASE_ID", "TMP$PROCEDURE_NAME", "TMP$POOL_ID", "TMP$POOL_MEMORY", "TMP$CLONE",
    "TMP$TIMESTAMP", "TMP$USE_COUNT", "TMP$QUANTUM", "TMP$INVOCATIONS", "TMP$PAGE_READS", "TMP$PAGE_WRITES",
    "TMP$PAGE_FETCHES", "TMP$PAGE_MARKS", "TMP$RECORD_SELECTS", "TMP$RECORD_INSERTS", "TMP$RECORD_UPDATES",
    "TMP$RECORD_DELETES", "TMP$RECORD_PURGES", "TMP$RECORD_EXPUNGES", "TMP$RECORD_BACKOUTS"};
inline constexpr const char* RelationsColumns[] = {
    "TMP$RELATION_ID", "TMP$DATABASE_ID", "TMP$RELATION_NAME", "TMP$USE_COUNT", "TMP$SWEEP_COUNT",
    "TMP$SCAN_COUNT", "TMP$FORMATS", "TMP$POINTER_PAGES", "TMP$DATA_PAGES", "TMP$GARBAGE_COLLECT_PAGES",
    "TMP$PAGE_READS", "TMP$PAGE_WRITES", "TMP$PAGE_FETCHES", "TMP$PAGE_MARKS", "TMP$RECORD_IDX_SELECTS",
    "TMP$RECORD_SEQ_SELECTS", "TMP$RECORD_INSERTS", "TMP$RECORD_UPDATES", "TMP$RECORD_DELETES",
    "TMP$RECORD_PURGES", "TMP$RECORD_EXPUNGES", "TMP$RECORD_BACKOUTS"};
inline constexpr const char* StatementsColumns[] = {
    "TMP$STATEMENT_ID", "TMP$ATTACHMENT_ID", "TMP$TRANSACTION_ID", "TMP$SQL", "TMP$POOL_ID", "TMP$POOL_MEMORY",
    "TMP$CLONE", "TMP$TIMESTAMP", "TMP$QUANTUM", "TMP$INVOCATIONS", "TMP$STATE", "TMP$PRIORITY",
    "TMP$PAGE_READS", "TMP$PAGE_WRITES", "TMP$PAGE_FETCHES", "TMP$PAGE_MARKS", "TMP$RECORD_SELECTS",
    "TMP$RECORD_INSERTS", "TMP$RECORD_UPDATES", "TMP$RECORD_DELETES", "TMP$RECORD_PURGES",
    "TMP$RECORD_EXPUNGES", "TMP$RECORD_BACKOUTS"};
inline constexpr const char* TransactionsColumns[] = {
    "TMP$TRANSACTION_ID", "TMP$ATTACHMENT_ID", "TMP$POOL_ID", "TMP$POOL_MEMORY", "TMP$TIMESTAMP",
    "TMP$SNAPSHOT", "TMP$QUANTUM", "TMP$SAVEPOINTS", "TMP$READONLY", "TMP$WRITE", "TMP$NOWAIT",
    "TMP$COMMIT_RETAINING", "TMP$STATE", "TMP$PRIORITY", "TMP$TYPE", "TMP$PAGE_READS", "TMP$PAGE_WRITES",
    "TMP$PAGE_FETCHES", "TMP$PAGE_MARKS", "TMP$RECORD_SELECTS", "TMP$RECORD_INSERTS", "TMP$RECORD_UPDATES",
    "TMP$RECORD_DELETES", "TMP$RECORD_PURGES", "TMP$RECORD_EXPUNGES", "TMP$RECORD_BACKOUTS"};

static_assert(std::size(AttachmentsColumns) == 27 && std::size(DatabaseColumns) == 46 &&
              std::size(PoolsColumns) == 7 && std::size(PoolsSummarizedSelect) == 7 &&
              std::size(ProceduresColumns) == 21 && std::size(RelationsColumns) == 22 &&
              std::size(StatementsColumns) == 23 && std::size(TransactionsColumns) == 26);

// One statement form of the pass: the column part's pieces and the source (the text after FROM).
struct InsertForm {
    const char* opening;
    Names columns;
    Names selectList;
    const char* source;
};

inline constexpr InsertForm AttachmentsInsert{OpeningWide, AttachmentsColumns, AttachmentsColumns, "TMP$ATTACHMENTS"};
inline constexpr InsertForm DatabaseInsert{OpeningNarrow, DatabaseColumns, DatabaseColumns, "TMP$DATABASE"};
inline constexpr InsertForm PoolsSummarizedInsert{OpeningNarrow, PoolsColumns, PoolsSummarizedSelect,
                                                  "TMP$POOLS GROUP BY TMP$TYPE "};
inline constexpr InsertForm PoolsPerPoolInsert{OpeningNarrow, PoolsColumns, PoolsColumns, "TMP$POOLS"};
inline constexpr InsertForm ProceduresInsert{OpeningWide, ProceduresColumns, ProceduresColumns, "TMP$PROCEDURES"};
inline constexpr InsertForm RelationsInsert{OpeningWide, RelationsColumns, RelationsColumns, "TMP$RELATIONS"};
inline constexpr InsertForm StatementsInsert{OpeningNarrow, StatementsColumns, StatementsColumns, "TMP$STATEMENTS"};
inline constexpr InsertForm TransactionsInsert{OpeningNarrow, TransactionsColumns, TransactionsColumns,
                                               "TMP$TRANSACTIONS"};

// ---- reading the log tables back (File > Open Log Tables) ----------------------------------

// The logging passes a log table holds: the pass's number and the time its rows were written.
inline constexpr const char* PassesOpen = "SELECT SNAPSHOT_ID, MIN(TIME_STAMP) AS TAKEN FROM ";
inline constexpr const char* PassesClose = " GROUP BY SNAPSHOT_ID ORDER BY SNAPSHOT_ID";
// The rows of one pass in the order they were written; the columns are bound by name.
inline constexpr const char* PassRowsOpen = "SELECT * FROM ";
inline constexpr const char* PassRowsClose = " WHERE SNAPSHOT_ID = :SNAPSHOT_ID ORDER BY ID";
inline constexpr const char* PassParam = "SNAPSHOT_ID";

}  // namespace logsql

#pragma once
// The monitoring queries and the control statements, built from these fixed pieces only.
// Each query is its lines, each ended by a line break.

#include <initializer_list>

namespace monitorsql {

using Lines = std::initializer_list<const char*>;

inline constexpr Lines Database = {"SELECT ", "  * ", "FROM ", "  TMP$DATABASE"};

inline constexpr Lines Pools = {
    "SELECT",
    "  TMP$TYPE, ",
    "  COUNT(*) AS POOL_COUNT,",
    "  SUM(TMP$POOL_MEMORY) AS TMP$POOL_MEMORY, ",
    "  SUM(TMP$FREE_MEMORY) AS TMP$FREE_MEMORY,  ",
    "  AVG(TMP$EXTEND_MEMORY) AS TMP$EXTEND_MEMORY, ",
    "  SUM(TMP$FREE_STACK_NODES) AS TMP$FREE_STACK_NODES, ",
    "  SUM(TMP$FREE_BITMAP_BUCKETS) AS TMP$FREE_BITMAP_BUCKETS, ",
    "  SUM(TMP$FREE_BITMAP_SEGMENTS) AS TMP$FREE_BITMAP_SEGMENTS",
    "FROM",
    "  TMP$POOLS",
    "GROUP BY",
    "  TMP$TYPE",
    "ORDER BY",
    "  TMP$TYPE",
};

inline constexpr Lines PoolBlocks = {"SELECT", "  *", "FROM", "  TMP$POOL_BLOCKS", "WHERE", "  TMP$POOL_ID = :TMP$POOL_ID"};

inline constexpr Lines Procedures = {"SELECT", "  *", "FROM", "  TMP$PROCEDURES", "ORDER BY", "  TMP$PROCEDURE_NAME"};

inline constexpr Lines Statements = {
    "SELECT",
    "  S.*, A.TMP$USER, ",
    "  (CURRENT_TIMESTAMP - S.TMP$TIMESTAMP) AS ELAPSED_TIME",
    "FROM",
    "  TMP$STATEMENTS S",
    "  LEFT OUTER JOIN TMP$ATTACHMENTS A",
    "    ON A.TMP$ATTACHMENT_ID = S.TMP$ATTACHMENT_ID",
    "ORDER BY ",
    "  A.TMP$USER",
};

inline constexpr Lines Relations = {"SELECT", "  *", "FROM", "  TMP$RELATIONS", "ORDER BY", "  TMP$RELATION_NAME"};

// The tables query with and without the system tables, each as one line.
inline constexpr const char* RelationsWithSystemTables = "SELECT   * FROM   TMP$RELATIONS ORDER BY   TMP$RELATION_NAME ";
inline constexpr const char* RelationsWithoutSystemTables =
    "SELECT   * FROM   TMP$RELATIONS WHERE   NOT ((TMP$RELATION_NAME STARTING WITH 'RDB$') OR (TMP$RELATION_NAME "
    "STARTING WITH 'TMP$')) ORDER BY   TMP$RELATION_NAME ";

inline constexpr Lines Transactions = {
    "SELECT",
    "  T.*, A.TMP$USER,",
    "  (CURRENT_TIMESTAMP - T.TMP$TIMESTAMP) AS ELAPSED_TIME",
    "FROM",
    "  TMP$TRANSACTIONS T",
    "  LEFT OUTER JOIN TMP$ATTACHMENTS A",
    "    ON A.TMP$ATTACHMENT_ID = T.TMP$ATTACHMENT_ID",
    "ORDER BY ",
    "  A.TMP$USER",
    "",
    "",
};

inline constexpr Lines Attachments = {"SELECT", "  *", "FROM", "  TMP$ATTACHMENTS", "ORDER BY", "  TMP$USER"};

// Control statements: the prefix, then the row's identifier in decimal.
inline constexpr const char* CancelAttachmentPrefix =
    "UPDATE TMP$ATTACHMENTS SET TMP$STATE = 'CANCEL' WHERE TMP$ATTACHMENT_ID=";
inline constexpr const char* ShutdownAttachmentPrefix =
    "UPDATE TMP$ATTACHMENTS SET TMP$STATE = 'SHUTDOWN' WHERE TMP$ATTACHMENT_ID=";
inline constexpr const char* CancelStatementPrefix =
    "UPDATE TMP$STATEMENTS SET TMP$STATE = 'CANCEL' WHERE TMP$STATEMENT_ID=";
inline constexpr const char* CommitTransactionPrefix =
    "UPDATE TMP$TRANSACTIONS SET TMP$STATE = 'COMMIT' WHERE TMP$TRANSACTION_ID=";
inline constexpr const char* RollbackTransactionPrefix =
    "UPDATE TMP$TRANSACTIONS SET TMP$STATE = 'ROLLBACK' WHERE TMP$TRANSACTION_ID=";

// ---- Firebird: the monitoring tables (MON$) and system tables (RDB$) read directly -----------
// Each text column arrives as the server's own bytes (CHARACTER SET OCTETS, so no character set of
// the connection can refuse a character); the program decodes them as UTF-8.
namespace firebird {

// Whether the database holds TMP$ relations, and which are Quillmere's own views.
inline constexpr const char* TmpRelations =
    "SELECT CAST(TRIM(R.RDB$RELATION_NAME) AS VARCHAR(252) CHARACTER SET OCTETS), "
    "CASE WHEN R.RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END, "
    "CAST(SUBSTRING(R.RDB$DESCRIPTION FROM 1 FOR 10) AS VARCHAR(40) CHARACTER SET OCTETS) "
    "FROM RDB$RELATIONS R WHERE R.RDB$RELATION_NAME STARTING WITH 'TMP$'";
// The description by which quillmere-schema marks its objects.
inline constexpr const char* OwnObjectMark = "Quillmere:";

inline constexpr const char* Database =
    "SELECT D.MON$STAT_ID, CAST(D.MON$DATABASE_NAME AS VARCHAR(1020) CHARACTER SET OCTETS), D.MON$PAGE_SIZE, "
    "D.MON$PAGE_BUFFERS, D.MON$PAGES, D.MON$NEXT_TRANSACTION, D.MON$OLDEST_TRANSACTION, D.MON$OLDEST_ACTIVE, "
    "D.MON$OLDEST_SNAPSHOT, D.MON$SWEEP_INTERVAL FROM MON$DATABASE D";

inline constexpr const char* Attachments =
    "SELECT A.MON$ATTACHMENT_ID, A.MON$STAT_ID, A.MON$SYSTEM_FLAG, A.MON$STATE, A.MON$TIMESTAMP, "
    "CAST(TRIM(A.MON$USER) AS VARCHAR(252) CHARACTER SET OCTETS), "
    "CAST(A.MON$REMOTE_ADDRESS AS VARCHAR(1020) CHARACTER SET OCTETS), "
    "CAST(A.MON$REMOTE_HOST AS VARCHAR(1020) CHARACTER SET OCTETS), "
    "CAST(A.MON$REMOTE_PROCESS AS VARCHAR(1020) CHARACTER SET OCTETS), "
    "A.MON$REMOTE_PID, A.MON$SERVER_PID, CASE WHEN A.MON$REMOTE_PROTOCOL IS NULL THEN 0 ELSE 1 END "
    "FROM MON$ATTACHMENTS A";

// Every statement with what the pools and the counts need; with its text and elapsed time for the
// statements snapshot.
inline constexpr const char* StatementsBrief =
    "SELECT S.MON$STATEMENT_ID, S.MON$ATTACHMENT_ID, S.MON$STAT_ID, S.MON$STATE FROM MON$STATEMENTS S";
inline constexpr const char* StatementsFull =
    "SELECT S.MON$STATEMENT_ID, S.MON$ATTACHMENT_ID, S.MON$STAT_ID, S.MON$STATE, S.MON$TRANSACTION_ID, "
    "S.MON$TIMESTAMP, CURRENT_TIMESTAMP - S.MON$TIMESTAMP, "
    "CAST(SUBSTRING(S.MON$SQL_TEXT FROM 1 FOR 4094) AS VARCHAR(24564) CHARACTER SET OCTETS) "
    "FROM MON$STATEMENTS S";
// The plan of one statement.
inline constexpr const char* StatementPlan =
    "SELECT CAST(SUBSTRING(S.MON$EXPLAINED_PLAN FROM 1 FOR 8000) AS VARCHAR(32000) CHARACTER SET OCTETS) "
    "FROM MON$STATEMENTS S WHERE S.MON$STATEMENT_ID = ?";

inline constexpr const char* Transactions =
    "SELECT T.MON$TRANSACTION_ID, T.MON$ATTACHMENT_ID, T.MON$STAT_ID, T.MON$STATE, T.MON$TIMESTAMP, "
    "CURRENT_TIMESTAMP - T.MON$TIMESTAMP, T.MON$ISOLATION_MODE, T.MON$LOCK_TIMEOUT, T.MON$READ_ONLY, "
    "T.MON$OLDEST_ACTIVE FROM MON$TRANSACTIONS T";

inline constexpr const char* Memory =
    "SELECT M.MON$STAT_ID, M.MON$MEMORY_USED, M.MON$MEMORY_ALLOCATED, M.MON$MAX_MEMORY_USED "
    "FROM MON$MEMORY_USAGE M";

// Page and record counters of one statistics group (0 database, 1 attachment, 2 transaction,
// 3 statement, 4 call), both tables joined on the server.
inline constexpr const char* GroupStatistics =
    "SELECT I.MON$STAT_ID, I.MON$PAGE_READS, I.MON$PAGE_WRITES, I.MON$PAGE_FETCHES, I.MON$PAGE_MARKS, "
    "R.MON$RECORD_SEQ_READS, R.MON$RECORD_IDX_READS, R.MON$RECORD_INSERTS, R.MON$RECORD_UPDATES, "
    "R.MON$RECORD_DELETES, R.MON$RECORD_BACKOUTS, R.MON$RECORD_PURGES, R.MON$RECORD_EXPUNGES, "
    "R.MON$RECORD_CONFLICTS, R.MON$RECORD_WAITS "
    "FROM MON$IO_STATS I JOIN MON$RECORD_STATS R ON R.MON$STAT_ID = I.MON$STAT_ID "
    "WHERE I.MON$STAT_GROUP = ? AND R.MON$STAT_GROUP = ?";

// The stored procedures on the call stacks (object type 5), with their procedure numbers.
inline constexpr const char* ProcedureCalls =
    "SELECT C.MON$STATEMENT_ID, C.MON$STAT_ID, C.MON$TIMESTAMP, "
    "CAST(TRIM(C.MON$PACKAGE_NAME) AS VARCHAR(252) CHARACTER SET OCTETS), "
    "CAST(TRIM(C.MON$OBJECT_NAME) AS VARCHAR(252) CHARACTER SET OCTETS), P.RDB$PROCEDURE_ID "
    "FROM MON$CALL_STACK C LEFT JOIN RDB$PROCEDURES P ON P.RDB$PROCEDURE_NAME = C.MON$OBJECT_NAME "
    "AND P.RDB$PACKAGE_NAME IS NOT DISTINCT FROM C.MON$PACKAGE_NAME WHERE C.MON$OBJECT_TYPE = 5";

// The database-wide record counters of each table that has been used.
inline constexpr const char* TableStatistics =
    "SELECT CAST(TRIM(T.MON$TABLE_NAME) AS VARCHAR(252) CHARACTER SET OCTETS), R.MON$RECORD_SEQ_READS, "
    "R.MON$RECORD_IDX_READS, R.MON$RECORD_INSERTS, R.MON$RECORD_UPDATES, R.MON$RECORD_DELETES, "
    "R.MON$RECORD_BACKOUTS, R.MON$RECORD_PURGES, R.MON$RECORD_EXPUNGES "
    "FROM MON$TABLE_STATS T JOIN MON$RECORD_STATS R ON R.MON$STAT_ID = T.MON$RECORD_STAT_ID "
    "WHERE T.MON$STAT_GROUP = 0";

inline constexpr const char* Relations =
    "SELECT R.RDB$RELATION_ID, CAST(TRIM(R.RDB$RELATION_NAME) AS VARCHAR(252) CHARACTER SET OCTETS), "
    "R.RDB$FORMAT FROM RDB$RELATIONS R";
inline constexpr const char* PointerPages =
    "SELECT P.RDB$RELATION_ID, COUNT(*) FROM RDB$PAGES P WHERE P.RDB$PAGE_TYPE = 4 GROUP BY P.RDB$RELATION_ID";
// The numbers of relations and of active triggers.
inline constexpr const char* MetadataCounts =
    "SELECT (SELECT COUNT(*) FROM RDB$RELATIONS), "
    "(SELECT COUNT(*) FROM RDB$TRIGGERS T WHERE COALESCE(T.RDB$TRIGGER_INACTIVE, 0) = 0) FROM RDB$DATABASE";

// Names of system relations, left out when system tables are not shown.
inline constexpr const char* SystemRelationPrefixes[] = {"RDB$", "TMP$", "MON$", "SEC$"};

// Control. Firebird cancels what an attachment runs when its statement's row is deleted from
// MON$STATEMENTS, and disconnects an attachment whose row is deleted from MON$ATTACHMENTS; no
// other change of MON$ is allowed. Each text is followed by the row's identifier.
inline constexpr const char* StatementStatePrefix =
    "SELECT S.MON$STATE FROM MON$STATEMENTS S WHERE S.MON$STATEMENT_ID=";
inline constexpr const char* CancelStatementPrefix =
    "DELETE FROM MON$STATEMENTS WHERE MON$STATE = 1 AND MON$STATEMENT_ID=";
inline constexpr const char* UserAttachmentPrefix =
    "SELECT 1 FROM MON$ATTACHMENTS A WHERE A.MON$SYSTEM_FLAG = 0 AND A.MON$ATTACHMENT_ID=";
// Every running statement of the attachment but this very one, when the attachment is our own.
inline constexpr const char* CancelAttachmentPrefix =
    "DELETE FROM MON$STATEMENTS WHERE MON$STATE = 1 AND NOT (MON$ATTACHMENT_ID = CURRENT_CONNECTION AND "
    "MON$TRANSACTION_ID = CURRENT_TRANSACTION) AND MON$ATTACHMENT_ID=";
inline constexpr const char* ShutdownAttachmentPrefix =
    "DELETE FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 AND MON$ATTACHMENT_ID=";
inline constexpr const char* TransactionExistsPrefix =
    "SELECT 1 FROM MON$TRANSACTIONS T WHERE T.MON$TRANSACTION_ID=";

}  // namespace firebird

}  // namespace monitorsql

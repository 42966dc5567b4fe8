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

// Whether the connected user sees every attachment in the monitoring tables: SYSDBA, the
// database's owner (the owner of its system relations) and the RDB$ADMIN role do; anyone else
// sees only the attachments of their own user name. 1 or 0. CHAR compares equal to the user's
// name with the blanks that pad it.
inline constexpr const char* SeesEveryAttachment =
    "SELECT CASE WHEN CURRENT_USER = 'SYSDBA' OR CURRENT_ROLE = 'RDB$ADMIN' OR EXISTS (SELECT 1 FROM RDB$RELATIONS R "
    "WHERE R.RDB$RELATION_NAME = 'RDB$DATABASE' AND R.RDB$OWNER_NAME = CURRENT_USER)";
// From Firebird 4 on, a role may give the system privilege to see every attachment.
inline constexpr const char* SeesEveryAttachmentByPrivilege = " OR RDB$SYSTEM_PRIVILEGE(MONITOR_ANY_ATTACHMENT)";
inline constexpr const char* SeesEveryAttachmentEnd = " THEN 1 ELSE 0 END FROM RDB$DATABASE";

// ---- Firebird: the monitoring tables (MON$) and system tables (RDB$) read directly -----------
// (the Firebird source's own queries are in FirebirdSQL.h)
namespace firebird {

// Whether the database holds TMP$ relations, and which are Quillmere's own views.
inline constexpr const char* TmpRelations =
    "SELECT CAST(TRIM(R.RDB$RELATION_NAME) AS VARCHAR(252) CHARACTER SET OCTETS), "
    "CASE WHEN R.RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END, "
    "CAST(SUBSTRING(R.RDB$DESCRIPTION FROM 1 FOR 10) AS VARCHAR(40) CHARACTER SET OCTETS) "
    "FROM RDB$RELATIONS R WHERE R.RDB$RELATION_NAME STARTING WITH 'TMP$'";
// The description by which quillmere-schema marks its objects.
inline constexpr const char* OwnObjectMark = "Quillmere:";

// Names of system relations, left out when system tables are not shown.
inline constexpr const char* SystemRelationPrefixes[] = {"RDB$", "TMP$", "MON$", "SEC$"};

// Control. Firebird cancels what an attachment runs when its statement's row is deleted from
// MON$STATEMENTS, and disconnects an attachment whose row is deleted from MON$ATTACHMENTS; no
// other change of MON$ is allowed. Each text is followed by the row's identifier.
inline constexpr const char* StatementStatePrefix =
    "SELECT S.MON$STATE FROM MON$STATEMENTS S WHERE S.MON$STATEMENT_ID=";
inline constexpr const char* CancelStatementPrefix =
    "DELETE FROM MON$STATEMENTS WHERE MON$STATE = 1 AND MON$STATEMENT_ID=";
// The attachment's system flag: 1 for the server's own (cache writer, garbage collector).
inline constexpr const char* AttachmentSystemFlagPrefix =
    "SELECT A.MON$SYSTEM_FLAG FROM MON$ATTACHMENTS A WHERE A.MON$ATTACHMENT_ID=";
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

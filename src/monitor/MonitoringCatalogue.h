#pragma once
// The monitoring sources as the program uses them: for each snapshot its columns in declaration
// order, with type, display label, whether a view that lists all columns shows it, and the
// display-text rule. One declaration per snapshot; views, commands and tests read it from here.

#include <span>

namespace catalogue {

enum class ColumnType { Int16, Int32, Int64, Double, Char, Varchar, Timestamp };

// The length of the names the monitoring tables hold as CHAR: users, procedures, tables and views.
inline constexpr int NameLength = 67;

enum class DisplayRule {
    Plain,       // integers in decimal, text as stored, timestamps as the standard date-time text
    PoolType,    // trimmed pool type code through the pool type names
    StartTime,   // empty when not later than the cut-off date
    ElapsedTime  // days with a fraction as "HHHH:MM:SS.mmm"; empty when the start is not later than the cut-off
};

struct ColumnDecl {
    const char* name;    // the server's column name, e.g. "TMP$STATEMENT_ID"
    ColumnType type;
    int length;          // characters, for Char and Varchar; 0 for the other types
    const char* label;   // display label; nullptr when the column has none (the heading is the name)
    bool shown;          // false for hidden columns
    DisplayRule rule;
};

enum class SnapshotId { Database, Pools, PoolBlocks, Procedures, Statements, Relations, Transactions, Attachments };

struct SnapshotDecl {
    SnapshotId id;
    const char* snapshotName;  // "cdsStatements"
    const char* queryName;     // "qryStatements"
    const char* source;        // "TMP$STATEMENTS"
    const char* keyColumn;     // column that finds the selected row again; nullptr when none
    std::span<const ColumnDecl> columns;
};

// The columns that commands, panes and pages read by name (the state column: RowState.h). The
// catalogue checks that each is in the snapshots that are read by it.
namespace column {
inline constexpr const char* AttachmentId = "TMP$ATTACHMENT_ID";  // the users' key; statements, transactions
inline constexpr const char* StatementId = "TMP$STATEMENT_ID";    // the statements' key
inline constexpr const char* SqlText = "TMP$SQL";                 // statements
inline constexpr const char* User = "TMP$USER";                   // users, statements, transactions
inline constexpr const char* UserHost = "TMP$USER_HOST";          // users
inline constexpr const char* UserProcess = "TMP$USER_PROCESS";    // users
inline constexpr const char* ClientHost = "CLIENT_HOST";          // statements, transactions (Firebird)
inline constexpr const char* ClientProcess = "CLIENT_PROCESS_ID";  // statements, transactions (Firebird)
inline constexpr const char* ClientProgram = "CLIENT_PROGRAM";    // statements, transactions (Firebird)
inline constexpr const char* PoolType = "TMP$TYPE";               // the pools' key
inline constexpr const char* PoolMemory = "TMP$POOL_MEMORY";      // pools
}  // namespace column

const SnapshotDecl& snapshotDecl(SnapshotId id);
// Whether only a Firebird server's own tables give the column (the client behind a row, what the
// newer releases tell): the columns of the TMP$ relations begin with TMP$, and their queries
// compute ELAPSED_TIME and POOL_COUNT.
bool directOnly(const ColumnDecl& column);
std::span<const SnapshotDecl> allSnapshots();

}  // namespace catalogue

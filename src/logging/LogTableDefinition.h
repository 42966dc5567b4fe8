#pragma once
// The definition of a monitoring table as the system tables declare it, and the DDL text of the
// log table made from it: the three columns of the log, then every column of the monitoring
// table with its type, domain, computed source, default, NOT NULL constraints and collation, then
// the table's primary-key and unique constraints. One item per line, every line ended by CR LF.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace ib {
class StatementComponent;
class TransactionComponent;
}  // namespace ib

namespace logddl {

struct ColumnDefinition {
    QString name;                  // RDB$FIELD_NAME, trimmed
    QString domain;                // RDB$FIELD_SOURCE, trimmed
    bool systemRelation = false;   // the table is flagged as a system relation
    int fieldType = 0;
    std::optional<int> subType;
    std::optional<int> precision;
    int scale = 0;
    int fieldLength = 0;
    std::optional<int> characterLength;
    std::optional<int> segmentLength;
    int dimensions = 0;
    std::optional<int> characterSetId;
    QString characterSetName;      // trimmed; empty when the column has no character set
    QString defaultCollateName;    // of the character set
    QString collationName;         // the column's explicit collation; empty when none
    std::optional<QString> computedSource;
    std::optional<QString> defaultSource;
    bool notNull = false;          // declared NOT NULL on the column itself
    QStringList notNullConstraints;             // names, in name order
    QList<std::pair<int, int>> bounds;          // lower and upper bound per dimension
};

struct KeyConstraint {
    QString name;
    bool primaryKey = false;  // else unique
    QStringList columns;      // in field position order
};

struct TableDefinition {
    QList<ColumnDefinition> columns;  // by field position, then name
    QList<KeyConstraint> keys;        // by constraint name
};

// Reads the definition in the active transaction through the statement component (whose text
// is replaced by each query). A table that does not exist has no columns.
TableDefinition readTableDefinition(ib::StatementComponent& statement, ib::TransactionComponent& transaction,
                                    const QString& relationName);

// A name as written into DDL text: trimmed and upper-cased in dialect 1; in dialect 3 enclosed
// in double quotes, inner double quotes doubled.
QString ddlName(const QString& name, unsigned dialect);

// The column definition: what follows the column name and the tab.
QString columnDefinition(const ColumnDefinition& column, int odsMajorVersion, unsigned dialect);

// The whole CREATE TABLE text, the terminating semicolon and the last CR LF included.
QString logTableDDL(const QString& logTableName, const TableDefinition& table, int odsMajorVersion,
                    unsigned dialect);

// The ALTER TABLE text that widens each integer column of the log table whose column of the same
// name in the monitoring table is a 64-bit integer; empty when there is none.
QString widenColumnsDDL(const QString& logTableName, const TableDefinition& logTable,
                        const TableDefinition& monitoringTable, unsigned dialect);

}  // namespace logddl

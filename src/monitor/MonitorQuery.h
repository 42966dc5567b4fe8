#pragma once
// A monitoring query: its SQL text (lines), the transaction it reads in, and the copy of its
// whole result into a snapshot's row store, binding the snapshot's columns by name.

#include "ib/Database.h"

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <vector>

class RowStore;
class Snapshot;

class MonitorQuery {
public:
    MonitorQuery(QString name, std::initializer_list<const char*> lines);

    const QString& name() const { return m_name; }
    // Replacing the text closes the query (the prepared statement is let go).
    void setSQL(const QStringList& lines);
    const QStringList& sqlLines() const { return m_lines; }
    QString sqlText() const;  // every line ended by a line break

    void setDatabase(ib::Database* database) { m_statement.setDatabase(database); }
    ib::Database* database() const { return m_statement.database(); }
    void setTransaction(ib::TransactionComponent* transaction) { m_transaction = transaction; }
    ib::TransactionComponent* transaction() const { return m_transaction; }

    // Executes in the (active) transaction, binds the snapshot's parameters by name, fetches every
    // row into the store and closes the query.
    void fetchInto(const Snapshot& snapshot, RowStore& rows);
    bool isPrepared() { return m_statement.statement().isPrepared(); }

private:
    void prepare(const Snapshot& snapshot);

    QString m_name;
    QStringList m_lines;
    ib::StatementComponent m_statement;
    ib::TransactionComponent* m_transaction = nullptr;
    std::vector<QString> m_paramNames;  // the ":NAME" parameters in text order
    std::vector<int> m_resultColumn;    // per declared column, the result column or -1
};

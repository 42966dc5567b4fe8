#pragma once
// The statements of the control operations, run in the snapshot module's read-write transaction
// with its operation statement: each operation in a transaction of its own, committed when it has
// run, rolled back when it fails, so that nothing of a failed operation stays and no transaction
// is left open.

#include "ib/Database.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class ControlStatements {
public:
    ControlStatements(ib::TransactionComponent& transaction, ib::StatementComponent& statement)
        : m_transaction(transaction), m_statement(statement)
    {
    }

    // One statement that changes rows: true when it updated at least one row.
    bool update(const QString& text);

    // Several statements in one transaction. A step gives the first value of a select's first
    // row (nothing when there is no row), or the rows a delete deleted.
    using Step = std::function<std::optional<int64_t>(const QString& text)>;
    bool inOneTransaction(const std::function<bool(const Step& run)>& steps);

    // The text of the last statement run.
    const QString& lastText() const { return m_lastText; }

private:
    ib::TransactionComponent& m_transaction;
    ib::StatementComponent& m_statement;
    QString m_lastText;
};

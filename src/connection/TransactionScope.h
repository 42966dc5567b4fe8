#pragma once
// One piece of database work in a transaction of its own: the transaction starts when the scope
// is made and has ended, one way or the other, when the scope is left. commit() ends it as it
// should; a scope left without commit() (an error on the way) frees the statement the work used
// and ends the transaction as the work asks: rolled back, so that nothing of a failed control
// operation stays, or committed, so that what a logging step did before its failure stays. A
// transaction that cannot be ended that way is let go quietly; the work's own error is the one
// that goes on.

#include "ib/Database.h"
#include "ib/Transaction.h"

class TransactionScope {
public:
    enum class OnFailure { RollBack, Commit };

    TransactionScope(ib::TransactionComponent& transaction, ib::StatementComponent* statement, OnFailure onFailure)
        : m_transaction(transaction), m_statement(statement), m_onFailure(onFailure)
    {
        m_transaction.start();
    }
    ~TransactionScope()
    {
        if (m_ended)
            return;
        freeStatement();
        try {
            if (m_onFailure == OnFailure::RollBack)
                m_transaction.rollback();
            else
                m_transaction.commit();
        } catch (...) {
            m_transaction.transaction().endQuietly();
        }
    }
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;

    // Frees the statement and commits; a commit that fails leaves no transaction behind.
    void commit()
    {
        m_ended = true;
        freeStatement();
        try {
            m_transaction.commit();
        } catch (...) {
            m_transaction.transaction().endQuietly();
            throw;
        }
    }

private:
    void freeStatement() noexcept
    {
        if (m_statement)
            m_statement->statement().free();
    }

    ib::TransactionComponent& m_transaction;
    ib::StatementComponent* m_statement;
    OnFailure m_onFailure;
    bool m_ended = false;
};

#pragma once
// The Transactions tab: the transactions grid with the database's oldest active transaction marked
// (found again after each refresh), Commit and Rollback (enabled while the current transaction is
// ACTIVE or in LIMBO, and where the source can end it) and Go to User.

#include "mainwindow/pages/MonitorPage.h"

#include <optional>

class DatabasePage;

class TransactionsPage : public MonitorPage {
    Q_OBJECT
public:
    // database: where the oldest active transaction was read last when a refresh does not read it.
    TransactionsPage(const PageContext& context, const DatabasePage& database);

    void updateActions() override;
    // After the pools, which on Firebird have read the database's oldest active transaction.
    void afterRefresh() override { MarkOldestActiveTransaction(); }

    // The transaction marked as the oldest active one (after the tab's last refresh).
    std::optional<qint64> markedTransaction() const { return m_markedTransaction; }

    void actTransactionCommitExecute();
    void actTransactionRollbackExecute();

    QAction* actTransactionCommit;
    QAction* actTransactionRollback;
    QAction* actTransactionGoToUser;

protected:
    const char* chosenRowsEndedText() const override;

private:
    void MarkOldestActiveTransaction();

    const DatabasePage& m_database;
    std::optional<qint64> m_markedTransaction;
};

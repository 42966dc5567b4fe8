#include "mainwindow/pages/TransactionsPage.h"

#include "common/Messages.h"
#include "mainwindow/MainIcons.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/ControlCommand.h"
#include "mainwindow/pages/DatabasePage.h"
#include "monitor/QuillmereDM.h"
#include "monitor/RowState.h"

#include <QAction>

namespace {
QString transactionQuestion(const char* lead, const Snapshot& s)
{
    return QString::fromUtf8(lead) + transactionNumber(s) + QString::fromUtf8(msg::ConfirmQuestionEnd);
}

const ControlCommand TransactionCommit{
    ControlOperation::CommitTransaction,
    [](const Snapshot& s) { return transactionQuestion(msg::ConfirmCommitTransaction, s); }, msg::FailedTransaction};
const ControlCommand TransactionRollback{
    ControlOperation::RollbackTransaction,
    [](const Snapshot& s) { return transactionQuestion(msg::ConfirmRollbackTransaction, s); }, msg::FailedTransaction};
}  // namespace

TransactionsPage::TransactionsPage(const PageContext& context, const DatabasePage& database)
    : MonitorPage(PageId::Transactions, context), m_database(database)
{
    const Snapshot& transactions = *snapshot();
    const int id = transactions.requireColumn(keyColumn());
    grid()->setRowMarker(
        [this, &transactions, id](int row) {
            return m_markedTransaction && !transactions.isNull(row, id) &&
                   transactions.intValue(row, id) == *m_markedTransaction;
        },
        QString::fromUtf8(msg::OldestActiveTransactionHint));

    actTransactionCommit =
        addAction("actTransactionCommit", msg::ActTransactionCommit, nullptr, true, mainicons::commit());
    actTransactionRollback =
        addAction("actTransactionRollback", msg::ActTransactionRollback, nullptr, true, mainicons::rollback());
    actTransactionGoToUser = addAction("actTransactionGoToUser", msg::ActGoToUser, "Ctrl+U", false, QIcon());
    addToolBar("tlbTransactions", {actTransactionCommit, actTransactionRollback, actTransactionGoToUser});
    onTriggered(actTransactionCommit, [this] { actTransactionCommitExecute(); });
    onTriggered(actTransactionRollback, [this] { actTransactionRollbackExecute(); });
    onTriggered(actTransactionGoToUser, [this] { goToUserOfCurrentRow(); });
}

void TransactionsPage::updateActions()
{
    const RowState state = currentRowState(*snapshot());
    actTransactionCommit->setEnabled(state == RowState::Active || state == RowState::Limbo);
    actTransactionRollback->setEnabled(actTransactionCommit->isEnabled());
    actTransactionGoToUser->setEnabled(hasCurrentRow());
}

void TransactionsPage::actTransactionCommitExecute() { runControlCommand(context().dm, *grid(), TransactionCommit); }

void TransactionsPage::actTransactionRollbackExecute()
{
    runControlCommand(context().dm, *grid(), TransactionRollback);
}

void TransactionsPage::MarkOldestActiveTransaction()
{
    // The database's oldest active transaction: read in this refresh where the source has it
    // (Firebird: the pools read MON$DATABASE), else the one the Database tab read last, as long as
    // it is still among the rows (a transaction that was the oldest active and is still open still
    // is). Without either, the oldest open transaction of the list.
    const Snapshot& transactions = *snapshot();
    std::optional<qint64> marked = context().dm.TickOldestActive();
    if (!marked && transactions.isOpen()) {
        const int id = transactions.requireColumn(keyColumn());
        const std::optional<qint64> lastRead = m_database.oldestActive();
        std::optional<qint64> oldestOpen;
        for (int row = 0; row < transactions.rowCount(); ++row) {
            if (transactions.isNull(row, id))
                continue;
            const qint64 candidate = transactions.intValue(row, id);
            if (candidate == lastRead)
                marked = lastRead;
            // IDLE is Firebird's open transaction without a running statement
            if (isOpenTransaction(rowState(transactions, row)) && (!oldestOpen || candidate < *oldestOpen))
                oldestOpen = candidate;
        }
        if (!marked)
            marked = oldestOpen;
    }
    m_markedTransaction = marked;
    grid()->refreshRowMarks();
}

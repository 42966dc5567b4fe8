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
bool endable(RowState state) { return state == RowState::Active || state == RowState::Limbo; }

const ControlCommand TransactionCommit{
    ControlOperation::CommitTransaction,
    [](const Snapshot& s, int row) { return questionAbout(msg::ConfirmCommitTransaction, transactionNumber(s, row)); },
    msg::ConfirmCommitTransactions, msg::FailedTransaction, endable};
const ControlCommand TransactionRollback{
    ControlOperation::RollbackTransaction,
    [](const Snapshot& s, int row) { return questionAbout(msg::ConfirmRollbackTransaction, transactionNumber(s, row)); },
    msg::ConfirmRollbackTransactions, msg::FailedTransaction, endable};
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
    // a source that cannot end another attachment's transaction (Firebird) has the commands off,
    // with the reason as their tool tip, instead of asking first and refusing then
    const bool canEnd = context().dm.supports(ControlOperation::CommitTransaction);
    const QString why = canEnd ? QString() : QString::fromUtf8(msg::FirebirdCannotEndTransactionHint);
    const bool enabled = canEnd && controllable() && actsOnChosenRows(*this, TransactionCommit);
    for (QAction* action : {actTransactionCommit, actTransactionRollback}) {
        action->setEnabled(enabled);
        action->setToolTip(why);
    }
    actTransactionGoToUser->setEnabled(hasCurrentRow());
}

void TransactionsPage::actTransactionCommitExecute() { runControlCommand(context().dm, *this, TransactionCommit); }

void TransactionsPage::actTransactionRollbackExecute()
{
    runControlCommand(context().dm, *this, TransactionRollback);
}

const char* TransactionsPage::chosenRowsEndedText() const { return msg::ChosenTransactionsEnded; }

void TransactionsPage::MarkOldestActiveTransaction()
{
    // The database's oldest active transaction: read in this refresh where the source has it
    // (Firebird: the pools read MON$DATABASE), else the one the Database tab read last, as long as
    // it is still among the rows (a transaction that was the oldest active and is still open still
    // is). Without either, the oldest open transaction of the list.
    const Snapshot& transactions = *snapshot();
    // (a recorded moment's rows never take the live tick's)
    std::optional<qint64> marked = context().origin.recorded() ? std::nullopt : context().dm.TickOldestActive();
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

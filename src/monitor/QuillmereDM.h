#pragma once
// The data layer of the monitor: one query and snapshot per monitoring source, all read in one
// read-only transaction on the shared connection; the display-text rules; the system-tables
// switch; and the control operations, each in a read-write transaction of its own.

#include "connection/IBConnectionDM.h"
#include "ib/Database.h"
#include "monitor/MonitorQuery.h"
#include "monitor/Snapshot.h"

#include <QDateTime>

class TdmQuillmere : public TdmIBConnection, private ib::DatabaseUser {
    Q_OBJECT
public:
    explicit TdmQuillmere(QObject* owner = nullptr);
    ~TdmQuillmere() override;

    // The read-only transaction of every monitoring query.
    ib::TransactionComponent IBTransaction;

    MonitorQuery qryDatabase, qryPools, qryPoolBlocks, qryProcedures, qryStatements, qryRelations, qryTransactions,
        qryAttachments;
    Snapshot cdsDatabase, cdsPools, cdsPoolBlocks, cdsProcedures, cdsStatements, cdsRelations, cdsTransactions,
        cdsAttachments;

    // The control operations' transaction and statement.
    ib::TransactionComponent IBTransactionReadWrite;
    ib::StatementComponent sqlOperation;

    bool ShowSystemTables() const { return m_showSystemTables; }
    void SetShowSystemTables(bool show);
    QDateTime TimestampCutoff() const { return m_timestampCutoff; }

    // Display texts.
    QString cdsPoolsTMPTYPEGetText(const QVariant& value) const;
    QString TimestampGetText(const QVariant& value) const;
    QString ElapsedTimeGetText(const Snapshot& snapshot, int row, int column) const;

    // Control operations: true when the server changed at least one row.
    bool CancelAttachment(qint32 attachmentId);
    bool ShutdownAttachment(qint32 attachmentId);
    bool CancelStatement(qint32 statementId);
    bool CommitTransaction(qint32 transactionId);
    bool RollbackTransaction(qint32 transactionId);
    bool ExecuteOperation(const QString& statementText);
    // The text of the last operation's statement.
    const QString& OperationText() const { return m_operationText; }

    // Whether each fetch ends the monitoring transaction with a full commit (servers whose
    // monitoring tables show one snapshot per transaction) instead of a retaining commit.
    bool fullCommitAfterFetch();

private:
    void bindSnapshot(Snapshot& snapshot, MonitorQuery& query);
    void fetch(MonitorQuery& query, Snapshot& snapshot, RowStore& rows);
    void databaseClosing() noexcept override { m_serverKindKnown = false; }
    void databaseDestroyed() noexcept override
    {
        m_serverKindKnown = false;
        m_watched = nullptr;
    }

    bool m_showSystemTables = true;
    QDateTime m_timestampCutoff;
    QString m_operationText;
    bool m_serverKindKnown = false;
    bool m_fullCommit = false;
    ib::Database* m_watched = nullptr;
};

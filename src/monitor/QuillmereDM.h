#pragma once
// The data layer of the monitor: one query and snapshot per monitoring source, all read in one
// read-only transaction on the shared connection; the display-text rules; the system-tables
// switch; and the control operations, each in a read-write transaction of its own.

#include "connection/IBConnectionDM.h"
#include "ib/Database.h"
#include "monitor/FirebirdSource.h"
#include "monitor/MonitorQuery.h"
#include "monitor/Snapshot.h"

#include <QDateTime>

#include <functional>
#include <optional>

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

    // Whether the server shows its monitoring tables as one snapshot per transaction (Firebird), so
    // that the monitoring transaction ends when the next tick begins instead of with a retaining
    // commit after each fetch. Learnt once per connection.
    bool snapshotPerTransaction();

    // Where the snapshots come from. Tables: the TMP$ relations through the query texts above (an
    // InterBase server, or a database that has TMP$ tables of its own). Firebird: the server's
    // MON$ and RDB$ tables read directly, for a Firebird database without TMP$ relations or with
    // Quillmere's own views. Learnt once per connection.
    enum class MonitorSource { Tables, Firebird };
    MonitorSource Source();
    // The source once learnt for this connection (or overridden); nothing before the first read.
    std::optional<MonitorSource> KnownSource() const { return m_sourceOverride ? m_sourceOverride : m_source; }
    // Reads through the given source instead of the one learnt (for comparing them); nullopt undoes it.
    void SetSourceOverride(std::optional<MonitorSource> source) { m_sourceOverride = source; }

    // One refresh: every snapshot read while a Tick lives comes from one snapshot of the server's
    // monitoring tables, and the next tick sees a new one. A fetch outside a tick is a tick of its
    // own. Ticks nest; the outermost one counts.
    class Tick {
    public:
        explicit Tick(TdmQuillmere& dm);
        ~Tick();
        Tick(const Tick&) = delete;
        Tick& operator=(const Tick&) = delete;

    private:
        TdmQuillmere& m_dm;
    };

    // The database's oldest active transaction as the running (or last) tick has read it: on a
    // Firebird server read directly the pools read it on every refresh; nothing otherwise.
    std::optional<qint64> TickOldestActive() const { return m_firebird.tickOldestActive(); }

    // The plan of a statement on a Firebird server, read now; empty when there is none.
    QString StatementPlan(qint64 statementId);

private:
    void bindSnapshot(Snapshot& snapshot, MonitorQuery& query);
    void fetch(MonitorQuery& query, Snapshot& snapshot, RowStore& rows);
    // Ends the monitoring transaction (a new MON$ snapshot for the next read) and forgets what the
    // Firebird source has read.
    void endMonitoringSnapshot() noexcept;
    void forgetServer() noexcept;
    void databaseClosing() noexcept override { forgetServer(); }
    void databaseDestroyed() noexcept override
    {
        forgetServer();
        m_watched = nullptr;
    }
    // A control operation on a Firebird server read directly: its steps run statements in one
    // read-write transaction. A step's statement gives the first value of a select's first row
    // (nothing when there is no row), or the rows a delete deleted.
    using OperationStep = std::function<std::optional<int64_t>(const QString& statementText)>;
    bool firebirdOperation(const std::function<bool(const OperationStep& run)>& steps);
    bool refuseEndingTransaction(qint32 transactionId);

    bool m_showSystemTables = true;
    QDateTime m_timestampCutoff;
    QString m_operationText;
    bool m_serverKindKnown = false;
    bool m_snapshotPerTransaction = false;
    std::optional<MonitorSource> m_source;
    std::optional<MonitorSource> m_sourceOverride;
    int m_tickDepth = 0;
    FirebirdSource m_firebird;
    ib::TextDecoder m_tablesDecoder;  // for the TMP$ relations' texts
    ib::Database* m_watched = nullptr;
};

#pragma once
// The data layer of the monitor: one snapshot per monitoring source, all filled in one read-only
// transaction on the shared connection by the source chosen for the connection (MonitorSource.h);
// the display-text rules; the system-tables switch; and the control operations, each in a
// read-write transaction of its own.

#include "connection/IBConnectionDM.h"
#include "ib/Database.h"
#include "monitor/ControlStatements.h"
#include "monitor/FirebirdMonitorSource.h"
#include "monitor/MonitorSource.h"
#include "monitor/Snapshot.h"
#include "monitor/TablesSource.h"

#include <QDateTime>

#include <array>
#include <chrono>
#include <optional>

class TdmQuillmere : public TdmIBConnection, private ib::DatabaseUser {
    Q_OBJECT
public:
    explicit TdmQuillmere(QObject* owner = nullptr);
    ~TdmQuillmere() override;

    // The read-only transaction of every monitoring read.
    ib::TransactionComponent IBTransaction;

    Snapshot cdsDatabase, cdsPools, cdsPoolBlocks, cdsProcedures, cdsStatements, cdsRelations, cdsTransactions,
        cdsAttachments;
    // The snapshot of a monitoring source.
    Snapshot& snapshot(catalogue::SnapshotId id);
    // The query text the TMP$ relations are read with for a snapshot.
    MonitorQuery& query(catalogue::SnapshotId id) { return m_tables.query(id); }

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
    bool CancelAttachment(qint64 attachmentId) { return control(ControlOperation::CancelAttachment, attachmentId); }
    bool ShutdownAttachment(qint64 attachmentId) { return control(ControlOperation::ShutdownAttachment, attachmentId); }
    bool CancelStatement(qint64 statementId) { return control(ControlOperation::CancelStatement, statementId); }
    bool CommitTransaction(qint64 transactionId) { return control(ControlOperation::CommitTransaction, transactionId); }
    bool RollbackTransaction(qint64 transactionId)
    {
        return control(ControlOperation::RollbackTransaction, transactionId);
    }
    bool control(ControlOperation operation, qint64 id) { return source().control(operation, id); }
    // Whether the connection's source can carry the operation out at all.
    bool supports(ControlOperation operation) { return source().supports(operation); }
    // One statement that changes rows, in the control operations' transaction.
    bool ExecuteOperation(const QString& statementText) { return m_control.update(statementText); }
    // The text of the last operation's statement.
    const QString& OperationText() const { return m_control.lastText(); }

    // Whether the server shows its monitoring tables as one snapshot per transaction (Firebird), so
    // that the monitoring transaction ends when the next tick begins instead of with a retaining
    // commit after each fetch. Learnt once per connection.
    bool snapshotPerTransaction();

    // Which source fills the snapshots. Tables: the TMP$ relations through the query texts (an
    // InterBase server, or a database that has TMP$ tables of its own). Firebird: the server's
    // MON$ and RDB$ tables read directly, for a Firebird database without TMP$ relations or with
    // Quillmere's own views. Chosen once per connection, at its first read.
    enum class SourceKind { Tables, Firebird };
    SourceKind Source();
    // Reads through the given source instead of the one chosen (for comparing them); nullopt undoes it.
    void SetSourceOverride(std::optional<SourceKind> kind) { m_sourceOverride = kind; }
    // The source of this connection, chosen now if it has not been yet.
    MonitorSource& source();
    // Whether the statements' plans can be read: known once the source has been chosen.
    bool GivesPlans() const;

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

    // Whether the connected user sees only the attachments of its own user name (neither SYSDBA,
    // nor the database's owner, nor in the RDB$ADMIN role). Learnt at the connection's first read;
    // false until then.
    bool OwnAttachmentsOnly() const { return m_ownAttachmentsOnly.value_or(false); }

    // The database's oldest active transaction as the running (or last) tick has read it, where
    // the source reads it on every refresh (Firebird read directly); nothing otherwise.
    std::optional<qint64> TickOldestActive() const;

    // The plan of a statement, read now in the tick's transaction; empty when there is none.
    QString StatementPlan(qint64 statementId);

    // Ends the monitoring transaction now instead of when the next tick begins (a recording pass,
    // so that the display's next tick does not pay for releasing the pass's snapshot).
    void EndMonitoringSnapshot() noexcept { endMonitoringSnapshot(); }

    // The time the monitoring reads have taken since the module was made: the snapshots' reads, the
    // plans and the ends of the monitoring transactions, the server's side of a refresh apart from
    // what the window does with the rows.
    std::chrono::nanoseconds ReadTime() const { return m_readTime; }

    // Binds a snapshot of the module's own besides the eight (a recording pass's, or one that a
    // recorded moment fills): it reads the same source as the module's snapshot of its kind, in
    // the same tick, and gets the same display texts.
    void BindSnapshot(Snapshot& snapshot);

private:
    void fetch(Snapshot& snapshot, RowStore& rows);
    void bindTextRules(Snapshot& snapshot);
    // Ends the monitoring transaction (a new MON$ snapshot for the next read) and forgets what the
    // source has read.
    void endMonitoringSnapshot() noexcept;
    // A read failed: nothing read stays, and the monitoring transaction ends.
    void abandonRead() noexcept;
    void forgetServer() noexcept;
    void databaseClosing() noexcept override { forgetServer(); }
    void databaseDestroyed() noexcept override
    {
        forgetServer();
        m_watched = nullptr;
    }
    bool connected() const { return Database() && Database()->isConnected(); }
    SourceKind chooseSource();
    bool readOwnAttachmentsOnly();
    // The source of the connection once chosen (or overridden); nullptr before.
    const MonitorSource* knownSource() const;
    // Both sources: each learns of every tick and setting, whichever is in use.
    std::array<MonitorSource*, 2> sources() { return {&m_tables, &m_firebird}; }

    bool m_showSystemTables = true;
    QDateTime m_timestampCutoff;
    bool m_serverKindKnown = false;
    bool m_snapshotPerTransaction = false;
    int m_tickDepth = 0;
    ControlStatements m_control;
    TablesSource m_tables;
    FirebirdMonitorSource m_firebird;
    std::optional<SourceKind> m_chosen;
    std::optional<bool> m_ownAttachmentsOnly;
    std::optional<SourceKind> m_sourceOverride;
    ib::Database* m_watched = nullptr;
    std::chrono::nanoseconds m_readTime{0};
};

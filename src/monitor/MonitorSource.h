#pragma once
// Where the snapshots' rows come from.
//
// SnapshotFiller is all a snapshot needs: its whole result, put into a row store. A live source
// fills from the server on each tick; a moment read back from the history store fills the same
// snapshots, so that every view shows both with the same code.
//
// MonitorSource is a live server's source: besides filling, it learns of each tick, carries out
// the control operations, and says what it can do (plans, which operations). The snapshot module
// holds two, chosen once per connection:
//   TablesSource           the TMP$ relations through the query texts (an InterBase server, or a
//                          database whose TMP$ relations are tables of its own);
//   FirebirdMonitorSource  Firebird's MON$ and RDB$ tables read directly, joined in the program.
// Nothing outside that one choice asks which of them is in use.

#include <QString>

#include <cstdint>
#include <optional>

class RowStore;
class Snapshot;

class SnapshotFiller {
public:
    virtual ~SnapshotFiller() = default;
    // Fills the store with the whole result of the snapshot's source and sets how the snapshot
    // decodes its texts. Throws with the server's message when the read fails.
    virtual void fill(Snapshot& snapshot, RowStore& rows) = 0;
};

// The control operations on a monitored row, by the row's identifier.
enum class ControlOperation { CancelAttachment, ShutdownAttachment, CancelStatement, CommitTransaction, RollbackTransaction };

class MonitorSource : public SnapshotFiller {
public:
    // A new tick begins: what the last one read is forgotten.
    virtual void beginTick() noexcept {}
    // The read failed, or the connection is going: everything read is forgotten.
    virtual void forget() noexcept {}
    // Whether the system's own tables are among the tables and views.
    virtual void setShowSystemTables(bool show) = 0;

    // Carries out the operation in a read-write transaction of its own; true when the server
    // acted on the row, false when the row has gone (or the user may not see it). Throws when the
    // server refuses, or when the source cannot carry the operation out (see supports).
    virtual bool control(ControlOperation operation, int64_t id) = 0;
    // Whether the source can carry the operation out at all (a Firebird server cannot end another
    // attachment's transaction).
    virtual bool supports(ControlOperation operation) const = 0;

    // Whether statements have plans the source can read.
    virtual bool givesPlans() const { return false; }
    // The plan of a statement as the server explains it, read now; empty when there is none.
    virtual QString statementPlan(int64_t statementId)
    {
        (void)statementId;
        return {};
    }
    // The database's oldest active transaction as the running (or last) tick has read it, where
    // the source reads it on every tick.
    virtual std::optional<int64_t> tickOldestActive() const { return std::nullopt; }
};

#pragma once
// A load on a live Firebird server, made by client connections of this process (loopback):
//   idle attachments   each with two prepared statements (idle rows of MON$STATEMENTS) and no
//                      transaction;
//   lock waits         one holder transaction updates the row of LIVE_ROW and keeps it; each
//                      waiter, an attachment with a thread of its own, runs an UPDATE of that row
//                      in a WAIT transaction, so that its statement stays active without using a
//                      processor;
//   busy statements    each an attachment with a thread of its own counting an endless recursive
//                      cross join (one processor core each while the server lets it run).
// Attaching is bounded in time: every attach gives up after the connect timeout, and growing the
// load fails with a clear error once its time limit has passed. release() ends everything: the
// holder is rolled back (each waiter then gets the row, rolls back and ends), the busy
// statements are cancelled through MON$STATEMENTS, every thread is joined and every attachment
// detached.

#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class LiveLoad {
public:
    struct Connection {
        QString database;  // "127.0.0.1/PORT:/path"
        QString user;
        QString password;
    };
    // What MON$ shows of the whole server (every attachment, ours included).
    struct Counts {
        int64_t attachments = 0, statements = 0, activeStatements = 0, transactions = 0;
    };

    // Attaches the control attachment, creates LIVE_ROW with its one row when missing, and
    // starts the holder's transaction.
    explicit LiveLoad(const Connection& connection);
    ~LiveLoad();  // release()
    LiveLoad(const LiveLoad&) = delete;
    LiveLoad& operator=(const LiveLoad&) = delete;

    // Idle attachments added from now on each hold a read-only transaction open.
    void setIdleTransactions(bool hold) { m_idleTransactions = hold; }
    // Adds idle attachments and lock waiters up to the given numbers and returns once every
    // waiter's statement shows as active; throws when that takes longer than `limit`.
    void growTo(int idle, int waiters, std::chrono::seconds limit);
    // Starts `count` busy statements and returns once they show as active (bounded as above).
    void startBusy(int count, std::chrono::seconds limit);

    int idleCount() const { return static_cast<int>(m_idle.size()); }
    int waiterCount() const { return static_cast<int>(m_waiters.size()); }
    int busyCount() const { return static_cast<int>(m_busy.size()); }
    Counts counts();

    // Ends the load (see above); the errors met on the way go to standard error. Nothing when
    // there is no load.
    void release() noexcept;

    // The texts of the statements, for the output.
    static const char* waitText();
    static const char* busyText();

private:
    struct Idle;
    struct Runner;
    void attach(ib::Attachment& attachment) const;
    int64_t scalar(const std::string& sql);
    void waitForActive(int64_t expected, std::chrono::steady_clock::time_point deadline, const QString& what);
    std::unique_ptr<Runner> startRunner(const char* sql, bool wait);
    void cancelBusy(bool disconnect);

    std::string m_database;
    ib::ParamBlock m_dpb;
    ib::Attachment m_control;
    ib::Attachment m_holderAttachment;
    ib::Transaction m_holder;
    std::vector<std::unique_ptr<Idle>> m_idle;
    bool m_idleTransactions = false;
    std::vector<std::unique_ptr<Runner>> m_waiters;
    std::vector<std::unique_ptr<Runner>> m_busy;
};

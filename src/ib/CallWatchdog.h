#pragma once
// A bound on how long a call of the client library may hold its thread. A server that stops
// answering (stopped, cut off, or a listener that accepts and never replies) would otherwise keep
// a call, and with it the user-interface thread, waiting for minutes.
//
// - Attaching: every attach carries a connect timeout of the bound in whole seconds.
// - Calls on a watched attachment: a thread of the watchdog's own notices a call of the client
//   library that has run longer than the bound on the thread that watches an attachment, and
//   aborts that attachment through the client library's cancel entry point (fb_cancel_abort).
//   The stuck call then fails with the client library's text, and so does every later call on
//   that attachment; detaching still works.
//
// The watchdog thread only ever calls the cancel entry point; the calls themselves stay on their
// own thread. The thread runs while at least one attachment is watched.

#include <ibase.h>

#include <atomic>
#include <chrono>
#include <cstdint>

namespace ib {

class CallWatchdog {
public:
    // The bound of the product; tests shorten it.
    static constexpr std::chrono::milliseconds DefaultBound{15000};
    static void setBound(std::chrono::milliseconds bound);
    static std::chrono::milliseconds bound();
    // The bound in whole seconds, rounded up, at least 1: the connect timeout of an attach.
    static uint32_t connectTimeoutSeconds();

    // Sets the bound for its own lifetime and then restores the one before (for tests).
    class Bound {
    public:
        explicit Bound(std::chrono::milliseconds bound) : m_before(CallWatchdog::bound()) { setBound(bound); }
        ~Bound() { setBound(m_before); }
        Bound(const Bound&) = delete;
        Bound& operator=(const Bound&) = delete;

    private:
        std::chrono::milliseconds m_before;
    };

    // Watches an attachment for the calls of the thread that creates the watch, until destroyed.
    // The program holds one connection, so every call of that thread that talks to a server is
    // taken to be a call on it (the Services calls are not watched: they have handles of their
    // own, which the cancel entry point does not take).
    class Watch {
    public:
        explicit Watch(isc_db_handle handle);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

    private:
        uint64_t m_id;
    };

    // Marks one call of the client library on the calling thread, for its lifetime.
    class Call {
    public:
        Call() noexcept;
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        std::atomic<int64_t>& m_since;    // of the calling thread
        std::atomic<int64_t>& m_aborted;  // of the calling thread
        int64_t m_start;
    };

    // Aborts every watched attachment now, for a program that is ending: a call held by a silent
    // server returns at once instead of at the bound. Safe to call from any thread.
    static void abortAll();

    // Whether the watchdog has aborted a call of the calling thread since the thread's last watch
    // began: the attachment is then dead, and the failures of its calls mean that the server did
    // not answer, whatever the client library's texts say (the aborted call's own failure may
    // have been ended quietly, as when a transaction is let go).
    static bool lastCallAborted();
};

}  // namespace ib

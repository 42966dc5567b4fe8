#include "ib/CallWatchdog.h"

#include "ib/ClientLibrary.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <time.h>

namespace ib {

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::nanoseconds;

// Nanoseconds of the steady clock.
int64_t now() { return std::chrono::duration_cast<nanoseconds>(Clock::now().time_since_epoch()).count(); }

// The start of a call, never 0: the coarse clock where there is one, which reads in a few
// nanoseconds on the steady clock's base (a fetch loop makes a call per row) and is at most a
// few milliseconds behind it.
int64_t callStart()
{
#ifdef CLOCK_MONOTONIC_COARSE
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return std::max<int64_t>(1, int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec);
#else
    return std::max<int64_t>(1, now());
#endif
}

std::atomic<int64_t> g_boundMs{CallWatchdog::DefaultBound.count()};

// The running call of one thread: its start in nanoseconds of the steady clock, 0 between calls.
// Shared with the watchdog, so that it outlives a thread that ends while its attachment is still
// watched.
struct ThreadCalls {
    std::atomic<int64_t> since{0};
    std::atomic<int64_t> aborted{0};  // the start of the call the watchdog aborted last
};

// whether a call of this thread was aborted since the thread's last watch began
thread_local bool t_lastCallAborted = false;

const std::shared_ptr<ThreadCalls>& threadCalls()
{
    thread_local const std::shared_ptr<ThreadCalls> calls = std::make_shared<ThreadCalls>();
    return calls;
}

class Watchdog {
public:
    static Watchdog& instance()
    {
        // never destroyed: the thread may still run while the process ends
        static Watchdog* watchdog = new Watchdog;
        return *watchdog;
    }

    uint64_t watch(isc_db_handle handle)
    {
        std::lock_guard lock(m_mutex);
        const uint64_t id = m_nextId++;
        m_watched.push_back({id, handle, threadCalls(), 0});
        if (!m_running) {
            // a thread that has stopped running holds the lock no more: joining it cannot wait on us
            if (m_thread.joinable())
                m_thread.join();
            m_running = true;
            m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_one();
        return id;
    }

    void unwatch(uint64_t id)
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_watched, [id](const Watched& w) { return w.id == id; });
        m_wake.notify_one();
    }

    void boundChanged() { m_wake.notify_one(); }

    void abortAll()
    {
        std::lock_guard lock(m_mutex);
        for (const Watched& w : m_watched)
            abort(w.handle);
    }

private:
    struct Watched {
        uint64_t id;
        isc_db_handle handle;
        std::shared_ptr<ThreadCalls> calls;
        int64_t abortedCall;  // the start of the call last aborted, so that one call is aborted once
    };

    void run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_watched.empty()) {
            const int64_t bound = std::chrono::duration_cast<nanoseconds>(CallWatchdog::bound()).count();
            const int64_t at = now();
            int64_t wakeAt = at + bound;
            for (Watched& w : m_watched) {
                const int64_t since = w.calls->since.load(std::memory_order_acquire);
                if (since == 0 || since == w.abortedCall)
                    continue;
                if (at - since >= bound) {
                    w.calls->aborted.store(since, std::memory_order_release);
                    abort(w.handle);
                    w.abortedCall = since;
                } else {
                    wakeAt = std::min(wakeAt, since + bound);
                }
            }
            // A call that starts while this waits has run at most the bound when the wait ends.
            const auto until = std::chrono::duration_cast<Clock::duration>(nanoseconds(wakeAt));
            m_wake.wait_until(lock, Clock::time_point(until));
        }
        m_running = false;
    }

    // Under the lock, so that the attachment cannot be unwatched (and detached) meanwhile.
    static void abort(isc_db_handle handle)
    {
        ISC_STATUS_ARRAY status;
        isc_db_handle copy = handle;
        ClientLibrary::instance().fb_cancel_operation(status, &copy, fb_cancel_abort);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Watched> m_watched;
    std::thread m_thread;
    bool m_running = false;
    uint64_t m_nextId = 1;
};
}  // namespace

void CallWatchdog::setBound(std::chrono::milliseconds bound)
{
    g_boundMs.store(std::max<int64_t>(1, bound.count()));
    Watchdog::instance().boundChanged();
}

std::chrono::milliseconds CallWatchdog::bound() { return std::chrono::milliseconds(g_boundMs.load()); }

uint32_t CallWatchdog::connectTimeoutSeconds()
{
    return static_cast<uint32_t>(std::max<int64_t>(1, (bound().count() + 999) / 1000));
}

CallWatchdog::Watch::Watch(isc_db_handle handle) : m_id(Watchdog::instance().watch(handle))
{
    t_lastCallAborted = false;
}

CallWatchdog::Watch::~Watch() { Watchdog::instance().unwatch(m_id); }

CallWatchdog::Call::Call() noexcept
    : m_since(threadCalls()->since), m_aborted(threadCalls()->aborted), m_start(callStart())
{
    m_since.store(m_start, std::memory_order_release);
}

CallWatchdog::Call::~Call()
{
    m_since.store(0, std::memory_order_release);
    if (m_aborted.load(std::memory_order_acquire) == m_start)
        t_lastCallAborted = true;
}

void CallWatchdog::abortAll() { Watchdog::instance().abortAll(); }

bool CallWatchdog::lastCallAborted() { return t_lastCallAborted; }


}  // namespace ib

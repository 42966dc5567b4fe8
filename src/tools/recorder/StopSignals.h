#pragma once
// SIGTERM and SIGINT for a program without an event loop. The client library puts handlers of its
// own in place at its first attach (they shut the attachments down and leave the process
// running), so the two signals are blocked in every thread (block() first thing in main, before
// any thread exists: threads inherit the mask) and taken by a thread of this class with sigwait.
// A signal sets the stop flag and wakes whoever waits; a call that still runs a moment later (a
// pass on a server that does not answer) is ended through the abort handed in.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class StopSignals {
public:
    static void block();

    // abort: called from the signal thread when the program has not reached a wait within `grace`.
    StopSignals(std::function<void()> abort, std::chrono::milliseconds grace);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool stopped() const { return m_signal.load() != 0; }
    int signalNumber() const { return m_signal.load(); }
    // Waits up to `duration`; false when stopped meanwhile. While waiting no abort is needed.
    bool sleep(std::chrono::milliseconds duration);

private:
    void watch();

    std::function<void()> m_abort;
    std::chrono::milliseconds m_grace;
    std::atomic<int> m_signal{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_waiting = false;
    bool m_closing = false;
    std::thread m_thread;
};

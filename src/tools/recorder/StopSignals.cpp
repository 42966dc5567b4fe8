#include "StopSignals.h"

#include <csignal>

#include <pthread.h>

namespace {
sigset_t stopSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR2);  // the destructor's own wake-up
    return set;
}
}  // namespace

void StopSignals::block()
{
    const sigset_t set = stopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::StopSignals(std::function<void()> abort, std::chrono::milliseconds grace)
    : m_abort(std::move(abort)), m_grace(grace), m_thread([this] { watch(); })
{
}

StopSignals::~StopSignals()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_all();
    pthread_kill(m_thread.native_handle(), SIGUSR2);
    m_thread.join();
}

void StopSignals::watch()
{
    const sigset_t set = stopSet();
    int number = 0;
    if (sigwait(&set, &number) != 0 || number == SIGUSR2)
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_signal = number;
    }
    m_wake.notify_all();
    // a pass still running after the grace is ended (its call fails at once)
    std::unique_lock lock(m_mutex);
    if (!m_wake.wait_for(lock, m_grace, [this] { return m_waiting || m_closing; }) && m_abort)
        m_abort();
}

bool StopSignals::sleep(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    m_wake.notify_all();
    const bool stopped = m_wake.wait_for(lock, duration, [this] { return m_signal.load() != 0; });
    m_waiting = false;
    return !stopped;
}

#pragma once
// A private Firebird server for a benchmark: scripts/fbserver in a temporary folder of its own,
// stopped when the object goes, and also when the program is interrupted (SIGINT, SIGTERM,
// SIGHUP: a watcher thread stops the server at once, so that the program's calls fail and it
// ends; one that has not ended 20 s later is ended by the watcher, which removes the folder).
// The server's CPU time is read from /proc.
//
// The client library installs its own signal handlers at the first attach, so the stop signals
// are blocked in every thread (blockStopSignals first thing in main, before any thread exists)
// and taken by the watcher with sigwait; the scripts run with an empty signal mask.

#include "support/TestServer.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class LiveServer {
public:
    // release 3: Debian's Firebird (scripts/fbserver); 4 or 5: ../shared/fbserver-release.
    explicit LiveServer(int release = 3);
    ~LiveServer();  // stop()
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // Blocks SIGINT, SIGTERM and SIGHUP in the calling thread and in every thread created after
    // it; call first in main.
    static void blockStopSignals();
    // Raises the soft limit of open files to the hard limit, for this process and the server it
    // starts (one descriptor per attachment on both sides); returns the new limit.
    static long raiseFileLimit();
    // The stop signal received, 0 while none.
    static int stopSignal();

    // The server script start; throws with the script's exit status when it fails. Starts the
    // watcher of the stop signals.
    void start();
    // The server script stop; nothing when not running.
    void stop() noexcept;

    // The server as the tests' support classes see it (port, pid, databases).
    const TestServer& server() const { return *m_server; }
    const QString& folder() const { return m_folder; }

    // Processor time (user + system) of the server process since it started, in milliseconds,
    // less that of the listed threads.
    double cpuMs(const std::vector<int>& excludedThreads = {}) const;
    // The server's threads that were on a processor for at least a twentieth of a sampling period
    // of `ms` milliseconds, busiest first, at most `count`: while its clients wait, the threads
    // that run statements of their own (the machine's cores are shared, so a burning statement
    // may get only a small share of one).
    std::vector<int> busiestThreads(int count, int ms) const;

private:
    QTemporaryDir m_root;
    QString m_folder;
    std::unique_ptr<TestServer> m_server;
    bool m_running = false;
};

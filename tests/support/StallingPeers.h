#pragma once
// Peers on 127.0.0.1 that stall a client of the private server at a chosen point: a listener that
// takes connections and never answers, and a proxy in front of the real server that passes the
// server's first reply of each connection and then holds everything, in both directions (or, told
// so, passes everything until it is told to hold). Destroying either closes its connections, so
// that a call left waiting on them ends.

#include <QString>

#include <atomic>
#include <thread>

// Takes connections (into the kernel's backlog) and never answers.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return m_port; }
    // "127.0.0.1/PORT", the server part of a database name.
    QString serverName() const;

private:
    int m_fd = -1;
    int m_port = 0;
};

class StallingProxy {
public:
    enum class Hold { AfterFirstReply, WhenTold };
    explicit StallingProxy(int serverPort, Hold when = Hold::AfterFirstReply);
    ~StallingProxy();
    StallingProxy(const StallingProxy&) = delete;
    StallingProxy& operator=(const StallingProxy&) = delete;
    int port() const { return m_port; }
    QString serverName() const;
    // How many connections have had their first reply passed and are now held.
    int held() const { return m_held.load(); }
    // Holds everything from now on.
    void hold() { m_holdAll = true; }

private:
    void run();

    int m_serverPort;
    Hold m_when;
    std::atomic<bool> m_holdAll{false};
    int m_listener = -1;
    int m_port = 0;
    int m_stop[2] = {-1, -1};
    std::atomic<int> m_held{0};
    std::thread m_thread;
};

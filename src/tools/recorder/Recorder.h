#pragma once
// quillmere-recorder's work: a connection to the database, a history store it claims, a recording
// pass on its own interval, retention after each pass, /metrics when asked. A lost connection is
// tried again after 1, 2, 4 ... 60 seconds, without end; a failed pass (a full disk, say) is
// reported and the next one tried at the next interval. Each event is one line on standard error.

#include "RecorderOptions.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

class StopSignals;

class Recorder {
public:
    explicit Recorder(const RecorderOptions& options);
    ~Recorder();

    // Runs until a stop signal or the duration; the exit status.
    int run();

    // Ends what the client library is doing now (from another thread).
    void abortCalls() noexcept;

    // One event line: the local time and the text.
    static void event(const QString& text);

private:
    struct Connection;
    bool connect();
    void disconnect() noexcept;
    bool waitForClaim(std::chrono::steady_clock::time_point end);
    void recordOnce();
    void prune();

    RecorderOptions m_options;
    QString m_storeFile;
    std::unique_ptr<StopSignals> m_stop;
    std::unique_ptr<Connection> m_connection;
    std::atomic<uintptr_t> m_handle{0};
    int m_backoff = 1;
    int m_failedPasses = 0;
    qint64 m_lastPrune = 0;
};

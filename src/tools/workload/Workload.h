#pragma once
// The workload of the demo: a few clients of one database, each in a thread of its own with an
// attachment of its own, that keep the server busy in every way the monitor shows:
//   long-query   a read committed transaction counting the rows of a large cross join (tens of
//                seconds), again and again;
//   stock-check  a snapshot transaction, held open a while, that calls the slow procedure
//                QM_STOCK_CHECK (a few seconds) again and again;
//   orders       a read committed transaction that places orders through QM_PLACE_ORDER (rows
//                written to QM_ORDERS and QM_PRODUCTS), committed in batches, the oldest orders
//                deleted so that the table stays small;
//   sales-report a snapshot transaction held open that sums the orders by region now and then;
//   regions      a table stability transaction held open with a cursor over QM_REGIONS that is
//                fetched one row a second.
// A client whose work fails (a statement cancelled or an attachment shut down from the monitor,
// say) reports it, waits a moment and starts again, attaching anew when needed.
//
// stop() ends them all: every client is told, what is running is cancelled through
// MON$STATEMENTS from an attachment of its own, and stop() returns when every thread has ended
// and detached.

#include "WorkloadSession.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct WorkloadOptions {
    // The three sets of the long query's cross join have this many rows each; 400 makes 64 million
    // rows, tens of seconds of work.
    int longQuerySize = 400;
    // The steps of QM_STOCK_CHECK's loop: 20 million are a few seconds.
    int stockCheckLoops = 20'000'000;
    // How long the held transactions stay open before they are committed and started again.
    std::chrono::milliseconds hold{20'000};
    // The pause between two orders, and the orders committed together.
    std::chrono::milliseconds orderInterval{700};
    int ordersPerCommit = 10;
    // QM_ORDERS keeps about this many of the newest orders.
    int ordersKept = 2'000;
    // The pause between two rounds of the long query and of the stock check, and the pause after
    // a failure.
    std::chrono::milliseconds rest{3'000};
};

class Workload {
public:
    using Log = std::function<void(const QString& line)>;

    Workload(WorkloadConnection connection, WorkloadOptions options = {}, Log log = {});
    ~Workload();  // stop()
    Workload(const Workload&) = delete;
    Workload& operator=(const Workload&) = delete;

    // Starts the clients; returns once each has attached (or has failed to attach: the first such
    // error is raised after the others have been stopped).
    void start();
    // Ends every client (see above); returns when all have ended. Nothing when not running.
    void stop();
    bool running() const { return !m_clients.empty(); }

    // The clients' names and isolations, for the start line: "long-query (read committed), ...".
    QString description() const;
    // The attachment numbers of the clients now attached.
    std::vector<int64_t> attachmentIds() const;
    // The failures the clients met (outside stop()), in the order they happened.
    QStringList failures() const;

private:
    struct Client;
    void runClient(Client& client);
    void rest(std::chrono::milliseconds duration);
    bool stopping() const { return m_stopping.load(); }
    void report(const Client& client, const QString& text);
    void cancelRunning(const std::vector<int64_t>& ids, bool disconnect);

    // The clients' rounds: each works until stopping or a failure.
    void longQuery(Client& c, WorkloadSession& s);
    void stockCheck(Client& c, WorkloadSession& s);
    void orders(Client& c, WorkloadSession& s);
    void salesReport(Client& c, WorkloadSession& s);
    void regions(Client& c, WorkloadSession& s);

    WorkloadConnection m_connection;
    WorkloadOptions m_options;
    Log m_log;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::atomic<bool> m_stopping = false;
    mutable std::mutex m_mutex;  // guards what follows and the clients' state
    std::condition_variable m_changed;
    QStringList m_failures;
};

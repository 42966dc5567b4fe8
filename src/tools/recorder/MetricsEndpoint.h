#pragma once
// The recorder's /metrics in the Prometheus text format, served by prometheus-cpp's exposer (its
// own threads, so a scrape is answered while a recording pass runs). Each pass hands over its
// figures; a scrape reads the last ones. Every sample carries one label, the database; statements,
// attachments and transactions are counted by state (a handful of values), never by SQL text or
// user, so the number of series stays fixed.

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace history {
class RecordingPass;
}
namespace prometheus {
class Exposer;
}

class MetricsEndpoint {
public:
    // Listens on host:port; throws an Exception naming the address when it cannot.
    MetricsEndpoint(const QString& host, int port, const QString& database);
    ~MetricsEndpoint();

    // The figures of a pass that succeeded.
    void passRecorded(const history::RecordingPass& pass, double seconds, int64_t storeBytes);
    // A pass that failed, and whether the connection is up.
    void passFailed(bool connected);

    struct Figures;
    class Collector;

private:
    std::shared_ptr<Collector> m_collector;
    std::unique_ptr<prometheus::Exposer> m_exposer;
};

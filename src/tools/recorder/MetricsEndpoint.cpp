#include "MetricsEndpoint.h"

#include "RecorderMessages.h"

#include "common/Exception.h"
#include "history/RecordingPass.h"
#include "ib/Values.h"

#include <prometheus/collectable.h>
#include <prometheus/exposer.h>
#include <prometheus/metric_family.h>

#include <array>
#include <vector>

using catalogue::SnapshotId;

namespace {

// A series of the database: the metric and the TMP$DATABASE column it mirrors.
struct SeriesDecl {
    const char* metric;
    const char* column;
    const char* help;
};
// counters
constexpr SeriesDecl kCounters[] = {
    {"firebird_page_reads_total", "TMP$PAGE_READS", "Pages read from disk."},
    {"firebird_page_writes_total", "TMP$PAGE_WRITES", "Pages written to disk."},
    {"firebird_page_fetches_total", "TMP$PAGE_FETCHES", "Pages fetched from the page cache."},
    {"firebird_page_marks_total", "TMP$PAGE_MARKS", "Pages marked as changed in the page cache."},
    {"firebird_record_selects_total", "TMP$RECORD_SELECTS", "Records read (sequentially or through an index)."},
    {"firebird_record_inserts_total", "TMP$RECORD_INSERTS", "Records inserted."},
    {"firebird_record_updates_total", "TMP$RECORD_UPDATES", "Records updated."},
    {"firebird_record_deletes_total", "TMP$RECORD_DELETES", "Records deleted."},
    {"firebird_record_purges_total", "TMP$RECORD_PURGES", "Record versions purged by garbage collection."},
    {"firebird_record_expunges_total", "TMP$RECORD_EXPUNGES", "Records expunged by garbage collection."},
    {"firebird_record_backouts_total", "TMP$RECORD_BACKOUTS", "Record versions backed out."},
    {"firebird_record_conflicts_total", "TMP$TRANSACTION_CONFLICTS", "Update conflicts met by transactions."},
    {"firebird_record_waits_total", "TMP$TRANSACTION_WAITS", "Waits for a record lock."},
};

// gauges
constexpr SeriesDecl kGauges[] = {
    {"firebird_memory_used_bytes", "TMP$CURRENT_MEMORY", "Memory the database uses now."},
    {"firebird_memory_max_used_bytes", "TMP$MAXIMUM_MEMORY", "The most memory the database has used."},
    {"firebird_page_cache_bytes", "TMP$CACHE_POOL_MEMORY", "Memory of the page cache."},
    {"firebird_next_transaction", "TMP$NEXT_TRANSACTION", "The number the next transaction gets."},
    {"firebird_allocated_pages", "TMP$ALLOCATED_PAGES", "Pages allocated to the database."},
};

// The states each kind of object is counted by.
constexpr std::array<const char*, 3> kStatementStates = {"ACTIVE", "IDLE", "STALLED"};
constexpr std::array<const char*, 2> kObjectStates = {"ACTIVE", "IDLE"};

std::string lower(const char* s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

struct MetricsEndpoint::Figures {
    bool havePass = false;
    bool connected = false;
    std::array<std::optional<double>, std::size(kCounters)> counters{};
    std::array<std::optional<double>, std::size(kGauges)> gauges{};
    std::map<std::string, double> attachments, statements, transactions, pools;
    std::optional<double> activeGap, interestingGap, snapshotGap;
    double passSeconds = 0, storeBytes = 0, passes = 0, failedPasses = 0;
};

class MetricsEndpoint::Collector : public prometheus::Collectable {
public:
    explicit Collector(std::string database) : m_database(std::move(database)) {}

    void update(const std::function<void(Figures&)>& change)
    {
        const std::lock_guard lock(m_mutex);
        change(m_figures);
    }

    std::vector<prometheus::MetricFamily> Collect() const override
    {
        Figures f;
        {
            const std::lock_guard lock(m_mutex);
            f = m_figures;
        }
        std::vector<prometheus::MetricFamily> out;
        using prometheus::MetricType;
        auto family = [&](const char* name, const char* help, MetricType type) -> prometheus::MetricFamily& {
            out.push_back({name, help, type, {}});
            return out.back();
        };
        auto sample = [&](prometheus::MetricFamily& fam, double value, const char* label = nullptr,
                          const std::string& labelValue = {}) {
            prometheus::ClientMetric m;
            m.label.push_back({"database", m_database});
            if (label)
                m.label.push_back({label, labelValue});
            if (fam.type == MetricType::Counter)
                m.counter.value = value;
            else
                m.gauge.value = value;
            fam.metric.push_back(std::move(m));
        };
        sample(family("quillmere_recorder_connected", "1 while the recorder is connected to the database.",
                      MetricType::Gauge),
               f.connected ? 1 : 0);
        sample(family("quillmere_recorder_passes_total", "Recording passes written.", MetricType::Counter), f.passes);
        sample(family("quillmere_recorder_failed_passes_total", "Recording passes that failed.", MetricType::Counter),
               f.failedPasses);
        if (!f.havePass)
            return out;
        sample(family("quillmere_recorder_pass_seconds", "How long the last recording pass took.", MetricType::Gauge),
               f.passSeconds);
        sample(family("quillmere_recorder_store_bytes", "Bytes the history store holds.", MetricType::Gauge),
               f.storeBytes);
        for (size_t i = 0; i < std::size(kCounters); ++i)
            if (f.counters[i])
                sample(family(kCounters[i].metric, kCounters[i].help, MetricType::Counter), *f.counters[i]);
        for (size_t i = 0; i < std::size(kGauges); ++i)
            if (f.gauges[i])
                sample(family(kGauges[i].metric, kGauges[i].help, MetricType::Gauge), *f.gauges[i]);
        auto byState = [&](const char* name, const char* help, const std::map<std::string, double>& counts) {
            prometheus::MetricFamily& fam = family(name, help, MetricType::Gauge);
            for (const auto& [state, n] : counts)
                sample(fam, n, "state", state);
        };
        byState("firebird_attachments", "Attachments of users, by state.", f.attachments);
        byState("firebird_statements", "Statements, by state.", f.statements);
        byState("firebird_transactions", "Transactions, by state.", f.transactions);
        if (!f.pools.empty()) {
            prometheus::MetricFamily& fam =
                family("firebird_pool_memory_bytes", "Memory of the database's pools, by pool type.", MetricType::Gauge);
            for (const auto& [type, bytes] : f.pools)
                sample(fam, bytes, "pool", type);
        }
        prometheus::MetricFamily& gaps = family(
            "firebird_transaction_gap",
            "Transactions between two markers: next - oldest active (gap=\"active\"), oldest active - oldest "
            "interesting (\"interesting\"), next - oldest snapshot (\"snapshot\").",
            MetricType::Gauge);
        if (f.activeGap)
            sample(gaps, *f.activeGap, "gap", "active");
        if (f.interestingGap)
            sample(gaps, *f.interestingGap, "gap", "interesting");
        if (f.snapshotGap)
            sample(gaps, *f.snapshotGap, "gap", "snapshot");
        return out;
    }

private:
    const std::string m_database;
    mutable std::mutex m_mutex;
    Figures m_figures;
};

MetricsEndpoint::MetricsEndpoint(const QString& host, int port, const QString& database)
    : m_collector(std::make_shared<Collector>(database.toStdString()))
{
    const QString address = host + QLatin1Char(':') + QString::number(port);
    try {
        m_exposer = std::make_unique<prometheus::Exposer>(address.toStdString(), 2);
    } catch (const std::exception& e) {
        throw Exception(QString::fromUtf8(recordermsg::MetricsNotServed).arg(address, QString::fromLocal8Bit(e.what())));
    }
    m_exposer->RegisterCollectable(m_collector);
}

MetricsEndpoint::~MetricsEndpoint() = default;

namespace {

std::optional<double> column(const Snapshot& s, const char* name)
{
    const int c = s.columnIndex(QLatin1String(name));
    if (c < 0 || s.rowCount() == 0 || s.isNull(0, c))
        return std::nullopt;
    return static_cast<double>(s.intValue(0, c));
}

template <size_t N>
std::map<std::string, double> countByState(const Snapshot& s, const std::array<const char*, N>& states)
{
    std::map<std::string, double> out;
    for (const char* state : states)
        out[lower(state)] = 0;
    const int c = s.columnIndex(QStringLiteral("TMP$STATE"));
    for (int r = 0; c >= 0 && r < s.rowCount(); ++r) {
        const std::string state = lower(std::string(ib::trimRight(s.rawText(r, c))).c_str());
        if (out.count(state))
            ++out[state];
    }
    return out;
}

std::optional<double> difference(std::optional<double> a, std::optional<double> b)
{
    return a && b ? std::optional<double>(*a - *b) : std::nullopt;
}

}  // namespace

void MetricsEndpoint::passRecorded(const history::RecordingPass& pass, double seconds, int64_t storeBytes)
{
    const Snapshot& db = pass.snapshot(SnapshotId::Database);
    const Snapshot& pools = pass.snapshot(SnapshotId::Pools);
    Figures f;
    f.havePass = true;
    f.connected = true;
    for (size_t i = 0; i < std::size(kCounters); ++i)
        f.counters[i] = column(db, kCounters[i].column);
    for (size_t i = 0; i < std::size(kGauges); ++i)
        f.gauges[i] = column(db, kGauges[i].column);
    f.attachments = countByState(pass.snapshot(SnapshotId::Attachments), kObjectStates);
    f.statements = countByState(pass.snapshot(SnapshotId::Statements), kStatementStates);
    f.transactions = countByState(pass.snapshot(SnapshotId::Transactions), kObjectStates);
    const int type = pools.columnIndex(QStringLiteral("TMP$TYPE")), memory = pools.columnIndex(QStringLiteral("TMP$POOL_MEMORY"));
    for (int r = 0; r < pools.rowCount(); ++r)
        if (!pools.isNull(r, type) && !pools.isNull(r, memory))
            f.pools[std::string(ib::trimRight(pools.rawText(r, type)))] += static_cast<double>(pools.intValue(r, memory));
    const auto next = column(db, "TMP$NEXT_TRANSACTION"), active = column(db, "TMP$OLDEST_ACTIVE"),
               interesting = column(db, "TMP$OLDEST_INTERESTING"), snapshot = column(db, "TMP$OLDEST_SNAPSHOT");
    f.activeGap = difference(next, active);
    f.interestingGap = difference(active, interesting);
    f.snapshotGap = difference(next, snapshot);
    f.passSeconds = seconds;
    f.storeBytes = static_cast<double>(storeBytes);
    m_collector->update([&](Figures& held) {
        f.passes = held.passes + 1;
        f.failedPasses = held.failedPasses;
        held = std::move(f);
    });
}

void MetricsEndpoint::passFailed(bool connected)
{
    m_collector->update([&](Figures& held) {
        held.failedPasses += 1;
        held.connected = connected;
    });
}

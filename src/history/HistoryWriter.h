#pragma once
// Writes recording passes into a history store: each pass a moment, in one store transaction.
// Per-moment snapshots (database, pools, pool blocks) get their rows; for the others the writer
// keeps what lives (the objects of this session, by key) and writes only what changed: an object
// first seen, a version of one whose row changed, the end of one no longer seen. A statement
// first seen running gets its plan. The rows come back in the source's order without being
// stored in it; only a pass whose order the source's rule does not give keeps its order.
//
// A session is what one writer records without a break. It begins with the first pass and after
// any failure (a lost connection, a full disk): the lifetimes a session left open end at its last
// moment, and everything alive is written anew.

#include "history/HistoryStore.h"
#include "history/RowCodec.h"
#include "monitor/MonitoringCatalogue.h"

#include <QDateTime>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Snapshot;

namespace history {

// The eight snapshots of one pass, by SnapshotId, as read in one monitoring transaction.
using PassSnapshots = std::array<const Snapshot*, 8>;

class HistoryWriter {
public:
    // The store must be open for writing and claimed.
    explicit HistoryWriter(HistoryStore& store);
    ~HistoryWriter();

    // The statements of the snapshot that this pass sees running for the first time in their
    // lifetime: their plans are to be read in the same monitoring transaction.
    std::vector<int64_t> newlyRunning(const Snapshot& statements) const;

    // Writes one pass as a moment taken at `taken`; plans by statement id (UTF-8). The moment's id.
    int64_t write(const PassSnapshots& snapshots, const std::map<int64_t, std::string>& plans, const QDateTime& taken);
    // Ends the session (after a lost connection): the next pass begins a new one.
    void endSession();

    // Bytes written into rows and versions by the last pass (for the benchmark).
    size_t lastPassBytes() const { return m_lastPassBytes; }

private:
    struct Alive {
        int64_t id = 0;
        EncodedRow first;
        std::string version;     // the delta now in force
        uint64_t sqlHash = 0;    // of the long text, 0 for none
        bool ran = false;
        int64_t seen = 0;        // the moment last seen
    };
    struct Kind {
        explicit Kind(const catalogue::SnapshotDecl& decl) : codec(decl) {}
        RowCodec codec;
        std::unordered_map<std::string, Alive> alive;
    };
    struct Statements;

    void beginSession();
    void writeLifetimes(Kind& kind, const Snapshot& snapshot, int64_t moment, std::optional<int64_t> now,
                        const std::map<int64_t, std::string>& plans);
    int64_t textId(std::string_view body);
    static std::vector<std::string> keysOf(const Snapshot& snapshot);

    HistoryStore& m_store;
    std::unique_ptr<Statements> m_st;
    std::vector<std::unique_ptr<Kind>> m_kinds;  // by SnapshotId
    std::unordered_map<uint64_t, int64_t> m_texts;
    bool m_inSession = false;
    int64_t m_session = 0;
    int64_t m_lastMoment = 0;
    size_t m_lastPassBytes = 0;
};

// A 64-bit hash of a text (FNV-1a), never 0.
uint64_t textHash(std::string_view text);

}  // namespace history

#pragma once
// One recording pass: every source read in one monitoring transaction (one snapshot of the
// server's monitoring tables: one TdmQuillmere tick), the plans of the statements first seen
// running read in the same transaction, and what changed written to the history store in one
// store transaction. A pass of its own, run on a timer of its own by whoever records (the main
// window, quillmere-recorder); the display's snapshots are never touched: the pass has its own,
// bound to the module's sources.

#include "history/HistoryWriter.h"
#include "monitor/Snapshot.h"

#include <QDateTime>

#include <chrono>
#include <memory>
#include <vector>

class TdmQuillmere;

namespace history {

class RecordingPass {
public:
    RecordingPass(TdmQuillmere& dm, HistoryStore& store);
    ~RecordingPass();

    // Reads and writes one pass; the id of the moment written. The first pass makes the store the
    // database's (refused when the store is another database's).
    int64_t run();
    // The connection was lost or closed: the next pass begins a new session of the store.
    void connectionEnded() { m_writer.endSession(); }

    // The snapshots the last pass read.
    const Snapshot& snapshot(catalogue::SnapshotId id) const { return *m_snapshots[static_cast<size_t>(id)]; }
    // How long the last pass took to read and to write.
    std::chrono::microseconds readTime() const { return m_readTime; }
    std::chrono::microseconds writeTime() const { return m_writeTime; }
    const HistoryWriter& writer() const { return m_writer; }

private:
    TdmQuillmere& m_dm;
    HistoryStore& m_store;
    HistoryWriter m_writer;
    std::vector<std::unique_ptr<Snapshot>> m_snapshots;
    bool m_belongs = false;
    std::chrono::microseconds m_readTime{0}, m_writeTime{0};
};

}  // namespace history

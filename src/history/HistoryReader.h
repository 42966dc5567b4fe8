#pragma once
// Reads a history store back: the recorded moments, the snapshots of a moment (the same columns,
// values and row order as the pass read, so that every view shows them as it shows live rows),
// the plan a statement had, the statements that ran between two moments, and the timeline.

#include "history/HistoryStore.h"
#include "history/RowCodec.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class RowStore;
class Snapshot;

namespace history {

struct MomentInfo {
    int64_t id = 0;
    QDateTime taken;  // the client's clock, UTC
};

// One point of the timeline: a recorded moment's figures. The rate is per second since the moment
// before in the same session; nothing at a session's first moment or where the counter went down.
struct TimelinePoint {
    int64_t moment = 0;
    QDateTime taken;
    std::optional<int64_t> attachments, activeStatements;
    std::optional<int64_t> activeGap, interestingGap, snapshotGap;  // next - oldest active, oldest active -
                                                                    // oldest interesting, next - oldest snapshot
    std::optional<double> pageReadsPerSecond;
    std::optional<int64_t> memory;  // bytes
};

// A statement that ran between two moments, from its recorded row.
struct RanStatement {
    int64_t statementId = 0;
    int64_t attachmentId = 0;
    QString user, clientHost, clientProgram;
    std::optional<int64_t> clientProcessId;
    QString sql, plan;
    QDateTime firstSeenRunning, lastSeenRunning;  // moments' times, UTC
    double elapsedDays = 0;                        // at the last moment it was seen running
};

class HistoryReader {
public:
    explicit HistoryReader(HistoryStore& store);
    ~HistoryReader();

    // Every moment, oldest first.
    std::vector<MomentInfo> moments();
    // The last moment taken at or before the time; nothing when none.
    std::optional<int64_t> momentAt(const QDateTime& time);
    std::optional<MomentInfo> moment(int64_t id);

    // Replaces the snapshot's rows with those recorded at the moment (as a refresh does: the
    // cursor keeps its position number); its text decoder is the one of the recording.
    void fill(int64_t moment, Snapshot& snapshot);
    // The rows alone, in the recorded order.
    RowStore rows(int64_t moment, const catalogue::SnapshotDecl& decl);
    // The character set of the connection that recorded the moment (its texts' decoder).
    QString charset(int64_t moment) { return momentRow(moment).charset; }
    // The plan of a statement alive at the moment, empty when it was never seen running.
    QString statementPlan(int64_t moment, int64_t statementId);

    // The statements that ran (were seen ACTIVE) at some moment between the two, longest first.
    std::vector<RanStatement> ranBetween(int64_t from, int64_t to, int limit = 1000);
    // The timeline between two moments (every moment when both are left out).
    std::vector<TimelinePoint> timeline(int64_t from = 0, int64_t to = INT64_MAX);

private:
    struct MomentRow {
        int64_t id = 0;
        std::optional<int64_t> statementsNow, transactionsNow;
        QString charset;
    };
    MomentRow momentRow(int64_t id);
    QString text(int64_t id);
    std::string textBytes(int64_t id);
    [[noreturn]] void damaged() const;

    HistoryStore& m_store;
    std::vector<std::unique_ptr<RowCodec>> m_codecs;  // by SnapshotId
    std::unordered_map<int64_t, std::string> m_texts;
};

}  // namespace history

#pragma once
// The rows of Firebird's monitoring (MON$) and system (RDB$) tables that FirebirdSource makes its
// snapshots of, each table read at most once a tick: what the tick has read, the prepared queries,
// and FirebirdTables, which reads a table the first time it is asked for in a tick. Texts are
// UTF-8. Private to the Firebird source.

#include "ib/Database.h"
#include "monitor/FirebirdSource.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fbtables {

// Statistics groups of MON$STAT_GROUP.
enum Group { GroupDatabase = 0, GroupAttachment = 1, GroupTransaction = 2, GroupStatement = 3, GroupCall = 4 };

struct Counters {
    int64_t pageReads = 0, pageWrites = 0, pageFetches = 0, pageMarks = 0;
    int64_t seqReads = 0, idxReads = 0, inserts = 0, updates = 0, deletes = 0, backouts = 0, purges = 0,
            expunges = 0, conflicts = 0, waits = 0;
    Counters& operator+=(const Counters& o)
    {
        pageReads += o.pageReads, pageWrites += o.pageWrites, pageFetches += o.pageFetches, pageMarks += o.pageMarks;
        seqReads += o.seqReads, idxReads += o.idxReads, inserts += o.inserts, updates += o.updates;
        deletes += o.deletes, backouts += o.backouts, purges += o.purges, expunges += o.expunges;
        conflicts += o.conflicts, waits += o.waits;
        return *this;
    }
};

struct Memory {
    int64_t used = 0, allocated = 0, maxUsed = 0;
};

using OptInt = std::optional<int64_t>;
using OptDouble = std::optional<double>;

struct DatabaseRow {
    int64_t statId = 0;
    std::string name;
    int64_t pageSize = 0, buffers = 0;
    OptInt pages, next, oldestInteresting, oldestActive, oldestSnapshot, sweepInterval, cryptState, replicaMode;
};

struct AttachmentRow {
    int64_t id = 0, statId = 0;
    bool system = false;
    OptInt state, timestamp, remotePid, serverPid;
    bool remote = false;
    std::string user, address, host, process;
    bool userNull = true, addressNull = true, hostNull = true;
    // Firebird 4 and later: timeouts (seconds idle, milliseconds a statement; 0 none), the wire
    // (1 or 0); 5.0: the session's time zone
    OptInt idleTimeout, statementTimeout, wireEncrypted, wireCompressed;
    std::optional<std::string> timeZone;
};

struct StatementRow {
    int64_t id = 0, attachmentId = 0, statId = 0;
    OptInt state, transactionId, timestamp;
    OptDouble elapsed;
    std::optional<std::string> sql;
    OptInt timeout, timer;  // Firebird 4 and later: milliseconds (0 none), and when it runs out
};

struct TransactionRow {
    int64_t id = 0, attachmentId = 0, statId = 0;
    OptInt state, timestamp, isolation, lockTimeout, readOnly, oldestActive;
    OptDouble elapsed;
};

struct CallRow {
    int64_t statementId = 0, statId = 0;
    OptInt timestamp, procedureId;
    std::optional<std::string> package;
    std::string name;
};

struct RelationRow {
    int64_t id = 0;
    std::string name;
    OptInt format;
};

template <typename K, typename V> using Map = std::unordered_map<K, V>;

}  // namespace fbtables

struct FirebirdSource::Tick {
    template <typename K, typename V> using Map = fbtables::Map<K, V>;
    std::optional<fbtables::DatabaseRow> database;
    std::optional<std::vector<fbtables::AttachmentRow>> attachments;
    std::optional<std::vector<fbtables::StatementRow>> statements;
    bool statementsFull = false;
    std::optional<std::vector<fbtables::TransactionRow>> transactions;
    std::optional<Map<int64_t, fbtables::Memory>> memory;
    std::array<std::optional<Map<int64_t, fbtables::Counters>>, 5> statistics;
    std::optional<std::vector<fbtables::CallRow>> calls;
    std::optional<Map<std::string, fbtables::Counters>> tableStatistics;
    std::optional<std::vector<fbtables::RelationRow>> relations;
    std::optional<Map<int64_t, int64_t>> pointerPages;
    std::optional<std::pair<int64_t, int64_t>> metadataCounts;  // relations, active triggers
    std::optional<Map<int64_t, const fbtables::AttachmentRow*>> listedAttachments;
    bool listedWithSystem = false;  // whether listedAttachments holds the server's own too
};

struct FirebirdSource::Reader {
    enum Query {
        qDatabase, qAttachments, qStatementsBrief, qStatementsFull, qStatementLongTexts, qTransactions, qMemory, qStatistics, qCalls,
        qTableStatistics, qRelations, qPointerPages, qMetadataCounts, qPlan, qCount
    };
    std::array<ib::StatementComponent, qCount> statements;

    // Learns, once per connection, which columns the server's monitoring and system tables have.
    void learnServer(ib::TransactionComponent& transaction);
    void forgetServer() { m_server.reset(); }
    // Whether the server has the column ("TABLE.COLUMN") or table ("TABLE"); learnServer first.
    bool has(std::string_view name) const;

    // Runs the query (prepared once per connection, with NULL for the columns the server lacks)
    // with integer parameters and hands every row to the callback; no rows when the server lacks
    // what the query reads.
    void run(Query q, ib::TransactionComponent& transaction, std::initializer_list<int64_t> params,
             const std::function<void(ib::Statement&)>& row);

private:
    // The query's text for this server; empty when the server lacks what it reads.
    std::string text(Query q) const;
    std::optional<std::unordered_set<std::string>> m_server;
};

namespace fbtables {

// Reads, in the transaction, what the tick has not read yet.
class Tables {
public:
    Tables(FirebirdSource::Tick& tick, FirebirdSource::Reader& reader, ib::TransactionComponent& tr);

    const DatabaseRow& database();
    const std::vector<AttachmentRow>& attachments();
    // With full, each statement's text and elapsed time too (a brief read serves the pools and the
    // counts, and is read again in full when a full one is asked for).
    const std::vector<StatementRow>& statements(bool full);
    const std::vector<TransactionRow>& transactions();
    const Map<int64_t, Memory>& memory();
    // The page and record counters of one statistics group, by MON$STAT_ID.
    const Map<int64_t, Counters>& statistics(Group group);
    const std::vector<CallRow>& calls();
    const Map<std::string, Counters>& tableStatistics();
    const std::vector<RelationRow>& relations();
    const Map<int64_t, int64_t>& pointerPages();
    std::pair<int64_t, int64_t> metadataCounts();  // relations, active triggers
    // The attachments that the users snapshot lists, by their number: the server's own (Cache
    // Writer, Garbage Collector) only together with the system tables.
    const Map<int64_t, const AttachmentRow*>& listedAttachments(bool withSystem);

private:
    FirebirdSource::Tick& t;
    FirebirdSource::Reader& r;
    ib::TransactionComponent& tr;
};

}  // namespace fbtables

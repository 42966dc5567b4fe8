#include "monitor/FirebirdSource.h"

#include "ib/Statement.h"
#include "monitor/MonitorSQL.h"
#include "monitor/RowStore.h"
#include "monitor/Snapshot.h"

#include <QLatin1String>

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>
#include <vector>

using catalogue::ColumnType;
using catalogue::SnapshotId;
namespace sql = monitorsql::firebird;

namespace {

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
    OptInt pages, next, oldestInteresting, oldestActive, oldestSnapshot, sweepInterval;
};

struct AttachmentRow {
    int64_t id = 0, statId = 0;
    bool system = false;
    OptInt state, timestamp, remotePid, serverPid;
    bool remote = false;
    std::string user, address, host, process;
    bool userNull = true, addressNull = true, hostNull = true;
};

struct StatementRow {
    int64_t id = 0, attachmentId = 0, statId = 0;
    OptInt state, transactionId, timestamp;
    OptDouble elapsed;
    std::optional<std::string> sql;
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

// The text of a state or mode number: its name, or the number itself.
std::string codeText(const OptInt& code, std::initializer_list<const char*> names)
{
    if (!code)
        return {};
    if (*code >= 0 && static_cast<size_t>(*code) < names.size())
        return names.begin()[*code];
    return std::to_string(*code);
}

int64_t capFor(ColumnType type) { return type == ColumnType::Int16 ? 32767 : 2147483647; }

// Writes rows of one snapshot by column name.
class Writer {
public:
    Writer(const Snapshot& snapshot, RowStore& rows) : m_snapshot(snapshot), m_rows(rows) {}

    int column(const char* name) const { return m_snapshot.requireColumn(QLatin1String(name)); }
    void begin() { m_rows.beginRow(); }
    void end() { m_rows.endRow(); }
    void integer(int c, const OptInt& v)
    {
        if (v)
            m_rows.setInt(c, *v);
    }
    // A counter, held at the largest value of its column's type instead of wrapping.
    void counter(int c, int64_t v) { m_rows.setInt(c, std::min(v, capFor(m_snapshot.columnDecl(c).type))); }
    void counter(int c, const OptInt& v)
    {
        if (v)
            counter(c, *v);
    }
    void real(int c, const OptDouble& v)
    {
        if (v)
            m_rows.setDouble(c, *v);
    }
    void timestamp(int c, const OptInt& v)
    {
        if (v)
            m_rows.setTimestamp(c, *v);
    }
    // Text fitted to the column: CHAR padded to its length, VARCHAR cut to it.
    void text(int c, std::string_view utf8)
    {
        const catalogue::ColumnDecl& d = m_snapshot.columnDecl(c);
        m_rows.setText(c, fitText(utf8, d.length, d.type == ColumnType::Char));
    }
    void optionalText(int c, const std::optional<std::string>& utf8)
    {
        if (utf8)
            text(c, *utf8);
    }

private:
    const Snapshot& m_snapshot;
    RowStore& m_rows;
};

// The page and record counter columns that most snapshots share.
class CounterColumns {
public:
    explicit CounterColumns(const Writer& w)
        : pageReads(w.column("TMP$PAGE_READS")), pageWrites(w.column("TMP$PAGE_WRITES")),
          pageFetches(w.column("TMP$PAGE_FETCHES")), pageMarks(w.column("TMP$PAGE_MARKS")),
          selects(w.column("TMP$RECORD_SELECTS")), inserts(w.column("TMP$RECORD_INSERTS")),
          updates(w.column("TMP$RECORD_UPDATES")), deletes(w.column("TMP$RECORD_DELETES")),
          purges(w.column("TMP$RECORD_PURGES")), expunges(w.column("TMP$RECORD_EXPUNGES")),
          backouts(w.column("TMP$RECORD_BACKOUTS"))
    {
    }
    void write(Writer& w, const Counters& c) const
    {
        w.counter(pageReads, c.pageReads), w.counter(pageWrites, c.pageWrites);
        w.counter(pageFetches, c.pageFetches), w.counter(pageMarks, c.pageMarks);
        w.counter(selects, c.seqReads + c.idxReads), w.counter(inserts, c.inserts);
        w.counter(updates, c.updates), w.counter(deletes, c.deletes), w.counter(purges, c.purges);
        w.counter(expunges, c.expunges), w.counter(backouts, c.backouts);
    }

private:
    int pageReads, pageWrites, pageFetches, pageMarks, selects, inserts, updates, deletes, purges, expunges, backouts;
};

// The client columns of statements and transactions: the attachment's host, process and program.
class ClientColumns {
public:
    explicit ClientColumns(const Writer& w)
        : host(w.column("CLIENT_HOST")), process(w.column("CLIENT_PROCESS_ID")), program(w.column("CLIENT_PROGRAM"))
    {
    }
    template <typename Attachment> void write(Writer& w, const Attachment* a) const
    {
        if (!a)
            return;
        if (!a->hostNull)
            w.text(host, a->host);
        w.integer(process, a->remote ? a->remotePid : a->serverPid);
        if (!a->process.empty())
            w.text(program, a->process);
    }

private:
    int host, process, program;
};

// Orders rows by a text (absent first, then by bytes) and then by a number, as the views' ORDER BY
// does with its ties broken the same way every time.
template <typename Row>
void sortByText(std::vector<const Row*>& rows, std::function<const std::string*(const Row&)> text,
                std::function<int64_t(const Row&)> tie)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const Row* a, const Row* b) {
        const std::string* ta = text(*a);
        const std::string* tb = text(*b);
        if (!ta || !tb) {
            if (ta != tb && (!ta || !tb))
                return !ta && tb;
        } else if (const int c = ta->compare(*tb); c != 0) {
            return c < 0;
        }
        return tie(*a) < tie(*b);
    });
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

// ---- what one tick has read -----------------------------------------------------------------

struct FirebirdSource::Tick {
    std::optional<DatabaseRow> database;
    std::optional<std::vector<AttachmentRow>> attachments;
    std::optional<std::vector<StatementRow>> statements;
    bool statementsFull = false;
    std::optional<std::vector<TransactionRow>> transactions;
    std::optional<Map<int64_t, Memory>> memory;
    std::array<std::optional<Map<int64_t, Counters>>, 5> statistics;
    std::optional<std::vector<CallRow>> calls;
    std::optional<Map<std::string, Counters>> tableStatistics;
    std::optional<std::vector<RelationRow>> relations;
    std::optional<Map<int64_t, int64_t>> pointerPages;
    std::optional<std::pair<int64_t, int64_t>> metadataCounts;  // relations, active triggers
};

// ---- the queries ----------------------------------------------------------------------------

struct FirebirdSource::Reader {
    enum Query {
        qDatabase, qAttachments, qStatementsBrief, qStatementsFull, qTransactions, qMemory, qStatistics, qCalls,
        qTableStatistics, qRelations, qPointerPages, qMetadataCounts, qPlan, qCount
    };
    std::array<ib::StatementComponent, qCount> statements;

    static const char* text(Query q)
    {
        switch (q) {
        case qDatabase: return sql::Database;
        case qAttachments: return sql::Attachments;
        case qStatementsBrief: return sql::StatementsBrief;
        case qStatementsFull: return sql::StatementsFull;
        case qTransactions: return sql::Transactions;
        case qMemory: return sql::Memory;
        case qStatistics: return sql::GroupStatistics;
        case qCalls: return sql::ProcedureCalls;
        case qTableStatistics: return sql::TableStatistics;
        case qRelations: return sql::Relations;
        case qPointerPages: return sql::PointerPages;
        case qMetadataCounts: return sql::MetadataCounts;
        case qPlan: return sql::StatementPlan;
        case qCount: break;
        }
        return "";
    }

    // Runs the query (prepared once per connection) with integer parameters and hands every row to
    // the callback.
    void run(Query q, ib::TransactionComponent& transaction, std::initializer_list<int64_t> params,
             const std::function<void(ib::Statement&)>& row)
    {
        ib::StatementComponent& component = statements[q];
        if (!component.statement().isPrepared())
            component.prepare(transaction, text(q));
        ib::Statement& st = component.statement();
        int i = 0;
        for (int64_t p : params)
            st.setInt64(i++, p);
        st.execute(transaction.transaction());
        try {
            while (st.fetch())
                row(st);
        } catch (...) {
            st.closeCursor();
            throw;
        }
        st.closeCursor();
    }
};

namespace {

OptInt optInt(const ib::Statement& st, int i) { return st.isNull(i) ? OptInt() : OptInt(st.asInt64(i)); }
OptDouble optDouble(const ib::Statement& st, int i) { return st.isNull(i) ? OptDouble() : OptDouble(st.asDouble(i)); }
OptInt optTimestamp(const ib::Statement& st, int i)
{
    return st.isNull(i) ? OptInt() : OptInt(st.asTimestamp(i).packed());
}
std::optional<std::string> optText(const ib::Statement& st, int i)
{
    if (st.isNull(i))
        return std::nullopt;
    return fssToUtf8(st.rawText(i));
}
std::string text(const ib::Statement& st, int i) { return st.isNull(i) ? std::string() : fssToUtf8(st.rawText(i)); }

Counters readCounters(const ib::Statement& st, int first)
{
    Counters c;
    int64_t* fields[] = {&c.pageReads, &c.pageWrites, &c.pageFetches, &c.pageMarks, &c.seqReads, &c.idxReads,
                         &c.inserts,   &c.updates,    &c.deletes,     &c.backouts,  &c.purges,   &c.expunges,
                         &c.conflicts, &c.waits};
    for (int64_t* f : fields) {
        *f = st.isNull(first) ? 0 : st.asInt64(first);
        ++first;
    }
    return c;
}

}  // namespace

FirebirdSource::FirebirdSource() : m_tick(std::make_unique<Tick>()), m_reader(std::make_unique<Reader>()) {}

FirebirdSource::~FirebirdSource() = default;

std::array<ib::StatementComponent*, 13> FirebirdSource::statements()
{
    std::array<ib::StatementComponent*, 13> out{};
    static_assert(Reader::qCount == 13);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = &m_reader->statements[i];
    return out;
}

void FirebirdSource::forget() { *m_tick = Tick(); }

std::optional<int64_t> FirebirdSource::tickOldestActive() const
{
    return m_tick->database ? m_tick->database->oldestActive : std::nullopt;
}

// ---- reading the base tables, once per tick ---------------------------------------------------

namespace {

class Base {
public:
    Base(FirebirdSource::Tick& tick, FirebirdSource::Reader& reader, ib::TransactionComponent& tr)
        : t(tick), r(reader), tr(tr)
    {
    }

    const DatabaseRow& database()
    {
        if (!t.database) {
            DatabaseRow d;
            r.run(FirebirdSource::Reader::qDatabase, tr, {}, [&](ib::Statement& st) {
                d.statId = st.asInt64(0);
                d.name = text(st, 1);
                d.pageSize = st.asInt64(2);
                d.buffers = st.asInt64(3);
                d.pages = optInt(st, 4);
                d.next = optInt(st, 5);
                d.oldestInteresting = optInt(st, 6);
                d.oldestActive = optInt(st, 7);
                d.oldestSnapshot = optInt(st, 8);
                d.sweepInterval = optInt(st, 9);
            });
            t.database = std::move(d);
        }
        return *t.database;
    }

    const std::vector<AttachmentRow>& attachments()
    {
        if (!t.attachments) {
            std::vector<AttachmentRow> rows;
            r.run(FirebirdSource::Reader::qAttachments, tr, {}, [&](ib::Statement& st) {
                AttachmentRow a;
                a.id = st.asInt64(0);
                a.statId = st.asInt64(1);
                a.system = !st.isNull(2) && st.asInt64(2) != 0;
                a.state = optInt(st, 3);
                a.timestamp = optTimestamp(st, 4);
                a.userNull = st.isNull(5), a.user = text(st, 5);
                a.addressNull = st.isNull(6), a.address = text(st, 6);
                a.hostNull = st.isNull(7), a.host = text(st, 7);
                a.process = text(st, 8);
                a.remotePid = optInt(st, 9);
                a.serverPid = optInt(st, 10);
                a.remote = st.asInt64(11) != 0;
                rows.push_back(std::move(a));
            });
            t.attachments = std::move(rows);
        }
        return *t.attachments;
    }

    const std::vector<StatementRow>& statements(bool full)
    {
        if (!t.statements || (full && !t.statementsFull)) {
            std::vector<StatementRow> rows;
            r.run(full ? FirebirdSource::Reader::qStatementsFull : FirebirdSource::Reader::qStatementsBrief, tr, {},
                  [&](ib::Statement& st) {
                      StatementRow s;
                      s.id = st.asInt64(0);
                      s.attachmentId = st.asInt64(1);
                      s.statId = st.asInt64(2);
                      s.state = optInt(st, 3);
                      if (full) {
                          s.transactionId = optInt(st, 4);
                          s.timestamp = optTimestamp(st, 5);
                          s.elapsed = optDouble(st, 6);
                          s.sql = optText(st, 7);
                      }
                      rows.push_back(std::move(s));
                  });
            t.statements = std::move(rows);
            t.statementsFull = full;
        }
        return *t.statements;
    }

    const std::vector<TransactionRow>& transactions()
    {
        if (!t.transactions) {
            std::vector<TransactionRow> rows;
            r.run(FirebirdSource::Reader::qTransactions, tr, {}, [&](ib::Statement& st) {
                TransactionRow x;
                x.id = st.asInt64(0);
                x.attachmentId = st.asInt64(1);
                x.statId = st.asInt64(2);
                x.state = optInt(st, 3);
                x.timestamp = optTimestamp(st, 4);
                x.elapsed = optDouble(st, 5);
                x.isolation = optInt(st, 6);
                x.lockTimeout = optInt(st, 7);
                x.readOnly = optInt(st, 8);
                x.oldestActive = optInt(st, 9);
                rows.push_back(x);
            });
            t.transactions = std::move(rows);
        }
        return *t.transactions;
    }

    const Map<int64_t, Memory>& memory()
    {
        if (!t.memory) {
            Map<int64_t, Memory> m;
            r.run(FirebirdSource::Reader::qMemory, tr, {}, [&](ib::Statement& st) {
                m[st.asInt64(0)] = {optInt(st, 1).value_or(0), optInt(st, 2).value_or(0), optInt(st, 3).value_or(0)};
            });
            t.memory = std::move(m);
        }
        return *t.memory;
    }

    const Map<int64_t, Counters>& statistics(Group g)
    {
        auto& slot = t.statistics[static_cast<size_t>(g)];
        if (!slot) {
            Map<int64_t, Counters> m;
            r.run(FirebirdSource::Reader::qStatistics, tr, {g, g},
                  [&](ib::Statement& st) { m[st.asInt64(0)] = readCounters(st, 1); });
            slot = std::move(m);
        }
        return *slot;
    }

    const std::vector<CallRow>& calls()
    {
        if (!t.calls) {
            std::vector<CallRow> rows;
            r.run(FirebirdSource::Reader::qCalls, tr, {}, [&](ib::Statement& st) {
                CallRow c;
                c.statementId = st.asInt64(0);
                c.statId = st.asInt64(1);
                c.timestamp = optTimestamp(st, 2);
                c.package = optText(st, 3);
                c.name = text(st, 4);
                c.procedureId = optInt(st, 5);
                rows.push_back(std::move(c));
            });
            t.calls = std::move(rows);
        }
        return *t.calls;
    }

    const Map<std::string, Counters>& tableStatistics()
    {
        if (!t.tableStatistics) {
            Map<std::string, Counters> m;
            r.run(FirebirdSource::Reader::qTableStatistics, tr, {}, [&](ib::Statement& st) {
                Counters c;
                int64_t* fields[] = {&c.seqReads, &c.idxReads, &c.inserts, &c.updates,
                                     &c.deletes,  &c.backouts, &c.purges,  &c.expunges};
                int i = 1;
                for (int64_t* f : fields)
                    *f = optInt(st, i++).value_or(0);
                m[text(st, 0)] += c;
            });
            t.tableStatistics = std::move(m);
        }
        return *t.tableStatistics;
    }

    const std::vector<RelationRow>& relations()
    {
        if (!t.relations) {
            std::vector<RelationRow> rows;
            r.run(FirebirdSource::Reader::qRelations, tr, {}, [&](ib::Statement& st) {
                rows.push_back({st.asInt64(0), text(st, 1), optInt(st, 2)});
            });
            t.relations = std::move(rows);
        }
        return *t.relations;
    }

    const Map<int64_t, int64_t>& pointerPages()
    {
        if (!t.pointerPages) {
            Map<int64_t, int64_t> m;
            r.run(FirebirdSource::Reader::qPointerPages, tr, {},
                  [&](ib::Statement& st) { m[st.asInt64(0)] = st.asInt64(1); });
            t.pointerPages = std::move(m);
        }
        return *t.pointerPages;
    }

    std::pair<int64_t, int64_t> metadataCounts()
    {
        if (!t.metadataCounts) {
            std::pair<int64_t, int64_t> counts{0, 0};
            r.run(FirebirdSource::Reader::qMetadataCounts, tr, {},
                  [&](ib::Statement& st) { counts = {st.asInt64(0), st.asInt64(1)}; });
            t.metadataCounts = counts;
        }
        return *t.metadataCounts;
    }

    // The users of the attachments that the users snapshot lists (not the server's own).
    Map<int64_t, const AttachmentRow*> userAttachments()
    {
        Map<int64_t, const AttachmentRow*> m;
        for (const AttachmentRow& a : attachments())
            if (!a.system)
                m[a.id] = &a;
        return m;
    }

private:
    FirebirdSource::Tick& t;
    FirebirdSource::Reader& r;
    ib::TransactionComponent& tr;
};

// One memory pool: a type code, its memory in use and what it holds beyond that.
struct Pool {
    const char* type;
    int64_t used, free;
};

int64_t clampPool(int64_t v) { return std::clamp<int64_t>(v, 0, 2147483647); }

// The pools as the TMP$POOLS view makes them: the page cache, the database's own memory (PRM),
// each attachment without its statements and transactions (ATT), each transaction (TRA) and each
// statement with the calls it runs (REQ).
std::vector<Pool> pools(Base& base)
{
    const DatabaseRow& db = base.database();
    const Map<int64_t, Memory>& memory = base.memory();
    const std::vector<AttachmentRow>& attachments = base.attachments();
    const std::vector<StatementRow>& statements = base.statements(false);
    const std::vector<TransactionRow>& transactions = base.transactions();
    std::vector<Pool> out;
    const int64_t cache = db.buffers * db.pageSize;
    out.push_back({"CCH", clampPool(cache), 0});
    Map<int64_t, int64_t> children;  // attachment -> memory of its statements and transactions
    for (const StatementRow& s : statements)
        if (auto m = memory.find(s.statId); m != memory.end())
            children[s.attachmentId] += m->second.used;
    for (const TransactionRow& x : transactions)
        if (auto m = memory.find(x.statId); m != memory.end())
            children[x.attachmentId] += m->second.used;
    if (auto dbm = memory.find(db.statId); dbm != memory.end()) {
        int64_t attachmentsUsed = 0;
        for (const AttachmentRow& a : attachments)
            if (auto m = memory.find(a.statId); m != memory.end())
                attachmentsUsed += m->second.used;
        out.push_back({"PRM", clampPool(dbm->second.used - cache - attachmentsUsed),
                       clampPool(dbm->second.allocated - dbm->second.used)});
    }
    for (const AttachmentRow& a : attachments)
        if (auto m = memory.find(a.statId); m != memory.end()) {
            auto c = children.find(a.id);
            out.push_back({"ATT", clampPool(m->second.used - (c == children.end() ? 0 : c->second)),
                           clampPool(m->second.allocated - m->second.used)});
        }
    for (const TransactionRow& x : transactions)
        if (auto m = memory.find(x.statId); m != memory.end())
            out.push_back({"TRA", clampPool(m->second.used), clampPool(m->second.allocated - m->second.used)});
    for (const StatementRow& s : statements)
        if (auto m = memory.find(s.statId); m != memory.end())
            out.push_back({"REQ", clampPool(m->second.used), clampPool(m->second.allocated - m->second.used)});
    return out;
}

// One procedure on the call stacks, summed over its calls.
struct Procedure {
    std::optional<std::string> package;
    std::string name;
    OptInt id;
    std::string shownName;
    int64_t memory = 0, calls = 0;
    OptInt firstCall;
    std::vector<int64_t> statementIds;
    Counters counters;
};

std::vector<Procedure> procedures(Base& base)
{
    const std::vector<CallRow>& calls = base.calls();
    std::vector<Procedure> out;
    if (calls.empty())
        return out;
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupCall);
    std::map<std::pair<std::optional<std::string>, std::string>, size_t> index;
    for (const CallRow& c : calls) {
        auto [it, added] = index.try_emplace({c.package, c.name}, out.size());
        if (added) {
            Procedure p;
            p.package = c.package;
            p.name = c.name;
            p.id = c.procedureId;
            p.shownName = c.package ? *c.package + "." + c.name : c.name;
            out.push_back(std::move(p));
        }
        Procedure& p = out[it->second];
        if (!p.id)
            p.id = c.procedureId;
        ++p.calls;
        if (auto m = memory.find(c.statId); m != memory.end())
            p.memory += m->second.used;
        if (auto s = stats.find(c.statId); s != stats.end())
            p.counters += s->second;
        if (c.timestamp && (!p.firstCall || *c.timestamp < *p.firstCall))
            p.firstCall = c.timestamp;
        if (std::find(p.statementIds.begin(), p.statementIds.end(), c.statementId) == p.statementIds.end())
            p.statementIds.push_back(c.statementId);
    }
    return out;
}

const char* const kStatementStates[] = {"IDLE", "ACTIVE", "STALLED"};

std::string stateText(const OptInt& state, bool statement)
{
    if (statement)
        return codeText(state, {kStatementStates[0], kStatementStates[1], kStatementStates[2]});
    return codeText(state, {"IDLE", "ACTIVE"});
}

// ---- the snapshots ----------------------------------------------------------------------------

void fillDatabase(Base& base, Writer& w)
{
    const DatabaseRow& db = base.database();
    const std::vector<AttachmentRow>& attachments = base.attachments();
    const std::vector<StatementRow>& statements = base.statements(false);
    const std::vector<TransactionRow>& transactions = base.transactions();
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupDatabase);
    const std::vector<Pool> poolRows = pools(base);
    const size_t procedureCount = procedures(base).size();
    const auto [relationCount, triggerCount] = base.metadataCounts();

    const int64_t users = std::count_if(attachments.begin(), attachments.end(), [](const auto& a) { return !a.system; });
    const int64_t running = std::count_if(statements.begin(), statements.end(), [](const auto& s) { return s.state == 1; });
    std::optional<int64_t> permanent;
    for (const Pool& p : poolRows)
        if (std::string_view(p.type) == "PRM")
            permanent = permanent.value_or(0) + p.used;
    const auto dbm = memory.find(db.statId);
    const auto dbs = stats.find(db.statId);

    w.begin();
    w.integer(w.column("TMP$DATABASE_ID"), 1);
    w.text(w.column("TMP$DATABASE_PATH"), db.name);
    w.counter(w.column("TMP$ATTACHMENTS"), users);
    w.counter(w.column("TMP$STATEMENTS"), static_cast<int64_t>(statements.size()));
    w.counter(w.column("TMP$ALLOCATED_PAGES"), db.pages);
    w.integer(w.column("TMP$POOLS"), static_cast<int64_t>(poolRows.size()));
    w.counter(w.column("TMP$PROCEDURES"), static_cast<int64_t>(procedureCount));
    w.counter(w.column("TMP$RELATIONS"), relationCount);
    w.counter(w.column("TMP$TRIGGERS"), triggerCount);
    w.counter(w.column("TMP$ACTIVE_THREADS"), running);
    if (dbm != memory.end()) {
        w.counter(w.column("TMP$CURRENT_MEMORY"), dbm->second.used);
        w.counter(w.column("TMP$MAXIMUM_MEMORY"), dbm->second.maxUsed);
    }
    w.integer(w.column("TMP$PERMANENT_POOL_MEMORY"), permanent);
    w.counter(w.column("TMP$CACHE_POOL_MEMORY"), db.buffers * db.pageSize);
    w.counter(w.column("TMP$TRANSACTIONS"), static_cast<int64_t>(transactions.size()));
    w.integer(w.column("TMP$NEXT_TRANSACTION"), db.next);
    w.integer(w.column("TMP$OLDEST_INTERESTING"), db.oldestInteresting);
    w.integer(w.column("TMP$OLDEST_ACTIVE"), db.oldestActive);
    w.integer(w.column("TMP$OLDEST_SNAPSHOT"), db.oldestSnapshot);
    w.integer(w.column("TMP$CACHE_BUFFERS"), db.buffers);
    w.integer(w.column("TMP$SWEEP_INTERVAL"), db.sweepInterval);
    if (dbs != stats.end()) {
        w.counter(w.column("TMP$TRANSACTION_CONFLICTS"), dbs->second.conflicts);
        w.counter(w.column("TMP$TRANSACTION_WAITS"), dbs->second.waits);
        CounterColumns(w).write(w, dbs->second);
    }
    w.end();
}

void fillPools(Base& base, Writer& w)
{
    struct Sum {
        int64_t count = 0, used = 0, free = 0;
    };
    std::map<std::string_view, Sum> byType;  // in the order of the type codes
    for (const Pool& p : pools(base)) {
        Sum& s = byType[p.type];
        ++s.count, s.used += p.used, s.free += p.free;
    }
    const int type = w.column("TMP$TYPE"), count = w.column("POOL_COUNT"), used = w.column("TMP$POOL_MEMORY"),
              free = w.column("TMP$FREE_MEMORY");
    for (const auto& [code, s] : byType) {
        w.begin();
        w.text(type, code);
        w.integer(count, s.count);
        w.integer(used, s.used);
        w.integer(free, s.free);
        w.end();
    }
}

void fillProcedures(Base& base, Writer& w)
{
    std::vector<Procedure> rows = procedures(base);
    for (Procedure& p : rows)
        p.shownName = fitText(p.shownName, 67, true);
    std::vector<const Procedure*> order;
    for (const Procedure& p : rows)
        order.push_back(&p);
    sortByText<Procedure>(
        order, [](const Procedure& p) { return &p.shownName; }, [](const Procedure& p) { return p.id.value_or(0); });
    const int id = w.column("TMP$PROCEDURE_ID"), database = w.column("TMP$DATABASE_ID"),
              name = w.column("TMP$PROCEDURE_NAME"), memory = w.column("TMP$POOL_MEMORY"),
              time = w.column("TMP$TIMESTAMP"), useCount = w.column("TMP$USE_COUNT"),
              invocations = w.column("TMP$INVOCATIONS");
    const CounterColumns counters(w);
    for (const Procedure* p : order) {
        w.begin();
        w.integer(id, p->id);
        w.integer(database, 1);
        w.text(name, p->shownName);
        w.counter(memory, p->memory);
        w.timestamp(time, p->firstCall);
        w.counter(useCount, static_cast<int64_t>(p->statementIds.size()));
        w.counter(invocations, p->calls);
        counters.write(w, p->counters);
        w.end();
    }
}

// The user of each attachment as the statements and transactions show it: CHAR(67), padded.
Map<int64_t, std::string> shownUsers(Base& base, int length)
{
    Map<int64_t, std::string> users;
    for (const auto& [id, a] : base.userAttachments())
        if (!a->userNull)
            users[id] = fitText(a->user, length, true);
    return users;
}

void fillStatements(Base& base, Writer& w)
{
    const std::vector<StatementRow>& statements = base.statements(true);
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupStatement);
    const int user = w.column("TMP$USER");
    const Map<int64_t, std::string> users = shownUsers(base, 67);
    const Map<int64_t, const AttachmentRow*> clients = base.userAttachments();
    const ClientColumns client(w);
    std::vector<const StatementRow*> order;
    for (const StatementRow& s : statements)
        if (memory.count(s.statId) && stats.count(s.statId))
            order.push_back(&s);
    auto userOf = [&](const StatementRow& s) -> const std::string* {
        auto u = users.find(s.attachmentId);
        return u == users.end() ? nullptr : &u->second;
    };
    sortByText<StatementRow>(order, userOf, [](const StatementRow& s) { return s.id; });
    const int id = w.column("TMP$STATEMENT_ID"), attachment = w.column("TMP$ATTACHMENT_ID"),
              transaction = w.column("TMP$TRANSACTION_ID"), sqlText = w.column("TMP$SQL"),
              pool = w.column("TMP$POOL_ID"), poolMemory = w.column("TMP$POOL_MEMORY"),
              time = w.column("TMP$TIMESTAMP"), state = w.column("TMP$STATE"), elapsed = w.column("ELAPSED_TIME");
    const CounterColumns counters(w);
    for (const StatementRow* s : order) {
        w.begin();
        w.integer(id, s->id);
        w.integer(attachment, s->attachmentId);
        w.integer(transaction, s->transactionId);
        if (const std::string* u = userOf(*s))
            w.text(user, *u);
        w.optionalText(sqlText, s->sql);
        w.integer(pool, s->statId);
        w.counter(poolMemory, memory.at(s->statId).used);
        w.timestamp(time, s->timestamp);
        w.real(elapsed, s->elapsed);
        w.text(state, stateText(s->state, true));
        counters.write(w, stats.at(s->statId));
        client.write(w, clients.count(s->attachmentId) ? clients.at(s->attachmentId) : nullptr);
        w.end();
    }
}

void fillRelations(Base& base, Writer& w, bool showSystemTables)
{
    const std::vector<RelationRow>& relations = base.relations();
    const Map<std::string, Counters>& stats = base.tableStatistics();
    const Map<int64_t, int64_t>& pointerPages = base.pointerPages();
    std::vector<std::pair<std::string, const RelationRow*>> order;
    for (const RelationRow& r : relations)
        if (showSystemTables || !isSystemRelationName(r.name))
            order.emplace_back(fitText(r.name, 67, true), &r);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const int id = w.column("TMP$RELATION_ID"), database = w.column("TMP$DATABASE_ID"),
              name = w.column("TMP$RELATION_NAME"), formats = w.column("TMP$FORMATS"),
              pointers = w.column("TMP$POINTER_PAGES"), idx = w.column("TMP$RECORD_IDX_SELECTS"),
              seq = w.column("TMP$RECORD_SEQ_SELECTS"), inserts = w.column("TMP$RECORD_INSERTS"),
              updates = w.column("TMP$RECORD_UPDATES"), deletes = w.column("TMP$RECORD_DELETES"),
              purges = w.column("TMP$RECORD_PURGES"), expunges = w.column("TMP$RECORD_EXPUNGES"),
              backouts = w.column("TMP$RECORD_BACKOUTS");
    for (const auto& [shown, r] : order) {
        const auto s = stats.find(r->name);
        const Counters c = s == stats.end() ? Counters() : s->second;
        const auto p = pointerPages.find(r->id);
        w.begin();
        w.integer(id, r->id);
        w.integer(database, 1);
        w.text(name, shown);
        w.integer(formats, r->format);
        w.integer(pointers, p == pointerPages.end() ? 0 : p->second);
        w.counter(idx, c.idxReads), w.counter(seq, c.seqReads), w.counter(inserts, c.inserts);
        w.counter(updates, c.updates), w.counter(deletes, c.deletes), w.counter(purges, c.purges);
        w.counter(expunges, c.expunges), w.counter(backouts, c.backouts);
        w.end();
    }
}

void fillTransactions(Base& base, Writer& w)
{
    const std::vector<TransactionRow>& transactions = base.transactions();
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupTransaction);
    const Map<int64_t, std::string> users = shownUsers(base, 67);
    const Map<int64_t, const AttachmentRow*> clients = base.userAttachments();
    std::vector<const TransactionRow*> order;
    for (const TransactionRow& x : transactions)
        if (memory.count(x.statId) && stats.count(x.statId))
            order.push_back(&x);
    auto userOf = [&](const TransactionRow& x) -> const std::string* {
        auto u = users.find(x.attachmentId);
        return u == users.end() ? nullptr : &u->second;
    };
    sortByText<TransactionRow>(order, userOf, [](const TransactionRow& x) { return x.id; });
    const int id = w.column("TMP$TRANSACTION_ID"), attachment = w.column("TMP$ATTACHMENT_ID"),
              user = w.column("TMP$USER"), state = w.column("TMP$STATE"), time = w.column("TMP$TIMESTAMP"),
              elapsed = w.column("ELAPSED_TIME"), isolation = w.column("TMP$TYPE"),
              readOnly = w.column("TMP$READONLY"), snapshot = w.column("TMP$SNAPSHOT"),
              noWait = w.column("TMP$NOWAIT"), pool = w.column("TMP$POOL_ID"),
              poolMemory = w.column("TMP$POOL_MEMORY"), written = w.column("TMP$WRITE");
    const CounterColumns counters(w);
    const ClientColumns client(w);
    for (const TransactionRow* x : order) {
        const Counters& c = stats.at(x->statId);
        w.begin();
        w.integer(id, x->id);
        w.integer(attachment, x->attachmentId);
        if (const std::string* u = userOf(*x))
            w.text(user, *u);
        w.text(state, stateText(x->state, false));
        w.timestamp(time, x->timestamp);
        w.real(elapsed, x->elapsed);
        w.text(isolation, codeText(x->isolation, {"CONSISTENCY", "CONCURRENCY", "READ_COMMITTED_REC_VERSION",
                                                  "READ_COMMITTED_NO_REC_VERSION", "READ_COMMITTED_READ_CONSISTENCY"}));
        w.text(readOnly, x->readOnly == 1 ? "Y" : "N");
        w.integer(snapshot, x->oldestActive);
        w.text(noWait, x->lockTimeout == 0 ? "Y" : "N");
        w.integer(pool, x->statId);
        w.counter(poolMemory, memory.at(x->statId).used);
        w.text(written, c.inserts + c.updates + c.deletes > 0 ? "Y" : "N");
        counters.write(w, c);
        client.write(w, clients.count(x->attachmentId) ? clients.at(x->attachmentId) : nullptr);
        w.end();
    }
}

void fillAttachments(Base& base, Writer& w)
{
    const std::vector<AttachmentRow>& attachments = base.attachments();
    const std::vector<StatementRow>& statements = base.statements(false);
    const std::vector<TransactionRow>& transactions = base.transactions();
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupAttachment);
    Map<int64_t, int64_t> statementCount, transactionCount;
    for (const StatementRow& s : statements)
        ++statementCount[s.attachmentId];
    for (const TransactionRow& x : transactions)
        ++transactionCount[x.attachmentId];
    std::vector<std::pair<std::string, const AttachmentRow*>> order;
    for (const AttachmentRow& a : attachments)
        if (!a.system && memory.count(a.statId) && stats.count(a.statId))
            order.emplace_back(a.userNull ? std::string() : fitText(a.user, 67, true), &a);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        if (a.second->userNull != b.second->userNull)
            return a.second->userNull;
        if (const int c = a.first.compare(b.first); c != 0)
            return c < 0;
        return a.second->id < b.second->id;
    });
    const int id = w.column("TMP$ATTACHMENT_ID"), database = w.column("TMP$DATABASE_ID"),
              user = w.column("TMP$USER"), host = w.column("TMP$USER_HOST"), ip = w.column("TMP$USER_IP_ADDR"),
              process = w.column("TMP$USER_PROCESS"), time = w.column("TMP$TIMESTAMP"),
              pool = w.column("TMP$POOL_ID"), poolMemory = w.column("TMP$POOL_MEMORY"),
              statementsColumn = w.column("TMP$STATEMENTS"), transactionsColumn = w.column("TMP$TRANSACTIONS"),
              state = w.column("TMP$STATE");
    const CounterColumns counters(w);
    for (const auto& [shownUser, a] : order) {
        w.begin();
        w.integer(id, a->id);
        w.integer(database, 1);
        if (!a->userNull)
            w.text(user, shownUser);
        if (!a->hostNull)
            w.text(host, a->host);
        if (!a->addressNull)
            w.text(ip, std::string_view(a->address).substr(0, a->address.find('/')));
        w.integer(process, a->remote ? a->remotePid : a->serverPid);
        w.timestamp(time, a->timestamp);
        w.integer(pool, a->statId);
        w.counter(poolMemory, memory.at(a->statId).used);
        auto sc = statementCount.find(a->id);
        w.counter(statementsColumn, sc == statementCount.end() ? 0 : sc->second);
        auto tc = transactionCount.find(a->id);
        w.counter(transactionsColumn, tc == transactionCount.end() ? 0 : tc->second);
        w.text(state, stateText(a->state, false));
        counters.write(w, stats.at(a->statId));
        w.end();
    }
}

}  // namespace

void FirebirdSource::fill(const Snapshot& snapshot, RowStore& rows, ib::TransactionComponent& transaction,
                          bool showSystemTables)
{
    Base base(*m_tick, *m_reader, transaction);
    Writer w(snapshot, rows);
    switch (snapshot.decl().id) {
    case SnapshotId::Database: fillDatabase(base, w); break;
    case SnapshotId::Pools: fillPools(base, w); break;
    case SnapshotId::PoolBlocks: break;  // Firebird does not report its memory blocks by kind
    case SnapshotId::Procedures: fillProcedures(base, w); break;
    case SnapshotId::Statements: fillStatements(base, w); break;
    case SnapshotId::Relations: fillRelations(base, w, showSystemTables); break;
    case SnapshotId::Transactions: fillTransactions(base, w); break;
    case SnapshotId::Attachments: fillAttachments(base, w); break;
    }
}

std::optional<std::string> FirebirdSource::statementPlan(qint64 statementId, ib::TransactionComponent& transaction)
{
    std::optional<std::string> plan;
    m_reader->run(Reader::qPlan, transaction, {statementId}, [&](ib::Statement& st) { plan = optText(st, 0); });
    return plan;
}

// ---- texts ------------------------------------------------------------------------------------

bool isSystemRelationName(std::string_view name)
{
    for (const char* prefix : sql::SystemRelationPrefixes)
        if (startsWith(name, prefix))
            return true;
    return false;
}

std::string fssToUtf8(std::string_view bytes)
{
    // a high half is ED A0..AF xx, a low half ED B0..BF xx
    if (bytes.find('\xED') == std::string_view::npos)
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    auto half = [&](size_t i, unsigned lo, unsigned hi) {
        if (i + 2 >= bytes.size())
            return -1;
        const auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]),
                   b2 = static_cast<unsigned char>(bytes[i + 2]);
        if (b0 != 0xED || b1 < lo || b1 > hi || (b2 & 0xC0) != 0x80)
            return -1;
        return static_cast<int>(((b1 & 0x0F) << 6) | (b2 & 0x3F));
    };
    for (size_t i = 0; i < bytes.size();) {
        const int high = half(i, 0xA0, 0xAF);
        const int low = high >= 0 ? half(i + 3, 0xB0, 0xBF) : -1;
        if (high >= 0 && low >= 0) {
            const unsigned cp = 0x10000u + (static_cast<unsigned>(high) << 10) + static_cast<unsigned>(low);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            i += 6;
        } else {
            out += bytes[i++];
        }
    }
    return out;
}

std::string fitText(std::string_view utf8, int n, bool pad)
{
    int characters = 0;
    size_t end = 0;
    while (end < utf8.size() && characters < n) {
        ++end;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            ++end;
        ++characters;
    }
    std::string out(utf8.substr(0, end));
    if (pad && characters < n)
        out.append(static_cast<size_t>(n - characters), ' ');
    return out;
}

#include "monitor/FirebirdSource.h"

#include "ib/Statement.h"
#include "monitor/FirebirdAggregates.h"
#include "monitor/FirebirdSQL.h"
#include "monitor/FirebirdTables.h"
#include "monitor/MonitorSQL.h"
#include "monitor/RowStore.h"
#include "monitor/Snapshot.h"

#include <QLatin1String>

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>
#include <vector>

using namespace fbtables;
using catalogue::ColumnType;
using catalogue::SnapshotId;
namespace sql = monitorsql::firebird;

namespace {

// What Firebird 4 and later tell of a session, as the users show it and as the client columns of
// statements and transactions show it, with the server column it comes from.
struct SessionColumn {
    const char* user;
    const char* client;
    const char* source;
};
constexpr SessionColumn kSessionColumns[] = {
    {"IDLE_TIMEOUT", "CLIENT_IDLE_TIMEOUT", sql::AttachmentIdleTimeout},
    {"STATEMENT_TIMEOUT", "CLIENT_STATEMENT_TIMEOUT", sql::AttachmentStatementTimeout},
    {"WIRE_ENCRYPTED", "CLIENT_WIRE_ENCRYPTED", sql::AttachmentWireEncrypted},
    {"WIRE_COMPRESSED", "CLIENT_WIRE_COMPRESSED", sql::AttachmentWireCompressed},
    {"SESSION_TIME_ZONE", "CLIENT_TIME_ZONE", sql::AttachmentTimeZone},
};
constexpr size_t kSessionColumnCount = std::size(kSessionColumns);

// The other columns that only some releases have, and the server column each comes from.
struct ReleaseColumn {
    SnapshotId snapshot;
    const char* column;
    const char* source;
};
constexpr ReleaseColumn kReleaseColumns[] = {
    {SnapshotId::Database, "CRYPT_STATE", sql::DatabaseCryptState},
    {SnapshotId::Database, "REPLICA_MODE", sql::DatabaseReplicaMode},
    {SnapshotId::Statements, "STATEMENT_TIMEOUT", sql::StatementTimeout},
    {SnapshotId::Statements, "STATEMENT_TIMER", sql::StatementTimer},
};

// The text of a state or mode number: its name, or the number itself.
std::string codeText(const OptInt& code, std::initializer_list<const char*> names)
{
    if (!code)
        return {};
    if (*code >= 0 && static_cast<size_t>(*code) < names.size())
        return names.begin()[*code];
    return std::to_string(*code);
}

// The value under the key, or nullptr.
template <typename K, typename V> const V* find(const Map<K, V>& map, const K& key)
{
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

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
    // A count or counter, as the server gives it: 64 bits wide whatever the column's declared type
    // (the transaction numbers go up to 2^48, the page and record counters of a busy database pass
    // 2^31).
    void counter(int c, int64_t v) { m_rows.setInt(c, v); }
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
    // A yes/no value as the flags show it: "Y" or "N".
    void flag(int c, const OptInt& v)
    {
        if (v)
            text(c, *v != 0 ? "Y" : "N");
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

// The session columns of one snapshot: the users' own, or the client columns.
class SessionColumns {
public:
    SessionColumns(const Writer& w, bool client)
    {
        for (size_t i = 0; i < kSessionColumnCount; ++i)
            m_columns[i] = w.column(client ? kSessionColumns[i].client : kSessionColumns[i].user);
    }
    void write(Writer& w, const AttachmentRow& a) const
    {
        w.integer(m_columns[0], a.idleTimeout);
        w.integer(m_columns[1], a.statementTimeout);
        w.flag(m_columns[2], a.wireEncrypted);
        w.flag(m_columns[3], a.wireCompressed);
        w.optionalText(m_columns[4], a.timeZone);
    }

private:
    std::array<int, kSessionColumnCount> m_columns{};
};

// The client columns of statements and transactions: the attachment's host, process, program and
// session.
class ClientColumns {
public:
    explicit ClientColumns(const Writer& w)
        : host(w.column("CLIENT_HOST")), process(w.column("CLIENT_PROCESS_ID")), program(w.column("CLIENT_PROGRAM")),
          session(w, true)
    {
    }
    // The client of the row's attachment, when the users list it.
    void write(Writer& w, const Map<int64_t, const AttachmentRow*>& clients, int64_t attachmentId) const
    {
        const AttachmentRow* const* found = find(clients, attachmentId);
        if (!found)
            return;
        const AttachmentRow* a = *found;
        if (!a->hostNull)
            w.text(host, a->host);
        w.integer(process, a->remote ? a->remotePid : a->serverPid);
        if (!a->process.empty())
            w.text(program, a->process);
        session.write(w, *a);
    }

private:
    int host, process, program;
    SessionColumns session;
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
        if (!ta != !tb)
            return !ta;
        if (ta && tb)
            if (const int c = ta->compare(*tb); c != 0)
                return c < 0;
        return tie(*a) < tie(*b);
    });
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

FirebirdSource::FirebirdSource() : m_tick(std::make_unique<Tick>()), m_reader(std::make_unique<Reader>()) {}

FirebirdSource::~FirebirdSource() = default;

std::array<ib::StatementComponent*, 14> FirebirdSource::statements()
{
    std::array<ib::StatementComponent*, 14> out{};
    static_assert(Reader::qCount == 14);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = &m_reader->statements[i];
    return out;
}

void FirebirdSource::forget() { *m_tick = Tick(); }

std::optional<int64_t> FirebirdSource::tickOldestActive() const
{
    return m_tick->database ? m_tick->database->oldestActive : std::nullopt;
}

namespace {

std::string statementState(const OptInt& state) { return codeText(state, {"IDLE", "ACTIVE", "STALLED"}); }
// the state of an attachment or a transaction
std::string objectState(const OptInt& state) { return codeText(state, {"IDLE", "ACTIVE"}); }

// ---- the snapshots ----------------------------------------------------------------------------

void fillDatabase(Tables& base, Writer& w, bool showSystemTables)
{
    const DatabaseRow& db = base.database();
    const std::vector<StatementRow>& statements = base.statements(false);
    const std::vector<TransactionRow>& transactions = base.transactions();
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupDatabase);
    const std::vector<Pool> poolRows = pools(base);
    const size_t procedureCount = procedures(base).size();
    const auto [relationCount, triggerCount] = base.metadataCounts();

    const int64_t users = static_cast<int64_t>(base.listedAttachments(showSystemTables).size());
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
    if (db.cryptState)
        w.text(w.column("CRYPT_STATE"), codeText(db.cryptState, {"NONE", "ENCRYPTED", "DECRYPTING", "ENCRYPTING"}));
    if (db.replicaMode)
        w.text(w.column("REPLICA_MODE"), codeText(db.replicaMode, {"NONE", "READ_ONLY", "READ_WRITE"}));
    w.end();
}

void fillPools(Tables& base, Writer& w)
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

void fillProcedures(Tables& base, Writer& w)
{
    std::vector<Procedure> rows = procedures(base);
    for (Procedure& p : rows)
        p.shownName = fitText(p.shownName, catalogue::NameLength, true);
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

// The user of each listed attachment as the snapshots show it: a CHAR name, padded.
Map<int64_t, std::string> shownUsers(Tables& base, bool showSystemTables, int length)
{
    Map<int64_t, std::string> users;
    for (const auto& [id, a] : base.listedAttachments(showSystemTables))
        if (!a->userNull)
            users[id] = fitText(a->user, length, true);
    return users;
}

void fillStatements(Tables& base, Writer& w, bool showSystemTables)
{
    const std::vector<StatementRow>& statements = base.statements(true);
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupStatement);
    const int user = w.column("TMP$USER");
    const Map<int64_t, std::string> users = shownUsers(base, showSystemTables, catalogue::NameLength);
    const Map<int64_t, const AttachmentRow*>& clients = base.listedAttachments(showSystemTables);
    const ClientColumns client(w);
    std::vector<const StatementRow*> order;
    for (const StatementRow& s : statements)
        if (memory.count(s.statId) && stats.count(s.statId))
            order.push_back(&s);
    auto userOf = [&](const StatementRow& s) { return find(users, s.attachmentId); };
    sortByText<StatementRow>(order, userOf, [](const StatementRow& s) { return s.id; });
    const int id = w.column("TMP$STATEMENT_ID"), attachment = w.column("TMP$ATTACHMENT_ID"),
              transaction = w.column("TMP$TRANSACTION_ID"), sqlText = w.column("TMP$SQL"),
              pool = w.column("TMP$POOL_ID"), poolMemory = w.column("TMP$POOL_MEMORY"),
              time = w.column("TMP$TIMESTAMP"), state = w.column("TMP$STATE"), elapsed = w.column("ELAPSED_TIME"),
              timeout = w.column("STATEMENT_TIMEOUT"), timer = w.column("STATEMENT_TIMER");
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
        w.text(state, statementState(s->state));
        w.integer(timeout, s->timeout);
        w.timestamp(timer, s->timer);
        counters.write(w, stats.at(s->statId));
        client.write(w, clients, s->attachmentId);
        w.end();
    }
}

void fillRelations(Tables& base, Writer& w, bool showSystemTables)
{
    const std::vector<RelationRow>& relations = base.relations();
    const Map<std::string, Counters>& stats = base.tableStatistics();
    const Map<int64_t, int64_t>& pointerPages = base.pointerPages();
    std::vector<std::pair<std::string, const RelationRow*>> order;
    for (const RelationRow& r : relations)
        if (showSystemTables || !isSystemRelationName(r.name))
            order.emplace_back(fitText(r.name, catalogue::NameLength, true), &r);
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

void fillTransactions(Tables& base, Writer& w, bool showSystemTables)
{
    const std::vector<TransactionRow>& transactions = base.transactions();
    const Map<int64_t, Memory>& memory = base.memory();
    const Map<int64_t, Counters>& stats = base.statistics(GroupTransaction);
    const Map<int64_t, std::string> users = shownUsers(base, showSystemTables, catalogue::NameLength);
    const Map<int64_t, const AttachmentRow*>& clients = base.listedAttachments(showSystemTables);
    std::vector<const TransactionRow*> order;
    for (const TransactionRow& x : transactions)
        if (memory.count(x.statId) && stats.count(x.statId))
            order.push_back(&x);
    auto userOf = [&](const TransactionRow& x) { return find(users, x.attachmentId); };
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
        w.text(state, objectState(x->state));
        w.timestamp(time, x->timestamp);
        w.real(elapsed, x->elapsed);
        w.text(isolation, codeText(x->isolation, {"CONSISTENCY", "CONCURRENCY", "READ_COMMITTED_REC_VERSION",
                                                  "READ_COMMITTED_NO_REC_VERSION", "READ_CONSISTENCY"}));
        w.text(readOnly, x->readOnly == 1 ? "Y" : "N");
        w.integer(snapshot, x->oldestActive);
        w.text(noWait, x->lockTimeout == 0 ? "Y" : "N");
        w.integer(pool, x->statId);
        w.counter(poolMemory, memory.at(x->statId).used);
        w.text(written, c.inserts + c.updates + c.deletes > 0 ? "Y" : "N");
        counters.write(w, c);
        client.write(w, clients, x->attachmentId);
        w.end();
    }
}

void fillAttachments(Tables& base, Writer& w, bool showSystemTables)
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
    const Map<int64_t, std::string> users = shownUsers(base, showSystemTables, catalogue::NameLength);
    std::vector<const AttachmentRow*> order;
    for (const AttachmentRow& a : attachments)
        if ((showSystemTables || !a.system) && memory.count(a.statId) && stats.count(a.statId))
            order.push_back(&a);
    auto userOf = [&](const AttachmentRow& a) { return find(users, a.id); };
    sortByText<AttachmentRow>(order, userOf, [](const AttachmentRow& a) { return a.id; });
    const int id = w.column("TMP$ATTACHMENT_ID"), database = w.column("TMP$DATABASE_ID"),
              user = w.column("TMP$USER"), host = w.column("TMP$USER_HOST"), ip = w.column("TMP$USER_IP_ADDR"),
              process = w.column("TMP$USER_PROCESS"), time = w.column("TMP$TIMESTAMP"),
              pool = w.column("TMP$POOL_ID"), poolMemory = w.column("TMP$POOL_MEMORY"),
              statementsColumn = w.column("TMP$STATEMENTS"), transactionsColumn = w.column("TMP$TRANSACTIONS"),
              state = w.column("TMP$STATE");
    const CounterColumns counters(w);
    const SessionColumns session(w, false);
    for (const AttachmentRow* a : order) {
        w.begin();
        w.integer(id, a->id);
        w.integer(database, 1);
        if (const std::string* u = userOf(*a))
            w.text(user, *u);
        if (!a->hostNull)
            w.text(host, a->host);
        if (!a->addressNull)
            w.text(ip, std::string_view(a->address).substr(0, a->address.find('/')));
        w.integer(process, a->remote ? a->remotePid : a->serverPid);
        w.timestamp(time, a->timestamp);
        w.integer(pool, a->statId);
        w.counter(poolMemory, memory.at(a->statId).used);
        const int64_t* statementsOf = find(statementCount, a->id);
        w.counter(statementsColumn, statementsOf ? *statementsOf : 0);
        const int64_t* transactionsOf = find(transactionCount, a->id);
        w.counter(transactionsColumn, transactionsOf ? *transactionsOf : 0);
        w.text(state, objectState(a->state));
        counters.write(w, stats.at(a->statId));
        session.write(w, *a);
        w.end();
    }
}

}  // namespace

void FirebirdSource::fill(const Snapshot& snapshot, RowStore& rows, ib::TransactionComponent& transaction,
                          bool showSystemTables)
{
    m_reader->learnServer(transaction);
    Tables base(*m_tick, *m_reader, transaction);
    Writer w(snapshot, rows);
    const SnapshotId id = snapshot.decl().id;
    switch (id) {
    case SnapshotId::Database: fillDatabase(base, w, showSystemTables); break;
    case SnapshotId::Pools: fillPools(base, w); break;
    case SnapshotId::PoolBlocks: break;  // Firebird does not report its memory blocks by kind
    case SnapshotId::Procedures: fillProcedures(base, w); break;
    case SnapshotId::Statements: fillStatements(base, w, showSystemTables); break;
    case SnapshotId::Relations: fillRelations(base, w, showSystemTables); break;
    case SnapshotId::Transactions: fillTransactions(base, w, showSystemTables); break;
    case SnapshotId::Attachments: fillAttachments(base, w, showSystemTables); break;
    }
    // what this server's release lacks
    const auto markAbsent = [&](const char* column, const char* source) {
        if (!m_reader->has(source))
            rows.setAbsent(snapshot.requireColumn(QLatin1String(column)));
    };
    for (const ReleaseColumn& c : kReleaseColumns)
        if (c.snapshot == id)
            markAbsent(c.column, c.source);
    for (const SessionColumn& c : kSessionColumns) {
        if (id == SnapshotId::Attachments)
            markAbsent(c.user, c.source);
        else if (id == SnapshotId::Statements || id == SnapshotId::Transactions)
            markAbsent(c.client, c.source);
    }
}

void FirebirdSource::forgetServer() noexcept
{
    forget();
    m_reader->forgetServer();
}

std::optional<std::string> FirebirdSource::statementPlan(qint64 statementId, ib::TransactionComponent& transaction)
{
    std::optional<std::string> plan;
    m_reader->run(Reader::qPlan, transaction, {statementId}, [&](ib::Statement& st) {
        if (!st.isNull(0))
            plan = fssToUtf8(st.rawText(0));
    });
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

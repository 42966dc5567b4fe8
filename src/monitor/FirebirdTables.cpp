#include "monitor/FirebirdTables.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "ib/Statement.h"
#include "monitor/FirebirdSQL.h"

using namespace fbtables;
namespace sql = monitorsql::firebird;

namespace {

const sql::Query& queryOf(FirebirdSource::Reader::Query q)
{
    using R = FirebirdSource::Reader;
    switch (q) {
    case R::qDatabase: return sql::Database;
    case R::qAttachments: return sql::Attachments;
    case R::qStatementsBrief: return sql::StatementsBrief;
    case R::qStatementsFull: return sql::StatementsFull;
    case R::qStatementLongTexts: return sql::StatementLongTexts;
    case R::qTransactions: return sql::Transactions;
    case R::qMemory: return sql::Memory;
    case R::qStatistics: return sql::GroupStatistics;
    case R::qCalls: return sql::ProcedureCalls;
    case R::qTableStatistics: return sql::TableStatistics;
    case R::qRelations: return sql::Relations;
    case R::qPointerPages: return sql::PointerPages;
    case R::qMetadataCounts: return sql::MetadataCounts;
    case R::qPlan: return sql::StatementPlan;
    case R::qCount: break;
    }
    return sql::MetadataCounts;
}

}  // namespace

void FirebirdSource::Reader::learnServer(ib::TransactionComponent& transaction)
{
    if (m_server)
        return;
    ib::StatementComponent& any = statements[qDatabase];
    if (!any.database() || !any.database()->isConnected())
        throw Exception(msg::NotAttached);
    std::unordered_set<std::string> names;
    ib::Statement st;
    st.prepare(any.database()->attachment(), transaction.transaction(), sql::ServerColumns,
               any.database()->sqlDialect());
    st.execute(transaction.transaction());
    while (st.fetch()) {
        const std::string_view column = st.rawText(0);
        names.emplace(column);
        names.emplace(column.substr(0, column.find('.')));
    }
    st.closeCursor();
    m_server = std::move(names);
}

bool FirebirdSource::Reader::has(std::string_view name) const
{
    return m_server && m_server->count(std::string(name)) > 0;
}

std::string FirebirdSource::Reader::text(Query q) const
{
    return sql::text(queryOf(q), [this](std::string_view name) { return has(name); });
}

void FirebirdSource::Reader::run(Query q, ib::TransactionComponent& transaction, std::initializer_list<int64_t> params,
                                 const std::function<void(ib::Statement&)>& row)
{
    ib::StatementComponent& component = statements[q];
    if (!component.statement().isPrepared()) {
        learnServer(transaction);
        const std::string sqlText = text(q);
        if (sqlText.empty())
            return;
        component.prepare(transaction, sqlText);
    }
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

// The record counters from column first on, in the order of FirebirdSQL.h's RecordCounterItems;
// a counter the server leaves NULL counts as none.
int readRecordCounters(const ib::Statement& st, int first, Counters& c)
{
    for (int64_t* f : {&c.seqReads, &c.idxReads, &c.inserts, &c.updates, &c.deletes, &c.backouts, &c.purges,
                       &c.expunges})
        *f = optInt(st, first++).value_or(0);
    return first;
}

// A statistics group's counters from column first on: the page counters, the record counters,
// the conflicts and waits.
Counters readCounters(const ib::Statement& st, int first)
{
    Counters c;
    for (int64_t* f : {&c.pageReads, &c.pageWrites, &c.pageFetches, &c.pageMarks})
        *f = optInt(st, first++).value_or(0);
    first = readRecordCounters(st, first, c);
    for (int64_t* f : {&c.conflicts, &c.waits})
        *f = optInt(st, first++).value_or(0);
    return c;
}

}  // namespace

Tables::Tables(FirebirdSource::Tick& tick, FirebirdSource::Reader& reader, ib::TransactionComponent& tr)
    : t(tick), r(reader), tr(tr)
{
}

const DatabaseRow& Tables::database()
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
            d.cryptState = optInt(st, 10);
            d.replicaMode = optInt(st, 11);
        });
        t.database = std::move(d);
    }
    return *t.database;
}

const std::vector<AttachmentRow>& Tables::attachments()
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
            a.idleTimeout = optInt(st, 12);
            a.statementTimeout = optInt(st, 13);
            a.wireEncrypted = optInt(st, 14);
            a.wireCompressed = optInt(st, 15);
            a.timeZone = optText(st, 16);
            rows.push_back(std::move(a));
        });
        t.attachments = std::move(rows);
    }
    return *t.attachments;
}

const std::vector<StatementRow>& Tables::statements(bool full)
{
    if (!t.statements || (full && !t.statementsFull)) {
        std::vector<StatementRow> rows;
        Map<int64_t, size_t> longTexts;  // statement number: row
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
                      s.timeout = optInt(st, 8);
                      s.timer = optTimestamp(st, 9);
                      if (!s.sql && !st.isNull(10))
                          longTexts.emplace(s.id, rows.size());
                  }
                  rows.push_back(std::move(s));
              });
        if (!longTexts.empty())
            r.run(FirebirdSource::Reader::qStatementLongTexts, tr, {}, [&](ib::Statement& st) {
                const auto row = longTexts.find(st.asInt64(0));
                if (row != longTexts.end())
                    rows[row->second].sql = optText(st, 1);
            });
        t.statements = std::move(rows);
        t.statementsFull = full;
    }
    return *t.statements;
}

const Map<int64_t, Counters>& Tables::statistics(Group group)
{
    auto& slot = t.statistics[static_cast<size_t>(group)];
    if (!slot) {
        Map<int64_t, Counters> m;
        r.run(FirebirdSource::Reader::qStatistics, tr, {group, group},
              [&](ib::Statement& st) { m[st.asInt64(0)] = readCounters(st, 1); });
        slot = std::move(m);
    }
    return *slot;
}

const std::vector<TransactionRow>& Tables::transactions()
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

const Map<int64_t, Memory>& Tables::memory()
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

const std::vector<CallRow>& Tables::calls()
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

const Map<std::string, Counters>& Tables::tableStatistics()
{
    if (!t.tableStatistics) {
        Map<std::string, Counters> m;
        r.run(FirebirdSource::Reader::qTableStatistics, tr, {}, [&](ib::Statement& st) {
            Counters c;
            readRecordCounters(st, 1, c);
            m[text(st, 0)] += c;
        });
        t.tableStatistics = std::move(m);
    }
    return *t.tableStatistics;
}

const std::vector<RelationRow>& Tables::relations()
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

const Map<int64_t, int64_t>& Tables::pointerPages()
{
    if (!t.pointerPages) {
        Map<int64_t, int64_t> m;
        r.run(FirebirdSource::Reader::qPointerPages, tr, {},
              [&](ib::Statement& st) { m[st.asInt64(0)] = st.asInt64(1); });
        t.pointerPages = std::move(m);
    }
    return *t.pointerPages;
}

std::pair<int64_t, int64_t> Tables::metadataCounts()
{
    if (!t.metadataCounts) {
        std::pair<int64_t, int64_t> counts{0, 0};
        r.run(FirebirdSource::Reader::qMetadataCounts, tr, {},
              [&](ib::Statement& st) { counts = {st.asInt64(0), st.asInt64(1)}; });
        t.metadataCounts = counts;
    }
    return *t.metadataCounts;
}

const Map<int64_t, const AttachmentRow*>& Tables::listedAttachments(bool withSystem)
{
    if (!t.listedAttachments || t.listedWithSystem != withSystem) {
        Map<int64_t, const AttachmentRow*> m;
        for (const AttachmentRow& a : attachments())
            if (withSystem || !a.system)
                m[a.id] = &a;
        t.listedAttachments = std::move(m);
        t.listedWithSystem = withSystem;
    }
    return *t.listedAttachments;
}

// ---- texts ----------------------------------------------------------------------------------------

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

#include "history/HistoryReader.h"

#include "common/Messages.h"
#include "history/HistorySQL.h"
#include "ib/Values.h"
#include "monitor/RowStore.h"
#include "monitor/Snapshot.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

using catalogue::SnapshotId;

namespace history {

namespace {

QDateTime timeOf(int64_t ms) { return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC); }

uint64_t readVarint(std::string_view bytes, size_t& at)
{
    uint64_t v = 0;
    for (int shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
        const auto b = static_cast<unsigned char>(bytes[at++]);
        v |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80))
            return v;
    }
    throw DamagedRow();
}

QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

HistoryReader::HistoryReader(HistoryStore& store) : m_store(store)
{
    for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots())
        m_codecs.push_back(std::make_unique<RowCodec>(decl));
}

HistoryReader::~HistoryReader() = default;

void HistoryReader::damaged() const
{
    throw EStoreError(QString::fromUtf8(msg::HistoryRowDamaged).arg(m_store.fileName()), SQLITE_CORRUPT);
}

std::vector<MomentInfo> HistoryReader::moments()
{
    std::vector<MomentInfo> out;
    SqliteStatement st(m_store.db(), historysql::MomentList);
    while (st.step())
        out.push_back({st.integer(0), timeOf(st.integer(1))});
    return out;
}

std::optional<int64_t> HistoryReader::momentAt(const QDateTime& time)
{
    SqliteStatement st(m_store.db(), historysql::MomentAtOrBefore);
    st.bind(1, static_cast<int64_t>(time.toMSecsSinceEpoch()));
    return st.step() ? st.optInteger(0) : std::nullopt;
}

std::optional<MomentInfo> HistoryReader::moment(int64_t id)
{
    SqliteStatement st(m_store.db(), historysql::MomentById);
    st.bind(1, id);
    if (!st.step())
        return std::nullopt;
    return MomentInfo{st.integer(0), timeOf(st.integer(1))};
}

HistoryReader::MomentRow HistoryReader::momentRow(int64_t id)
{
    SqliteStatement st(m_store.db(), historysql::MomentById);
    st.bind(1, id);
    if (!st.step())
        throw EStoreError(QString::fromUtf8(msg::HistoryMomentGone).arg(id), SQLITE_NOTFOUND);
    MomentRow m;
    m.id = id;
    m.charset = fromUtf8(st.text(3));
    m.statementsNow = st.optInteger(4);
    m.transactionsNow = st.optInteger(5);
    return m;
}

std::string HistoryReader::textBytes(int64_t id)
{
    if (const auto it = m_texts.find(id); it != m_texts.end())
        return it->second;
    SqliteStatement st(m_store.db(), historysql::TextById);
    st.bind(1, id);
    std::string body = st.step() ? std::string(st.text(0)) : std::string();
    m_texts[id] = body;
    return body;
}

QString HistoryReader::text(int64_t id) { return QString::fromStdString(textBytes(id)); }

RowStore HistoryReader::rows(int64_t moment, const catalogue::SnapshotDecl& decl)
{
    const MomentRow m = momentRow(moment);
    const RowCodec& codec = *m_codecs[static_cast<size_t>(decl.id)];
    RowStore out(decl.columns);
    try {
        if (keepingOf(decl.id) == Keeping::PerMoment) {
            SqliteStatement st(m_store.db(), historysql::MomentRows);
            st.bind(1, moment).bind(2, static_cast<int64_t>(decl.id));
            if (st.step())
                codec.decodeAll(st.blob(0), out);
            return out;
        }
        const std::optional<int64_t> now = decl.id == SnapshotId::Statements     ? m.statementsNow
                                           : decl.id == SnapshotId::Transactions ? m.transactionsNow
                                                                                 : std::nullopt;
        // the alive objects' rows as stored, then decoded in the source's (or the recorded) order
        struct Stored {
            int64_t id;
            std::string first, version;
            std::optional<int64_t> text;
        };
        std::vector<Stored> stored;
        SqliteStatement st(m_store.db(), historysql::AliveObjects);
        st.bind(1, static_cast<int64_t>(decl.id)).bind(2, moment);
        while (st.step())
            stored.push_back({st.integer(0), std::string(st.blob(1)), std::string(st.blob(3)), st.optInteger(2)});
        auto decode = [&](const Stored& s, RowStore& into) {
            const std::string body = s.text ? textBytes(*s.text) : std::string();
            codec.decode(s.first, s.version, now, body, into);
        };
        std::vector<size_t> order(stored.size());
        SqliteStatement recorded(m_store.db(), historysql::MomentOrder);
        recorded.bind(1, moment).bind(2, static_cast<int64_t>(decl.id));
        if (recorded.step()) {
            std::unordered_map<int64_t, size_t> index;
            for (size_t i = 0; i < stored.size(); ++i)
                index[stored[i].id] = i;
            const std::string_view ids = recorded.blob(0);
            order.clear();
            for (size_t at = 0; at < ids.size();) {
                const auto it = index.find(static_cast<int64_t>(readVarint(ids, at)));
                if (it == index.end())
                    damaged();
                order.push_back(it->second);
            }
        } else {
            RowStore unordered(decl.columns);
            for (const Stored& s : stored)
                decode(s, unordered);
            const std::vector<int> sorted = sourceOrder(decl, unordered);
            std::transform(sorted.begin(), sorted.end(), order.begin(), [](int i) { return static_cast<size_t>(i); });
        }
        for (const size_t i : order)
            decode(stored[i], out);
    } catch (const DamagedRow&) {
        damaged();
    }
    return out;
}

void HistoryReader::fill(int64_t moment, Snapshot& snapshot)
{
    RowStore fresh = rows(moment, snapshot.decl());
    snapshot.setTextDecoder(ib::TextDecoder(momentRow(moment).charset));
    snapshot.replaceRows(std::move(fresh));
}

QString HistoryReader::statementPlan(int64_t moment, int64_t statementId)
{
    // the statement's object alive at the moment, by its key (the key column's byte form)
    std::string key(1 + sizeof statementId, 'I');
    std::memcpy(key.data() + 1, &statementId, sizeof statementId);
    SqliteStatement st(m_store.db(), historysql::PlanOfStatement);
    st.bind(1, static_cast<int64_t>(SnapshotId::Statements)).bindBlob(2, key).bind(3, moment);
    return st.step() && !st.isNull(0) ? text(st.integer(0)) : QString();
}

std::vector<RanStatement> HistoryReader::ranBetween(int64_t from, int64_t to, int limit)
{
    std::vector<RanStatement> out;
    const catalogue::SnapshotDecl& decl = catalogue::snapshotDecl(SnapshotId::Statements);
    const RowCodec& codec = *m_codecs[static_cast<size_t>(SnapshotId::Statements)];
    RowStore rows(decl.columns);
    auto column = [&](const char* name) {
        for (size_t c = 0; c < decl.columns.size(); ++c)
            if (std::string_view(name) == decl.columns[c].name)
                return static_cast<int>(c);
        return -1;
    };
    const int id = column("TMP$STATEMENT_ID"), attachment = column("TMP$ATTACHMENT_ID"), user = column("TMP$USER"),
              host = column("CLIENT_HOST"), program = column("CLIENT_PROGRAM"), process = column("CLIENT_PROCESS_ID");
    SqliteStatement st(m_store.db(), historysql::RanBetween);
    st.bind(1, from).bind(2, to).bind(3, static_cast<int64_t>(SnapshotId::Statements)).bind(4, static_cast<int64_t>(limit));
    std::vector<std::pair<int64_t, int64_t>> runs;
    while (st.step()) {
        try {
            codec.decode(st.blob(1), {}, std::nullopt, {}, rows);
        } catch (const DamagedRow&) {
            damaged();
        }
        const int r = rows.rowCount() - 1;
        RanStatement s;
        s.statementId = rows.isNull(r, id) ? 0 : rows.intValue(r, id);
        s.attachmentId = rows.isNull(r, attachment) ? 0 : rows.intValue(r, attachment);
        s.user = fromUtf8(ib::trimRight(rows.text(r, user)));
        s.clientHost = fromUtf8(rows.text(r, host));
        s.clientProgram = fromUtf8(rows.text(r, program));
        if (!rows.isNull(r, process))
            s.clientProcessId = rows.intValue(r, process);
        if (!st.isNull(2))
            s.sql = text(st.integer(2));
        if (!st.isNull(3))
            s.plan = text(st.integer(3));
        runs.emplace_back(st.integer(4), st.integer(5));
        s.elapsedDays = st.real(6);
        out.push_back(std::move(s));
    }
    for (size_t i = 0; i < out.size(); ++i) {
        if (const auto m = moment(runs[i].first))
            out[i].firstSeenRunning = m->taken;
        if (const auto m = moment(runs[i].second))
            out[i].lastSeenRunning = m->taken;
    }
    return out;
}

std::vector<TimelinePoint> HistoryReader::timeline(int64_t from, int64_t to)
{
    std::vector<TimelinePoint> out;
    SqliteStatement st(m_store.db(), historysql::Timeline);
    st.bind(1, from).bind(2, to);
    int64_t previousSession = -1, previousTaken = 0;
    std::optional<int64_t> previousReads;
    auto gap = [](std::optional<int64_t> a, std::optional<int64_t> b) {
        return a && b ? std::optional<int64_t>(*a - *b) : std::nullopt;
    };
    while (st.step()) {
        TimelinePoint p;
        p.moment = st.integer(0);
        const int64_t taken = st.integer(1);
        const int64_t session = st.integer(2);
        p.taken = timeOf(taken);
        p.attachments = st.optInteger(3);
        p.activeStatements = st.optInteger(4);
        const auto next = st.optInteger(5), interesting = st.optInteger(6), active = st.optInteger(7),
                   snapshot = st.optInteger(8), reads = st.optInteger(9);
        p.activeGap = gap(next, active);
        p.interestingGap = gap(active, interesting);
        p.snapshotGap = gap(next, snapshot);
        if (session == previousSession && reads && previousReads && *reads >= *previousReads && taken > previousTaken)
            p.pageReadsPerSecond = static_cast<double>(*reads - *previousReads) * 1000.0 / static_cast<double>(taken - previousTaken);
        p.memory = st.optInteger(10);
        previousSession = session;
        previousTaken = taken;
        previousReads = reads;
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace history

#include "history/HistoryWriter.h"

#include "history/HistorySQL.h"
#include "ib/Values.h"
#include "monitor/Snapshot.h"

#include <QLatin1String>

using catalogue::SnapshotId;

namespace history {

uint64_t textHash(std::string_view text)
{
    uint64_t h = 1469598103934665603ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h == 0 ? 1 : h;
}

// The prepared statements of a writing pass.
struct HistoryWriter::Statements {
    explicit Statements(SqliteDb& db)
        : insertMoment(db, historysql::InsertMoment), insertRows(db, historysql::InsertMomentRows),
          insertOrder(db, historysql::InsertMomentOrder), insertObject(db, historysql::InsertObject),
          endObject(db, historysql::EndObject), insertVersion(db, historysql::InsertVersion),
          firstRun(db, historysql::FirstRun), goOnRunning(db, historysql::GoOnRunning),
          findText(db, historysql::FindText), insertText(db, historysql::InsertText)
    {
    }
    SqliteStatement insertMoment, insertRows, insertOrder, insertObject, endObject, insertVersion, firstRun,
        goOnRunning, findText, insertText;
};

namespace {

std::optional<int64_t> intColumn(const Snapshot& s, const char* name)
{
    const int c = s.columnIndex(QLatin1String(name));
    if (c < 0 || s.rowCount() == 0 || s.isNull(0, c))
        return std::nullopt;
    return s.intValue(0, c);
}

bool runningState(const Snapshot& s, int row, int stateColumn)
{
    return stateColumn >= 0 && !s.isNull(row, stateColumn) && ib::trimRight(s.rawText(row, stateColumn)) == "ACTIVE";
}

}  // namespace

HistoryWriter::HistoryWriter(HistoryStore& store) : m_store(store), m_st(std::make_unique<Statements>(store.db()))
{
    for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots())
        m_kinds.push_back(std::make_unique<Kind>(decl));
}

HistoryWriter::~HistoryWriter() = default;

std::vector<std::string> HistoryWriter::keysOf(const Snapshot& snapshot)
{
    // a key seen twice in one pass (two procedures without a number, say) gets its occurrence
    std::vector<std::string> keys;
    std::unordered_map<std::string, int> seen;
    for (int r = 0; r < snapshot.rowCount(); ++r) {
        std::string key = snapshot.keyOf(r);
        if (const int n = seen[key]++; n > 0)
            key += "#" + std::to_string(n);
        keys.push_back(std::move(key));
    }
    return keys;
}

std::vector<int64_t> HistoryWriter::newlyRunning(const Snapshot& statements) const
{
    std::vector<int64_t> out;
    const Kind& kind = *m_kinds[static_cast<size_t>(SnapshotId::Statements)];
    const int state = statements.columnIndex(QStringLiteral("TMP$STATE"));
    const int id = statements.keyColumn();
    const int sql = kind.codec.longTextColumn();
    const std::vector<std::string> keys = keysOf(statements);
    for (int r = 0; r < statements.rowCount(); ++r) {
        if (!runningState(statements, r, state) || statements.isNull(r, id))
            continue;
        const auto it = m_inSession ? kind.alive.find(keys[static_cast<size_t>(r)]) : kind.alive.end();
        const uint64_t hash = sql >= 0 && !statements.isNull(r, sql) ? textHash(statements.rawText(r, sql)) : 0;
        if (it == kind.alive.end() || !it->second.ran || it->second.sqlHash != hash)
            out.push_back(statements.intValue(r, id));
    }
    return out;
}

void HistoryWriter::endSession()
{
    m_inSession = false;
    for (auto& kind : m_kinds)
        kind->alive.clear();
    m_texts.clear();
}

void HistoryWriter::beginSession()
{
    // what a writer before left alive ends at the last moment it wrote
    const int64_t last = m_store.db().scalar(historysql::LastMoment).value_or(0);
    SqliteStatement close(m_store.db(), historysql::CloseOpenObjects);
    close.bind(1, last).bind(2, StillAlive).run();
    m_session = m_store.db().scalar(historysql::LastSession).value_or(0) + 1;
    m_lastMoment = last;
}

int64_t HistoryWriter::textId(std::string_view body)
{
    const uint64_t hash = textHash(body);
    if (const auto it = m_texts.find(hash); it != m_texts.end())
        return it->second;
    const auto stored = static_cast<int64_t>(hash);
    int64_t id = 0;
    SqliteStatement& find = m_st->findText;
    find.bind(1, stored);
    while (find.step())
        if (find.text(1) == body) {
            id = find.integer(0);
            break;
        }
    find.reset();
    if (id == 0) {
        m_st->insertText.bind(1, stored).bind(2, body).run();
        id = m_store.db().lastInsertId();
        m_lastPassBytes += body.size();
    }
    m_texts[hash] = id;
    return id;
}

int64_t HistoryWriter::write(const PassSnapshots& snapshots, const std::map<int64_t, std::string>& plans,
                             const QDateTime& taken)
{
    m_lastPassBytes = 0;
    try {
        SqliteTransaction transaction(m_store.db());
        if (!m_inSession)
            beginSession();
        const Snapshot& database = *snapshots[static_cast<size_t>(SnapshotId::Database)];
        const auto nowOf = [&](SnapshotId id) {
            return m_kinds[static_cast<size_t>(id)]->codec.serverTime(snapshots[static_cast<size_t>(id)]->rows());
        };
        const std::optional<int64_t> statementsNow = nowOf(SnapshotId::Statements);
        const std::optional<int64_t> transactionsNow = nowOf(SnapshotId::Transactions);
        SqliteStatement& moment = m_st->insertMoment;
        moment.bind(1, static_cast<int64_t>(taken.toMSecsSinceEpoch()))
            .bind(2, m_session)
            .bind(3, database.textDecoder().characterSet().toStdString())
            .bind(4, statementsNow)
            .bind(5, transactionsNow)
            .bind(6, intColumn(database, "TMP$ATTACHMENTS"))
            .bind(7, intColumn(database, "TMP$ACTIVE_THREADS"))
            .bind(8, intColumn(database, "TMP$NEXT_TRANSACTION"))
            .bind(9, intColumn(database, "TMP$OLDEST_INTERESTING"))
            .bind(10, intColumn(database, "TMP$OLDEST_ACTIVE"))
            .bind(11, intColumn(database, "TMP$OLDEST_SNAPSHOT"))
            .bind(12, intColumn(database, "TMP$PAGE_READS"))
            .bind(13, intColumn(database, "TMP$CURRENT_MEMORY"));
        moment.run();
        const int64_t id = m_store.db().lastInsertId();
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
            const Snapshot& snapshot = *snapshots[static_cast<size_t>(decl.id)];
            Kind& kind = *m_kinds[static_cast<size_t>(decl.id)];
            if (keepingOf(decl.id) == Keeping::PerMoment) {
                const std::string rows = kind.codec.encodeAll(snapshot.rows());
                m_st->insertRows.bind(1, id).bind(2, static_cast<int64_t>(decl.id)).bindBlob(3, rows).run();
                m_lastPassBytes += rows.size();
            } else {
                writeLifetimes(kind, snapshot, id,
                               decl.id == SnapshotId::Statements     ? statementsNow
                               : decl.id == SnapshotId::Transactions ? transactionsNow
                                                                     : std::nullopt,
                               plans);
            }
        }
        transaction.commit();
        m_inSession = true;
        m_lastMoment = id;
        return id;
    } catch (...) {
        // what was kept in memory may hold what the store does not: begin anew
        endSession();
        throw;
    }
}

void HistoryWriter::writeLifetimes(Kind& kind, const Snapshot& snapshot, int64_t moment, std::optional<int64_t> now,
                                   const std::map<int64_t, std::string>& plans)
{
    const catalogue::SnapshotDecl& decl = snapshot.decl();
    const bool statements = decl.id == SnapshotId::Statements;
    const int sql = kind.codec.longTextColumn();
    const int state = statements ? snapshot.columnIndex(QStringLiteral("TMP$STATE")) : -1;
    const int elapsed = kind.codec.elapsedColumn();
    const std::vector<std::string> keys = keysOf(snapshot);
    std::vector<int64_t> objects(keys.size());
    EncodedRow row;
    for (int r = 0; r < snapshot.rowCount(); ++r) {
        const std::string& key = keys[static_cast<size_t>(r)];
        kind.codec.encode(snapshot.rows(), r, now, row);
        const bool hasSql = sql >= 0 && !snapshot.isNull(r, sql);
        const uint64_t hash = hasSql ? textHash(snapshot.rawText(r, sql)) : 0;
        auto it = kind.alive.find(key);
        if (it != kind.alive.end() && it->second.sqlHash != hash) {
            // another text under the same number: another statement
            m_st->endObject.bind(1, it->second.id).bind(2, m_lastMoment).run();
            kind.alive.erase(it);
            it = kind.alive.end();
        }
        if (it == kind.alive.end()) {
            SqliteStatement& insert = m_st->insertObject;
            insert.bind(1, static_cast<int64_t>(decl.id)).bindBlob(2, key).bind(3, moment).bind(4, StillAlive)
                .bindBlob(5, row.bytes);
            if (hasSql)
                insert.bind(6, textId(snapshot.rawText(r, sql)));
            insert.run();
            Alive a;
            a.id = m_store.db().lastInsertId();
            a.first = row;
            a.sqlHash = hash;
            it = kind.alive.emplace(key, std::move(a)).first;
            m_lastPassBytes += row.bytes.size() + key.size();
        } else {
            std::string version = RowCodec::delta(it->second.first, row);
            if (version != it->second.version) {
                m_st->insertVersion.bind(1, it->second.id).bind(2, moment).bindBlob(3, version).run();
                m_lastPassBytes += version.size() + 16;
                it->second.version = std::move(version);
            }
        }
        Alive& a = it->second;
        a.seen = moment;
        objects[static_cast<size_t>(r)] = a.id;
        if (runningState(snapshot, r, state)) {
            const double days = elapsed >= 0 && !snapshot.isNull(r, elapsed) ? snapshot.doubleValue(r, elapsed) : 0.0;
            if (!a.ran) {
                SqliteStatement& first = m_st->firstRun;
                first.bind(1, a.id).bind(2, moment).bind(3, days);
                const int key = snapshot.keyColumn();
                const auto plan = key >= 0 ? plans.find(snapshot.intValue(r, key)) : plans.end();
                if (plan != plans.end() && !plan->second.empty())
                    first.bind(4, textId(plan->second));
                first.run();
                a.ran = true;
            } else {
                m_st->goOnRunning.bind(1, a.id).bind(2, moment).bind(3, days).run();
            }
        }
    }
    // what was not seen has ended
    for (auto it = kind.alive.begin(); it != kind.alive.end();) {
        if (it->second.seen == moment) {
            ++it;
            continue;
        }
        m_st->endObject.bind(1, it->second.id).bind(2, m_lastMoment).run();
        it = kind.alive.erase(it);
    }
    // the order, when the source's rule does not give it
    const std::vector<int> order = sourceOrder(decl, snapshot.rows());
    bool ordered = true;
    for (size_t i = 0; i < order.size() && ordered; ++i)
        ordered = order[i] == static_cast<int>(i);
    if (!ordered) {
        std::string ids;
        for (const int64_t object : objects)
            putVarint(ids, static_cast<uint64_t>(object));
        m_st->insertOrder.bind(1, moment).bind(2, static_cast<int64_t>(decl.id)).bindBlob(3, ids).run();
        m_lastPassBytes += ids.size();
    }
}

}  // namespace history

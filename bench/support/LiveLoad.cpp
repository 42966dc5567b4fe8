#include "support/LiveLoad.h"

#include "common/Exception.h"
#include "common/ParamList.h"
#include "support/LiveServer.h"

#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr unsigned kDialect = 3;
// Seconds after which one attach to a server that does not answer gives up.
constexpr uint32_t kConnectTimeout = 10;

const char* const kWaitText = "UPDATE LIVE_ROW SET N = N + 1 WHERE ID = 1";
// A trillion rows: it runs until it is cancelled.
const char* const kBusyText =
    "WITH RECURSIVE R (N) AS (SELECT 1 FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM R WHERE N < 1000) "
    "SELECT COUNT(*) FROM R A, R B, R C, R D";
const char* const kIdleTexts[] = {"SELECT N FROM LIVE_ROW WHERE ID = ?", "SELECT COUNT(*) FROM RDB$RELATIONS"};

// read committed (record version), wait or nowait, read or write.
ib::ParamBlock readCommitted(bool readOnly, bool wait)
{
    ib::ParamBlock tpb;
    tpb.addByte(isc_tpb_version3).addByte(isc_tpb_read_committed).addByte(isc_tpb_rec_version);
    tpb.addByte(wait ? isc_tpb_wait : isc_tpb_nowait).addByte(readOnly ? isc_tpb_read : isc_tpb_write);
    return tpb;
}

void execute(ib::Attachment& att, ib::Transaction& tr, const std::string& sql)
{
    ib::Statement st;
    st.prepare(att, tr, sql, kDialect);
    st.execute(tr);
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

struct LiveLoad::Idle {
    ib::Attachment attachment;
    ib::Statement statements[2];
    ib::Transaction open;  // held open when the load's idle attachments hold transactions
};

struct LiveLoad::Runner {
    ib::Attachment attachment;
    int64_t id = 0;  // MON$ATTACHMENT_ID
    std::thread thread;
    std::atomic<bool> done = false;
    std::string error;  // read once done
};

const char* LiveLoad::waitText() { return kWaitText; }
const char* LiveLoad::busyText() { return kBusyText; }

LiveLoad::LiveLoad(const Connection& connection) : m_database(ib::toClientText(connection.database))
{
    ParamList params;
    params.setParam(QStringLiteral("user_name"), connection.user);
    params.setParam(QStringLiteral("password"), connection.password);
    m_dpb = ib::databaseParamBlock(params);
    const char timeout[4] = {static_cast<char>(kConnectTimeout & 0xFF), static_cast<char>((kConnectTimeout >> 8) & 0xFF),
                             static_cast<char>((kConnectTimeout >> 16) & 0xFF), static_cast<char>(kConnectTimeout >> 24)};
    m_dpb.addString1(isc_dpb_connect_timeout, std::string_view(timeout, 4));

    attach(m_control);
    if (scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'LIVE_ROW'") == 0) {
        ib::Transaction tr;
        tr.start(m_control, readCommitted(false, false));
        execute(m_control, tr, "CREATE TABLE LIVE_ROW (ID INTEGER NOT NULL PRIMARY KEY, N INTEGER)");
        tr.commit();
        tr.start(m_control, readCommitted(false, false));
        execute(m_control, tr, "INSERT INTO LIVE_ROW (ID, N) VALUES (1, 0)");
        tr.commit();
    }
    attach(m_holderAttachment);
    m_holder.start(m_holderAttachment, readCommitted(false, false));
    execute(m_holderAttachment, m_holder, kWaitText);
}

LiveLoad::~LiveLoad() { release(); }

void LiveLoad::attach(ib::Attachment& attachment) const { attachment.attach(m_database, m_dpb); }

int64_t LiveLoad::scalar(const std::string& sql)
{
    ib::Transaction tr;
    tr.start(m_control, readCommitted(true, false));
    ib::Statement st;
    st.prepare(m_control, tr, sql, kDialect);
    st.execute(tr);
    const int64_t value = st.fetch() && !st.isNull(0) ? st.asInt64(0) : 0;
    st.free();
    tr.commit();
    return value;
}

LiveLoad::Counts LiveLoad::counts()
{
    ib::Transaction tr;
    tr.start(m_control, readCommitted(true, false));
    ib::Statement st;
    st.prepare(m_control, tr,
               "SELECT (SELECT COUNT(*) FROM MON$ATTACHMENTS), (SELECT COUNT(*) FROM MON$STATEMENTS), "
               "(SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$STATE = 1), (SELECT COUNT(*) FROM MON$TRANSACTIONS) "
               "FROM RDB$DATABASE",
               kDialect);
    st.execute(tr);
    Counts c;
    if (st.fetch())
        c = {st.asInt64(0), st.asInt64(1), st.asInt64(2), st.asInt64(3)};
    st.free();
    tr.commit();
    return c;
}

std::unique_ptr<LiveLoad::Runner> LiveLoad::startRunner(const char* sql, bool wait)
{
    auto runner = std::make_unique<Runner>();
    attach(runner->attachment);
    {
        ib::Transaction tr;
        tr.start(runner->attachment, readCommitted(true, false));
        ib::Statement st;
        st.prepare(runner->attachment, tr, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE", kDialect);
        st.execute(tr);
        if (st.fetch())
            runner->id = st.asInt64(0);
        st.free();
        tr.commit();
    }
    Runner* r = runner.get();
    r->thread = std::thread([r, sql, wait] {
        try {
            ib::Transaction tr;
            tr.start(r->attachment, readCommitted(!wait, wait));
            ib::Statement st;
            st.prepare(r->attachment, tr, sql, kDialect);
            st.execute(tr);
            while (st.fetch()) {
            }
            st.free();
            tr.rollback();
        } catch (const std::exception& e) {
            r->error = e.what();
        }
        r->done = true;
    });
    return runner;
}

void LiveLoad::waitForActive(int64_t expected, Clock::time_point deadline, const QString& what)
{
    for (;;) {
        const int64_t active = scalar("SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$STATE = 1 "
                                      "AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
        if (active >= expected)
            return;
        for (const auto* runners : {&m_waiters, &m_busy})
            for (const auto& r : *runners)
                if (r->done)
                    throw Exception(QStringLiteral("a statement of the load (%1) ended: %2")
                                        .arg(what, QString::fromStdString(r->error)));
        if (Clock::now() > deadline)
            throw Exception(QStringLiteral("only %1 of %2 running statements (%3) show as active in MON$STATEMENTS "
                                           "within the time limit")
                                .arg(active)
                                .arg(expected)
                                .arg(what));
        std::this_thread::sleep_for(50ms);
    }
}

void LiveLoad::growTo(int idle, int waiters, std::chrono::seconds limit)
{
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + limit;
    const auto stalled = [&] {
        return Exception(QStringLiteral("attaching stalled: %1 of %2 idle attachments and %3 of %4 lock waiters "
                                        "after %5 s (limit %6 s)")
                             .arg(idleCount())
                             .arg(idle)
                             .arg(waiterCount())
                             .arg(waiters)
                             .arg(secondsSince(start), 0, 'f', 1)
                             .arg(limit.count()));
    };
    const auto attachFailed = [&](const std::exception& e) {
        return Exception(QStringLiteral("attachment %1 of the load failed after %2 s: %3")
                             .arg(idleCount() + waiterCount() + busyCount() + 1)
                             .arg(secondsSince(start), 0, 'f', 1)
                             .arg(QString::fromUtf8(e.what())));
    };
    while (idleCount() < idle) {
        if (Clock::now() > deadline)
            throw stalled();
        auto client = std::make_unique<Idle>();
        try {
            attach(client->attachment);
            ib::Transaction tr;
            tr.start(client->attachment, readCommitted(true, false));
            for (int i = 0; i < 2; ++i)
                client->statements[i].prepare(client->attachment, tr, kIdleTexts[i], kDialect);
            tr.commit();
            if (m_idleTransactions)
                client->open.start(client->attachment, readCommitted(true, false));
        } catch (const std::exception& e) {
            throw attachFailed(e);
        }
        m_idle.push_back(std::move(client));
    }
    while (waiterCount() < waiters) {
        if (Clock::now() > deadline)
            throw stalled();
        try {
            m_waiters.push_back(startRunner(kWaitText, true));
        } catch (const std::exception& e) {
            throw attachFailed(e);
        }
    }
    waitForActive(waiterCount() + busyCount(), deadline, QStringLiteral("lock waits"));
}

void LiveLoad::startBusy(int count, std::chrono::seconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (busyCount() < count)
        m_busy.push_back(startRunner(kBusyText, false));
    waitForActive(waiterCount() + busyCount(), deadline, QStringLiteral("busy statements"));
}

void LiveLoad::cancelBusy(bool disconnect)
{
    ib::Transaction tr;
    tr.start(m_control, readCommitted(false, false));
    ib::Statement st;
    st.prepare(m_control, tr,
               disconnect ? "DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = ?"
                          : "DELETE FROM MON$STATEMENTS WHERE MON$ATTACHMENT_ID = ? AND MON$STATE = 1",
               kDialect);
    for (const auto* runners : {&m_busy, &m_waiters})
        for (const auto& r : *runners)
            if (!r->done && (disconnect || runners == &m_busy)) {
                st.setInt64(0, r->id);
                st.execute(tr);
            }
    st.free();
    tr.commit();
}

void LiveLoad::release() noexcept
{
    // after a stop signal the server is gone and every step fails: nothing to tell
    const bool quiet = LiveServer::stopSignal() != 0;
    const auto warn = [quiet](const char* what, const std::exception& e) {
        if (!quiet)
            std::fprintf(stderr, "live_tick: %s: %s\n", what, e.what());
    };
    const auto allDone = [this] {
        for (const auto* runners : {&m_waiters, &m_busy})
            for (const auto& r : *runners)
                if (!r->done)
                    return false;
        return true;
    };
    // the holder lets go of the row: each waiter in turn updates it, rolls back and ends
    try {
        if (m_holder.isActive())
            m_holder.rollback();
    } catch (const std::exception& e) {
        warn("rolling back the holder of the row", e);
    }
    // the busy statements are cancelled, again until they have ended; after half a minute what is
    // still running is disconnected, after a minute it is left behind
    const Clock::time_point start = Clock::now();
    while (!allDone() && Clock::now() - start < 60s) {
        if (m_control.isAttached()) {
            try {
                cancelBusy(Clock::now() - start > 30s);
            } catch (const std::exception& e) {
                warn("cancelling the busy statements", e);
            }
        }
        for (int i = 0; i < 10 && !allDone(); ++i)
            std::this_thread::sleep_for(50ms);
    }
    for (auto* runners : {&m_waiters, &m_busy}) {
        for (auto& r : *runners) {
            if (!r->done) {
                if (!quiet)
                    std::fprintf(stderr, "live_tick: attachment %lld of the load did not end; left behind\n",
                                 static_cast<long long>(r->id));
                r->thread.detach();
                (void)r.release();  // its thread still uses it
                continue;
            }
            r->thread.join();
            if (!r->error.empty() && runners == &m_waiters && !quiet)
                std::fprintf(stderr, "live_tick: a lock waiter failed: %s\n", r->error.c_str());
            try {
                r->attachment.detach();
            } catch (const std::exception&) {
                // disconnected by the server
            }
        }
        runners->clear();
    }
    int failed = 0;
    std::string firstError;
    for (auto& client : m_idle) {
        for (ib::Statement& st : client->statements)
            st.free();
        client->open.endQuietly();
        try {
            client->attachment.detach();
        } catch (const std::exception& e) {
            if (failed++ == 0)
                firstError = e.what();
        }
    }
    if (failed > 0 && !quiet)
        std::fprintf(stderr, "live_tick: %d idle attachments failed to detach, the first with: %s\n", failed,
                     firstError.c_str());
    m_idle.clear();
    for (ib::Attachment* att : {&m_holderAttachment, &m_control}) {
        try {
            if (att->isAttached())
                att->detach();
        } catch (const std::exception& e) {
            warn("detaching", e);
        }
    }
}

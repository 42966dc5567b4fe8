#include "Workload.h"

#include "common/Exception.h"
#include "ib/Statement.h"

#include <algorithm>
#include <optional>
#include <random>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Workload::Client {
    const char* name;
    Isolation isolation;
    void (Workload::*round)(Client&, WorkloadSession&);
    std::thread thread;
    // guarded by Workload::m_mutex
    int64_t attachmentId = 0;
    bool started = false;  // attached once, or failed to
    bool ended = false;
    std::optional<QString> startError;
};

Workload::Workload(WorkloadConnection connection, WorkloadOptions options, Log log)
    : m_connection(std::move(connection)), m_options(options), m_log(std::move(log))
{
}

Workload::~Workload() { stop(); }

QString Workload::description() const
{
    QStringList parts;
    for (const auto& c : m_clients)
        parts << QStringLiteral("%1 (%2)").arg(QLatin1String(c->name), QLatin1String(isolationText(c->isolation)));
    return parts.join(QStringLiteral(", "));
}

std::vector<int64_t> Workload::attachmentIds() const
{
    std::lock_guard lock(m_mutex);
    std::vector<int64_t> ids;
    for (const auto& c : m_clients)
        if (c->attachmentId != 0)
            ids.push_back(c->attachmentId);
    return ids;
}

QStringList Workload::failures() const
{
    std::lock_guard lock(m_mutex);
    return m_failures;
}

void Workload::report(const Client& client, const QString& text)
{
    std::lock_guard lock(m_mutex);
    const QString line = QStringLiteral("%1: %2").arg(QLatin1String(client.name), text);
    m_failures << line;
    if (m_log)
        m_log(line);
}

void Workload::start()
{
    if (running())
        return;
    m_stopping = false;
    const auto add = [this](const char* name, Isolation isolation, void (Workload::*round)(Client&, WorkloadSession&)) {
        auto c = std::make_unique<Client>();
        c->name = name;
        c->isolation = isolation;
        c->round = round;
        m_clients.push_back(std::move(c));
    };
    add("long-query", Isolation::ReadCommitted, &Workload::longQuery);
    add("stock-check", Isolation::Snapshot, &Workload::stockCheck);
    add("orders", Isolation::ReadCommitted, &Workload::orders);
    add("sales-report", Isolation::Snapshot, &Workload::salesReport);
    add("regions", Isolation::TableStability, &Workload::regions);
    for (auto& c : m_clients)
        c->thread = std::thread([this, client = c.get()] { runClient(*client); });

    std::optional<QString> error;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] {
            return std::all_of(m_clients.begin(), m_clients.end(), [](const auto& c) { return c->started; });
        });
        for (const auto& c : m_clients)
            if (c->startError && !error)
                error = QStringLiteral("%1: %2").arg(QLatin1String(c->name), *c->startError);
    }
    if (error) {
        stop();
        throw Exception(*error);
    }
}

void Workload::runClient(Client& c)
{
    while (!stopping()) {
        try {
            WorkloadSession s(m_connection);
            {
                std::lock_guard lock(m_mutex);
                c.attachmentId = s.attachmentId();
                c.started = true;
            }
            m_changed.notify_all();
            try {
                (this->*c.round)(c, s);
            } catch (...) {
                // the id goes before the attachment: an id listed is attached
                std::lock_guard lock(m_mutex);
                c.attachmentId = 0;
                throw;
            }
            std::lock_guard lock(m_mutex);
            c.attachmentId = 0;
        } catch (const std::exception& e) {
            bool first = false;
            {
                std::lock_guard lock(m_mutex);
                if (!c.started) {
                    first = true;
                    c.started = true;
                    c.startError = QString::fromLocal8Bit(e.what());
                }
            }
            if (first) {
                m_changed.notify_all();
                break;
            }
            if (!stopping()) {
                const auto* ex = dynamic_cast<const Exception*>(&e);
                report(c, QString(ex ? ex->message() : QString::fromLocal8Bit(e.what())).replace(QLatin1Char('\n'), QStringLiteral(" / ")) +
                              QStringLiteral(" (starting again)"));
            }
        }
        rest(m_options.rest);
    }
    {
        std::lock_guard lock(m_mutex);
        c.attachmentId = 0;
        c.started = true;
        c.ended = true;
    }
    m_changed.notify_all();
}

void Workload::rest(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, duration, [this] { return stopping(); });
}

void Workload::cancelRunning(const std::vector<int64_t>& ids, bool disconnect)
{
    WorkloadSession s(m_connection);
    ib::Transaction tr;
    tr.start(s.attachment(), transactionBlock(Isolation::ReadCommitted, false, false));
    ib::Statement st;
    st.prepare(s.attachment(), tr,
               disconnect ? "DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = ?"
                          : "DELETE FROM MON$STATEMENTS WHERE MON$ATTACHMENT_ID = ? AND MON$STATE = 1",
               s.dialect());
    for (int64_t id : ids) {
        st.setInt64(0, id);
        st.execute(tr);
    }
    tr.commit();
}

void Workload::stop()
{
    if (m_clients.empty())
        return;
    m_stopping = true;
    {
        std::lock_guard lock(m_mutex);  // no client misses the news between its check and its wait
    }
    m_changed.notify_all();
    const auto allEnded = [this] {
        return std::all_of(m_clients.begin(), m_clients.end(), [](const auto& c) { return c->ended; });
    };
    // Clients between two statements end by themselves; what runs is cancelled, again and again
    // (a client may start its next statement just after a round), and after half a minute the
    // clients still there are disconnected.
    const Clock::time_point begun = Clock::now();
    for (bool ended = false; !ended;) {
        {
            std::unique_lock lock(m_mutex);
            ended = m_changed.wait_for(lock, 300ms, allEnded);
        }
        if (ended)
            break;
        const std::vector<int64_t> ids = attachmentIds();
        if (ids.empty())
            continue;
        try {
            cancelRunning(ids, Clock::now() - begun > 30s);
        } catch (const Exception&) {
            // the server may be gone: the clients then fail on their own
        }
        if (Clock::now() - begun > 120s)
            break;
    }
    for (auto& c : m_clients)
        if (c->thread.joinable())
            c->thread.join();
    m_clients.clear();
    m_stopping = false;
}

void Workload::longQuery(Client&, WorkloadSession& s)
{
    const std::string sql = "WITH RECURSIVE R (N) AS (SELECT 1 FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM R WHERE N < " +
                            std::to_string(m_options.longQuerySize) + ") SELECT COUNT(*) FROM R A, R B, R C";
    while (!stopping()) {
        ib::Transaction tr;
        tr.start(s.attachment(), transactionBlock(Isolation::ReadCommitted, true, false));
        s.scalar(tr, sql);
        tr.commit();
        rest(m_options.rest);
    }
}

void Workload::stockCheck(Client&, WorkloadSession& s)
{
    const std::string sql = "SELECT PRODUCTS, CHECKSUM FROM QM_STOCK_CHECK(" + std::to_string(m_options.stockCheckLoops) + ")";
    while (!stopping()) {
        ib::Transaction tr;
        tr.start(s.attachment(), transactionBlock(Isolation::Snapshot, true, false));
        const Clock::time_point until = Clock::now() + m_options.hold;
        // one call after the other, so that the procedure is on the call stack most of the time
        do
            s.execute(tr, sql);
        while (!stopping() && Clock::now() < until);
        tr.commit();
        rest(m_options.rest);
    }
}

void Workload::orders(Client&, WorkloadSession& s)
{
    std::minstd_rand random(static_cast<unsigned>(s.attachmentId()));
    std::uniform_int_distribution<int> product(1, 200), quantity(1, 9);
    const std::string trim = "DELETE FROM QM_ORDERS WHERE ORDER_ID <= GEN_ID(QM_ORDER_NUMBERS, 0) - " +
                             std::to_string(m_options.ordersKept);
    while (!stopping()) {
        ib::Transaction tr;
        tr.start(s.attachment(), transactionBlock(Isolation::ReadCommitted, false, true));
        ib::Statement place;
        place.prepare(s.attachment(), tr, "EXECUTE PROCEDURE QM_PLACE_ORDER(?, ?)", s.dialect());
        for (int i = 0; i < m_options.ordersPerCommit && !stopping(); ++i) {
            place.setInt64(0, product(random));
            place.setInt64(1, quantity(random));
            place.execute(tr);
            place.fetch();
            rest(m_options.orderInterval);
        }
        s.execute(tr, trim);
        tr.commit();
    }
}

void Workload::salesReport(Client&, WorkloadSession& s)
{
    const char* const report =
        "SELECT R.NAME, COUNT(O.ORDER_ID), SUM(O.AMOUNT) FROM QM_REGIONS R "
        "JOIN QM_PRODUCTS P ON P.REGION_ID = R.REGION_ID LEFT JOIN QM_ORDERS O ON O.PRODUCT_ID = P.PRODUCT_ID "
        "GROUP BY R.NAME";
    while (!stopping()) {
        ib::Transaction tr;
        tr.start(s.attachment(), transactionBlock(Isolation::Snapshot, true, false));
        const Clock::time_point until = Clock::now() + m_options.hold;
        do {
            s.execute(tr, report);
            rest(2s);
        } while (!stopping() && Clock::now() < until);
        tr.commit();
    }
}

void Workload::regions(Client&, WorkloadSession& s)
{
    while (!stopping()) {
        ib::Transaction tr;
        tr.start(s.attachment(), transactionBlock(Isolation::TableStability, true, false));
        ib::Statement cursor;
        cursor.prepare(s.attachment(), tr, "SELECT REGION_ID, NAME FROM QM_REGIONS ORDER BY REGION_ID", s.dialect());
        cursor.execute(tr);
        const Clock::time_point until = Clock::now() + m_options.hold;
        do {
            if (!cursor.fetch())
                cursor.execute(tr);
            rest(1s);
        } while (!stopping() && Clock::now() < until);
        cursor.closeCursor();
        tr.commit();
    }
}

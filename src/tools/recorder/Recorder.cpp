#include "Recorder.h"

#include "MetricsEndpoint.h"
#include "RecorderMessages.h"
#include "StopSignals.h"

#include "common/Messages.h"
#include "connection/ServerConnectionDM.h"
#include "history/HistoryStore.h"
#include "history/RecordingPass.h"
#include "ib/ClientLibrary.h"
#include "monitor/QuillmereDM.h"

#include <QDateTime>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

using namespace std::chrono;

namespace {
QString text(const char* message) { return QString::fromUtf8(message); }
constexpr int LongestBackoff = 60;
// Retention runs at most this often, for at most this long.
constexpr qint64 PruneEveryMs = 60'000;
constexpr auto PruneBudget = milliseconds(200);
}  // namespace

// The connection, the snapshot module, the store and the pass, made and dropped together.
struct Recorder::Connection {
    TdmServerProperties server;
    TdmQuillmere dm;
    std::unique_ptr<history::HistoryStore> store;
    std::unique_ptr<history::RecordingPass> pass;
    std::unique_ptr<MetricsEndpoint> metrics;
};

Recorder::Recorder(const RecorderOptions& options)
    : m_options(options),
      m_storeFile(options.store.isEmpty() ? history::HistoryStore::defaultFileName(options.database) : options.store)
{
}

Recorder::~Recorder() = default;

void Recorder::event(const QString& line)
{
    const QString stamped =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + line;
    std::fputs(stamped.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void Recorder::abortCalls() noexcept
{
    isc_db_handle handle = static_cast<isc_db_handle>(m_handle.load());
    if (handle == 0)
        return;
    try {
        ISC_STATUS_ARRAY status = {};
        ib::ClientLibrary::instance().fb_cancel_operation(status, &handle, fb_cancel_abort);
    } catch (...) {
    }
}

bool Recorder::connect()
{
    Connection& c = *m_connection;
    try {
        c.server.SetConnected(true);
        c.dm.Source();  // learnt once per connection
        m_handle = static_cast<uintptr_t>(*c.server.IBDatabase.attachment().handle());
        event(text(recordermsg::Connected).arg(m_options.database));
        m_backoff = 1;
        return true;
    } catch (const std::exception& e) {
        const QString why = dynamic_cast<const Exception*>(&e) ? static_cast<const Exception&>(e).message()
                                                              : QString::fromLocal8Bit(e.what());
        event(text(recordermsg::NotConnected).arg(m_options.database, why).arg(m_backoff));
        disconnect();
        return false;
    }
}

void Recorder::disconnect() noexcept
{
    m_handle = 0;
    if (m_connection->pass)
        m_connection->pass->connectionEnded();
    try {
        m_connection->server.SetConnected(false);
    } catch (...) {
    }
}

bool Recorder::waitForClaim(std::chrono::steady_clock::time_point end)
{
    history::HistoryStore& store = *m_connection->store;
    bool told = false;
    while (!store.claim(QStringLiteral("quillmere-recorder"))) {
        if (!told)
            event(text(recordermsg::WaitingForWriter)
                      .arg(text(msg::HistoryRecordedElsewhere).arg(store.holderProgram()).arg(store.holderPid())));
        told = true;
        const auto left = duration_cast<milliseconds>(end - steady_clock::now());
        if (left.count() <= 0 || !m_stop->sleep(std::min(left, duration_cast<milliseconds>(seconds(m_options.intervalSeconds)))))
            return false;
    }
    if (told)
        event(text(recordermsg::WriterFree));
    return true;
}

void Recorder::prune()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastPrune < PruneEveryMs)
        return;
    m_lastPrune = now;
    const auto deadline = steady_clock::now() + PruneBudget;
    bool removed = false;
    while (steady_clock::now() < deadline && m_connection->store->pruneStep(m_options.retention, now))
        removed = true;
    if (removed)
        event(text(recordermsg::Pruned).arg(m_options.retention.days).arg(m_options.retention.megabytes));
}

void Recorder::recordOnce()
{
    Connection& c = *m_connection;
    const auto start = steady_clock::now();
    try {
        c.pass->run();
    } catch (const std::exception& e) {
        const QString why = dynamic_cast<const Exception*>(&e) ? static_cast<const Exception&>(e).message()
                                                              : QString::fromLocal8Bit(e.what());
        const bool lost = TdmServerProperties::IsConnectionLoss(e) || !c.server.GetConnected();
        ++m_failedPasses;
        if (c.metrics)
            c.metrics->passFailed(!lost);
        if (lost) {
            event(text(recordermsg::ConnectionLost).arg(why).arg(m_backoff));
            disconnect();
        } else {
            event(text(recordermsg::PassFailed).arg(why));
            c.pass->connectionEnded();  // the store is begun anew at the next pass
        }
        return;
    }
    if (m_failedPasses > 0)
        event(text(recordermsg::PassRecoveredAfter).arg(m_failedPasses));
    m_failedPasses = 0;
    const double took = duration<double>(steady_clock::now() - start).count();
    try {
        prune();
        if (c.metrics)
            c.metrics->passRecorded(*c.pass, took, c.store->usedBytes());
    } catch (const Exception& e) {
        event(text(recordermsg::PassFailed).arg(e.message()));
    }
}

int Recorder::run()
{
    m_stop = std::make_unique<StopSignals>([this] { abortCalls(); }, milliseconds(1000));
    m_connection = std::make_unique<Connection>();
    Connection& c = *m_connection;
    c.server.SetDatabaseName(m_options.database);
    c.server.SetUserName(m_options.user);
    c.server.SetPassword(m_options.password);
    c.server.SetRole(m_options.role);
    c.dm.SetDatabase(&c.server.IBDatabase);
    int status = 0;
    try {
        if (!m_options.metricsHost.isEmpty()) {
            c.metrics = std::make_unique<MetricsEndpoint>(m_options.metricsHost, m_options.metricsPort, m_options.database);
            event(text(recordermsg::MetricsServing).arg(m_options.metricsHost + QLatin1Char(':') +
                                                        QString::number(m_options.metricsPort)));
        }
        c.store = std::make_unique<history::HistoryStore>(m_storeFile, history::HistoryStore::Mode::Write);
        event(text(recordermsg::Started).arg(m_options.database).arg(m_options.intervalSeconds).arg(m_storeFile));
        const auto end = m_options.durationSeconds ? steady_clock::now() + seconds(*m_options.durationSeconds)
                                                   : steady_clock::time_point::max();
        auto remaining = [&] { return duration_cast<milliseconds>(end - steady_clock::now()); };
        if (waitForClaim(end)) {
            c.pass = std::make_unique<history::RecordingPass>(c.dm, *c.store);
            while (!m_stop->stopped() && remaining().count() > 0) {
                const auto passStart = steady_clock::now();
                if (!c.server.GetConnected() && !connect()) {
                    const int wait = m_backoff;
                    m_backoff = std::min(m_backoff * 2, LongestBackoff);
                    m_stop->sleep(std::min(duration_cast<milliseconds>(seconds(wait)), remaining()));
                    continue;
                }
                recordOnce();
                if (!c.server.GetConnected()) {
                    const int wait = m_backoff;
                    m_backoff = std::min(m_backoff * 2, LongestBackoff);
                    m_stop->sleep(std::min(duration_cast<milliseconds>(seconds(wait)), remaining()));
                    continue;
                }
                const auto next = passStart + seconds(m_options.intervalSeconds);
                m_stop->sleep(std::max(milliseconds(0), std::min(duration_cast<milliseconds>(next - steady_clock::now()),
                                                                 remaining())));
            }
        }
        if (m_stop->stopped())
            event(text(recordermsg::StoppedBySignal).arg(QString::fromUtf8(sigabbrev_np(m_stop->signalNumber()))
                                                             .prepend(QStringLiteral("SIG"))));
        else
            event(text(recordermsg::StoppedAfterDuration).arg(m_options.durationSeconds.value_or(0)));
    } catch (const Exception& e) {
        event(text(recordermsg::Failed).arg(e.message()));
        status = 1;
    }
    disconnect();
    c.pass.reset();
    c.store.reset();
    c.metrics.reset();
    m_connection.reset();
    return status;
}

#include "mainwindow/history/HistoryRecording.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connection/ServerConnectionDM.h"
#include "history/HistoryStore.h"
#include "history/RecordingPass.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QDateTime>

namespace {
const QString Section = QStringLiteral("History");
const QString KeyRecordFirebird = QStringLiteral("RecordFirebird");
const QString KeyRecordTables = QStringLiteral("RecordTables");
const QString KeyRecordInterval = QStringLiteral("RecordInterval");
constexpr int ShortestInterval = 1;
constexpr int LongestInterval = 24 * 3600;
const QString Program = QStringLiteral("quillmere");

QString text(const char* message) { return QString::fromUtf8(message); }
}  // namespace

THistoryRecording::THistoryRecording(const Parts& parts) : m_parts(parts)
{
    timer.setObjectName(QStringLiteral("TimerHistory"));
    timer.setInterval(m_intervalSeconds * 1000);
    // an error is reported after the slot has returned, so that the timer goes on meanwhile
    connect(&timer, &QTimer::timeout, this, [this] { errors::runGuardedReportingLater(this, [this] { recordNow(); }); });
    connect(&m_parts.recordHistory, &QAction::triggered, this, guarded([this] { actRecordHistoryExecute(); }));
}

THistoryRecording::~THistoryRecording() { stop(); }

QString THistoryRecording::storeFileName(const QString& databaseName)
{
    return history::HistoryStore::defaultFileName(databaseName);
}

bool THistoryRecording::recording() const { return m_store && m_store->claimed(); }

bool THistoryRecording::wanted() const { return m_onTables ? m_recordTables : m_recordFirebird; }

void THistoryRecording::setStatus(const QString& status, const QString& hint)
{
    m_status = status;
    m_hint = hint;
    if (m_parts.updateCommandStates)
        m_parts.updateCommandStates();
}

void THistoryRecording::stop()
{
    timer.stop();
    m_pass.reset();
    m_store.reset();  // lets the writer mark go
    m_failing = false;
    m_status.clear();
    m_hint.clear();
}

void THistoryRecording::connectionChanged()
{
    TdmServerProperties& server = m_parts.server;
    if (!server.GetConnected()) {
        stop();
        setStatus({}, {});
        return;
    }
    m_onTables = m_parts.dm.Source() == TdmQuillmere::SourceKind::Tables;
    m_parts.recordHistory.setChecked(wanted());
    stop();
    if (!wanted()) {
        setStatus({}, {});
        return;
    }
    timer.start();
    try {
        m_store = std::make_unique<history::HistoryStore>(storeFileName(server.GetDatabaseName()),
                                                          history::HistoryStore::Mode::Write);
    } catch (const Exception& e) {
        // a store that cannot be opened is left as it is; the timer tries again
        m_store.reset();
        m_failing = true;
        setStatus(text(msg::StatusHistoryNotRecorded), e.message());
        throw;
    }
    // the first moment at once, not an interval later
    recordNow();
}

void THistoryRecording::actRecordHistoryExecute()
{
    const bool on = m_parts.recordHistory.isChecked();
    (m_onTables ? m_recordTables : m_recordFirebird) = on;
    if (on && m_parts.server.GetConnected())
        connectionChanged();
    else {
        stop();
        setStatus({}, {});
    }
}

bool THistoryRecording::claim()
{
    if (m_store->claimed())
        return true;
    if (m_store->claim(Program)) {
        m_pass = std::make_unique<history::RecordingPass>(m_parts.dm, *m_store);
        return true;
    }
    setStatus(text(msg::StatusHistoryRecordedBy).arg(m_store->holderProgram()).arg(m_store->holderPid()),
              text(msg::HistoryRecordedElsewhere).arg(m_store->holderProgram()).arg(m_store->holderPid()));
    return false;
}

void THistoryRecording::recordNow()
{
    TdmServerProperties& server = m_parts.server;
    if (!server.GetConnected() || server.GetConnectionLost()) {
        // the refresh reports the loss; the next pass after it begins a new session of the store
        if (m_pass)
            m_pass->connectionEnded();
        return;
    }
    try {
        if (!m_store)
            m_store = std::make_unique<history::HistoryStore>(storeFileName(server.GetDatabaseName()),
                                                              history::HistoryStore::Mode::Write);
        if (!claim())
            return;
        m_lastMoment = m_pass->run();
        // retention in one small step per pass, so that neither the window nor a reader waits long
        m_store->pruneStep(history::Retention{}, QDateTime::currentMSecsSinceEpoch());
    } catch (const std::exception& e) {
        if (m_pass)
            m_pass->connectionEnded();
        if (TdmServerProperties::IsConnectionLoss(e))
            return;
        const QString why = dynamic_cast<const Exception*>(&e) ? static_cast<const Exception&>(e).message()
                                                              : QString::fromLocal8Bit(e.what());
        const bool reported = std::exchange(m_failing, true);
        setStatus(text(msg::StatusHistoryNotRecorded), why);
        if (!reported)
            throw;
        return;
    }
    m_failing = false;
    setStatus(text(msg::StatusRecordingHistory), m_store->fileName());
    emit recorded(*m_lastMoment);
}

void THistoryRecording::readOptions(const SettingsFile& settings)
{
    m_recordFirebird = settings.readBool(Section, KeyRecordFirebird, m_recordFirebird);
    m_recordTables = settings.readBool(Section, KeyRecordTables, m_recordTables);
    m_intervalSeconds =
        std::clamp(settings.readInteger(Section, KeyRecordInterval, m_intervalSeconds), ShortestInterval, LongestInterval);
    timer.setInterval(m_intervalSeconds * 1000);
    if (!m_parts.server.GetConnected())
        m_parts.recordHistory.setChecked(m_recordFirebird);
}

void THistoryRecording::writeOptions(SettingsFile& settings) const
{
    settings.writeBool(Section, KeyRecordFirebird, m_recordFirebird);
    settings.writeBool(Section, KeyRecordTables, m_recordTables);
    settings.writeInteger(Section, KeyRecordInterval, m_intervalSeconds);
}

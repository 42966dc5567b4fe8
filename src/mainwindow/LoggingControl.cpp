#include "mainwindow/LoggingControl.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/ProgressDlg.h"
#include "dialogs/Prompts.h"
#include "logging/IBPerformanceLogDM.h"
#include "logging/SetupLoggingDlg.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {
const QString Section = QStringLiteral("LoggingSetup");
const QString KeyGenerator = QStringLiteral("GeneratorName");
const QString KeyInterval = QStringLiteral("LogInterval");

// The LoggingSetup key of each item's log table name, in the items' order.
QString tableKey(TLogItem item)
{
    static const char* const keys[] = {"AttachmentsLogTableName", "DatabaseLogTableName",   "PoolsLogTableName",
                                       "ProceduresLogTableName",  "RelationsLogTableName",  "StatementsLogTableName",
                                       "TransactionsLogTableName"};
    return QLatin1String(keys[static_cast<size_t>(item)]);
}

// The logging values in their one order, which is the order of the section's keys and of the
// setup dialog's fields: each item, with the generator and the interval after Database.
template <class EachItem, class Generator, class Interval>
void inSettingsOrder(EachItem eachItem, Generator generator, Interval interval)
{
    for (TLogItem item : AllLogItems) {
        eachItem(item);
        if (item == TLogItem::Database) {
            generator();
            interval();
        }
    }
}

const QString CrLf = QStringLiteral("\r\n");

// The longest stretch the log timer runs at once: a QTimer counts in signed 32 bits, the log
// interval in unsigned 32 bits, so a longer interval is counted in several steps.
constexpr quint32 LogTimerStepMs = static_cast<quint32>(std::numeric_limits<int>::max());

QString T(const char* text) { return QString::fromUtf8(text); }

// Each name followed by CR LF.
QString nameLines(const QStringList& names)
{
    QString lines;
    for (const QString& name : names)
        lines += name + CrLf;
    return lines;
}

bool confirmOk(const QString& caption, const QString& text, QMessageBox::Icon icon,
               QMessageBox::StandardButton defaultButton)
{
    const Prompts::Confirmation box{caption, text, icon, QMessageBox::Ok | QMessageBox::Cancel, defaultButton};
    return Prompts::current().confirm(box) == QMessageBox::Ok;
}

bool askYes(const char* question)
{
    const Prompts::Confirmation box{T(msg::ConfirmCaption), T(question), QMessageBox::Question,
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes};
    return Prompts::current().confirm(box) == QMessageBox::Yes;
}

// Runs the log timer for the next step of what is left of the log interval.
void startLogStep(QTimer& timer, quint32& left)
{
    const quint32 step = std::min(left, LogTimerStepMs);
    left -= step;
    timer.start(static_cast<int>(step));
}

// Sets the refresh timer running again when the setup command ends, whichever way it ends, unless
// monitoring was paused when the command began.
class RefreshTimerHold {
public:
    RefreshTimerHold(QTimer& timer, bool paused) : m_timer(timer), m_restart(!paused)
    {
        if (m_restart)
            m_timer.stop();
    }
    ~RefreshTimerHold()
    {
        if (m_restart)
            m_timer.start();
    }
    RefreshTimerHold(const RefreshTimerHold&) = delete;
    RefreshTimerHold& operator=(const RefreshTimerHold&) = delete;

private:
    QTimer& m_timer;
    bool m_restart;
};
}  // namespace

TLoggingControl::TLoggingControl(const Parts& parts)
    : m_parts(parts), TimerLog(parts.logTimer), actLoggingEnabled(parts.loggingEnabled)
{
    TimerLog.setInterval(static_cast<int>(m_logInterval));
    connect(&parts.setupLogging, &QAction::triggered, this, guarded([this] { actSetupLoggingExecute(); }));
    connect(&actLoggingEnabled, &QAction::triggered, this, guarded([this] { actLoggingEnabledExecute(); }));
    // reported after the slot has returned, as the refresh's errors are (see TfrmMain::TimerTimer)
    connect(&TimerLog, &QTimer::timeout, this,
            [this] { errors::runGuardedReportingLater(this, [this] { TimerLogTimer(); }); });
}

TLoggingControl::~TLoggingControl() = default;

bool TLoggingControl::ready() const { return m_dmPerformanceLog && m_dmPerformanceLog->ReadyToLog(); }

void TLoggingControl::actSetupLoggingExecute()
{
    const bool loggingWasOn = actLoggingEnabled.isChecked();
    // both timers that read the database stay still while dialogs and boxes are open, since
    // their ticks are delivered inside modal loops
    const RefreshTimerHold refreshHold(m_parts.refreshTimer, m_parts.paused.isChecked());

    if (loggingWasOn) {
        if (!confirmOk(T(msg::InformationCaption), T(msg::LoggingPausedForSetup), QMessageBox::Information,
                       QMessageBox::Ok))
            return;
        // from here on only StartLogging runs the log timer again
        TimerLog.stop();
    }

    TfrmLoggingSetup dialog(&m_parts.window);
    // a help window of the dialog's own, usable while the dialog is
    connect(&dialog, &TfrmLoggingSetup::HelpRequested, &dialog,
            [&dialog](const QUrl& page) { TfrmHelp::ShowHelp(&dialog, page, &errors::report); });
    EnsureLogModule();
    TdmPerformanceLog& log = *m_dmPerformanceLog;

    inSettingsOrder(
        [&](TLogItem item) {
            dialog.SetItemEnabled(item, log.ItemEnabled(item));
            if (item == TLogItem::Pools)
                dialog.SetPoolsSummarized(log.PoolsSummarized());
            dialog.SetItemLogTableName(item, log.ItemLogTableName(item));
        },
        [&] { dialog.SetGeneratorName(log.GeneratorName()); }, [&] { dialog.SetLogInterval(LogInterval()); });

    if (dialog.exec() != QDialog::Accepted) {
        // Cancel, Esc or the close box: what was running before may run again
        if (loggingWasOn && log.ReadyToLog() && askYes(msg::LoggingResumeNow))
            StartLogging();
        return;
    }

    inSettingsOrder(
        [&](TLogItem item) {
            log.SetItemEnabled(item, dialog.ItemEnabled(item));
            if (item == TLogItem::Pools)
                log.SetPoolsSummarized(dialog.PoolsSummarized());
            log.SetItemLogTableName(item, dialog.ItemLogTableName(item));
        },
        [&] { log.SetGeneratorName(dialog.GeneratorName()); }, [&] { SetLogInterval(dialog.LogInterval()); });

    // nothing to log: nothing to verify, and "&Logging" stays as it is
    if (log.EnabledTableCount() == 0)
        return;
    if (!VerifyLogObjects())
        return;
    // anything created just now is verified only by the next run of this command
    actLoggingEnabled.setEnabled(log.ReadyToLog());
    if (actLoggingEnabled.isEnabled() && askYes(msg::LoggingStartNow))
        StartLogging();
}

bool TLoggingControl::VerifyLogObjects()
{
    TdmPerformanceLog& log = *m_dmPerformanceLog;
    QStringList missingTables;
    QStringList incorrectTables;
    {
        // a database error inside is reported by the dialog, which then stays open until Abort
        TdlgProgress progress(&m_parts.window);
        progress.OnExecute = [&] { log.VerifyTables(missingTables, incorrectTables, progress.progressCallback()); };
        if (progress.exec() != QDialog::Accepted)
            return false;
    }

    if (!incorrectTables.isEmpty()) {
        const QString text = T(msg::LoggingIncorrectTablesHead) + CrLf + nameLines(incorrectTables) + CrLf +
                             T(msg::LoggingIncorrectTablesTail) + CrLf + CrLf + T(msg::LoggingIncorrectTablesWarning);
        // Cancel is the default: Enter alone never drops a table with its rows
        if (!confirmOk(T(msg::WarningCaption), text, QMessageBox::Warning, QMessageBox::Cancel))
            return false;
        log.RecreateTables(incorrectTables);
    }
    if (!missingTables.isEmpty() && !AskCreateTables(missingTables))
        return false;
    if (!log.GeneratorExists() && !AskCreateGenerator())
        return false;
    return true;
}

bool TLoggingControl::AskCreateTables(const QStringList& missingTables)
{
    const QString text =
        T(msg::LoggingMissingTablesHead) + CrLf + nameLines(missingTables) + CrLf + T(msg::LoggingMissingTablesTail);
    if (!confirmOk(T(msg::ConfirmCaption), text, QMessageBox::Question, QMessageBox::Ok))
        return false;
    m_dmPerformanceLog->CreateTables(missingTables);
    return true;
}

bool TLoggingControl::AskCreateGenerator()
{
    const QString text =
        T(msg::LoggingGeneratorMissingHead) + m_dmPerformanceLog->GeneratorName() + T(msg::LoggingGeneratorMissingTail);
    if (!confirmOk(T(msg::ConfirmCaption), text, QMessageBox::Question, QMessageBox::Ok))
        return false;
    m_dmPerformanceLog->CreateGenerator();
    return true;
}

void TLoggingControl::EnsureLogModule()
{
    if (m_dmPerformanceLog)
        return;
    // installed only once the settings are in, so that a file that cannot be read is read again
    // by the next run of the setup command
    auto log = std::make_unique<TdmPerformanceLog>(&m_parts.server.IBDatabase);
    log->SetSnapshotModule(&m_parts.dm);

    const SettingsFile settings(SettingsFileName());
    TdmPerformanceLog& module = *log;
    inSettingsOrder(
        [&](TLogItem item) {
            module.SetItemLogTableName(
                item, settings.readString(Section, tableKey(item), module.ItemLogTableName(item)));
        },
        [&] { module.SetGeneratorName(settings.readString(Section, KeyGenerator, module.GeneratorName())); },
        [&] {
            // stored as the signed reading of its 32 bits
            SetLogInterval(
                static_cast<quint32>(settings.readInteger(Section, KeyInterval, static_cast<qint32>(LogInterval()))));
        });
    m_dmPerformanceLog = std::move(log);
}

void TLoggingControl::StartLogging()
{
    const TdmPerformanceLog& log = *m_dmPerformanceLog;
    SettingsFile settings(SettingsFileName());
    inSettingsOrder(
        [&](TLogItem item) { settings.writeString(Section, tableKey(item), log.ItemLogTableName(item)); },
        [&] { settings.writeString(Section, KeyGenerator, log.GeneratorName()); },
        [&] { settings.writeInteger(Section, KeyInterval, static_cast<qint32>(LogInterval())); });
    // a file that cannot be written leaves logging off
    settings.writeFile();

    actLoggingEnabled.setChecked(true);
    m_parts.updateCommandStates();
    UpdateLogTimer();
}

void TLoggingControl::actLoggingEnabledExecute()
{
    // the action has flipped its check already
    m_parts.updateCommandStates();
    UpdateLogTimer();
}

void TLoggingControl::UpdateLogTimer()
{
    TimerLog.stop();
    if (m_dmPerformanceLog && actLoggingEnabled.isChecked() && m_dmPerformanceLog->ReadyToLog()) {
        // a fresh count: the first pass comes one whole interval from now
        m_logIntervalLeft = m_logInterval;
        startLogStep(TimerLog, m_logIntervalLeft);
    } else if (m_dmPerformanceLog) {
        // no pass to come: the log tables are not kept in use
        m_dmPerformanceLog->FreePassStatements();
    }
}

void TLoggingControl::SetLogInterval(quint32 milliseconds)
{
    m_logInterval = milliseconds;
    if (TimerLog.isActive()) {
        m_logIntervalLeft = m_logInterval;
        startLogStep(TimerLog, m_logIntervalLeft);
    } else {
        TimerLog.setInterval(static_cast<int>(std::min(milliseconds, LogTimerStepMs)));
    }
}

void TLoggingControl::TimerLogTimer()
{
    if (!m_dmPerformanceLog) {
        actLoggingEnabled.setChecked(false);
        actLoggingEnabled.setEnabled(false);
        TimerLog.stop();
        m_parts.updateCommandStates();
        return;
    }
    if (m_logIntervalLeft > 0) {
        // a long interval: only a step of it has passed
        startLogStep(TimerLog, m_logIntervalLeft);
        return;
    }
    // the next interval counts from this tick, also when the pass fails or waits
    m_logIntervalLeft = m_logInterval;
    startLogStep(TimerLog, m_logIntervalLeft);
    // while disconnected, or while the connection is lost, there is nothing to log: the timer goes
    // on counting, and the first tick after a new connection (or after F5 found it back) logs again
    TdmServerProperties& server = m_parts.server;
    if (!server.GetConnected() || server.GetConnectionLost())
        return;
    try {
        m_dmPerformanceLog->LogSnapshot();
    } catch (const std::exception& e) {
        // A pass that finds the connection gone marks it lost, as a refresh does: this report is
        // the only one, refreshing pauses and the status bar says so until F5, a reconnect or a
        // disconnect. Other errors are reported at every pass.
        if (server.NoteConnectionLoss(e)) {
            m_parts.refreshTimer.stop();
            m_parts.updateCommandStates();
        }
        // in words that say what happened, the library's text below
        server.RaiseFailure(e);
    }
}

// The refresh cycle: what one refresh re-reads, keeping the current row, the memory pools and
// their history, the refresh timer, the reaction to a connection opening or closing, and the
// states of the commands.

#include "mainwindow/MainForm.h"

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/ServerConnectionDM.h"
#include "mainwindow/DatabaseProperties.h"
#include "mainwindow/DatabaseValueList.h"
#include "mainwindow/MemoryChartFrame.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/sqlpane/PlanPane.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLocale>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

namespace {
constexpr int LowestAcceptedODSMajorVersion = 11;

bool hasCurrentRow(const Snapshot& snapshot) { return snapshot.isOpen() && !snapshot.isEmpty() && snapshot.recNo() >= 0; }

// The current row's state, without leading and trailing blanks; empty without a row.
QString currentState(const Snapshot& snapshot)
{
    if (!snapshot.isOpen() || snapshot.isEmpty() || snapshot.recNo() < 0)
        return {};
    return snapshot.asText(QStringLiteral("TMP$STATE")).trimmed();
}

// One refresh. An error that says the connection is gone marks it lost before it is reported:
// refreshing then pauses (the timer stops, and a tab change reads nothing) until F5, a reconnect
// or a disconnect, and the status bar says so, so that one report leaves the user in control.
// Other errors leave the timer running, and a lasting fault is reported at every tick.
void refreshNotingLoss(TfrmMain& form)
{
    try {
        form.RefreshActivePage();
    } catch (const std::exception& e) {
        TdmServerProperties& server = form.dmServerProperties();
        if (server.GetConnected() && TdmServerProperties::IsConnectionLoss(e)) {
            server.SetConnectionLost(true);
            form.UpdateRefreshTimer();
            form.UpdateCommandStates();
        }
        throw;
    }
}
}  // namespace

void TfrmMain::TimerTimer()
{
    // Reported after this slot has returned: Qt fires the timer again only then, and the error
    // list is modal, so a list opened in here would stop the refresh until OK and count nothing.
    QuillmereApplication::runGuardedReportingLater(this, [this] { refreshNotingLoss(*this); });
}

void TfrmMain::actRefreshExecute()
{
    // after a lost connection, F5 tries again and resumes the timer
    TdmServerProperties& server = *m_dmServerProperties;
    if (server.GetConnectionLost()) {
        server.SetConnectionLost(false);
        UpdateRefreshTimer();
        UpdateCommandStates();
    }
    refreshNotingLoss(*this);
}

void TfrmMain::actPausedExecute()
{
    // the action has flipped its check already
    UpdateRefreshTimer();
    UpdateRefreshPanel();
}

void TfrmMain::RefreshActivePage()
{
    if (!m_dmServerProperties->GetConnected() || m_dmServerProperties->GetConnectionLost())
        return;
    TdmQuillmere& dm = *m_dmQuillmere;
    // timed as a whole, for the status bar: the reads, the views' updates and the charts
    QElapsedTimer took;
    took.start();
    // the active tab and the pools come from one snapshot of the server's monitoring tables
    const TdmQuillmere::Tick tick(dm);
    QWidget* active = PageControl->currentWidget();
    if (active == tshtDatabase) {
        RefreshDatabaseValues();
    } else if (active == tshtProcedures) {
        RefreshKeepingRow(dm.cdsProcedures, QStringLiteral("TMP$PROCEDURE_ID"));
    } else if (active == tshtStatements) {
        RefreshKeepingRow(dm.cdsStatements, QStringLiteral("TMP$STATEMENT_ID"));
        UpdateStatementActions();
    } else if (active == tshtRelations) {
        RefreshKeepingRow(dm.cdsRelations, QStringLiteral("TMP$RELATION_ID"));
    } else if (active == tshtTransactions) {
        RefreshKeepingRow(dm.cdsTransactions, QStringLiteral("TMP$TRANSACTION_ID"));
        UpdateTransactionActions();
    } else if (active == tshtAttachments) {
        RefreshKeepingRow(dm.cdsAttachments, QStringLiteral("TMP$ATTACHMENT_ID"));
        UpdateUserActions();
    }
    // the Memory tab has no snapshot of its own: the pools are read on every refresh
    RefreshMemory();
    // after the pools, which on Firebird have read the database's oldest active transaction
    if (active == tshtTransactions)
        MarkOldestActiveTransaction();
    m_lastRefresh = LastRefresh{QTime::currentTime(), (took.nsecsElapsed() + 500000) / 1000000};
    UpdateRefreshPanel();
}

bool TfrmMain::RefreshKeepingRow(Snapshot& snapshot, const QString& keyColumn)
{
    if (!m_dmServerProperties->GetConnected()) {
        snapshot.close();
        return false;
    }
    // the views are repainted once, after the rows are in and the row is found again
    snapshot.disableControls();
    bool found = false;
    try {
        const bool hadRows = snapshot.isOpen() && !snapshot.isEmpty();
        const QVariant key = hadRows && snapshot.recNo() >= 0 ? snapshot.value(keyColumn) : QVariant();
        if (snapshot.isOpen())
            snapshot.refresh();
        else
            snapshot.open();
        if (hadRows)
            found = snapshot.locate(keyColumn, key);
    } catch (...) {
        snapshot.enableControls();
        throw;
    }
    snapshot.enableControls();
    return found;
}

void TfrmMain::RefreshMemory()
{
    Snapshot& pools = m_dmQuillmere->cdsPools;
    RefreshKeepingRow(pools, QStringLiteral("TMP$TYPE"));
    m_poolMemoryList.clear();
    // by position, so that the pools grid's current row stays where the refresh left it
    const int type = pools.requireColumn(QStringLiteral("TMP$TYPE"));
    const int memory = pools.requireColumn(QStringLiteral("TMP$POOL_MEMORY"));
    for (int row = 0; row < pools.rowCount(); ++row)
        m_poolMemoryList.push_back(
            {pools.displayText(row, type), pools.isNull(row, memory) ? 0 : pools.intValue(row, memory)});
    frmMemoryDisplayChart->UpdateCharts(m_poolMemoryList);
}

void TfrmMain::ConnectionChanged()
{
    TdmServerProperties& server = *m_dmServerProperties;
    if (server.GetConnected()) {
        if (server.GetODSMajorVersion() < LowestAcceptedODSMajorVersion) {
            // closing runs this handler again for the closed connection
            server.SetConnected(false);
            throw Exception(msg::NotAnInterBase7Database);
        }
        try {
            refreshNotingLoss(*this);
        } catch (...) {
            // the connection is open all the same: the timer runs (and reports a lasting fault
            // on every tick) unless the connection was found lost, and the commands follow it
            UpdateRefreshTimer();
            UpdateCommandStates();
            throw;
        }
    } else {
        ClearDatabaseValues();
        frmMemoryDisplayChart->ClearCharts();
        m_lastRefresh.reset();
    }
    UpdateRefreshTimer();
    UpdateCommandStates();
}

void TfrmMain::UpdateRefreshTimer()
{
    Timer.stop();
    const TdmServerProperties& server = *m_dmServerProperties;
    if (!actPaused->isChecked() && server.GetConnected() && !server.GetConnectionLost())
        Timer.start();
}

void TfrmMain::RefreshAction(QAction* entry)
{
    const bool running = Timer.isActive();
    Timer.stop();
    Timer.setInterval(entry->data().toInt());
    entry->setChecked(true);
    if (running)
        Timer.start();
}

void TfrmMain::UpdateCommandStates()
{
    const bool connected = m_dmServerProperties->GetConnected();
    for (QAction* action : {actDisconnect, actRefresh, actSetupLogging, actViewDatabaseStatistics, actViewInterbaseLog})
        action->setEnabled(connected);
    // while on, "&Logging" can always be turned off, also while logging waits for a connection
    actLoggingEnabled->setEnabled((connected && loggingReady()) || actLoggingEnabled->isChecked());
    const QString databaseName = connected ? m_dmServerProperties->GetDatabaseName() : QString();
    stbDatabase->setText(m_dmServerProperties->GetConnectionLost()
                             ? QString::fromUtf8(msg::StatusConnectionLost).arg(databaseName)
                             : databaseName);
    stbLogging->setText(!actLoggingEnabled->isChecked() ? QString()
                        : connected                     ? QString::fromUtf8(msg::StatusLogging)
                                                        : QString::fromUtf8(msg::StatusLoggingWaits));
    UpdateRefreshPanel();
    frmMemoryDisplayChart->setVisible(actMemorySummary->isChecked());
    // plans where the server gives them: Firebird, read directly
    memPlan->setVisible(connected && m_dmQuillmere->GivesPlans());
    dbgrdPools->setVisible(actMemoryDetails->isChecked());
}

void TfrmMain::MemoryDisplayExecute() { UpdateCommandStates(); }

void TfrmMain::UpdateStatementActions()
{
    const QString state = currentState(m_dmQuillmere->cdsStatements);
    actStatementCancel->setEnabled(state == QLatin1String("ACTIVE") || state == QLatin1String("STALLED"));
    actStatementGoToUser->setEnabled(hasCurrentRow(m_dmQuillmere->cdsStatements));
}

void TfrmMain::UpdateTransactionActions()
{
    const QString state = currentState(m_dmQuillmere->cdsTransactions);
    actTransactionCommit->setEnabled(state == QLatin1String("ACTIVE") || state == QLatin1String("LIMBO"));
    actTransactionRollback->setEnabled(actTransactionCommit->isEnabled());
    actTransactionGoToUser->setEnabled(hasCurrentRow(m_dmQuillmere->cdsTransactions));
}

void TfrmMain::UpdateUserActions()
{
    const Snapshot& users = m_dmQuillmere->cdsAttachments;
    actAttachmentCancel->setEnabled(users.isOpen() && !users.isEmpty());
    actAttachmentShutdown->setEnabled(actAttachmentCancel->isEnabled());
}

void TfrmMain::RefreshDatabaseValues()
{
    Snapshot& database = m_dmQuillmere->cdsDatabase;
    std::vector<std::optional<qint64>> numbers(DatabaseProperties.size());
    // held open only while the values are copied
    database.open();
    // the moment the values were read, for their rates
    const DatabaseRates::Clock::time_point readAt = DatabaseRates::Clock::now();
    try {
        for (size_t i = 0; i < DatabaseProperties.size(); ++i) {
            const int column = database.requireColumn(QString::fromLatin1(DatabaseProperties[i].column));
            // the plain value, not a display text; without a row every value is empty
            const QString text = database.rowCount() > 0 ? database.plainText(0, column) : QString();
            vleDatabase->setValue(static_cast<int>(i), text);
            // the numbers as they are, for the rates and the transaction gaps
            const catalogue::ColumnType type = database.columnDecl(column).type;
            if (database.rowCount() > 0 && !database.isNull(0, column) &&
                (type == catalogue::ColumnType::Int16 || type == catalogue::ColumnType::Int32 ||
                 type == catalogue::ColumnType::Int64))
                numbers[i] = database.intValue(0, column);
        }
    } catch (...) {
        database.close();
        throw;
    }
    database.close();

    const std::vector<std::optional<double>> rates = m_rates.update(numbers, readAt);
    for (size_t i = 0; i < rates.size(); ++i)
        vleDatabase->setRate(static_cast<int>(i), rates[i] ? QString::fromUtf8(msg::DatabaseRatePerSecond)
                                                                 .arg(QLocale().toString(*rates[i], 'f', 1))
                                                           : QString());
    ShowTransactionGaps(numbers);
    m_oldestActive = numbers[static_cast<size_t>(databasePropertyRow("TMP$OLDEST_ACTIVE"))];
}

void TfrmMain::ShowTransactionGaps(const std::vector<std::optional<qint64>>& values)
{
    auto valueOf = [&](const char* column) { return values[static_cast<size_t>(databasePropertyRow(column))]; };
    const std::optional<qint64> sweepInterval = valueOf("TMP$SWEEP_INTERVAL");
    for (int g = 0; g < health::GapCount; ++g) {
        const health::GapDecl& decl = health::gaps()[static_cast<size_t>(g)];
        const int row = static_cast<int>(DatabaseProperties.size()) + g;
        const std::optional<qint64> gap = health::gapValue(valueOf(decl.minuend), valueOf(decl.subtrahend));
        const health::Thresholds limits = m_transactionHealth.thresholds(health::Gap(g), sweepInterval);
        vleDatabase->setValue(row, gap ? QString::number(*gap) : QString());
        vleDatabase->setLevel(row, gap ? health::levelOf(*gap, limits) : health::Level::Normal,
                              QString::fromUtf8(msg::TransactionGapHint).arg(limits.amber).arg(limits.red));
    }
}

void TfrmMain::ClearDatabaseValues()
{
    vleDatabase->clearValues();
    // a new connection starts its rates afresh
    m_rates.forget();
    m_oldestActive.reset();
}

void TfrmMain::MarkOldestActiveTransaction()
{
    // The database's oldest active transaction: read in this refresh where the source has it
    // (Firebird: the pools read MON$DATABASE), else the one the Database tab read last, as long as
    // it is still among the rows (a transaction that was the oldest active and is still open still
    // is). Without either, the oldest open transaction of the list.
    const Snapshot& transactions = m_dmQuillmere->cdsTransactions;
    const QString idColumn = QStringLiteral("TMP$TRANSACTION_ID");
    std::optional<qint64> marked = m_dmQuillmere->TickOldestActive();
    if (!marked && m_oldestActive && transactions.isOpen()) {
        const int id = transactions.requireColumn(idColumn);
        for (int row = 0; row < transactions.rowCount() && !marked; ++row)
            if (!transactions.isNull(row, id) && transactions.intValue(row, id) == *m_oldestActive)
                marked = m_oldestActive;
    }
    if (!marked && transactions.isOpen()) {
        const int id = transactions.requireColumn(idColumn);
        const int state = transactions.requireColumn(QStringLiteral("TMP$STATE"));
        for (int row = 0; row < transactions.rowCount(); ++row) {
            // open transactions: IDLE is Firebird's open transaction without a running statement
            const QString s = transactions.plainText(row, state).trimmed();
            if (transactions.isNull(row, id) ||
                (s != QLatin1String("ACTIVE") && s != QLatin1String("LIMBO") && s != QLatin1String("IDLE")))
                continue;
            const qint64 candidate = transactions.intValue(row, id);
            if (!marked || candidate < *marked)
                marked = candidate;
        }
    }
    m_markedTransaction = marked;
    dbgrdTransactions->refreshRowMarks();
}

void TfrmMain::UpdateRefreshPanel()
{
    const bool paused = actPaused->isChecked();
    if (!m_lastRefresh) {
        stbRefresh->setText(paused ? QString::fromUtf8(msg::StatusPaused) : QString());
        return;
    }
    const QString at = m_lastRefresh->at.toString(QStringLiteral("HH:mm:ss"));
    stbRefresh->setText(QString::fromUtf8(paused ? msg::StatusPausedLastRefresh : msg::StatusLastRefresh)
                            .arg(at)
                            .arg(m_lastRefresh->milliseconds));
}

#include "mainwindow/MainForm.h"

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/MultiExceptionHandler.h"
#include "mainwindow/DatabaseProperties.h"
#include "mainwindow/DatabaseValueList.h"
#include "mainwindow/MemoryChartFrame.h"
#include "logging/IBPerformanceLogDM.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/sqlpane/PlanPane.h"
#include "mainwindow/sqlpane/SqlPane.h"
#include "monitor/QuillmereDM.h"
#include "monitor/SnapshotModel.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
constexpr int ClientWidth = 688;
constexpr int ClientHeight = 453;
constexpr int RefreshIntervalAtStart = 10000;
constexpr int StatementsGridHeight = 193;
constexpr int PlanPaneHeight = 90;  // the plan keeps its height; the SQL pane takes the rest
constexpr int LoggingPanelWidth = 50;

TfrmMain::ConnectDialogRunner& connectDialogRunner()
{
    static TfrmMain::ConnectDialogRunner runner;
    return runner;
}

// The Windows font where it is installed, otherwise the system's own user-interface font.
QFont preferredFont(const char* family, int points)
{
    const QString name = QString::fromLatin1(family);
    if (QFontDatabase::hasFamily(name))
        return QFont(name, points);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

QWidget* page(QTabWidget* tabs, const char* name, const char* caption)
{
    auto* w = new QWidget(tabs);
    w->setObjectName(QString::fromLatin1(name));
    tabs->addTab(w, QString::fromUtf8(caption));
    return w;
}

QVBoxLayout* pageLayout(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

TMonitorGrid* monitorGrid(Snapshot& snapshot, grids::GridId id, const char* name, QWidget* parent)
{
    auto* view = new TMonitorGrid(snapshot, grids::gridDecl(id), parent);
    view->setObjectName(QString::fromLatin1(name));
    return view;
}
}  // namespace

void TfrmMain::setConnectDialogRunner(ConnectDialogRunner runner) { connectDialogRunner() = std::move(runner); }

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(msg::ApplicationTitle));
    setFont(preferredFont("MS Sans Serif", 8));

    // the visual parts, both timers stopped
    createActions();
    createMenus();
    createPages();
    createToolBars();
    createStatusBar();
    // The client area, below the menu bar (which a desktop with a global menu shows elsewhere),
    // holds the tabs and the status bar.
    resize(ClientWidth, ClientHeight + menuBar()->heightForWidth(ClientWidth));
    Timer.setObjectName(QStringLiteral("Timer"));
    Timer.setInterval(RefreshIntervalAtStart);
    TimerLog.setObjectName(QStringLiteral("TimerLog"));
    TimerLog.setInterval(static_cast<int>(m_logInterval));

    // from here on every error that escapes a command, a tick or an event is reported
    m_errorHandler = std::make_unique<TMultiExceptionHandler>(this);
    QuillmereApplication::setErrorHandler(
        [handler = m_errorHandler.get()](const Exception& e) { handler->HandleApplicationException(nullptr, e); });

    // FormCreate
    CreateDataModules();
    FillDatabaseLabels();
    CreateMemoryChart();
    connectActions();
    try {
        ReadMonitorOptions();
    } catch (const Exception& e) {
        // a settings file that cannot be read leaves the defaults; the error shows once the
        // message loop runs
        QTimer::singleShot(0, this, [e] { QuillmereApplication::reportError(e); });
    }
    UpdateCommandStates();
}

TfrmMain::~TfrmMain()
{
    QuillmereApplication::setErrorHandler({});
    Timer.stop();
    TimerLog.stop();
    // The connection closes before anything it would report to goes: the views, the chart frame
    // and the snapshot module are destroyed while the connection module no longer calls back.
    m_dmServerProperties->OnConnectionChange = nullptr;
    try {
        m_dmServerProperties->SetConnected(false);
    } catch (...) {
        // the attachment is gone either way
    }
    delete takeCentralWidget();
    delete srcPoolBlocks;
    srcPoolBlocks = nullptr;
    m_dmPerformanceLog.reset();
    m_dmQuillmere.reset();
    m_dmServerProperties.reset();
    m_errorHandler.reset();
}

void TfrmMain::createPages()
{
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setDocumentMode(false);
    setCentralWidget(PageControl);

    tshtDatabase = page(PageControl, "tshtDatabase", msg::TabDatabase);
    vleDatabase = new TDatabaseValueList(tshtDatabase);
    vleDatabase->setObjectName(QStringLiteral("vleDatabase"));
    pageLayout(tshtDatabase)->addWidget(vleDatabase);

    // the grids join their pages with the snapshot module (CreateDataModules), the chart frame
    // joins the Memory tab when created
    tshtPools = page(PageControl, "tshtPools", msg::TabMemory);
    pageLayout(tshtPools);
    tshtProcedures = page(PageControl, "tshtProcedures", msg::TabProcedures);
    pageLayout(tshtProcedures);

    tshtStatements = page(PageControl, "tshtStatements", msg::TabStatements);
    splStatements = new QSplitter(Qt::Vertical, tshtStatements);
    splStatements->setObjectName(QStringLiteral("splStatements"));
    splStatements->setChildrenCollapsible(false);
    memSQL = new TSqlPane(splStatements);
    memSQL->setObjectName(QStringLiteral("memSQL"));
    splStatements->addWidget(memSQL);
    memPlan = new TPlanPane(splStatements);
    memPlan->setObjectName(QStringLiteral("memPlan"));
    memPlan->setVisible(false);
    splStatements->addWidget(memPlan);
    pageLayout(tshtStatements)->addWidget(splStatements);

    tshtRelations = page(PageControl, "tshtRelations", msg::TabRelations);
    pageLayout(tshtRelations);
    tshtTransactions = page(PageControl, "tshtTransactions", msg::TabTransactions);
    pageLayout(tshtTransactions);
    tshtAttachments = page(PageControl, "tshtAttachments", msg::TabUsers);
    pageLayout(tshtAttachments);
}

void TfrmMain::createGrids()
{
    TdmQuillmere& dm = *m_dmQuillmere;
    using grids::GridId;
    dbgrdPools = monitorGrid(dm.cdsPools, GridId::Pools, "dbgrdPools", tshtPools);
    tshtPools->layout()->addWidget(dbgrdPools);
    dbgrdProcedures = monitorGrid(dm.cdsProcedures, GridId::Procedures, "dbgrdProcedures", tshtProcedures);
    tshtProcedures->layout()->addWidget(dbgrdProcedures);

    // the statements grid keeps its height when the window grows; the SQL pane takes the rest
    dbgrdStatements = monitorGrid(dm.cdsStatements, GridId::Statements, "dbgrdStatements", splStatements);
    splStatements->insertWidget(0, dbgrdStatements);
    splStatements->setStretchFactor(0, 0);
    splStatements->setStretchFactor(1, 1);
    splStatements->setSizes({StatementsGridHeight, ClientHeight, PlanPaneHeight});
    memSQL->bind(&dm.cdsStatements);
    memPlan->bindPlan(&dm.cdsStatements, [this](qint64 statementId) {
        // read in the monitoring transaction of the last refresh; nothing while the connection is gone
        if (!m_dmServerProperties->GetConnected() || m_dmServerProperties->GetConnectionLost())
            return QString();
        return m_dmQuillmere->StatementPlan(statementId);
    });

    dbgrdRelations = monitorGrid(dm.cdsRelations, GridId::Relations, "dbgrdRelations", tshtRelations);
    tshtRelations->layout()->addWidget(dbgrdRelations);
    dbgrdTransactions = monitorGrid(dm.cdsTransactions, GridId::Transactions, "dbgrdTransactions", tshtTransactions);
    tshtTransactions->layout()->addWidget(dbgrdTransactions);
    dbgrdAttachments = monitorGrid(dm.cdsAttachments, GridId::Attachments, "dbgrdAttachments", tshtAttachments);
    tshtAttachments->layout()->addWidget(dbgrdAttachments);
}

void TfrmMain::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    stbLogging = new QLabel(bar);
    stbLogging->setObjectName(QStringLiteral("stbLogging"));
    // wider only for the longer text of logging that waits for a connection
    stbLogging->setMinimumWidth(LoggingPanelWidth);
    stbDatabase = new QLabel(bar);
    stbDatabase->setObjectName(QStringLiteral("stbDatabase"));
    bar->addWidget(stbLogging);
    bar->addWidget(stbDatabase, 1);
    stbRefresh = new QLabel(bar);
    stbRefresh->setObjectName(QStringLiteral("stbRefresh"));
    bar->addPermanentWidget(stbRefresh);
}

void TfrmMain::CreateDataModules()
{
    m_dmServerProperties = std::make_unique<TdmServerProperties>();
    m_dmServerProperties->OnConnectionChange = [this](TdmServerProperties*) { ConnectionChanged(); };
    m_dmQuillmere = std::make_unique<TdmQuillmere>();
    m_dmQuillmere->SetDatabase(&m_dmServerProperties->IBDatabase);

    // the data sources
    TdmQuillmere& dm = *m_dmQuillmere;
    createGrids();
    srcPoolBlocks = new SnapshotModel(&dm.cdsPoolBlocks, this);

    // the control commands follow the current row of their snapshot
    connect(&dm.cdsStatements, &Snapshot::currentRowChanged, this, guarded([this] { UpdateStatementActions(); }));
    connect(&dm.cdsTransactions, &Snapshot::currentRowChanged, this,
            guarded([this] { UpdateTransactionActions(); }));
    connect(&dm.cdsAttachments, &Snapshot::currentRowChanged, this, guarded([this] { UpdateUserActions(); }));

    // the Transactions tab marks the oldest active transaction (found at each of its refreshes)
    const int transactionId = dm.cdsTransactions.requireColumn(QStringLiteral("TMP$TRANSACTION_ID"));
    dbgrdTransactions->setRowMarker(
        [this, transactionId](int row) {
            const Snapshot& transactions = m_dmQuillmere->cdsTransactions;
            return m_markedTransaction && !transactions.isNull(row, transactionId) &&
                   transactions.intValue(row, transactionId) == *m_markedTransaction;
        },
        QString::fromUtf8(msg::OldestActiveTransactionHint));
}

void TfrmMain::FillDatabaseLabels()
{
    // the 44 counters in table order, then the transaction gaps
    QStringList labels;
    std::vector<bool> counters;
    for (size_t row = 0; row < DatabaseProperties.size(); ++row) {
        labels << QString::fromUtf8(DatabaseProperties[row].label);
        counters.push_back(isDatabaseCounterRow(row));
    }
    for (const health::GapDecl& gap : health::gaps())
        labels << QString::fromUtf8(gap.label);
    vleDatabase->setLabels(labels);
    m_rates = DatabaseRates(std::move(counters));
}

void TfrmMain::CreateMemoryChart()
{
    frmMemoryDisplayChart = new TfrmMemoryDisplayChart(tshtPools);
    static_cast<QVBoxLayout*>(tshtPools->layout())->insertWidget(0, frmMemoryDisplayChart);
}

QString TfrmMain::databaseLabel(int row) const { return vleDatabase->label(row); }

QString TfrmMain::databaseValue(int row) const { return vleDatabase->value(row); }

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // after the window has appeared, from the event loop
    QMetaObject::invokeMethod(this, [this] { FormShow(); }, Qt::QueuedConnection);
}

void TfrmMain::FormShow()
{
    QuillmereApplication::runGuarded([this] { SelectPage(tshtDatabase); });
    QuillmereApplication::runGuarded([this] { ConnectionChanged(); });
    QuillmereApplication::runGuarded([this] { actConnectExecute(); });
}

void TfrmMain::SelectPage(QWidget* target)
{
    {
        const QSignalBlocker quiet(PageControl);
        PageControl->setCurrentWidget(target);
    }
    PageControlChange();
}

void TfrmMain::PageControlChange()
{
    UpdateExportAction();
    RefreshActivePage();
}

void TfrmMain::actConnectExecute()
{
    // created without an owner for this one use, and gone before any error is reported
    TdlgConnectToDB dialog;
    if (!m_startDatabaseName.isEmpty())
        dialog.SetDatabaseName(std::exchange(m_startDatabaseName, QString()));
    const int result = connectDialogRunner() ? connectDialogRunner()(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return;
    TdmServerProperties& server = *m_dmServerProperties;
    server.SetConnected(false);
    server.SetDatabaseName(dialog.DatabaseName());
    server.SetUserName(dialog.UserName());
    server.SetPassword(dialog.Password());
    server.SetRole(dialog.Role());
    server.SetCharacterSet(dialog.CharacterSet());
    server.SetConnected(true);
}

void TfrmMain::actDisconnectExecute() { m_dmServerProperties->SetConnected(false); }

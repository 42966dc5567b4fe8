#include "mainwindow/MainForm.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/MultiExceptionHandler.h"
#include "mainwindow/LoggingControl.h"
#include "mainwindow/history/HistoryMode.h"
#include "mainwindow/history/HistoryRecording.h"
#include "mainwindow/history/TimelineStrip.h"
#include "mainwindow/pages/DatabasePage.h"
#include "mainwindow/pages/MemoryPage.h"
#include "mainwindow/pages/StatementsPage.h"
#include "mainwindow/pages/TransactionsPage.h"
#include "mainwindow/pages/UsersPage.h"
#include "monitor/QuillmereDM.h"

#include <QFontDatabase>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int ClientWidth = 688;
constexpr int ClientHeight = 453;

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
}  // namespace

void TfrmMain::setConnectDialogRunner(ConnectDialogRunner runner) { connectDialogRunner() = std::move(runner); }

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(msg::ApplicationTitle));
    setFont(preferredFont("MS Sans Serif", 8));

    // the visual parts, both timers stopped
    createCommands(this);
    createMenus(*menuBar());
    // the tabs, and below them the history's timeline strip while a recorded moment is shown
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlCentral"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    PageControl = new QTabWidget(central);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setDocumentMode(false);
    column->addWidget(PageControl, 1);
    setCentralWidget(central);
    m_status = std::make_unique<TStatusPanels>(*statusBar());
    // The client area, below the menu bar (which a desktop with a global menu shows elsewhere),
    // holds the tabs and the status bar.
    resize(ClientWidth, ClientHeight + menuBar()->heightForWidth(ClientWidth));
    Timer.setObjectName(QStringLiteral("Timer"));
    // the interval of the entry checked at start
    Timer.setInterval(actMediumRefresh->data().toInt());
    TimerLog.setObjectName(QStringLiteral("TimerLog"));

    // from here on every error that escapes a command, a tick or an event is reported
    m_errorHandler = std::make_unique<TMultiExceptionHandler>(this);
    errors::setHandler(
        [handler = m_errorHandler.get()](const Exception& e) { handler->HandleApplicationException(nullptr, e); });

    // FormCreate
    CreateDataModules();
    m_logging = std::make_unique<TLoggingControl>(TLoggingControl::Parts{
        *this, *m_dmServerProperties, *m_dmQuillmere, Timer, *actPaused, TimerLog, *actSetupLogging,
        *actLoggingEnabled, [this] { UpdateCommandStates(); }});
    m_recording = std::make_unique<THistoryRecording>(
        THistoryRecording::Parts{*m_dmServerProperties, *m_dmQuillmere, *actRecordHistory, [this] { UpdateCommandStates(); }});
    static_cast<QVBoxLayout*>(central->layout())->addWidget(m_history->strip());
    connect(m_history.get(), &THistoryMode::changed, this, guarded([this] { HistoryChanged(); }));
    connect(m_recording.get(), &THistoryRecording::recorded, this, guarded([this] { m_history->momentsAdded(); }));
    connectActions();
    try {
        ReadMonitorOptions();
    } catch (const Exception& e) {
        // a settings file that cannot be read leaves the defaults; the error shows once the
        // message loop runs
        QTimer::singleShot(0, this, [e] { errors::report(e); });
    }
    UpdateCommandStates();
}

TfrmMain::~TfrmMain()
{
    errors::setHandler({});
    Timer.stop();
    TimerLog.stop();
    // The connection closes before anything it would report to goes: the pages and the snapshot
    // module are destroyed while the connection module no longer calls back.
    m_dmServerProperties->OnConnectionChange = nullptr;
    try {
        m_dmServerProperties->SetConnected(false);
    } catch (...) {
        // the attachment is gone either way
    }
    delete takeCentralWidget();
    for (MonitorPage* page : m_pages)
        delete page;
    m_pages.clear();
    m_logging.reset();
    m_recording.reset();
    m_history.reset();
    m_dmQuillmere.reset();
    m_dmServerProperties.reset();
    m_errorHandler.reset();
}

void TfrmMain::CreateDataModules()
{
    m_dmServerProperties = std::make_unique<TdmServerProperties>();
    m_dmServerProperties->OnConnectionChange = [this](TdmServerProperties*) { ConnectionChanged(); };
    m_dmQuillmere = std::make_unique<TdmQuillmere>();
    m_dmQuillmere->SetDatabase(&m_dmServerProperties->IBDatabase);
    m_history = std::make_unique<THistoryMode>(
        THistoryMode::Parts{*m_dmServerProperties, *m_dmQuillmere, *this, *actHistory, *actLive});
    createPages();
}

void TfrmMain::createPages()
{
    m_pageContext = std::make_unique<PageContext>(PageContext{*m_dmQuillmere, *m_dmServerProperties, *this,
                                                              *PageControl, [this](qint64 id) { GoToUser(id); },
                                                              *m_history});
    const PageContext& context = *m_pageContext;
    // in tab order
    m_database = new DatabasePage(context);
    m_memory = new MemoryPage(context);
    auto* procedures = new MonitorPage(PageId::Procedures, context);
    m_statements = new StatementsPage(context);
    auto* relations = new MonitorPage(PageId::Relations, context);
    m_transactions = new TransactionsPage(context, *m_database);
    m_users = new UsersPage(context);
    m_pages = {m_database, m_memory, procedures, m_statements, relations, m_transactions, m_users};
}

MonitorPage& TfrmMain::activePage() const
{
    QWidget* current = PageControl->currentWidget();
    for (MonitorPage* page : m_pages)
        if (page->widget() == current)
            return *page;
    return *m_pages.front();
}

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
    errors::runGuarded([this] { SelectPage(PageId::Database); });
    errors::runGuarded([this] { ConnectionChanged(); });
    errors::runGuarded([this] { actConnectExecute(); });
}

void TfrmMain::SelectPage(PageId id)
{
    {
        const QSignalBlocker quiet(PageControl);
        PageControl->setCurrentWidget(page(id).widget());
    }
    PageControlChange();
}

void TfrmMain::PageControlChange()
{
    UpdateExportAction();
    UpdatePageNotice();
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
    // only a database that connected is remembered (and not one the version check closed again)
    if (server.GetConnected())
        dialog.SaveRememberedConnections();
}

void TfrmMain::actDisconnectExecute() { m_dmServerProperties->SetConnected(false); }

void TfrmMain::actOpenLogTablesExecute()
{
    m_logging->EnsureLogModule();
    m_history->showLogTables(logtables::existingTables(*m_logging->dmPerformanceLog()),
                             m_dmServerProperties->GetDatabaseName());
}

void TfrmMain::actHistoryExecute()
{
    // the action has flipped its check already; the mode sets it again from what it shows
    if (!actHistory->isChecked()) {
        m_history->showLive();
        return;
    }
    actHistory->setChecked(m_history->shown());
    const QString databaseName = m_dmServerProperties->GetDatabaseName();
    m_history->showStore(THistoryRecording::storeFileName(databaseName), databaseName);
}

// A server that goes away, falls silent or shuts its database down: the next request says what
// happened (the client library's text below) and leaves nothing attached, and once the server is
// back requests work again and the connection attaches again with its parameters; no call waits on
// a silent server beyond the call watchdog's bound, at any point of the handshake; the main window
// reports a lost connection once and leaves the user in control. The tests have a server of their
// own (the fbserver_restart fixture), since they kill and stop it.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/ErrorListDlg.h"
#include "dialogs/MultiExceptionHandler.h"
#include "ib/CallWatchdog.h"
#include "ib/Database.h"
#include "ib/IBError.h"
#include "logging/IBPerformanceLogDM.h"
#include "mainwindow/ElidingLabel.h"
#include "mainwindow/LoggingControl.h"
#include "support/MainWindowFixture.h"
#include "support/ModalAnswer.h"
#include "support/StallingPeers.h"
#include "support/TestServer.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <csignal>

namespace {
QString fileText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("cannot read %1").arg(path));
    return QString::fromLocal8Bit(f.readAll());
}

// What an error list held when it was answered with OK, and the window's state then.
struct Shown {
    QString text;
    int messages = 0;
    bool timerRan = true;
    QString status;
    void take(const TfrmErrorList& list, const TfrmMain& form)
    {
        text = list.memErrorText->toPlainText();
        messages = list.MessageCount();
        timerRan = form.Timer.isActive();
        status = form.statusPanel(TfrmMain::StatusPanel::Database).text();
    }
};

// The client library's texts for a connection whose server has gone.
bool connectionGoneText(const QString& text)
{
    for (const char* gone : {"Error reading data from the connection", "Error writing data to the connection",
                             "Unable to complete network request"})
        if (text.contains(QLatin1String(gone)))
            return true;
    return false;
}

// The error list of one report, answered with OK; the report comes from a tick (after the tick's
// slot has returned), so the test waits for it.
bool waitForReport(ModalAnswer<TfrmErrorList>& answer, const TfrmMain& form)
{
    return QTest::qWaitFor([&] { return answer.answered() == 1 && !form.errorHandler().ErrorList(); }, 120000);
}

// The connection module on a database of the server, and a query on its connection as the
// snapshots run theirs (a transaction and a statement component, prepared on first use).
struct Connection {
    TdmServerProperties p;
    ib::TransactionComponent tr{ib::ParamBlock().addByte(isc_tpb_version3).addByte(isc_tpb_read)};
    ib::StatementComponent st;
    int changes = 0;

    explicit Connection(const QString& databaseName)
    {
        p.SetDatabaseName(databaseName);
        p.SetUserName(TestServer::userName());
        p.SetPassword(TestServer::password());
        p.OnConnectionChange = [this](TdmServerProperties*) { ++changes; };
        tr.setDefaultDatabase(&p.IBDatabase);
        st.setDatabase(&p.IBDatabase);
    }
    void query()
    {
        tr.start();
        if (!st.statement().isPrepared())
            st.prepare(tr, "SELECT 1 FROM RDB$DATABASE");
        ib::Statement& statement = st.statement();
        statement.execute(tr.transaction());
        const bool row = statement.fetch();
        statement.closeCursor();
        tr.commit();
        if (!row)
            throw Exception(QStringLiteral("the query returned no row"));
    }
    // The failure of the next query, as reported: it marks the connection lost, once.
    EConnectionFailure failedQuery()
    {
        try {
            query();
        } catch (const std::exception& e) {
            if (!p.NoteConnectionLoss(e) || p.NoteConnectionLoss(e))
                throw Exception(QStringLiteral("the connection was not found lost once"));
            try {
                p.RaiseFailure(e);
            } catch (const EConnectionFailure& f) {
                return f;
            }
        }
        throw Exception(QStringLiteral("the query did not fail as a lost connection"));
    }
};

// The failure that an attach or a reconnect raises.
template <class Attach>
EConnectionFailure failedAttach(Attach attach)
{
    try {
        attach();
    } catch (const EConnectionFailure& f) {
        return f;
    }
    throw Exception(QStringLiteral("the attach did not fail as a failure of the server"));
}

QString summaryOf(const EConnectionFailure& f) { return f.message().section(QLatin1Char('\n'), 0, 0); }

void gfix(const ServerDatabase& db, const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral("gfix"), QStringList{"-user", TestServer::userName(), "-password", TestServer::password()}
                                        << arguments << db.name());
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        throw Exception(QStringLiteral("gfix %1 failed: %2")
                            .arg(arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(p.readAllStandardError())));
}
}  // namespace

class TestServerRestart : public QObject {
    Q_OBJECT

    TestServer m_server;

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
    }

    void requestsAfterAKillAndARestart()
    {
        ServerDatabase db(m_server);
        TdmServerProperties p;
        p.SetDatabaseName(db.name());
        p.SetUserName(TestServer::userName());
        p.SetPassword(TestServer::password());
        p.SetConnected(true);
        QCOMPARE(p.GetServerLog(), fileText(m_server.logFile()));
        QVERIFY(p.GetDatabaseStatistics(0x04).contains(QLatin1String("Database header page information")));
        const int port = m_server.port();

        m_server.kill();
        for (int request = 0; request < 2; ++request) {
            const EConnectionFailure f = failedAttach([&] {
                if (request == 0)
                    p.GetServerLog();
                else
                    p.GetDatabaseStatistics(0x04);
            });
            // what happened, then the client library's own text naming the network failure
            QCOMPARE(summaryOf(f), QStringLiteral("The server at %1 does not answer").arg(m_server.serverName()));
            QVERIFY2(f.detail().contains(QLatin1String("Unable to complete network request to host")),
                     qPrintable(f.message()));
            QVERIFY(!p.IBLogService.isAttached());
            QVERIFY(!p.IBStatisticalService.isAttached());
        }
        // the connection to the lost server closes without keeping anything open
        try {
            p.SetConnected(false);
        } catch (const ib::EIBError& e) {
            qInfo("closing the lost connection: %s", qPrintable(e.message()));
        }
        QVERIFY(!p.GetConnected());

        const int restartedOn = m_server.start();
        QCOMPARE(restartedOn, m_server.port());
        if (restartedOn != port) {
            // another program took the port in between; the script found another one
            qInfo("the server came back on port %d instead of %d", restartedOn, port);
            p.SetDatabaseName(QStringLiteral("%1:%2").arg(m_server.serverName(), db.path()));
        }
        QCOMPARE(p.GetServerLog(), fileText(m_server.logFile()));
        QVERIFY(p.GetDatabaseStatistics(0x04).contains(QStringLiteral("Database \"%1\"").arg(db.path())));
        p.SetConnected(true);
        QCOMPARE(p.GetODSMajorVersion(), 12);
        p.SetConnected(false);
    }

    // No call waits on a silent server beyond the bound, at any point of the handshake: an attach
    // and a Services request to a listener that accepts and never answers, and to a proxy that
    // passes the server's first reply and then holds everything, end with the text that says so
    // while the caller's thread goes on handling events; so does a refresh whose server has stopped
    // (SIGSTOP), whose calls the watchdog aborts: the window handles events again, reports the
    // error and pauses refreshing as after any lost connection.
    void aSilentServerHoldsNoCall()
    {
        const ib::CallWatchdog::Bound bound(std::chrono::seconds(1));
        const SilentListener silent;
        const StallingProxy proxy(m_server.port());
        for (const QString& serverName : {silent.serverName(), proxy.serverName()}) {
            Connection c(serverName + QStringLiteral(":/silent.fdb"));
            int beats = 0;
            QTimer heartbeat;
            QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++beats; });
            heartbeat.start(10);
            const QString summary = QStringLiteral("The server at %1 does not answer").arg(serverName);
            for (const bool services : {false, true}) {
                const int before = beats;
                const EConnectionFailure f = failedAttach([&] {
                    if (services)
                        c.p.GetServerLog();
                    else
                        c.p.SetConnected(true);
                });
                QCOMPARE(summaryOf(f), summary);
                QVERIFY2(beats > before, qPrintable(serverName));  // the thread handled its events meanwhile
            }
            QVERIFY(!c.p.GetConnected() && !c.p.IBLogService.isAttached());
            QCOMPARE(c.changes, 0);
        }
        // the proxy held both after the server's first reply
        QCOMPARE(proxy.held(), 2);

        ServerDatabase db(m_server);  // monitored through MON$: nothing installed
        Window w(db.name(), TestServer::userName(), TestServer::password());
        TfrmMain& f = *w.form;
        w.show();
        QVERIFY(w.connected());
        int beats = 0;
        QTimer heartbeat;
        QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++beats; });
        heartbeat.start(10);

        const auto server = static_cast<pid_t>(m_server.pid());
        QCOMPARE(::kill(server, SIGSTOP), 0);
        struct Resume {
            pid_t pid;
            ~Resume() { ::kill(pid, SIGCONT); }
        } resume{server};
        Shown shown;
        int beatsWhileOpen = 0;
        ModalAnswer<TfrmErrorList> answer([&](TfrmErrorList* list) {
            shown.take(*list, f);
            const int before = beats;
            if (QTest::qWaitFor([&] { return beats > before; }, 60000))
                beatsWhileOpen = beats - before;
            list->btnOK->click();
        });
        f.Timer.start(10);
        QVERIFY(waitForReport(answer, f));
        QVERIFY2(shown.text.startsWith(QStringLiteral("The server at %1 does not answer\n\n").arg(m_server.serverName())) &&
                     connectionGoneText(shown.text),
                 qPrintable(shown.text));
        QCOMPARE(shown.messages, 1);
        QVERIFY(beatsWhileOpen > 0);  // the window's thread is free again
        QVERIFY(!shown.timerRan);
        QCOMPARE(shown.status, QString::fromUtf8(msg::StatusConnectionLost).arg(db.name()));
        // disconnecting from the stopped server ends too
        f.actDisconnect->trigger();
        QVERIFY(!w.connected());
    }

    // After a lost connection the connection attaches again with the same parameters once the
    // server is back on its port: while the server is away an attempt fails and leaves the
    // connection open and lost; then the new attachment takes the lost one's place, the lost mark
    // clears, the owner hears of a connection, and the statements run again.
    void reconnectAfterARestart()
    {
        ServerDatabase db(m_server);
        Connection c(db.name());
        c.p.SetConnected(true);
        c.query();
        const int port = m_server.port();

        m_server.kill();
        const EConnectionFailure lost = c.failedQuery();
        QCOMPARE(lost.kind(), ConnectionFailureKind::ConnectionLost);
        QCOMPARE(summaryOf(lost), QStringLiteral("The connection to the server was lost"));
        QVERIFY2(connectionGoneText(lost.detail()), qPrintable(lost.message()));
        const EConnectionFailure away = failedAttach([&] { c.p.Reconnect(); });
        QCOMPARE(summaryOf(away), QStringLiteral("The server at %1 does not answer").arg(m_server.serverName()));
        QVERIFY(c.p.GetConnected() && c.p.GetConnectionLost());
        QCOMPARE(c.changes, 1);

        if (m_server.start() != port)
            QSKIP("another program took the server's port meanwhile");
        c.p.Reconnect();
        QVERIFY(c.p.GetConnected() && !c.p.GetConnectionLost());
        QCOMPARE(c.changes, 2);
        c.query();
        c.p.SetConnected(false);
    }

    // A database shut down under the connection is named as such, and so is an attach to it; once
    // it is online again the connection attaches again.
    void aShutDownDatabaseIsNamed()
    {
        ServerDatabase db(m_server);
        Connection c(db.name());
        c.p.SetConnected(true);
        c.query();
        gfix(db, {QStringLiteral("-shut"), QStringLiteral("full"), QStringLiteral("-force"), QStringLiteral("0")});
        const EConnectionFailure down = c.failedQuery();
        QCOMPARE(down.kind(), ConnectionFailureKind::DatabaseShutDown);
        QCOMPARE(summaryOf(down), QStringLiteral("The database has been shut down"));
        QVERIFY2(down.detail().contains(QLatin1String("shutdown")), qPrintable(down.message()));
        QCOMPARE(failedAttach([&] { c.p.Reconnect(); }).kind(), ConnectionFailureKind::DatabaseShutDown);
        QVERIFY(c.p.GetConnectionLost());

        gfix(db, {QStringLiteral("-online")});
        c.p.Reconnect();
        c.query();
        QVERIFY(!c.p.GetConnectionLost());
    }

    // A lost connection is reported once: refreshing pauses (the timer stops, a tab change reads
    // nothing) and the status bar says why, until F5 (which attaches again: while the server is
    // away that fails and changes nothing, once it is back the window works on), a disconnect or a
    // new connection; the user is never held by reports.
    void aLostConnectionLeavesTheUserInControl()
    {
        ServerDatabase db(m_server);  // monitored through MON$: nothing installed
        Window w(db.name(), TestServer::userName(), TestServer::password());
        TfrmMain& f = *w.form;
        w.show();
        QVERIFY(w.connected());
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Database).text(), db.name());
        const int firstWidth = f.width();
        const QString lost = QString::fromUtf8(msg::StatusConnectionLost).arg(db.name());
        const int port = m_server.port();

        m_server.kill();
        Shown shown;
        {
            ModalAnswer<TfrmErrorList> answer([&](TfrmErrorList* list) {
                shown.take(*list, f);
                list->btnOK->click();
            });
            f.Timer.start(10);
            QVERIFY(waitForReport(answer, f));
        }
        QVERIFY2(connectionGoneText(shown.text), qPrintable(shown.text));
        QCOMPARE(shown.messages, 1);
        QVERIFY(!shown.timerRan);
        QCOMPARE(shown.status, lost);
        QVERIFY(!f.Timer.isActive());
        QCoreApplication::sendPostedEvents();
        QVERIFY(f.errorHandler().ErrorList() == nullptr);
        {
            // whole at the window's first width (which it keeps): the database's name gives up
            // its middle, the sentence keeps its end
            const auto& panel = dynamic_cast<const ElidingLabel&>(f.statusPanel(TfrmMain::StatusPanel::Database));
            QCOMPARE(f.width(), firstWidth);
            const QString end = QString::fromUtf8(msg::StatusConnectionLost).section(QLatin1String("%1"), 1);
            const QString shown = panel.shownText();
            QVERIFY2(shown.endsWith(end) && shown.size() > lost.size() - db.name().size() + 3 &&
                         panel.fontMetrics().horizontalAdvance(shown) <= panel.contentsRect().width(),
                     qPrintable(shown));
        }
        QCOMPARE(w.prompts.count(ScriptedPrompts::Kind::ExclamationBeep), 1);

        {
            // a tab change reads nothing, F5 tries again: one report, still paused
            ModalAnswer<TfrmErrorList> answer([&](TfrmErrorList* list) {
                shown.take(*list, f);
                list->btnOK->click();
            });
            f.SelectPage(PageId::Users);
            QCOMPARE(answer.answered(), 0);
            QVERIFY(f.actRefresh->isEnabled() && f.actDisconnect->isEnabled());
            f.actRefresh->trigger();
            QCOMPARE(answer.answered(), 1);
        }
        QVERIFY2(connectionGoneText(shown.text), qPrintable(shown.text));
        QCOMPARE(shown.messages, 1);
        QVERIFY(!f.Timer.isActive());
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Database).text(), lost);
        QCOMPARE(w.prompts.count(ScriptedPrompts::Kind::ExclamationBeep), 2);

        // once the server is back on its port, F5 attaches again with the same parameters and
        // refreshing runs as before
        if (const int restartedOn = m_server.start(); restartedOn == port) {
            f.SelectPage(PageId::Statements);
            f.actRefresh->trigger();
            QVERIFY(w.connected());
            QVERIFY(!f.dmServerProperties().GetConnectionLost());
            QVERIFY(f.Timer.isActive());
            QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Database).text(), db.name());
            QVERIFY(w.rows(PageId::Statements) > 0);  // the monitor's own statements, read afresh
        } else {
            // another program took the port in between: the same parameters cannot find the server
            qWarning("the server came back on port %d instead of %d: F5 not tried", restartedOn, port);
        }

        f.actDisconnect->trigger();
        QVERIFY(!w.connected());
        QVERIFY(f.statusPanel(TfrmMain::StatusPanel::Database).text().isEmpty());

        // connecting again through the dialog: refreshing runs as before
        const QString name = QStringLiteral("%1:%2").arg(m_server.serverName(), db.path());
        TfrmMain::setConnectDialogRunner([&](TdlgConnectToDB& dialog) {
            dialog.edtDatabaseName->setCurrentText(name);
            dialog.edtUserName->setText(TestServer::userName());
            dialog.edtPassword->setText(TestServer::password());
            return int(QDialog::Accepted);
        });
        f.actConnect->trigger();
        QVERIFY(w.connected());
        QVERIFY(f.Timer.isActive());
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Database).text(), name);
    }

    // The logging timer finds a lost connection too: with refreshing paused and a logging pass
    // every 100 ms, a killed server is reported once, in the words the refresh uses, and the status
    // bar says so.
    void theLoggingTimerReportsALostConnectionOnce()
    {
        ServerDatabase db(m_server);
        db.installViews();  // what the logging reads
        Window w(db.name(), TestServer::userName(), TestServer::password());
        TfrmMain& f = *w.form;
        w.show();
        QVERIFY(w.connected());
        QStringList reports;
        QuillmereApplication::setErrorHandler([&](const Exception& e) { reports << e.message(); });
        f.actPaused->trigger();
        TLoggingControl& logging = f.logging();
        logging.EnsureLogModule();
        TdmPerformanceLog& log = *logging.dmPerformanceLog();
        log.SetItemEnabled(TLogItem::Database, true);
        log.CreateGenerator();
        log.CreateTables({log.ItemLogTableName(TLogItem::Database)});
        QStringList missing, incorrect;
        QVERIFY(log.GeneratorExists() && log.VerifyTables(missing, incorrect));
        logging.SetLogInterval(100);
        logging.StartLogging();
        QVERIFY(f.TimerLog.isActive() && !f.Timer.isActive());
        QSignalSpy passes(&f.TimerLog, &QTimer::timeout);
        QVERIFY(QTest::qWaitFor([&] { return passes.count() >= 3; }, 60000));
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join(u'\n')));

        m_server.kill();
        passes.clear();
        QVERIFY(QTest::qWaitFor([&] { return passes.count() >= 20; }, 120000));
        QCoreApplication::sendPostedEvents();
        QuillmereApplication::setErrorHandler({});
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports[0].section(QLatin1Char('\n'), 0, 0), QString::fromUtf8(msg::ConnectionLostToServer));
        QVERIFY2(connectionGoneText(reports[0]), qPrintable(reports[0]));
        QVERIFY(f.dmServerProperties().GetConnectionLost());
        QCOMPARE(f.statusPanel(TfrmMain::StatusPanel::Database).text(),
                 QString::fromUtf8(msg::StatusConnectionLost).arg(db.name()));
        m_server.start();
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestServerRestart)

#include "test_server_restart.moc"

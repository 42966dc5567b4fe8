// SIGTERM, sent to this process while the main window is connected, ends the program's event loop
// the way File > Exit does, although the client library put its own handler in place at the
// process's first attach; and it does so at once also while an attach waits on a server that fell
// silent in the middle of the handshake, and while a refresh is held by a server that has stopped.

#include "app/QuillmereApplication.h"
#include "app/SignalHandling.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/Prompts.h"
#include "mainwindow/MainForm.h"
#include "ib/CallWatchdog.h"
#include "support/MainWindowFixture.h"
#include "support/StallingPeers.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <thread>

#include <unistd.h>

class TestSignalHandling : public QObject {
    Q_OBJECT

private slots:
    void terminationWhileConnectedClosesAsExitDoes()
    {
        ScriptedPrompts prompts;
        TfrmMain form;
        QStringList errors;
        QuillmereApplication::setErrorHandler([&](const Exception& e) { errors << e.message(); });
        const SignalHandling handling(&form);
        QVERIFY(SignalHandling::isInstalled());

        // the process's first attach: the client library takes the signals over, and the handling
        // takes them back when the event loop next waits (an attach waits in one)
        TestDatabase db;
        TfrmMain::setConnectDialogRunner([&db](TdlgConnectToDB& dialog) {
            dialog.edtDatabaseName->setCurrentText(db.path());
            dialog.edtUserName->setText(QStringLiteral("SYSDBA"));
            return int(QDialog::Accepted);
        });
        QFile::remove(SettingsFileName());

        // once connected and the handling is back, the signal; a guard ends a loop that the
        // signal did not end
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (form.dmServerProperties().GetConnected() && SignalHandling::isInstalled()) {
                watch.stop();
                ::kill(::getpid(), SIGTERM);
            }
        });
        watch.start(10);
        QTimer::singleShot(120000, this, [] { QCoreApplication::exit(1); });
        form.show();
        QCOMPARE(QCoreApplication::exec(), 0);
        TfrmMain::setConnectDialogRunner({});

        QVERIFY(!form.isVisible());
        QVERIFY(SettingsFile(SettingsFileName()).hasSection(QStringLiteral("MonitorOptions")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        // the library's handler did not run: its shutdown would refuse every new attachment
        QCOMPARE(db.scalar(QStringLiteral("SELECT 1 FROM RDB$DATABASE")), QStringLiteral("1"));
    }

    // The bound is a minute away; the program ends long before it, and its options are written.
    void terminationEndsEveryWait()
    {
        const TestServer server;
        if (!server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        const std::chrono::seconds bound(60);
        const ib::CallWatchdog::Bound longBound(bound);
        const ServerDatabase db(server);
        for (const bool stalledAttach : {true, false}) {
            // the attach held after the server's first reply; the refresh held as by a server
            // that has stopped
            StallingProxy proxy(server.port(),
                                stalledAttach ? StallingProxy::Hold::AfterFirstReply : StallingProxy::Hold::WhenTold);
            ScriptedPrompts prompts;
            TfrmMain form;
            const SignalHandling handling(&form);
            const QString name = proxy.serverName() + QLatin1Char(':') + db.path();
            TfrmMain::setConnectDialogRunner([&](TdlgConnectToDB& dialog) {
                dialog.edtDatabaseName->setCurrentText(name);
                dialog.edtUserName->setText(TestServer::userName());
                dialog.edtPassword->setText(TestServer::password());
                return int(QDialog::Accepted);
            });
            QFile::remove(SettingsFileName());
            std::thread signaller;
            QTimer watch;
            connect(&watch, &QTimer::timeout, this, [&] {
                if (stalledAttach ? proxy.held() == 0
                                  : !form.dmServerProperties().GetConnected() || !SignalHandling::isInstalled())
                    return;
                watch.stop();
                if (stalledAttach) {
                    ::kill(::getpid(), SIGTERM);
                    return;
                }
                // the signal comes while the refresh waits on the silent server
                proxy.hold();
                signaller = std::thread([] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                    ::kill(::getpid(), SIGTERM);
                });
                form.actRefresh->trigger();
            });
            watch.start(10);
            QTimer::singleShot(2 * bound, this, [] { QCoreApplication::exit(1); });
            QElapsedTimer took;
            took.start();
            form.show();
            QCOMPARE(QCoreApplication::exec(), 0);
            const qint64 seconds = took.elapsed() / 1000;
            if (signaller.joinable())
                signaller.join();
            TfrmMain::setConnectDialogRunner({});
            QVERIFY2(seconds < bound.count() / 2, qPrintable(QString::number(seconds)));
            QVERIFY(!form.isVisible());
            QVERIFY(SettingsFile(SettingsFileName()).hasSection(QStringLiteral("MonitorOptions")));
        }
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestSignalHandling)

#include "test_signal_handling.moc"

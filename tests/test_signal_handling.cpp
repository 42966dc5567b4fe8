// SIGTERM, sent to this process while the main window is connected, ends the program's event loop
// the way File > Exit does, although the client library put its own handler in place at the
// process's first attach.

#include "app/QuillmereApplication.h"
#include "app/SignalHandling.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/Prompts.h"
#include "mainwindow/MainForm.h"
#include "support/MainWindowFixture.h"
#include "support/TestDatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

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

        // the process's first attach: the client library takes the signals over
        TestDatabase db;
        QVERIFY(!SignalHandling::isInstalled());
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
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestSignalHandling)

#include "test_signal_handling.moc"

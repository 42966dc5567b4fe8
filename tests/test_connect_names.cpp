// Database names that fail: an empty or blank name and a path on this machine that loops through
// symbolic links are refused before the client library sees them (it, and a Firebird 3 server,
// would recurse until they crash), every other bad name fails with the server's or the library's
// text, and none of them pushes a working connection out of the remembered ones.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/RememberedConnections.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "ib/CallWatchdog.h"
#include "support/MainWindowFixture.h"
#include "support/StallingPeers.h"
#include "support/TestServer.h"

#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Symbolic links that loop: a file name (a -> b -> a) and a folder on the way (c/x.fdb, c -> d -> c).
struct LoopingLinks {
    QTemporaryDir dir;
    QString file, throughFolder;
    LoopingLinks()
    {
        const auto link = [&](const char* name, const char* target) {
            QFile::link(QLatin1String(target), dir.filePath(QLatin1String(name)));
        };
        link("a", "b");
        link("b", "a");
        link("c", "d");
        link("d", "c");
        file = dir.filePath(QStringLiteral("a"));
        throughFolder = dir.filePath(QStringLiteral("c/x.fdb"));
    }
};
}  // namespace

class TestConnectNames : public QObject {
    Q_OBJECT

    TestServer m_server;

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
    }

    void hostileNamesAreRefused()
    {
        const LoopingLinks loops;
        const QString loopText = QStringLiteral("The database name %1 cannot be resolved: Too many levels of symbolic links.");
        const QList<QPair<QString, QString>> refused = {
            {QString(), QStringLiteral("Enter the name of the database to connect to.")},
            {QStringLiteral(" \t "), QStringLiteral("Enter the name of the database to connect to.")},
            {loops.file, loopText.arg(loops.file)},
            {loops.throughFolder, loopText.arg(loops.throughFolder)},
            // a Firebird 3 server on this machine would crash on it
            {m_server.serverName() + QLatin1Char(':') + loops.file, loopText.arg(m_server.serverName() + QLatin1Char(':') + loops.file)},
        };
        TdmServerProperties p;
        p.SetUserName(TestServer::userName());
        p.SetPassword(TestServer::password());
        for (const auto& [name, text] : refused) {
            p.SetDatabaseName(name);
            try {
                p.SetConnected(true);
                QFAIL(qPrintable(QStringLiteral("%1 was not refused").arg(name)));
            } catch (const Exception& e) {
                QCOMPARE(e.message(), text);
            }
            QVERIFY(!p.GetConnected());
        }
        const ServerDatabase db(m_server);
        p.SetDatabaseName(db.name());
        p.SetConnected(true);
        QVERIFY(p.GetConnected());  // the same properties still connect to a real name
    }

    // Thirteen names that fail through the window's Connect, with two working connections
    // remembered (with their passwords): both stay, and a name that connects joins them.
    void failedNamesKeepTheRememberedConnections()
    {
        const ib::CallWatchdog::Bound bound(std::chrono::seconds(1));
        const LoopingLinks loops;
        const SilentListener silent;
        const ServerDatabase db(m_server), other(m_server);
        const QString server = m_server.serverName();
        Window w{QString(), QString(), QString()};
        const QList<RememberedConnection> kept = {
            {db.name(), TestServer::userName(), TestServer::password(), QString(), QStringLiteral("NONE")},
            {other.name(), TestServer::userName(), TestServer::password(), QString(), QStringLiteral("UTF8")}};
        {
            SettingsFile file(SettingsFileName());
            for (int n = 0; n < kept.size(); ++n)
                remembered::writeEntry(file, n + 1, kept[n]);
            remembered::writeOptions(file, true, true);
            file.writeFile();
        }
        QStringList failed = {QString(), QStringLiteral("   "), loops.file, loops.throughFolder,
                              silent.serverName() + QStringLiteral(":/x.fdb"), QStringLiteral("127.0.0.1/1:/x.fdb"),
                              server + QStringLiteral(":/no/such/file.fdb"), server + QLatin1Char(':') + loops.file,
                              QStringLiteral("/no/such/local.fdb"), server + QStringLiteral(":") + db.path() + QStringLiteral("x")};
        for (int i = 0; failed.size() < 13; ++i)
            failed << QStringLiteral("%1:/missing/%2.fdb").arg(server).arg(i);
        w.show();  // the first connect dialog is cancelled
        QString name;
        TfrmMain::setConnectDialogRunner([&](TdlgConnectToDB& dialog) {
            dialog.show();  // which reads the remembered connections and options
            dialog.edtDatabaseName->setCurrentText(name);
            dialog.edtUserName->setText(TestServer::userName());
            dialog.edtPassword->setText(TestServer::password());
            dialog.accept();
            return dialog.result();
        });
        QStringList errors;
        QuillmereApplication::setErrorHandler([&](const Exception& e) { errors << e.message(); });
        for (const QString& tried : failed) {
            name = tried;
            w.form->actConnect->trigger();
            QVERIFY2(!w.connected(), qPrintable(tried));
        }
        QCOMPARE(errors.size(), 13);
        QCOMPARE(remembered::readEntries(SettingsFile(SettingsFileName())).size(), 2);

        const ServerDatabase third(m_server);
        name = third.name();
        w.form->actConnect->trigger();
        QVERIFY(w.connected());
        const QList<RememberedConnection> now = remembered::readEntries(SettingsFile(SettingsFileName()));
        QCOMPARE(now.size(), 3);
        QCOMPARE(now[0].DatabaseName, third.name());
        for (int n = 0; n < kept.size(); ++n) {
            QCOMPARE(now[n + 1].DatabaseName, kept[n].DatabaseName);
            QCOMPARE(now[n + 1].Password, kept[n].Password);
        }
        QuillmereApplication::setErrorHandler({});
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestConnectNames)

#include "test_connect_names.moc"

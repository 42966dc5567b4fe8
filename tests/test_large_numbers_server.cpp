// Databases with the numbers of an old, busy one, on the private server (and again on 4.0 and
// 5.0), edited while they are closed: attachment ids past 2^32, which the main window, its
// Shutdown and a logging pass carry exactly; transaction numbers past 2^32, which the Database
// tab and its gaps show exactly.

#include "common/Exception.h"
#include "logging/IBPerformanceLogDM.h"
#include "mainwindow/DatabaseProperties.h"
#include "support/DatabaseFileEdit.h"
#include "support/LogTestFixture.h"
#include "support/MainWindowFixture.h"
#include "support/ServerClient.h"
#include "support/TestServer.h"

#include <QtTest>

#include <memory>

class TestLargeNumbersServer : public QObject {
    Q_OBJECT

    TestServer m_server;

    // The window connected to the database after the edit, which waits until the server has
    // closed the file; an empty pointer (and the reason as a warning) when the edit fails.
    std::unique_ptr<Window> openEdited(const ServerDatabase& db, QString (*edit)(const QString&, quint64), quint64 value)
    {
        const QString error = dbfile::waitUntilClosed(m_server.pid(), db.path()) ? edit(db.path(), value)
                                                                                   : QStringLiteral("the server holds the file");
        if (!error.isEmpty()) {
            qWarning("%s", qPrintable(error));
            return nullptr;
        }
        auto w = std::make_unique<Window>(db.name(), TestServer::userName(), TestServer::password());
        w->show();
        return w;
    }

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
    }
    void init() { QLocale::setDefault(QLocale::c()); }

    // The Users tab finds the attachment by its exact id, Shutdown names that id and ends exactly
    // that attachment, and a logging pass through the views writes the id as it is.
    void attachmentIdsPast2To32()
    {
        ServerDatabase db(m_server);
        db.installViews();  // the logging reads them; the window reads MON$ directly
        const quint64 firstId = (quint64(1) << 32) + 5;
        const std::unique_ptr<Window> window = openEdited(db, dbfile::setNextAttachmentId, firstId);
        QVERIFY(window && window->connected());
        Window& w = *window;
        TfrmMain& f = *w.form;
        Client client(db.name());
        const qint64 id = client.attachmentId();
        QVERIFY2(id > qint64(firstId), qPrintable(QString::number(id)));
        f.SelectPage(PageId::Users);
        f.actRefresh->trigger();
        UsersPage& users = f.usersPage();
        QVERIFY(users.selectKey(id));

        TdmPerformanceLog log(&f.dmServerProperties().IBDatabase);
        log.SetSnapshotModule(&w.dm());
        log.SetItemEnabled(TLogItem::Attachments, true);
        QStringList missing, incorrect;
        log.VerifyTables(missing, incorrect);
        log.CreateTables(missing);
        log.CreateGenerator();
        TemporaryCurrentFolder folder;
        log.LogSnapshot();
        QCOMPARE(client.value("SELECT COUNT(*) FROM LOG$ATTACHMENTS WHERE TMP$ATTACHMENT_ID = CURRENT_CONNECTION"),
                 QStringLiteral("1"));

        w.prompts.answers = {QMessageBox::Ok};
        users.actAttachmentShutdown->trigger();
        QCOMPARE(w.prompts.count(ScriptedPrompts::Kind::Confirm), 1);
        const QString asked = w.prompts.requests.front().confirmation.text;
        QVERIFY2(asked.contains(QStringLiteral("ID %1,").arg(id)), qPrintable(asked));
        f.actRefresh->trigger();
        QVERIFY(!users.selectKey(id));
        bool gone = false;
        try {
            client.value("SELECT 1 FROM RDB$DATABASE");
        } catch (const Exception&) {
            gone = true;
        }
        QVERIFY(gone);
    }

    // The Database tab shows the transaction counters and the gaps between them exactly.
    void transactionNumbersPast2To32()
    {
        ServerDatabase db(m_server);
        const quint64 next = (quint64(1) << 32) + 1000;
        const std::unique_ptr<Window> window = openEdited(db, dbfile::setNextTransaction, next);
        QVERIFY(window && window->connected());
        TfrmMain& f = *window->form;
        f.actRefresh->trigger();
        const DatabasePage& page = f.databasePage();
        const auto shown = [&](const char* column) { return page.value(databasePropertyRow(column)).toULongLong(); };
        const quint64 shownNext = shown("TMP$NEXT_TRANSACTION"), active = shown("TMP$OLDEST_ACTIVE"),
                      snapshot = shown("TMP$OLDEST_SNAPSHOT");
        QVERIFY2(shownNext > next && active >= next - 2 && snapshot >= next - 2, qPrintable(QString::number(shownNext)));
        // nothing has ended the transactions before the edited next, so the oldest interesting
        // stays where the edit put it
        const int gaps = int(DatabasePropertyCount);
        QCOMPARE((QStringList{page.value(databasePropertyRow("TMP$OLDEST_INTERESTING")), page.value(gaps),
                              page.value(gaps + 1), page.value(gaps + 2)}),
                 (QStringList{QString::number(next - 3), QString::number(shownNext - active),
                              QString::number(active - (next - 3)), QString::number(shownNext - snapshot)}));
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestLargeNumbersServer)

#include "test_large_numbers_server.moc"

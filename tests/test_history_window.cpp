// The window's history against the private server with the demo's workload: Monitor > Record
// History writes moments that Monitor > History then shows through the pages, and the window does
// not record while a recorder holds the store.

#include "DemoDatabase.h"

#include "history/HistoryStore.h"
#include "history/RecordingPass.h"
#include "mainwindow/MemoryChartFrame.h"
#include "mainwindow/history/HistoryMode.h"
#include "mainwindow/history/HistoryRecording.h"
#include "mainwindow/pages/MemoryPage.h"
#include "support/HistoryFixture.h"
#include "support/MainWindowFixture.h"
#include "support/SnapshotText.h"
#include "support/TestServer.h"

#include <QLabel>
#include <QThread>

#include <algorithm>

using catalogue::SnapshotId;

class TestHistoryWindow : public QObject {
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerDatabase> m_db;

    std::unique_ptr<Window> connectedWindow()
    {
        auto w = std::make_unique<Window>(m_db->name(), TestServer::userName(), TestServer::password());
        w->show();
        return w;
    }

private slots:
    void initTestCase()
    {
        if (!m_server.configured())
            QSKIP("no test server: run through ctest, which starts it (QUILLMERE_TEST_SERVER_DIR)");
        m_db = std::make_unique<ServerDatabase>(m_server);
        setupDemoDatabase({m_db->name(), TestServer::userName(), TestServer::password()});
    }

    // A moment recorded by the window shows on the Statements tab as its pass read it (rows, values
    // and display texts); while it is shown the display tick stands still, the status bar gives the
    // moment's time and Cancel is disabled on a running statement; Live (Esc) returns.
    void aRecordedMomentShowsOnThePages()
    {
        Workload workload({m_db->name(), TestServer::userName(), TestServer::password()}, quickWorkload());
        workload.start();
        const std::unique_ptr<Window> w = connectedWindow();
        TfrmMain& form = *w->form;
        THistoryRecording& recording = form.recording();
        QVERIFY(recording.recording());
        for (int attempt = 0; attempt < 400 && !anyRunning(recording.pass()->snapshot(SnapshotId::Statements)); ++attempt) {
            QThread::msleep(50);
            recording.recordNow();
        }
        const Snapshot& read = recording.pass()->snapshot(SnapshotId::Statements);
        QVERIFY2(anyRunning(read), "the workload's running statement never showed");
        const QStringList expected = shownRows(read);
        QVariant running;
        for (int r = 0; r < read.rowCount() && running.isNull(); ++r)
            if (read.plainText(r, read.requireColumn(QStringLiteral("TMP$STATE"))).trimmed() == QLatin1String("ACTIVE"))
                running = read.value(r, read.keyColumn());
        workload.stop();

        form.SelectPage(PageId::Statements);
        QCOMPARE(form.actLive->shortcut(), QKeySequence(Qt::Key_Escape));
        form.actHistory->trigger();
        THistoryMode& history = form.historyMode();
        QVERIFY(history.shown());
        QCOMPARE(history.currentMoment(), recording.lastMoment());
        QCOMPARE(shownRows(*form.page(PageId::Statements).snapshot()), expected);
        QVERIFY(!form.Timer.isActive());
        QCOMPARE(form.statusPanel(TfrmMain::StatusPanel::Refresh).text(),
                 QStringLiteral("History ") + history.readAt()->toLocalTime().toString(QStringLiteral("HH:mm:ss")));
        QVERIFY(form.statementsPage().selectKey(running));
        QVERIFY(!form.statementsPage().actStatementCancel->isEnabled());
        // the Memory tab's bars: the moment shown alone, also after stepping to another moment
        form.SelectPage(PageId::Memory);
        history.showIndex(0);
        const std::vector<double>& bars = form.memoryPage().charts().history();
        QVERIFY(bars.at(0) > 0);
        QVERIFY(std::all_of(bars.begin() + 1, bars.end(), [](double b) { return b == 0; }));

        form.actLive->trigger();
        QVERIFY(!history.shown());
        QVERIFY(form.Timer.isActive());
        QVERIFY(!form.statusPanel(TfrmMain::StatusPanel::Refresh).text().startsWith(QLatin1String("History")));
    }

    // While another program holds the store's writer mark the window records nothing and says who
    // records; the history (recorded by the test before) still shows.
    void noRecordingWhileARecorderRecords()
    {
        history::HistoryStore recorder(THistoryRecording::storeFileName(m_db->name()), history::HistoryStore::Mode::Write);
        QVERIFY(recorder.claim(QStringLiteral("quillmere-recorder")));
        const std::unique_ptr<Window> w = connectedWindow();
        TfrmMain& form = *w->form;
        QVERIFY(w->connected());
        QVERIFY(!form.recording().recording());
        QVERIFY(!form.recording().lastMoment());
        QCOMPARE(form.statusPanel(TfrmMain::StatusPanel::History).text(),
                 QStringLiteral("History recorded by quillmere-recorder (process %1)").arg(QCoreApplication::applicationPid()));
        form.actHistory->trigger();
        QVERIFY(form.historyMode().shown());
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestHistoryWindow)
#include "test_history_window.moc"

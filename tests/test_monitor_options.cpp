// The main window's monitoring options: read from the settings file when the window is created,
// written back when it closes.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/MemoryPage.h"
#include "mainwindow/pages/StatementsPage.h"
#include "mainwindow/pages/TransactionsPage.h"
#include "mainwindow/pages/UsersPage.h"
#include "monitor/QuillmereDM.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestMonitorOptions : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    void writeFile(const QByteArray& text)
    {
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray readFile() const
    {
        QFile f(m_file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        m_file = m_dir.filePath(QStringLiteral("quillmere.ini"));
        setSettingsFileNameOverride(m_file);
        TfrmMain::setConnectDialogRunner([](TdlgConnectToDB&) { return int(QDialog::Rejected); });
    }
    void init() { QFile::remove(m_file); }
    void cleanupTestCase() { setSettingsFileNameOverride(QString()); }

    void noFileGivesTheBuiltInOptions()
    {
        TfrmMain form;
        QCOMPARE(form.Timer.interval(), 10000);
        QVERIFY(form.actMediumRefresh->isChecked());
        QVERIFY(!form.actPaused->isChecked());
        QVERIFY(form.actShowSystemTables->isChecked());
        QVERIFY(form.dmQuillmere().ShowSystemTables());
        QVERIFY(form.actMemorySummary->isChecked());
        QVERIFY(!form.actMemoryDetails->isChecked());
    }

    void valuesAsTheyAreRead_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("systemTables");
        QTest::addColumn<bool>("chart");
        QTest::addColumn<bool>("grid");
        QTest::newRow("unknown interval") << QByteArray("[MonitorOptions]\r\nRefreshInterval=5000\r\n") << 10000 << false << true << true << false;
        QTest::newRow("hexadecimal") << QByteArray("[MonitorOptions]\r\nRefreshInterval=0x3E8\r\n") << 1000 << false << true << true << false;
        QTest::newRow("slow, lower-case keys") << QByteArray("[monitoroptions]\r\nrefreshinterval=30000\r\npaused=1\r\n") << 30000 << true << true << true << false;
        QTest::newRow("not an integer") << QByteArray("[MonitorOptions]\r\nPaused=yes\r\n") << 10000 << false << true << true << false;
        QTest::newRow("system tables off") << QByteArray("[MonitorOptions]\r\nShowSystemTables=0\r\n") << 10000 << false << false << true << false;
        QTest::newRow("grid only") << QByteArray("[MonitorOptions]\r\nMemoryShowGrid=1\r\nMemoryShowChart=0\r\n") << 10000 << false << true << false << true;
        QTest::newRow("both: the chart wins") << QByteArray("[MonitorOptions]\r\nMemoryShowGrid=1\r\nMemoryShowChart=1\r\n") << 10000 << false << true << true << false;
        QTest::newRow("neither") << QByteArray("[MonitorOptions]\r\nMemoryShowGrid=0\r\nMemoryShowChart=0\r\n") << 10000 << false << true << false << false;
    }
    void valuesAsTheyAreRead()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, interval);
        QFETCH(bool, paused);
        QFETCH(bool, systemTables);
        QFETCH(bool, chart);
        QFETCH(bool, grid);
        writeFile(file);
        TfrmMain form;
        QCOMPARE(form.Timer.interval(), interval);
        QCOMPARE(form.actFastRefresh->isChecked(), interval == 1000);
        QCOMPARE(form.actMediumRefresh->isChecked(), interval == 10000);
        QCOMPARE(form.actSlowRefresh->isChecked(), interval == 30000);
        QCOMPARE(form.actPaused->isChecked(), paused);
        QCOMPARE(form.actShowSystemTables->isChecked(), systemTables);
        QCOMPARE(form.dmQuillmere().ShowSystemTables(), systemTables);
        QCOMPARE(form.actMemorySummary->isChecked(), chart);
        QCOMPARE(form.actMemoryDetails->isChecked(), grid);
        QVERIFY(!form.Timer.isActive());  // nothing runs before a connection
    }

    void closingWritesTheFiveKeysAndKeepsOtherSections()
    {
        writeFile("; a comment\r\n[ConnectDialogOptions]\r\nRememberDatabase = 1\r\n\r\n[MonitorOptions]\r\nRefreshInterval=5000\r\n");
        {
            TfrmMain form;
            form.actPaused->trigger();
            form.close();
        }
        // the sections of the window's other settings follow
        const QByteArray written = readFile();
        QVERIFY2(written.startsWith("[ConnectDialogOptions]\r\nRememberDatabase=1\r\n\r\n"
                                    "[MonitorOptions]\r\nRefreshInterval=10000\r\nMemoryShowGrid=0\r\nMemoryShowChart=1\r\n"
                                    "Paused=1\r\nShowSystemTables=1\r\n\r\n["),
                 written.constData());
        TfrmMain again;
        QVERIFY(again.actPaused->isChecked());
    }

    // The grids' quick filters and Hide idle toggles: read into the grids at creation, written in
    // their own section at close, texts as typed (blanks around them left out).
    void gridFiltersAreRemembered()
    {
        writeFile("[GridOptions]\r\nstatementsquickfilter = Smith, \"A\" \r\nUsersHideIdle=1\r\nTransactionsHideIdle=yes\r\n");
        {
            TfrmMain form;
            QCOMPARE(form.statementsPage().grid()->quickFilter(), QStringLiteral("Smith, \"A\""));
            QVERIFY(!form.statementsPage().grid()->hideIdle());
            QVERIFY(form.usersPage().grid()->hideIdle());
            QVERIFY(!form.transactionsPage().grid()->hideIdle());
            QCOMPARE(form.usersPage().grid()->quickFilter(), QString());
            form.statementsPage().grid()->setHideIdle(true);
            form.usersPage().grid()->setHideIdle(false);
            form.page(PageId::Relations).grid()->setQuickFilter(QStringLiteral(" RDB$ "));
            form.memoryPage().grid()->setQuickFilter(QStringLiteral("Cache é"));
            form.close();
        }
        SettingsFile written(m_file);
        const QString grids = QStringLiteral("GridOptions");
        QStringList keys = written.keys(grids);
        keys.sort(Qt::CaseInsensitive);
        QCOMPARE(keys, (QStringList{"PoolsQuickFilter", "ProceduresQuickFilter", "StatementsHideIdle",
                                    "statementsquickfilter", "TablesQuickFilter", "TransactionsHideIdle",
                                    "TransactionsQuickFilter", "UsersHideIdle", "UsersQuickFilter"}));
        QCOMPARE(written.readString(grids, QStringLiteral("TablesQuickFilter"), {}), QStringLiteral("RDB$"));
        QCOMPARE(written.readString(grids, QStringLiteral("UsersHideIdle"), {}), QStringLiteral("0"));
        TfrmMain again;
        QCOMPARE(again.statementsPage().grid()->quickFilter(), QStringLiteral("Smith, \"A\""));
        QVERIFY(again.statementsPage().grid()->hideIdle());
        QVERIFY(!again.usersPage().grid()->hideIdle());
        QCOMPARE(again.page(PageId::Relations).grid()->quickFilter(), QStringLiteral("RDB$"));
        QCOMPARE(again.memoryPage().grid()->quickFilter(), QStringLiteral("Cache é"));
    }

    void aFileThatCannotBeWrittenIsReportedAndTheWindowCloses()
    {
        QStringList reported;
        QuillmereApplication::setErrorHandler([&](const Exception& e) { reported << e.message(); });
        // the settings path is a folder with something in it: no file can replace it
        QVERIFY(QDir().mkpath(m_file + QStringLiteral("/inside")));
        {
            TfrmMain form;
            QuillmereApplication::setErrorHandler([&](const Exception& e) { reported << e.message(); });
            form.show();
            QVERIFY(form.close());
            QVERIFY(!form.isVisible());
        }
        QuillmereApplication::setErrorHandler({});
        QDir(m_file).removeRecursively();
        QVERIFY(!reported.isEmpty());
        QVERIFY2(reported.last().contains(QLatin1String("quillmere.ini")), qPrintable(reported.last()));
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    TestMonitorOptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_monitor_options.moc"

// File > Export Grid: the active tab's grid as shown, written to the CSV file named in the save
// dialog; enabled while a grid is in sight; a file that cannot be written is reported.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/grid/GridProxyModel.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "support/MainWindowFixture.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace {

// The records of an RFC 4180 text: fields end at commas and records at CR LF outside quotes; a
// quoted field's doubled quotes are one. False when a line ends otherwise or the text does not end
// with a record's CR LF.
bool parseCsv(const QByteArray& bytes, QList<QStringList>& records)
{
    const QString text = QString::fromUtf8(bytes);
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else
                quoted = false;
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << std::exchange(field, {});
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            record << std::exchange(field, {});
            records << std::exchange(record, {});
            ++i;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('"')) {
            return false;
        } else {
            field += c;
        }
    }
    return !quoted && field.isEmpty() && record.isEmpty();
}

QString statement(int id, int attachment, const char* state, int memory)
{
    return QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$STATE, TMP$POOL_MEMORY, "
                          "TMP$SQL) VALUES (%1, %2, '%3', %4, 'select 1 from rdb$database')")
        .arg(id)
        .arg(attachment)
        .arg(QLatin1String(state))
        .arg(memory);
}

QString user(int id, const QString& nameExpression)
{
    return QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (%1, %2)").arg(id).arg(nameExpression);
}

}  // namespace

class TestGridExport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_reported;

private slots:
    void cleanup()
    {
        TfrmMain::setExportFileChooser({});
        m_reported.clear();
    }

    // Sorted on memory, idle rows hidden: the rows in that order, the visible columns under their
    // captions, CHAR padding gone; a comma, a quote, a line break and letters outside ASCII in the
    // user names, quoted as RFC 4180 has it, in UTF-8.
    void theStatementsGridAsShown()
    {
        TestDatabase db;
        db.execute({user(1, QStringLiteral("'Smith, Ann'")), user(2, QStringLiteral("'Say \"hi\"'")),
                    user(3, QStringLiteral("'two' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'lines'")),
                    user(4, QStringLiteral("'Ångström'")), user(5, QStringLiteral("'SLEEPY'")),
                    statement(1, 1, "ACTIVE", 100), statement(2, 2, "ACTIVE", 400), statement(3, 3, "STALLED", 300),
                    statement(4, 4, "ACTIVE", 200), statement(5, 5, "IDLE", 500)});
        Window w(&db);
        w.show();
        QVERIFY(w.connected());
        TfrmMain& form = *w.form;
        QVERIFY(!form.actExportGrid->isEnabled());  // the Database tab
        form.SelectPage(PageId::Statements);
        QVERIFY(form.actExportGrid->isEnabled());
        TMonitorGrid& grid = *form.statementsPage().grid();
        grid.setSortOrder({{grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY")), Qt::DescendingOrder}});
        grid.setHideIdle(true);

        const QString file = m_dir.filePath(QStringLiteral("statements.csv"));
        QString suggested;
        TfrmMain::setExportFileChooser([&](QWidget*, const QString& name) {
            suggested = name;
            return file;
        });
        form.actExportGrid->trigger();
        QCOMPARE(suggested, QStringLiteral("Statements.csv"));

        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.contains("\"Say \"\"hi\"\"\",400,"));
        QVERIFY(bytes.contains("\r\n\"two\r\nlines\",300,"));
        QVERIFY(bytes.contains(QStringLiteral("\r\nÅngström,200,").toUtf8()));
        QList<QStringList> records;
        QVERIFY2(parseCsv(bytes, records), bytes.constData());
        QStringList captions;
        for (int c = 0; c < grid.proxyModel()->columnCount(); ++c)
            if (!grid.view()->isColumnHidden(c))
                captions << grid.proxyModel()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(records.value(0), captions);
        const qsizetype state = captions.indexOf(QStringLiteral("State"));
        QStringList users, memory, states;
        for (const QStringList& r : records.mid(1)) {
            QCOMPARE(r.size(), captions.size());
            users << r[0];
            memory << r[1];
            states << r[state];
        }
        QCOMPARE(users, (QStringList{"Say \"hi\"", "two\r\nlines", "Ångström", "Smith, Ann"}));
        QCOMPARE(memory, (QStringList{"400", "300", "200", "100"}));
        QCOMPARE(states, (QStringList{"ACTIVE", "STALLED", "ACTIVE", "ACTIVE"}));
    }

    // Enabled on the tabs with a grid, on the Memory tab while it shows its grid; a cancelled
    // dialog writes nothing; a file that cannot be written is reported through the error handler.
    void whenAndWhereItWrites()
    {
        QTemporaryDir dir;
        Window w(nullptr);
        w.show();
        TfrmMain& form = *w.form;
        QuillmereApplication::setErrorHandler([this](const Exception& e) { m_reported << e.message(); });
        form.SelectPage(PageId::Memory);
        QVERIFY(form.actMemorySummary->isChecked());
        QVERIFY(!form.actExportGrid->isEnabled());
        form.actMemoryDetails->trigger();
        QVERIFY(form.actExportGrid->isEnabled());
        QCOMPARE(form.ActiveGrid(), form.memoryPage().grid());
        for (PageId page :
             {PageId::Procedures, PageId::Statements, PageId::Relations, PageId::Transactions, PageId::Users}) {
            form.SelectPage(page);
            QVERIFY(form.actExportGrid->isEnabled());
            QVERIFY(form.page(page).widget()->isAncestorOf(form.ActiveGrid()));
        }
        form.SelectPage(PageId::Database);
        QVERIFY(!form.actExportGrid->isEnabled());
        form.SelectPage(PageId::Relations);

        TfrmMain::setExportFileChooser([](QWidget*, const QString&) { return QString(); });
        form.actExportGrid->trigger();
        QVERIFY(m_reported.isEmpty());

        // an empty grid: the heading line alone
        const QString file = dir.filePath(QStringLiteral("tables.csv"));
        TfrmMain::setExportFileChooser([&](QWidget*, const QString&) { return file; });
        form.actExportGrid->trigger();
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith("Name,Statements using,"));
        f.close();

        // a folder with something in it where the file should go: no file can replace it
        const QString folder = dir.filePath(QStringLiteral("folder.csv"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/inside")));
        TfrmMain::setExportFileChooser([&](QWidget*, const QString&) { return folder; });
        form.actExportGrid->trigger();
        QCOMPARE(m_reported.size(), 1);
        QVERIFY2(m_reported[0].startsWith(QString::fromUtf8(msg::GridExportFailed).section(QLatin1Char('%'), 0, 0)),
                 qPrintable(m_reported[0]));
        QVERIFY2(m_reported[0].contains(QLatin1String("folder.csv")), qPrintable(m_reported[0]));
        QVERIFY(QFileInfo(folder + QStringLiteral("/inside")).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"tables.csv"}));  // no copy left behind
    }
};

QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestGridExport)

#include "test_grid_export.moc"

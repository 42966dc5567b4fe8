// The monitoring grids over real snapshots: each grid's declared columns, and sorts, filters,
// groupings and expanded groups that survive refreshes while the grid's current row stays the
// snapshot's current row.

#include "common/Messages.h"
#include "connection/ServerConnectionDM.h"
#include "mainwindow/grid/GridDelegate.h"
#include "mainwindow/grid/GridFilterBar.h"
#include "mainwindow/grid/GridFooter.h"
#include "mainwindow/grid/GridHeader.h"
#include "mainwindow/grid/GridProxyModel.h"
#include "mainwindow/grid/GroupPanel.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "monitor/QuillmereDM.h"
#include "monitor/SnapshotModel.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using grids::GridId;
using Tester = QAbstractItemModelTester;

namespace {

struct Monitor {
    TdmServerProperties connection;
    TdmQuillmere dm;
    explicit Monitor(const TestDatabase& db)
    {
        connection.SetDatabaseName(db.path());
        connection.SetUserName(QStringLiteral("SYSDBA"));
        dm.SetDatabase(&connection.IBDatabase);
        connection.SetConnected(true);
    }
    Snapshot& snapshot(GridId id) { return dm.snapshot(grids::gridDecl(id).snapshot); }
};

// What the main window does on a refresh: note the key, re-read with the views suspended, find
// the row again.
void refreshLikeTheWindow(Snapshot& s)
{
    const QString key = QString::fromLatin1(s.decl().keyColumn);
    const QVariant noted = s.recNo() >= 0 ? s.value(key) : QVariant();
    s.disableControls();
    s.refresh();
    if (noted.isValid())
        s.locate(key, noted);
    s.enableControls();
}

// The reference tables, written out on their own: band caption, then "COLUMN|Caption" pairs.
struct RefBand {
    QString caption;
    QStringList columns;
};
struct RefGrid {
    GridId id;
    QList<RefBand> bands;
    QStringList hidden;
    QString sorted;
    QStringList filters;
    bool groupPanel;
    QStringList sums;
};

const QStringList kFullRecords = {"TMP$RECORD_DELETES|Record deletes", "TMP$RECORD_INSERTS|Record inserts",
                                  "TMP$RECORD_SELECTS|Record selects", "TMP$RECORD_UPDATES|Record updates",
                                  "TMP$RECORD_BACKOUTS|GC record backouts", "TMP$RECORD_EXPUNGES|GC record expunges",
                                  "TMP$RECORD_PURGES|GC record purges"};
const QStringList kFullPages = {"TMP$PAGE_FETCHES|Page fetches", "TMP$PAGE_MARKS|Page marks",
                                "TMP$PAGE_READS|Page reads", "TMP$PAGE_WRITES|Page writes"};
const QStringList kClient = {"CLIENT_HOST|Host",
                             "CLIENT_PROCESS_ID|Process ID",
                             "CLIENT_PROGRAM|Program",
                             "CLIENT_IDLE_TIMEOUT|Idle timeout (s)",
                             "CLIENT_STATEMENT_TIMEOUT|Statement timeout (ms)",
                             "CLIENT_WIRE_ENCRYPTED|Encrypted",
                             "CLIENT_WIRE_COMPRESSED|Compressed",
                             "CLIENT_TIME_ZONE|Time zone"};
const QStringList kShortRecords = {"TMP$RECORD_DELETES|Deletes", "TMP$RECORD_INSERTS|Inserts",
                                   "TMP$RECORD_SELECTS|Selects", "TMP$RECORD_UPDATES|Updates",
                                   "TMP$RECORD_BACKOUTS|GC backouts", "TMP$RECORD_EXPUNGES|GC expunges",
                                   "TMP$RECORD_PURGES|GC purges"};

QList<RefGrid> references()
{
    return {
        {GridId::Procedures,
         {{"Procedure",
           {"TMP$PROCEDURE_NAME|Procedure name", "TMP$POOL_MEMORY|Memory", "TMP$CLONE|Clone no.",
            "TMP$TIMESTAMP|Start time", "TMP$USE_COUNT|Statements", "TMP$QUANTUM|Quantum", "TMP$INVOCATIONS|Calls"}},
          {"Records", kShortRecords},
          {"Pages", {"TMP$PAGE_MARKS|Marks", "TMP$PAGE_FETCHES|Fetches", "TMP$PAGE_READS|Reads", "TMP$PAGE_WRITES|Writes"}}},
         {"TMP$PROCEDURE_ID", "TMP$DATABASE_ID", "TMP$POOL_ID"},
         "TMP$PROCEDURE_NAME",
         {},
         false,
         {}},
        {GridId::Statements,
         {{"Statement",
           {"TMP$USER|User", "TMP$POOL_MEMORY|Memory", "TMP$CLONE|Clone no.", "TMP$TIMESTAMP|Start time",
            "ELAPSED_TIME|Elapsed time", "TMP$QUANTUM|Quantum", "TMP$INVOCATIONS|Calls", "TMP$STATE|State",
            "STATEMENT_TIMEOUT|Timeout (ms)", "STATEMENT_TIMER|Times out at"}},
          {"Records", kFullRecords},
          {"Pages", kFullPages},
          {"Client", kClient}},
         {"TMP$STATEMENT_ID", "TMP$ATTACHMENT_ID", "TMP$TRANSACTION_ID", "TMP$SQL", "TMP$POOL_ID", "TMP$PRIORITY"},
         {},
         {"TMP$USER", "TMP$STATE", "CLIENT_HOST", "CLIENT_PROGRAM"},
         true,
         {}},
        {GridId::Relations,
         {{"Table / View",
           {"TMP$RELATION_NAME|Name", "TMP$USE_COUNT|Statements using", "TMP$POINTER_PAGES|Pointer pages",
            "TMP$FORMATS|Formats", "TMP$SCAN_COUNT|Sequential scans", "TMP$SWEEP_COUNT|Sweep count"}},
          {"Records",
           {"TMP$RECORD_IDX_SELECTS|Indexed selects", "TMP$RECORD_SEQ_SELECTS|Sequential selects",
            "TMP$RECORD_DELETES|Deletes", "TMP$RECORD_INSERTS|Inserts", "TMP$RECORD_UPDATES|Updates",
            "TMP$RECORD_BACKOUTS|GC backouts", "TMP$RECORD_EXPUNGES|GC expunges", "TMP$RECORD_PURGES|GC purges"}},
          {"Pages",
           {"TMP$DATA_PAGES|Data", "TMP$PAGE_FETCHES|Fetches", "TMP$PAGE_READS|Reads", "TMP$PAGE_MARKS|Marks",
            "TMP$GARBAGE_COLLECT_PAGES|To GC", "TMP$PAGE_WRITES|Writes"}}},
         {"TMP$RELATION_ID", "TMP$DATABASE_ID"},
         "TMP$RELATION_NAME",
         {},
         false,
         {}},
        {GridId::Transactions,
         {{"Transaction",
           {"TMP$TRANSACTION_ID|ID", "TMP$USER|User", "TMP$STATE|State", "TMP$TIMESTAMP|Start time",
            "ELAPSED_TIME|Elapsed time", "TMP$COMMIT_RETAINING|Commit retaining", "TMP$TYPE|Isolation",
            "TMP$READONLY|Read only", "TMP$SNAPSHOT|Snapshot no.", "TMP$NOWAIT|No wait", "TMP$POOL_MEMORY|Memory",
            "TMP$QUANTUM|Quantum", "TMP$SAVEPOINTS|Savepoint records", "TMP$WRITE|Data written"}},
          {"Records", kFullRecords},
          {"Pages", kFullPages},
          {"Client", kClient}},
         {"TMP$ATTACHMENT_ID", "TMP$POOL_ID", "TMP$PRIORITY"},
         {},
         {"TMP$USER", "TMP$STATE", "TMP$TYPE", "CLIENT_HOST", "CLIENT_PROGRAM"},
         true,
         {}},
        {GridId::Attachments,
         {{"User",
           {"TMP$USER|User", "TMP$USER_HOST|Host", "TMP$USER_IP_ADDR|IP addr.", "TMP$USER_PROCESS|Process ID",
            "TMP$TIMESTAMP|Login time", "TMP$STATEMENTS|Compiled statements", "TMP$TRANSACTIONS|Active transactions",
            "TMP$QUANTUM|Quantum", "TMP$STATE|State", "TMP$DBKEY_ID|DB key trans. ID", "TMP$ACTIVE_SORTS|Active sorts"}},
          {"Records", kShortRecords},
          {"Pages", {"TMP$PAGE_FETCHES|Fetches", "TMP$PAGE_MARKS|Marks", "TMP$PAGE_READS|Reads", "TMP$PAGE_WRITES|Writes"}},
          {"Session",
           {"IDLE_TIMEOUT|Idle timeout (s)", "STATEMENT_TIMEOUT|Statement timeout (ms)", "WIRE_ENCRYPTED|Encrypted",
            "WIRE_COMPRESSED|Compressed", "SESSION_TIME_ZONE|Time zone"}}},
         {"TMP$ATTACHMENT_ID", "TMP$DATABASE_ID", "TMP$POOL_ID", "TMP$POOL_MEMORY", "TMP$PRIORITY"},
         "TMP$USER",
         {"TMP$USER", "TMP$USER_HOST", "TMP$USER_IP_ADDR", "TMP$USER_PROCESS", "TMP$STATE"},
         true,
         {}},
        {GridId::Pools,
         {{QString(),
           {"TMP$TYPE|Type", "POOL_COUNT|Pools", "TMP$POOL_MEMORY|Total", "TMP$FREE_MEMORY|Free",
            "TMP$EXTEND_MEMORY|Extend amt.", "TMP$FREE_STACK_NODES|Free stack nodes",
            "TMP$FREE_BITMAP_BUCKETS|Free bitmap buckets", "TMP$FREE_BITMAP_SEGMENTS|Free bitmap segments"}}},
         {},
         "TMP$TYPE",
         {"TMP$TYPE"},
         false,
         {"TMP$POOL_MEMORY", "TMP$FREE_MEMORY"}},
    };
}

// The key values of the grid's rows in display order, every group included.
QList<qint64> shownKeys(const TMonitorGrid& grid, const QModelIndex& parent = {})
{
    const TGridProxyModel* p = grid.proxyModel();
    const int key = grid.sectionOf(QString::fromLatin1(grid.snapshot().decl().keyColumn));
    QList<qint64> keys;
    for (int r = 0; r < p->rowCount(parent); ++r) {
        const QModelIndex i = p->index(r, 0, parent);
        if (p->isGroup(i))
            keys << shownKeys(grid, i);
        else
            keys << p->index(r, key, parent).data(SnapshotModel::ValueRole).toLongLong();
    }
    return keys;
}

QModelIndex leafWithKey(const TMonitorGrid& grid, qint64 key, const QModelIndex& parent = {})
{
    const TGridProxyModel* p = grid.proxyModel();
    const int section = grid.sectionOf(QString::fromLatin1(grid.snapshot().decl().keyColumn));
    for (int r = 0; r < p->rowCount(parent); ++r) {
        const QModelIndex i = p->index(r, 0, parent);
        if (p->isGroup(i)) {
            const QModelIndex found = leafWithKey(grid, key, i);
            if (found.isValid())
                return found;
        } else if (p->index(r, section, parent).data(SnapshotModel::ValueRole).toLongLong() == key) {
            return i;
        }
    }
    return {};
}

// The top-level group rows by their values (trailing blanks removed).
QMap<QString, QModelIndex> groupsByValue(const TMonitorGrid& grid)
{
    QMap<QString, QModelIndex> groups;
    const TGridProxyModel* p = grid.proxyModel();
    for (int r = 0; r < p->rowCount(); ++r) {
        const QModelIndex i = p->index(r, 0);
        groups.insert(i.data(TGridProxyModel::GroupValueRole).toString().trimmed(), i);
    }
    return groups;
}

QAction* actionNamed(const QMenu& menu, const QString& text)
{
    for (QAction* a : menu.actions()) {
        if (a->text() == text)
            return a;
        if (a->menu())
            if (QAction* inner = actionNamed(*a->menu(), text))
                return inner;
    }
    return nullptr;
}

void clickHeader(TMonitorGrid& grid, int section, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TGridHeader* h = grid.header();
    const QPoint at(h->sectionViewportPosition(section) + 8, h->bandHeight() + (h->height() - h->bandHeight()) / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, modifiers, at);
}

// A drag that enters the target and is dropped there.
bool drop(QWidget* target, const char* format, int section, const QPoint& at)
{
    QMimeData mime;
    mime.setData(QString::fromLatin1(format), QByteArray::number(section));
    QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent event(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

// Lets every posted event, delayed layout and pending repaint run.
void settle()
{
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QString statement(int id, int attachment, const char* state, int memory)
{
    return QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$STATE, TMP$POOL_MEMORY, "
                          "TMP$SQL) VALUES (%1, %2, '%3', %4, 'select %1 from rdb$database')")
        .arg(id)
        .arg(attachment)
        .arg(QLatin1String(state))
        .arg(memory);
}

QString transaction(int id, int attachment, const char* state)
{
    return QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$ATTACHMENT_ID, TMP$STATE, TMP$TYPE) "
                          "VALUES (%1, %2, '%3', 'CONCURRENCY')")
        .arg(id)
        .arg(attachment)
        .arg(QLatin1String(state));
}

const QString kUsers = QStringLiteral(
    "INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) SELECT 1, 'ALICE' FROM RDB$DATABASE UNION ALL "
    "SELECT 2, 'BOB' FROM RDB$DATABASE");

// A grid of the snapshot, watched by the model tester and shown at a size; then the snapshot is
// opened.
struct ShownGrid {
    TMonitorGrid grid;
    Tester tester;
    bool exposed;
    ShownGrid(Snapshot& s, GridId id, QSize size)
        : grid(s, grids::gridDecl(id)), tester(grid.proxyModel(), Tester::FailureReportingMode::QtTest)
    {
        grid.resize(size);
        grid.show();
        exposed = QTest::qWaitForWindowExposed(&grid);
        s.open();
    }
};

}  // namespace

class TestMonitorGrids : public QObject {
    Q_OBJECT

private slots:
    // Bands, captions, column order, hidden columns, initial sort, filters, group panel and
    // footer of every grid against the reference tables above.
    void gridsShowTheirDeclaredColumns_data()
    {
        QTest::addColumn<int>("which");
        const QList<RefGrid> refs = references();
        for (int i = 0; i < refs.size(); ++i)
            QTest::newRow(grids::gridDecl(refs[i].id).gridName) << i;
    }
    void gridsShowTheirDeclaredColumns()
    {
        QFETCH(int, which);
        const RefGrid ref = references()[which];
        TestDatabase db;
        Monitor m(db);
        TMonitorGrid grid(m.snapshot(ref.id), grids::gridDecl(ref.id));
        Tester tester(grid.proxyModel(), Tester::FailureReportingMode::QtTest);
        const TGridProxyModel* p = grid.proxyModel();
        const std::vector<TGridHeader::Band>& bands = grid.header()->bands();

        const bool bandless = ref.bands.size() == 1 && ref.bands[0].caption.isEmpty();
        QCOMPARE(bands.size(), bandless ? size_t{0} : static_cast<size_t>(ref.bands.size()));
        int section = 0;
        for (qsizetype b = 0; b < ref.bands.size(); ++b) {
            const int first = section;
            for (const QString& pair : ref.bands[b].columns) {
                const QStringList parts = pair.split(QLatin1Char('|'));
                QCOMPARE(grid.columnOf(section), parts[0]);
                QCOMPARE(p->headerData(section, Qt::Horizontal).toString(), parts[1]);
                QVERIFY2(!grid.view()->isColumnHidden(section), qPrintable(parts[0]));
                QCOMPARE(grid.header()->isFilterable(section), ref.filters.contains(parts[0]));
                ++section;
            }
            if (!bandless) {
                QCOMPARE(bands[static_cast<size_t>(b)].caption, ref.bands[b].caption);
                QCOMPARE(bands[static_cast<size_t>(b)].first, first);
                QCOMPARE(bands[static_cast<size_t>(b)].last, section - 1);
            }
        }
        // every other column stays in the data, hidden: exactly the declared hidden ones
        QCOMPARE(p->columnCount(), grid.snapshot().columnCount());
        QStringList hidden;
        for (int s = section; s < p->columnCount(); ++s) {
            QVERIFY(grid.view()->isColumnHidden(s));
            hidden << grid.columnOf(s);
        }
        QStringList expectedHidden = ref.hidden;
        hidden.sort();
        expectedHidden.sort();
        QCOMPARE(hidden, expectedHidden);

        if (ref.sorted.isEmpty())
            QVERIFY(p->sortOrder().empty());
        else
            QVERIFY(p->sortOrder() == (std::vector<grid::OrderedColumn>{{grid.sectionOf(ref.sorted), Qt::AscendingOrder}}));
        QVERIFY(p->grouping().empty());
        QCOMPARE(grid.groupPanel() != nullptr, ref.groupPanel);
        QList<int> sums;
        for (const QString& c : ref.sums)
            sums << grid.sectionOf(c);
        QCOMPARE(grid.footer() ? grid.footer()->sections() : QList<int>(), sums);
        // before any data the grid is empty
        QCOMPARE(p->rowCount(), 0);
        QVERIFY(!grid.view()->currentIndex().isValid());
        if (grid.footer())
            QCOMPARE(grid.footer()->text(sums.first()), QStringLiteral("0"));
        // read from the TMP$ tables, the columns that only a Firebird server gives are out of sight
        grid.snapshot().open();
        for (int s = 0; s < section; ++s)
            QCOMPARE(grid.view()->isColumnHidden(s),
                     catalogue::directOnly(grid.snapshot().columnDecl(p->sourceColumn(s))));
    }

    // The sorted-at-start grids order by typed values, case-insensitively for texts; the others
    // keep the query's order.
    void initialOrder()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (1, 'carol')"),
                    QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (2, 'alice')"),
                    QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (3, 'Bob')"),
                    statement(7, 1, "ACTIVE", 1), statement(8, 2, "ACTIVE", 1), statement(9, 3, "ACTIVE", 1)});
        Monitor m(db);
        TMonitorGrid users(m.dm.cdsAttachments, grids::gridDecl(GridId::Attachments));
        TMonitorGrid statements(m.dm.cdsStatements, grids::gridDecl(GridId::Statements));
        Tester t1(users.proxyModel(), Tester::FailureReportingMode::QtTest);
        Tester t2(statements.proxyModel(), Tester::FailureReportingMode::QtTest);
        m.dm.cdsAttachments.open();
        m.dm.cdsStatements.open();
        QCOMPARE(shownKeys(users), (QList<qint64>{2, 3, 1}));
        QList<qint64> queryOrder;
        for (m.dm.cdsStatements.first(); !m.dm.cdsStatements.eof(); m.dm.cdsStatements.next())
            queryOrder << m.dm.cdsStatements.asInteger(QStringLiteral("TMP$STATEMENT_ID"));
        QCOMPARE(shownKeys(statements), queryOrder);
    }

    // A row is the font's full height and a margin: the marks of accented capitals, which many
    // fonts draw above the ascent, stay inside the row in which the text is centred.
    void accentedCapitalsFitInTheRow()
    {
        const QString user = QStringLiteral("ÉÈÊ Ångström");
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (1, '%1')").arg(user));
        Monitor m(db);
        TMonitorGrid grid(m.dm.cdsAttachments, grids::gridDecl(GridId::Attachments));
        m.dm.cdsAttachments.open();
        grid.resize(600, 200);
        grid.show();
        settle();
        const QModelIndex cell = grid.view()->model()->index(0, 0);
        QCOMPARE(cell.data().toString(), user);
        const QFontMetrics fm = grid.view()->fontMetrics();
        const int row = grid.view()->visualRect(cell).height();
        QVERIFY2(row >= fm.ascent() + fm.descent() + 2 * TGridDelegate::RowMargin, qPrintable(QString::number(row)));
        const int baseline = (row - fm.height()) / 2 + fm.ascent();
        for (const QChar c : user) {
            const QRect ink = fm.boundingRect(c);
            QVERIFY2(baseline + ink.top() >= 0 && baseline + ink.bottom() < row, qPrintable(QString(c)));
        }
    }

    // Grouped by State through the header's menu entry; a refresh reorders, moves, removes and
    // adds rows: still grouped, the same groups expanded, the current transaction still current.
    void groupingSurvivesARefresh()
    {
        TestDatabase db;
        db.execute({kUsers, transaction(10, 1, "ACTIVE"), transaction(11, 2, "ACTIVE"), transaction(12, 1, "COMMITTED"),
                    transaction(13, 2, "LIMBO"), transaction(14, 1, "COMMITTED")});
        Monitor m(db);
        Snapshot& s = m.dm.cdsTransactions;
        ShownGrid shown(s, GridId::Transactions, {900, 400});
        TMonitorGrid& grid = shown.grid;
        QVERIFY(shown.exposed);

        const int state = grid.sectionOf(QStringLiteral("TMP$STATE"));
        QMenu menu;
        grid.fillColumnMenu(menu, state);
        QAction* group = actionNamed(menu, QString::fromUtf8(msg::GridGroupByColumn));
        QVERIFY(group);
        group->trigger();
        QCOMPARE(grid.groupPanel()->chipButtons().size(), 1);
        QCOMPARE(grid.groupPanel()->chipButtons().first()->text(), QStringLiteral("State"));
        QMap<QString, QModelIndex> groups = groupsByValue(grid);
        QCOMPARE(groups.keys(), (QStringList{"ACTIVE", "COMMITTED", "LIMBO"}));
        QCOMPARE(groups[QStringLiteral("COMMITTED")].data().toString(), QStringLiteral("State: COMMITTED (2)"));
        QVERIFY(grid.view()->isFirstColumnSpanned(groups[QStringLiteral("ACTIVE")].row(), {}));

        grid.view()->collapseAll();
        grid.view()->expand(groups[QStringLiteral("COMMITTED")]);
        grid.view()->setCurrentIndex(leafWithKey(grid, 14));
        QCOMPARE(s.asInteger(QStringLiteral("TMP$TRANSACTION_ID")), 14);

        db.execute({QStringLiteral("DELETE FROM TMP$TRANSACTIONS WHERE TMP$TRANSACTION_ID = 13"),
                    QStringLiteral("UPDATE TMP$TRANSACTIONS SET TMP$STATE = 'COMMITTED' WHERE TMP$TRANSACTION_ID = 11"),
                    transaction(9, 2, "COMMITTED"), transaction(15, 1, "PREPARED"),
                    // the query orders by user: ALICE's transactions move behind BOB's
                    QStringLiteral("UPDATE TMP$ATTACHMENTS SET TMP$USER = 'ZED' WHERE TMP$ATTACHMENT_ID = 1")});
        refreshLikeTheWindow(s);

        QCOMPARE(grid.proxyModel()->grouping().size(), size_t{1});
        groups = groupsByValue(grid);
        QCOMPARE(groups.keys(), (QStringList{"ACTIVE", "COMMITTED", "PREPARED"}));
        QCOMPARE(grid.proxyModel()->rowCount(groups[QStringLiteral("COMMITTED")]), 4);
        QVERIFY(grid.view()->isExpanded(groups[QStringLiteral("COMMITTED")]));
        QVERIFY(!grid.view()->isExpanded(groups[QStringLiteral("ACTIVE")]));
        QVERIFY(!grid.view()->isExpanded(groups[QStringLiteral("PREPARED")]));
        QVERIFY(grid.view()->isFirstColumnSpanned(groups[QStringLiteral("PREPARED")].row(), {}));
        QCOMPARE(s.asInteger(QStringLiteral("TMP$TRANSACTION_ID")), 14);
        QVERIFY(grid.currentRowShown());
        QCOMPARE(grid.view()->currentIndex().siblingAtColumn(0), leafWithKey(grid, 14));
        QList<qint64> committed = shownKeys(grid, groups[QStringLiteral("COMMITTED")]);
        std::sort(committed.begin(), committed.end());
        QCOMPARE(committed, (QList<qint64>{9, 11, 12, 14}));
    }

    // A User filter and a sort on State, then Memory descending (Ctrl+click twice): new rows of
    // a refresh are filtered and sorted the same way; memory sorts as numbers.
    void filterAndTwoColumnSortApplyToNewRows()
    {
        TestDatabase db;
        db.execute({kUsers, statement(1, 2, "ACTIVE", 100), statement(2, 1, "ACTIVE", 50), statement(3, 2, "IDLE", 9),
                    statement(4, 2, "ACTIVE", 10), statement(5, 2, "ACTIVE", 9)});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        ShownGrid shown(s, GridId::Statements, {1200, 400});
        TMonitorGrid& grid = shown.grid;
        QVERIFY(shown.exposed);

        const int user = grid.sectionOf(QStringLiteral("TMP$USER"));
        QMenu values;
        grid.fillFilterMenu(values, user);
        QStringList texts;
        for (QAction* a : values.actions())
            if (!a->isSeparator())
                texts << a->text();
        QCOMPARE(texts, (QStringList{QString::fromUtf8(msg::GridFilterAll), "ALICE", "BOB"}));
        actionNamed(values, QStringLiteral("BOB"))->trigger();
        QVERIFY(grid.header()->isFiltered(user));

        const int state = grid.sectionOf(QStringLiteral("TMP$STATE"));
        const int memory = grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY"));
        clickHeader(grid, state);
        clickHeader(grid, memory, Qt::ControlModifier);
        clickHeader(grid, memory, Qt::ControlModifier);
        QVERIFY(grid.proxyModel()->sortOrder() ==
                (std::vector<grid::OrderedColumn>{{state, Qt::AscendingOrder}, {memory, Qt::DescendingOrder}}));
        QCOMPARE(shownKeys(grid), (QList<qint64>{1, 4, 5, 3}));

        db.execute({statement(6, 2, "ACTIVE", 50), statement(7, 1, "ACTIVE", 1000),
                    QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$STATE = 'ACTIVE', TMP$POOL_MEMORY = 20 "
                                   "WHERE TMP$STATEMENT_ID = 3")});
        refreshLikeTheWindow(s);
        QCOMPARE(shownKeys(grid), (QList<qint64>{1, 6, 3, 4, 5}));
        QVERIFY(grid.header()->isFiltered(user));

        // a plain click sorts by that column alone; the filter goes through "(All)"
        clickHeader(grid, memory);
        QVERIFY(grid.proxyModel()->sortOrder() == (std::vector<grid::OrderedColumn>{{memory, Qt::AscendingOrder}}));
        QMenu again;
        grid.fillFilterMenu(again, user);
        actionNamed(again, QString::fromUtf8(msg::GridFilterAll))->trigger();
        QVERIFY(!grid.header()->isFiltered(user));
        QCOMPARE(shownKeys(grid), (QList<qint64>{5, 4, 3, 2, 6, 1, 7}));  // 2 and 6 tie: query order
    }

    // Keys in the grid move the snapshot's cursor; a cursor moved elsewhere moves the grid and
    // opens the collapsed group that holds the row; a filter the user sets that hides the
    // current row moves both to the grid's first row.
    void gridAndCursorMoveTogether()
    {
        TestDatabase db;
        db.execute({kUsers, statement(1, 2, "ACTIVE", 1), statement(2, 1, "ACTIVE", 2), statement(3, 2, "IDLE", 3)});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        ShownGrid shown(s, GridId::Statements, {900, 400});
        TMonitorGrid& grid = shown.grid;
        QVERIFY(shown.exposed);
        QVERIFY(grid.currentRowShown());

        grid.groupBySection(grid.sectionOf(QStringLiteral("TMP$USER")));
        grid.setSortOrder({{grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY")), Qt::AscendingOrder}});
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 2));
        grid.view()->collapseAll();
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 3));
        const QModelIndex three = leafWithKey(grid, 3);
        QVERIFY(grid.view()->isExpanded(three.parent()));
        QCOMPARE(grid.view()->currentIndex().siblingAtColumn(0), three);

        grid.view()->setFocus();
        QTest::keyClick(grid.view(), Qt::Key_Up);
        QCOMPARE(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")), 1);
        QTest::keyClick(grid.view(), Qt::Key_Down);
        QCOMPARE(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")), 3);

        grid.setValueFilter(grid.sectionOf(QStringLiteral("TMP$STATE")), QStringLiteral("ACTIVE").leftJustified(31));
        QCOMPARE(shownKeys(grid), (QList<qint64>{2, 1}));
        QCOMPARE(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")), 2);
        QVERIFY(grid.currentRowShown());

        // A loop over the snapshot's rows is not pulled back to the rows the grid shows; on a
        // filtered-out row the grid has no current row and leaves the cursor there.
        QList<qint64> visited;
        for (s.first(); !s.eof() && visited.size() < 10; s.next())
            visited << s.asInteger(QStringLiteral("TMP$STATEMENT_ID"));
        std::sort(visited.begin(), visited.end());
        QCOMPARE(visited, (QList<qint64>{1, 2, 3}));
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 3));
        QCOMPARE(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")), 3);
        QVERIFY(!grid.currentRowShown());
        QVERIFY(!grid.view()->currentIndex().isValid());
    }

    // Headers dropped on the group panel nest groupings; a chip's click reverses its order; a
    // chip dropped back on the header removes its grouping.
    void groupingThroughThePanel()
    {
        TestDatabase db;
        db.execute({kUsers, statement(1, 2, "ACTIVE", 1), statement(2, 1, "ACTIVE", 2), statement(3, 2, "IDLE", 3),
                    statement(4, 1, "IDLE", 4)});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        ShownGrid shown(s, GridId::Statements, {900, 400});
        TMonitorGrid& grid = shown.grid;
        QVERIFY(shown.exposed);
        const int user = grid.sectionOf(QStringLiteral("TMP$USER"));
        const int state = grid.sectionOf(QStringLiteral("TMP$STATE"));

        QVERIFY(drop(grid.groupPanel(), TGridHeader::ColumnMimeType, state, QPoint(grid.groupPanel()->width() - 5, 5)));
        settle();
        QVERIFY(drop(grid.groupPanel(), TGridHeader::ColumnMimeType, user, QPoint(1, 5)));  // in front: outermost
        QVERIFY(grid.proxyModel()->grouping() ==
                (std::vector<grid::OrderedColumn>{{user, Qt::AscendingOrder}, {state, Qt::AscendingOrder}}));
        QCOMPARE(groupsByValue(grid).keys(), (QStringList{"ALICE", "BOB"}));
        const QModelIndex bob = groupsByValue(grid)[QStringLiteral("BOB")];
        QCOMPARE(grid.proxyModel()->rowCount(bob), 2);
        QCOMPARE(grid.proxyModel()->index(1, 0, bob).data().toString(), QStringLiteral("State: IDLE (1)"));
        QCOMPARE(shownKeys(grid), (QList<qint64>{2, 4, 1, 3}));

        QList<QToolButton*> chips = grid.groupPanel()->chipButtons();
        QCOMPARE(chips.size(), 2);
        QTest::mouseClick(chips[0], Qt::LeftButton);
        QCOMPARE(grid.proxyModel()->index(0, 0).data().toString(), QStringLiteral("User: BOB (2)"));

        QVERIFY(!drop(grid.header()->viewport(), TGridHeader::ColumnMimeType, user, QPoint(10, 10)));
        QVERIFY(drop(grid.header()->viewport(), TGridHeader::GroupedColumnMimeType, user, QPoint(10, 10)));
        QVERIFY(grid.proxyModel()->grouping() == (std::vector<grid::OrderedColumn>{{state, Qt::AscendingOrder}}));
        QCOMPARE(grid.groupPanel()->chipButtons().size(), 1);
    }

    // The pools grid's footer sums Total and Free over the rows its filter lets through, and
    // follows refreshes.
    void poolsFooterFollowsTheFilter()
    {
        TestDatabase db;
        auto pool = [](int id, const char* type, int memory, int free) {
            return QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$FREE_MEMORY) "
                                  "VALUES (%1, '%2', %3, %4)")
                .arg(id)
                .arg(QLatin1String(type))
                .arg(memory)
                .arg(free);
        };
        db.execute({pool(1, "TRA", 50, 5), pool(2, "CCH", 100, 10), pool(3, "CCH", 200, 20), pool(4, "REQ", 7, 1)});
        Monitor m(db);
        Snapshot& s = m.dm.cdsPools;
        TMonitorGrid grid(s, grids::gridDecl(GridId::Pools));
        Tester tester(grid.proxyModel(), Tester::FailureReportingMode::QtTest);
        s.open();
        const int total = grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY"));
        const int free = grid.sectionOf(QStringLiteral("TMP$FREE_MEMORY"));
        QCOMPARE(grid.footer()->text(total), QStringLiteral("357"));
        QCOMPARE(grid.footer()->text(free), QStringLiteral("36"));

        QMenu values;
        grid.fillFilterMenu(values, grid.sectionOf(QStringLiteral("TMP$TYPE")));
        QAction* tra = actionNamed(values, QStringLiteral("TRA: Transaction manager"));
        QVERIFY(tra);
        tra->trigger();
        QCOMPARE(grid.footer()->text(total), QStringLiteral("50"));
        QCOMPARE(grid.footer()->text(free), QStringLiteral("5"));

        db.execute(pool(5, "TRA", 1000000, 70000));
        refreshLikeTheWindow(s);
        QCOMPARE(grid.footer()->text(total), QStringLiteral("1000050"));
        QCOMPARE(grid.footer()->text(free), QStringLiteral("70005"));
        grid.removeValueFilter(grid.sectionOf(QStringLiteral("TMP$TYPE")));
        QCOMPARE(grid.footer()->text(total), QStringLiteral("1000357"));
    }

    // While the snapshot is re-read the view is neither told nor repainted; after it, it shows
    // the new rows.
    void nothingRepaintsWhileTheSnapshotIsReRead()
    {
        TestDatabase db;
        db.execute({kUsers, statement(1, 1, "ACTIVE", 1), statement(2, 2, "ACTIVE", 2)});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        TMonitorGrid grid(s, grids::gridDecl(GridId::Statements));
        grid.resize(900, 400);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        s.open();
        settle();

        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint)
                    ++paints;
                return false;
            }
        } counter;
        grid.view()->viewport()->installEventFilter(&counter);
        db.execute({statement(3, 2, "IDLE", 3), QStringLiteral("DELETE FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID = 1")});
        s.disableControls();
        s.refresh();
        settle();
        QCOMPARE(counter.paints, 0);
        QCOMPARE(grid.proxyModel()->rowCount(), 2);
        s.enableControls();
        settle();
        QVERIFY(counter.paints > 0);
        QCOMPARE(shownKeys(grid).size(), 2);
        QVERIFY(!shownKeys(grid).contains(1));
    }

    // A cell of one line is drawn from a layout kept between paints, and looks exactly as the style
    // draws it: left and right aligned, selected, in a marked row's colours, and cut with an
    // ellipsis where its column is too narrow (twice: the second time from the kept layout).
    void aCellFromItsKeptLayoutLooksAsTheStyleDrawsIt()
    {
        QStandardItemModel model;
        auto* item = new QStandardItem;
        model.appendRow(item);
        QTreeView view;
        view.setModel(&model);
        const TGridDelegate grid;
        const QStyledItemDelegate style;
        const auto drawn = [&](const QStyledItemDelegate& delegate, const QStyleOptionViewItem& option) {
            QImage image(option.rect.size(), QImage::Format_ARGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            delegate.paint(&painter, option, model.index(0, 0));
            return image;
        };
        struct Case {
            const char* text;
            int width;
            Qt::Alignment alignment;
            bool selected;
            bool marked;
        };
        for (const Case& c : {Case{"SYSDBA", 120, Qt::AlignLeft, false, false},
                              Case{"1234567", 120, Qt::AlignRight, false, false},
                              Case{"Garbage Collector", 160, Qt::AlignLeft, true, false},
                              Case{"SYSDBA", 120, Qt::AlignLeft, false, true},
                              Case{"READ_COMMITTED_REC_VERSION", 70, Qt::AlignLeft, false, false},
                              Case{"READ_COMMITTED_REC_VERSION", 70, Qt::AlignLeft, false, false}}) {
            item->setText(QString::fromUtf8(c.text));
            item->setTextAlignment(c.alignment | Qt::AlignVCenter);
            item->setBackground(c.marked ? QBrush(QColor(255, 226, 150)) : QBrush());
            item->setForeground(c.marked ? QBrush(Qt::black) : QBrush());
            QStyleOptionViewItem option;
            option.initFrom(&view);
            option.widget = &view;
            option.rect = QRect(0, 0, c.width, 22);
            option.state |= QStyle::State_Active | (c.selected ? QStyle::State_Selected : QStyle::State_None);
            option.textElideMode = Qt::ElideRight;
            QVERIFY2(drawn(grid, option) == drawn(style, option), c.text);
        }
    }

    // One refresh that adds, removes and changes rows reaches the grid as such, never as a reset:
    // dataChanged names exactly the rows whose values changed, and the current row, the selected
    // rows, the scroll position and the sort stay as the user left them.
    void aRefreshUpdatesByDifference()
    {
        TestDatabase db;
        QStringList rows = {kUsers};
        for (int id = 1; id <= 80; ++id)
            rows << statement(id, 1 + id % 2, "ACTIVE", 1000 + id);
        db.execute(rows);
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        ShownGrid shown(s, GridId::Statements, {900, 300});
        TMonitorGrid& grid = shown.grid;
        QVERIFY(shown.exposed);
        const int memory = grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY"));
        const int idSection = grid.sectionOf(QStringLiteral("TMP$STATEMENT_ID"));
        grid.setSortOrder({{memory, Qt::DescendingOrder}});
        QTreeView& view = *grid.view();
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 40));
        view.selectionModel()->select(leafWithKey(grid, 45), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view.verticalScrollBar()->setValue(30);
        settle();
        const auto seen = [&] {
            QList<qint64> selected;
            for (const QModelIndex& i : view.selectionModel()->selectedRows(idSection))
                selected << i.data(SnapshotModel::ValueRole).toLongLong();
            std::sort(selected.begin(), selected.end());
            return std::make_tuple(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")),
                                   view.currentIndex().siblingAtColumn(0) == leafWithKey(grid, 40), selected,
                                   view.verticalScrollBar()->value(), grid.proxyModel()->sortOrder());
        };
        const auto before = seen();
        QCOMPARE(std::get<2>(before), (QList<qint64>{40, 45}));

        int resets = 0;
        connect(grid.snapshotModel(), &QAbstractItemModel::modelAboutToBeReset, [&] { ++resets; });
        connect(grid.proxyModel(), &QAbstractItemModel::modelAboutToBeReset, [&] { ++resets; });
        QList<qint64> changed;
        connect(grid.snapshotModel(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& a, const QModelIndex& b) {
            for (int r = a.row(); r <= b.row(); ++r)
                changed << s.intValue(r, s.keyColumn());
        });
        db.execute({QStringLiteral("DELETE FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID IN (3, 77)"),
                    statement(81, 1, "ACTIVE", 5000), statement(82, 2, "IDLE", 1),
                    QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$POOL_MEMORY = 9000 WHERE TMP$STATEMENT_ID = 10"),
                    QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$SQL = 'select 0 from rdb$database' "
                                   "WHERE TMP$STATEMENT_ID IN (40, 60)")});
        refreshLikeTheWindow(s);
        settle();
        std::sort(changed.begin(), changed.end());
        QCOMPARE(changed, (QList<qint64>{10, 40, 60}));
        QCOMPARE(resets, 0);
        QCOMPARE(seen(), before);
        QCOMPARE(shownKeys(grid).first(), 10);  // sorted by memory still, the changed row first
    }

    // The quick filter keeps the rows in which a visible column's shown text holds the typed text,
    // whatever the letter case, under grouping and sorting; groups left without rows go. A refresh
    // filters its rows the same way; a current row it leaves out stays the snapshot's row while
    // the grid shows none. Hidden columns (the SQL text) are not searched.
    void quickFilterWithGroupingAndSortAcrossARefresh()
    {
        TestDatabase db;
        db.execute({kUsers, QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (3, 'CAROL')"),
                    statement(1, 1, "ACTIVE", 300), statement(2, 2, "IDLE", 200), statement(3, 1, "STALLED", 100),
                    statement(4, 3, "ACTIVE", 400)});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        ShownGrid shown(s, GridId::Statements, {1200, 400});
        TMonitorGrid& grid = shown.grid;
        QVERIFY(shown.exposed);
        grid.groupBySection(grid.sectionOf(QStringLiteral("TMP$USER")));
        grid.setSortOrder({{grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY")), Qt::DescendingOrder}});

        QTest::keyClicks(grid.filterBar()->searchBox(), QStringLiteral("  aLi "));
        QCOMPARE(grid.quickFilter(), QStringLiteral("aLi"));
        QCOMPARE(groupsByValue(grid).keys(), (QStringList{"ALICE"}));
        QCOMPARE(shownKeys(grid), (QList<qint64>{1, 3}));
        grid.setQuickFilter(QStringLiteral("stalled"));
        QCOMPARE(shownKeys(grid), (QList<qint64>{3}));
        grid.setQuickFilter(QStringLiteral("rdb$database"));  // in every statement's SQL text
        QCOMPARE(grid.proxyModel()->rowCount(), 0);
        grid.setQuickFilter(QStringLiteral("a"));  // ALICE, CAROL, ACTIVE, STALLED; not BOB's idle row
        QCOMPARE(groupsByValue(grid).keys(), (QStringList{"ALICE", "CAROL"}));
        QCOMPARE(shownKeys(grid), (QList<qint64>{1, 3, 4}));
        grid.view()->setCurrentIndex(leafWithKey(grid, 4));
        QCOMPARE(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")), 4);

        db.execute({QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$STATE = 'IDLE' WHERE TMP$STATEMENT_ID = 4"),
                    QStringLiteral("UPDATE TMP$ATTACHMENTS SET TMP$USER = 'ZED' WHERE TMP$ATTACHMENT_ID = 3"),
                    statement(5, 2, "ACTIVE", 50)});
        refreshLikeTheWindow(s);
        QCOMPARE(grid.quickFilter(), QStringLiteral("a"));
        QCOMPARE(groupsByValue(grid).keys(), (QStringList{"ALICE", "BOB"}));
        QCOMPARE(shownKeys(grid), (QList<qint64>{1, 3, 5}));
        QCOMPARE(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")), 4);
        QVERIFY(!grid.currentRowShown());
        QVERIFY(!grid.view()->currentIndex().isValid());

        grid.filterBar()->searchBox()->clear();
        QCOMPARE(shownKeys(grid).size(), 5);
        QVERIFY(grid.currentRowShown());
        QCOMPARE(s.asInteger(QStringLiteral("TMP$STATEMENT_ID")), 4);
    }

    // Hide idle, offered where a grid shows the rows' state, leaves out exactly the state IDLE and
    // works with the quick filter across a refresh; the pools grid's sums follow the quick filter.
    void hideIdleAndTheSumsFollowWhatIsShown()
    {
        TestDatabase db;
        db.execute({kUsers, transaction(10, 1, "ACTIVE"), transaction(11, 2, "IDLE"), transaction(12, 1, "IDLER"),
                    transaction(13, 2, "LIMBO"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY) VALUES (1, 'TRA', 50)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY) VALUES (2, 'CCH', 100)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY) VALUES (3, 'CCH', 200)")});
        Monitor m(db);
        for (const GridId id : {GridId::Procedures, GridId::Statements, GridId::Relations, GridId::Transactions,
                                GridId::Attachments, GridId::Pools}) {
            const TMonitorGrid grid(m.snapshot(id), grids::gridDecl(id));
            const bool offered = id == GridId::Statements || id == GridId::Transactions || id == GridId::Attachments;
            QCOMPARE(grid.offersHideIdle(), offered);
            QCOMPARE(grid.filterBar()->hideIdleButton() != nullptr, offered);
        }

        Snapshot& s = m.dm.cdsTransactions;
        TMonitorGrid grid(s, grids::gridDecl(GridId::Transactions));
        Tester tester(grid.proxyModel(), Tester::FailureReportingMode::QtTest);
        s.open();
        auto sortedKeys = [&grid] {
            QList<qint64> keys = shownKeys(grid);
            std::sort(keys.begin(), keys.end());
            return keys;
        };
        grid.filterBar()->hideIdleButton()->click();
        QVERIFY(grid.hideIdle());
        QCOMPARE(sortedKeys(), (QList<qint64>{10, 12, 13}));
        db.execute({QStringLiteral("UPDATE TMP$TRANSACTIONS SET TMP$STATE = 'IDLE' WHERE TMP$TRANSACTION_ID = 10"),
                    transaction(14, 1, "IDLE"), transaction(15, 2, "ACTIVE")});
        refreshLikeTheWindow(s);
        QCOMPARE(sortedKeys(), (QList<qint64>{12, 13, 15}));
        grid.setQuickFilter(QStringLiteral("limbo"));
        QCOMPARE(sortedKeys(), (QList<qint64>{13}));
        grid.filterBar()->hideIdleButton()->click();
        QVERIFY(!grid.hideIdle());
        grid.setQuickFilter(QStringLiteral("idle"));
        QCOMPARE(sortedKeys(), (QList<qint64>{10, 11, 12, 14}));

        TMonitorGrid pools(m.dm.cdsPools, grids::gridDecl(GridId::Pools));
        m.dm.cdsPools.open();
        const int total = pools.sectionOf(QStringLiteral("TMP$POOL_MEMORY"));
        QCOMPARE(pools.footer()->text(total), QStringLiteral("350"));
        pools.setQuickFilter(QStringLiteral("page buffers"));  // the shown type name of CCH
        QCOMPARE(pools.footer()->text(total), QStringLiteral("300"));
    }

    // Ctrl+C copies the selected rows, or the current row when none is selected, as shown:
    // tab-separated under a line of the visible captions, CHAR padding gone, a value with a tab or a
    // quote in quotes; a selected group stands for its rows, collapsed or not, and its line is not
    // copied.
    void copyTakesTheRowsAsShown()
    {
        TestDatabase db;
        db.execute({kUsers,
                    QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) "
                                   "VALUES (3, 'TAB' || ASCII_CHAR(9) || 'Q\"X')"),
                    statement(1, 1, "ACTIVE", 300), statement(2, 2, "IDLE", 200), statement(3, 1, "STALLED", 100),
                    statement(4, 3, "ACTIVE", 50)});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        TMonitorGrid grid(s, grids::gridDecl(GridId::Statements));
        grid.resize(1200, 400);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        s.open();
        grid.setSortOrder({{grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY")), Qt::DescendingOrder}});
        QStringList captions;
        for (int c = 0; c < grid.proxyModel()->columnCount(); ++c)
            if (!grid.view()->isColumnHidden(c))
                captions << grid.proxyModel()->headerData(c, Qt::Horizontal).toString();
        const int state = static_cast<int>(captions.indexOf(QStringLiteral("State")));
        QCOMPARE(captions.mid(0, 2), (QStringList{"User", "Memory"}));
        auto copied = [&grid] {
            QApplication::clipboard()->clear();
            grid.view()->setFocus();
            QTest::keyClick(grid.view(), Qt::Key_C, Qt::ControlModifier);
            return QApplication::clipboard()->text().split(QLatin1Char('\n'));
        };

        grid.view()->setCurrentIndex(leafWithKey(grid, 3));
        grid.view()->selectionModel()->clearSelection();
        QStringList lines = copied();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], captions.join(QLatin1Char('\t')));
        const QStringList fields = lines[1].split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), captions.size());
        QCOMPARE(fields.mid(0, 2), (QStringList{"ALICE", "100"}));
        QCOMPARE(fields[state], QStringLiteral("STALLED"));
        QCOMPARE(lines[2], QString());

        grid.groupBySection(grid.sectionOf(QStringLiteral("TMP$USER")));
        grid.view()->collapseAll();
        QItemSelectionModel* selection = grid.view()->selectionModel();
        selection->select(groupsByValue(grid)[QStringLiteral("ALICE")], QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->select(leafWithKey(grid, 4), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        lines = copied();
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[1].startsWith(QLatin1String("ALICE\t300\t")));
        QVERIFY(lines[2].startsWith(QLatin1String("ALICE\t100\t")));
        QVERIFY2(lines[3].startsWith(QLatin1String("\"TAB\tQ\"\"X\"\t50\t")), qPrintable(lines[3]));
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestMonitorGrids test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_monitor_grids.moc"

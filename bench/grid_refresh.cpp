// What a refresh costs the statements grid once the fetch has finished: 10,000 statements of 37
// users, grouped by user (every group expanded), sorted on state and then memory descending, and
// filtered to one state. Each repetition changes the data (every counter, 50 statements gone, 50
// new), re-reads the snapshot with its views suspended and finds the current row again, all
// untimed; then it times resuming the views (model, proxy, view) up to the view painted. The same
// update for a plain QTableView over the bare snapshot model, measured in turn with it after each
// change, is the baseline.

#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "mainwindow/grid/GridProxyModel.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "monitor/QuillmereDM.h"
#include "monitor/SnapshotModel.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTableView>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kStatements = 10000;
constexpr int kAttachments = 500;
constexpr int kUsers = 37;
constexpr int kWarmUps = 2;
constexpr int kRepetitions = 15;
constexpr int kTurnover = 50;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const char* stateOf(int s) { return s % 20 == 0 ? "STALLED" : (s % 7 == 0 ? "IDLE" : "ACTIVE"); }

void fill(const TestDatabase& db)
{
    ib::Attachment att;
    db.attach(att);
    ib::Transaction tr;
    tr.start(att, ib::readCommittedTpb(false));
    ib::Statement ins;
    ins.prepare(att, tr, "INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (?, ?)");
    for (int a = 1; a <= kAttachments; ++a) {
        ins.setInt64(0, a);
        ins.setText(1, "USER" + std::to_string(a % kUsers));
        ins.execute(tr);
    }
    ins.prepare(att, tr,
                "INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$TRANSACTION_ID, TMP$SQL, "
                "TMP$POOL_ID, TMP$POOL_MEMORY, TMP$CLONE, TMP$TIMESTAMP, TMP$QUANTUM, TMP$INVOCATIONS, TMP$STATE, "
                "TMP$RECORD_SELECTS, TMP$PAGE_READS) VALUES (?, ?, ?, 'SELECT * FROM CUSTOMERS WHERE ID = ?', ?, ?, "
                "0, CURRENT_TIMESTAMP, 100, 3, ?, ?, ?)");
    QRandomGenerator rng(11);
    for (int s = 1; s <= kStatements; ++s) {
        ins.setInt64(0, s);
        ins.setInt64(1, 1 + s % kAttachments);
        ins.setInt64(2, 1000 + s);
        ins.setInt64(3, s);
        ins.setInt64(4, 20000 + rng.bounded(100000));
        ins.setText(5, stateOf(s));
        ins.setInt64(6, rng.bounded(100000));
        ins.setInt64(7, rng.bounded(100000));
        ins.execute(tr);
    }
    ins.free();
    tr.commit();
    att.detach();
}

// One round of change on the server: every counter moves, the oldest statements end, new ones
// begin.
void change(const TestDatabase& db, int round)
{
    const int gone = 1 + (round - 1) * kTurnover;
    const int first = kStatements + 1 + (round - 1) * kTurnover;
    db.execute({QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$RECORD_SELECTS = TMP$RECORD_SELECTS + 7, "
                               "TMP$PAGE_READS = TMP$PAGE_READS + 3, TMP$POOL_MEMORY = TMP$POOL_MEMORY + "
                               "MOD(TMP$STATEMENT_ID * %1, 997)")
                    .arg(round),
                QStringLiteral("DELETE FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID >= %1 AND TMP$STATEMENT_ID < %2")
                    .arg(gone)
                    .arg(gone + kTurnover),
                QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$POOL_MEMORY, "
                               "TMP$TIMESTAMP, TMP$STATE) SELECT TMP$STATEMENT_ID + %1, TMP$ATTACHMENT_ID, "
                               "TMP$POOL_MEMORY, CURRENT_TIMESTAMP, TMP$STATE FROM TMP$STATEMENTS "
                               "WHERE TMP$STATEMENT_ID >= %2 AND TMP$STATEMENT_ID < %3")
                    .arg(first - (gone + kTurnover))
                    .arg(gone + kTurnover)
                    .arg(gone + 2 * kTurnover)});
}

// Re-reads with the views suspended and finds the row again (untimed), then times the resumed
// views up to a painted viewport.
double timedRefresh(Snapshot& s, QAbstractItemView& view)
{
    const QVariant key = s.value(QStringLiteral("TMP$STATEMENT_ID"));
    s.disableControls();
    s.refresh();
    s.locate(QStringLiteral("TMP$STATEMENT_ID"), key);
    QElapsedTimer t;
    t.start();
    s.enableControls();
    QCoreApplication::processEvents();
    view.viewport()->repaint();
    return t.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("grid_refresh: %d statements of %d users, %d repetitions after %d warm-ups, %d rows replaced each\n",
                kStatements, kUsers, kRepetitions, kWarmUps, kTurnover);
    TestDatabase db;
    fill(db);
    TdmServerProperties connection;
    connection.SetDatabaseName(db.path());
    connection.SetUserName(QStringLiteral("SYSDBA"));
    // Two snapshot modules on the one connection: the grid's and the plain view's, refreshed in
    // turn after each change, so that both meet the same data and the same load on the machine.
    TdmQuillmere dmGrid, dmPlain;
    dmGrid.SetDatabase(&connection.IBDatabase);
    dmPlain.SetDatabase(&connection.IBDatabase);
    connection.SetConnected(true);
    Snapshot& forGrid = dmGrid.cdsStatements;
    Snapshot& forPlain = dmPlain.cdsStatements;
    forGrid.open();
    forPlain.open();

    TMonitorGrid grid(forGrid, grids::gridDecl(grids::GridId::Statements));
    grid.resize(1200, 800);
    grid.show();
    const int state = grid.sectionOf(QStringLiteral("TMP$STATE"));
    grid.groupBySection(grid.sectionOf(QStringLiteral("TMP$USER")));
    grid.setSortOrder(
        {{state, Qt::AscendingOrder}, {grid.sectionOf(QStringLiteral("TMP$POOL_MEMORY")), Qt::DescendingOrder}});
    grid.setValueFilter(state, QStringLiteral("ACTIVE").leftJustified(31));
    grid.view()->expandAll();

    SnapshotModel model(&forPlain);
    QTableView plain;
    plain.setModel(&model);
    plain.resize(1200, 800);
    plain.show();
    QCoreApplication::processEvents();

    std::vector<double> gridTimes, plainTimes;
    for (int round = 1; round <= kWarmUps + kRepetitions; ++round) {
        change(db, round);
        const double g = timedRefresh(forGrid, *grid.view());
        const double p = timedRefresh(forPlain, plain);
        if (round > kWarmUps) {
            gridTimes.push_back(g);
            plainTimes.push_back(p);
        }
    }
    if (grid.proxyModel()->grouping().size() != 1 || grid.proxyModel()->sortOrder().size() != 2 ||
        !grid.proxyModel()->hasValueFilter(state) || !grid.currentRowShown()) {
        std::fprintf(stderr, "the grid lost its arrangement or its current row\n");
        return 1;
    }
    const double gridMs = median(gridTimes), plainMs = median(plainTimes);
    const int shown = grid.proxyModel()->leafCount();
    Snapshot& s = forGrid;

    std::printf("grid (group, 2-column sort, filter; %d of %d rows shown)  median %7.1f ms\n", shown, s.rowCount(),
                gridMs);
    std::printf("plain QTableView over the snapshot model                  median %7.1f ms\n", plainMs);
    std::printf("ratio grid / plain view                                          %7.2f   (target <= 2)\n",
                gridMs / plainMs);
    std::printf("grid update of %d rows                                          %7.1f ms (target < 100 ms)\n",
                s.rowCount(), gridMs);
    return 0;
}

// Row storage, the snapshot cursor with its suspended views, and the keyed updates of the item
// model that views see across refreshes. The rows come from a fetch function filled here, so
// every order of removals, moves and insertions can be tried.

#include "common/Exception.h"
#include "monitor/MonitoringCatalogue.h"
#include "monitor/RowStore.h"
#include "monitor/Snapshot.h"
#include "monitor/SnapshotModel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

using catalogue::SnapshotId;

namespace {
// Attachments rows: (id, user) pairs; the rest of the columns stay NULL.
struct Rows {
    std::vector<std::pair<int, QString>> rows;
};

void bind(Snapshot& s, Rows& source)
{
    const int id = s.requireColumn(QStringLiteral("TMP$ATTACHMENT_ID"));
    const int user = s.requireColumn(QStringLiteral("TMP$USER"));
    s.setFetcher([&source, id, user](Snapshot&, RowStore& into) {
        for (const auto& [key, name] : source.rows) {
            into.beginRow();
            into.setInt(id, key);
            into.setText(user, name.toStdString());
            into.endRow();
        }
    });
}

QList<int> modelKeys(const QAbstractItemModel& m, int column)
{
    QList<int> keys;
    for (int r = 0; r < m.rowCount(); ++r)
        keys << m.index(r, column).data(SnapshotModel::ValueRole).toInt();
    return keys;
}
}  // namespace

class TestSnapshotStore : public QObject {
    Q_OBJECT
private slots:
    void rowStoreKeepsEveryTypeAndNull()
    {
        const auto& decl = catalogue::snapshotDecl(SnapshotId::Statements);
        RowStore store(decl.columns);
        const std::string big(70000, 'q');
        for (int r = 0; r < 3000; ++r) {
            store.beginRow();
            store.setInt(0, -r);
            if (r % 2)
                store.setText(4, r == 7 ? big : std::string(r % 50, 'x'));
            store.setDouble(9, r / 4.0);
            store.setTimestamp(8, (int64_t(r) << 32) | 77);
            store.endRow();
        }
        QCOMPARE(store.rowCount(), 3000);
        for (int r = 0; r < 3000; ++r) {
            QCOMPARE(store.intValue(r, 0), -r);
            QCOMPARE(store.isNull(r, 4), r % 2 == 0);
            if (r % 2)
                QCOMPARE(store.text(r, 4).size(), r == 7 ? big.size() : size_t(r % 50));
            QCOMPARE(store.doubleValue(r, 9), r / 4.0);
            QCOMPARE(store.timestampValue(r, 8), (int64_t(r) << 32) | 77);
            QVERIFY(store.isNull(r, 1));
            QVERIFY(store.isNull(r, 24));
        }
        QCOMPARE(store.text(7, 4), std::string_view(big));
        // an empty text is not NULL
        store.beginRow();
        store.setText(3, "");
        store.endRow();
        QVERIFY(!store.isNull(3000, 3));
        QCOMPARE(store.text(3000, 3).size(), size_t(0));
        QVERIFY(store.memoryBytes() > big.size());
        store.clear();
        QCOMPARE(store.rowCount(), 0);
    }

    void suspendedViewsHearOnceOnResume()
    {
        Snapshot s(catalogue::snapshotDecl(SnapshotId::Attachments));
        Rows source{{{1, "A"}, {2, "B"}, {3, "C"}}};
        bind(s, source);
        QSignalSpy rows(&s, &Snapshot::rowsReplaced);
        QSignalSpy current(&s, &Snapshot::currentRowChanged);
        s.open();
        QCOMPARE(rows.count(), 1);
        QCOMPARE(current.count(), 1);
        s.setRecNo(2);
        QCOMPARE(current.count(), 2);
        s.setRecNo(2);  // no move, no notice
        QCOMPARE(current.count(), 2);
        s.disableControls();
        s.refresh();
        s.first();
        s.locate(QStringLiteral("TMP$ATTACHMENT_ID"), 3);
        QCOMPARE(rows.count(), 1);
        QCOMPARE(current.count(), 2);
        s.enableControls();
        QCOMPARE(rows.count(), 2);
        QCOMPARE(current.count(), 3);
        QCOMPARE(s.recNo(), 2);
        // nested suspension resumes at the outermost enable only
        s.disableControls();
        s.disableControls();
        s.first();
        s.enableControls();
        QCOMPARE(current.count(), 3);
        s.enableControls();
        QCOMPARE(current.count(), 4);
    }

    void cursorIteration()
    {
        Snapshot s(catalogue::snapshotDecl(SnapshotId::Attachments));
        Rows source{{{5, "A"}, {6, "B"}}};
        bind(s, source);
        QVERIFY(!s.isOpen());
        QVERIFY(s.eof());
        s.open();
        QList<qint64> seen;
        for (s.first(); !s.eof(); s.next())
            seen << s.asInteger(QStringLiteral("TMP$ATTACHMENT_ID"));
        QCOMPARE(seen, (QList<qint64>{5, 6}));
        QVERIFY(!s.locate(QStringLiteral("TMP$ATTACHMENT_ID"), QVariant()));
        QVERIFY(s.locate(QStringLiteral("TMP$USER"), QStringLiteral("A")));
        QCOMPARE(s.recNo(), 0);
        QVERIFY_THROWS_EXCEPTION(Exception, s.asInteger(QStringLiteral("NO_SUCH_COLUMN")));
        s.close();
        QVERIFY(!s.isOpen());
        QCOMPARE(s.recNo(), -1);
    }

    void modelFollowsEveryKindOfChange_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("same") << QList<int>{1, 2, 3} << QList<int>{1, 2, 3};
        QTest::newRow("removed scattered") << QList<int>{1, 2, 3, 4, 5, 6} << QList<int>{2, 4, 5};
        QTest::newRow("inserted scattered") << QList<int>{2, 4} << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("reversed") << QList<int>{1, 2, 3, 4} << QList<int>{4, 3, 2, 1};
        QTest::newRow("all new") << QList<int>{1, 2} << QList<int>{7, 8, 9};
        QTest::newRow("to empty") << QList<int>{1, 2} << QList<int>{};
        QTest::newRow("from empty") << QList<int>{} << QList<int>{3, 1};
        QTest::newRow("mixed") << QList<int>{1, 2, 3, 4, 5} << QList<int>{6, 5, 2, 7, 1};
    }
    void modelFollowsEveryKindOfChange()
    {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        Snapshot s(catalogue::snapshotDecl(SnapshotId::Attachments));
        Rows source;
        for (int k : before)
            source.rows.push_back({k, QStringLiteral("U%1").arg(k)});
        bind(s, source);
        SnapshotModel model(&s);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&model);
        QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
        s.open();
        const int id = s.columnIndex(QStringLiteral("TMP$ATTACHMENT_ID"));
        const int user = s.columnIndex(QStringLiteral("TMP$USER"));
        QCOMPARE(modelKeys(model, id), before);
        std::vector<QPersistentModelIndex> held;
        for (int r = 0; r < model.rowCount(); ++r)
            held.emplace_back(model.index(r, user));
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        source.rows.clear();
        for (int k : after)
            source.rows.push_back({k, QStringLiteral("V%1").arg(k)});
        s.refresh();
        QCOMPARE(reset.count(), 0);
        QCOMPARE(modelKeys(model, id), after);
        QCOMPARE(modelKeys(proxy, id), after);
        for (int r = 0; r < model.rowCount(); ++r)
            QCOMPARE(model.index(r, user).data().toString(), QStringLiteral("V%1").arg(after[r]));
        // a row that survived is still held at its new place, one that went is gone
        for (size_t i = 0; i < held.size(); ++i) {
            const int key = before[static_cast<int>(i)];
            if (after.contains(key)) {
                QVERIFY(held[i].isValid());
                QCOMPARE(held[i].row(), after.indexOf(key));
            } else {
                QVERIFY(!held[i].isValid());
            }
        }
    }

    void randomRefreshesStayConsistent()
    {
        Snapshot s(catalogue::snapshotDecl(SnapshotId::Attachments));
        Rows source;
        bind(s, source);
        SnapshotModel model(&s);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&model);
        proxy.sort(s.columnIndex(QStringLiteral("TMP$USER")), Qt::DescendingOrder);
        const int id = s.columnIndex(QStringLiteral("TMP$ATTACHMENT_ID"));
        QRandomGenerator rng(42);
        s.open();
        for (int round = 0; round < 60; ++round) {
            std::vector<int> keys;
            for (int k = 0; k < 40; ++k)
                if (rng.bounded(3))
                    keys.push_back(k);
            std::shuffle(keys.begin(), keys.end(), std::mt19937(round));
            source.rows.clear();
            QList<int> want;
            for (int k : keys) {
                source.rows.push_back({k, QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0'))});
                want << k;
            }
            s.refresh();
            QCOMPARE(modelKeys(model, id), want);
            QCOMPARE(proxy.rowCount(), want.size());
            for (int r = 1; r < proxy.rowCount(); ++r)
                QVERIFY(proxy.index(r - 1, id).data(SnapshotModel::ValueRole).toInt() >
                        proxy.index(r, id).data(SnapshotModel::ValueRole).toInt());
        }
    }

    void repeatedKeysFallBackToAReset()
    {
        Snapshot s(catalogue::snapshotDecl(SnapshotId::Attachments));
        Rows source{{{1, "A"}, {1, "B"}}};
        bind(s, source);
        SnapshotModel model(&s);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        s.open();
        source.rows = {{2, "C"}};
        s.refresh();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(modelKeys(model, 0), QList<int>{2});
    }
};

QTEST_GUILESS_MAIN(TestSnapshotStore)
#include "test_snapshot_store.moc"

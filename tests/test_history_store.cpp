// The history store on what a user may hand it: a store cut short, one of a newer version, a file
// that is no store, the store of another database; each refused with a clear text and left as it
// is. Retention removes old moments in small steps and keeps the newest one whole. The moments are
// recorded from real databases of the embedded engine (MON$ read directly).

#include "connection/ServerConnectionDM.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "history/RecordingPass.h"
#include "monitor/QuillmereDM.h"
#include "support/SnapshotText.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using history::HistoryStore;
using Mode = history::HistoryStore::Mode;

namespace {

// A database of the embedded engine watched by a snapshot module.
struct Watched {
    TestDatabase db{TestDatabase::Options{false}};
    TdmServerProperties connection;
    TdmQuillmere dm;
    Watched()
    {
        connection.SetDatabaseName(db.path());
        connection.SetUserName(QStringLiteral("SYSDBA"));
        dm.SetDatabase(&connection.IBDatabase);
        connection.SetConnected(true);
    }
    // Records `passes` moments into the store file.
    void record(const QString& file, int passes)
    {
        HistoryStore store(file, Mode::Write);
        QVERIFY(store.claim(QStringLiteral("test")));
        history::RecordingPass pass(dm, store);
        for (int i = 0; i < passes; ++i)
            pass.run();
    }
};

QByteArray digest(const QString& file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// The store's text, or what went wrong in opening it and reading its last moment.
QString openAndRead(const QString& file, Mode mode)
{
    try {
        HistoryStore store(file, mode);
        history::HistoryReader reader(store);
        const std::vector<history::MomentInfo> moments = reader.moments();
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots())
            reader.rows(moments.back().id, decl);
        return QStringLiteral("read");
    } catch (const Exception& e) {
        return e.message();
    }
}

}  // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        // the stores are closed (checkpointed) before they are spoilt, so the file holds them whole
        Watched w;
        w.record(file("good.history"), 3);
        QCOMPARE(openAndRead(file("good.history"), Mode::Read), QStringLiteral("read"));
    }

    // Each spoilt store gets a text that names it and says what is wrong; nothing crashes and the
    // file stays byte for byte as it was.
    void aSpoiltStoreIsRefusedAndKept_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");  // a part of the text
        QTest::newRow("cut short") << QStringLiteral("cut.history") << QStringLiteral("is damaged or not a database");
        QTest::newRow("newer version") << QStringLiteral("newer.history") << QStringLiteral("was written by a newer Quillmere (store version 99");
        QTest::newRow("a text file") << QStringLiteral("text.history") << QStringLiteral("is damaged or not a database");
        QTest::newRow("another program's database") << QStringLiteral("other-program.history")
                                                    << QStringLiteral("is not a Quillmere history store");
    }
    void aSpoiltStoreIsRefusedAndKept()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        if (name == QLatin1String("text.history")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("monitoring notes, not a store\n");
        } else if (name == QLatin1String("other-program.history")) {
            history::SqliteDb db;
            db.open(path, true, false);
            db.exec("CREATE TABLE notes (line TEXT)");
        } else {
            QVERIFY(QFile::copy(file("good.history"), path));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            if (name == QLatin1String("cut.history")) {
                QVERIFY(QFile::resize(path, QFileInfo(path).size() / 3));
            } else {
                history::SqliteDb db;
                db.open(path, false, false);
                db.exec("PRAGMA user_version = 99");
            }
        }
        const QByteArray before = digest(path);
        for (const Mode mode : {Mode::Read, Mode::Write}) {
            const QString result = openAndRead(path, mode);
            QVERIFY2(result.contains(expected) && result.contains(path), qPrintable(result));
            QCOMPARE(digest(path), before);
        }
    }

    // A store that holds one database's history refuses another's, and keeps what it holds.
    void aStoreOfAnotherDatabaseIsRefused()
    {
        const QString path = file("other.history");
        QVERIFY(QFile::copy(file("good.history"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        Watched other;
        HistoryStore store(path, Mode::Write);
        QVERIFY(store.claim(QStringLiteral("test")));
        history::RecordingPass pass(other.dm, store);
        try {
            pass.run();
            QFAIL("recorded into another database's store");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QStringLiteral("belongs to the database")), qPrintable(e.message()));
        }
        history::HistoryReader reader(store);
        QCOMPARE(reader.moments().size(), size_t(3));
    }

    // Retention takes moments older than the days in steps, and the newest moment still shows
    // exactly what it showed before (the versions it needs stay).
    void retentionKeepsTheNewestMomentWhole()
    {
        const QString path = file("retention.history");
        Watched w;
        w.record(path, 40);
        HistoryStore store(path, Mode::Write);
        history::HistoryReader reader(store);
        const int64_t newest = reader.moments().back().id;
        std::vector<QStringList> before;
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
            Snapshot s(decl);
            w.dm.BindSnapshot(s);
            reader.fill(newest, s);
            before.push_back(shownRows(s));
        }
        const int64_t eightDaysOn = QDateTime::currentMSecsSinceEpoch() + 8 * 86'400'000LL;
        int steps = 0;
        while (store.pruneStep(history::Retention{}, eightDaysOn))
            QVERIFY(++steps < 100);
        QVERIFY(steps >= 2);  // forty moments are more than one step
        QCOMPARE(reader.moments().size(), size_t(1));
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
            Snapshot s(decl);
            w.dm.BindSnapshot(s);
            reader.fill(newest, s);
            QCOMPARE(shownRows(s), before[static_cast<size_t>(decl.id)]);
        }
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "test_history_store.moc"

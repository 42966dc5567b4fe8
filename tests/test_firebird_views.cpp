// The monitoring views over Firebird's MON$ tables (schema/firebird-monitoring-views.sql), through
// the embedded engine: the views' metadata against the test tables, the snapshots reading them
// from the program's dialect-1 connection in databases of both dialects, what they show of this
// process's own work, texts that do not fit, the state writes turned into actions, and the log
// tables made from the views.

#include "common/Exception.h"
#include "common/ParamList.h"
#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "monitor/MonitoringCatalogue.h"
#include "monitor/QuillmereDM.h"
#include "support/DatabaseFileEdit.h"
#include "support/LogTestFixture.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QtTest>

#include <limits>
#include <memory>

using catalogue::ColumnType;
using catalogue::SnapshotId;

namespace {

QString viewsScript() { return TestDatabase::schemaPath(QStringLiteral("firebird-monitoring-views.sql")); }

std::unique_ptr<TestDatabase> viewsDatabase(unsigned dialect, const QString& charset)
{
    TestDatabase::Options o;
    o.applySchema = false;
    o.dialect = dialect;
    o.characterSet = charset;
    auto db = std::make_unique<TestDatabase>(o);
    db->executeScript(viewsScript());
    return db;
}

// An attachment of this process of its own, with a read-write transaction.
struct Session {
    ib::Attachment att;
    ib::Transaction tr;
    unsigned dialect;
    explicit Session(const TestDatabase& db, unsigned dialect = 1, const QString& charset = QString())
        : dialect(dialect)
    {
        db.attach(att, charset);
        tr.start(att, ib::readCommittedTpb(false));
    }
    // Every row of a query, each value as text (CHAR without its padding, NULL as "<null>").
    QList<QStringList> rows(const QString& sql)
    {
        ib::Statement st;
        st.prepare(att, tr, ib::toClientText(sql), dialect);
        st.execute(tr);
        QList<QStringList> out;
        while (st.fetch()) {
            QStringList row;
            for (int c = 0; c < st.columnCount(); ++c)
                row << (st.isNull(c) ? QStringLiteral("<null>")
                                     : ib::decodeText(ib::trimRight(st.asText(c))));
            out << row;
        }
        st.closeCursor();
        return out;
    }
    QString value(const QString& sql)
    {
        const QList<QStringList> r = rows(sql);
        return r.isEmpty() ? QString() : r.first().first();
    }
    void exec(const QString& sql)
    {
        ib::Statement st;
        st.prepare(att, tr, ib::toClientText(sql), dialect);
        st.execute(tr);
    }
    // The attachment of the one other user attachment: the monitor's, in these tests.
    qint32 otherAttachment()
    {
        return value(QStringLiteral("SELECT MON$ATTACHMENT_ID FROM MON$ATTACHMENTS "
                                    "WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0")).toInt();
    }
    qint32 ownAttachment() { return value(QStringLiteral("SELECT CURRENT_CONNECTION FROM RDB$DATABASE")).toInt(); }
};

struct Monitor {
    TdmServerProperties connection;
    TdmQuillmere dm;
    explicit Monitor(const TestDatabase& db)
    {
        connection.SetDatabaseName(db.path());
        connection.SetUserName(QStringLiteral("SYSDBA"));
        // the views themselves, as the logging reads them (monitoring reads MON$ directly)
        dm.SetSourceOverride(TdmQuillmere::SourceKind::Tables);
        dm.SetDatabase(&connection.IBDatabase);
        connection.SetConnected(true);
    }
    Snapshot& snapshot(SnapshotId id) { return dm.snapshot(id); }
    MonitorQuery& query(SnapshotId id) { return dm.query(id); }
};

// Moves the snapshot's cursor to the first row where column equals value, texts compared without
// their padding.
bool locateRow(Snapshot& s, const char* column, const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return s.locate(QString::fromLatin1(column), value);
    const int c = s.requireColumn(QString::fromLatin1(column));
    for (int r = 0; r < s.rowCount(); ++r) {
        if (!s.isNull(r, c) && s.plainText(r, c).trimmed() == value.toString()) {
            s.setRecNo(r);
            return true;
        }
    }
    return false;
}

int maxBytesPerCharacter(const QString& charset)
{
    if (charset == QLatin1String("UTF8"))
        return 4;
    if (charset == QLatin1String("UNICODE_FSS"))
        return 3;
    return 1;
}

// The columns of the TMP$ relations: relation, column, type, subtype, length, scale, characters,
// character set, collation, null flag, in column order.
const char* const kColumnsQuery =
    "SELECT TRIM(RF.RDB$RELATION_NAME), TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE, COALESCE(F.RDB$FIELD_SUB_TYPE, 0), "
    "F.RDB$FIELD_LENGTH, COALESCE(F.RDB$FIELD_SCALE, 0), COALESCE(F.RDB$CHARACTER_LENGTH, 0), "
    "COALESCE(F.RDB$CHARACTER_SET_ID, 0), COALESCE(F.RDB$COLLATION_ID, 0), COALESCE(RF.RDB$NULL_FLAG, 0) "
    "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
    "WHERE RF.RDB$RELATION_NAME STARTING WITH 'TMP$' ORDER BY RF.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION";

// The columns that the views carry 64-bit (BIGINT) where InterBase's tables have INTEGER: the
// identifiers, transaction numbers, counters and memory figures that Firebird keeps as BIGINT.
const QSet<QString> kWideColumns = {
    "TMP$ATTACHMENT_ID", "TMP$STATEMENT_ID", "TMP$TRANSACTION_ID", "TMP$POOL_ID", "TMP$SNAPSHOT",
    "TMP$NEXT_TRANSACTION", "TMP$OLDEST_INTERESTING", "TMP$OLDEST_ACTIVE", "TMP$OLDEST_SNAPSHOT",
    "TMP$PAGE_READS", "TMP$PAGE_WRITES", "TMP$PAGE_FETCHES", "TMP$PAGE_MARKS", "TMP$RECORD_SELECTS",
    "TMP$RECORD_IDX_SELECTS", "TMP$RECORD_SEQ_SELECTS", "TMP$RECORD_INSERTS", "TMP$RECORD_UPDATES",
    "TMP$RECORD_DELETES", "TMP$RECORD_PURGES", "TMP$RECORD_EXPUNGES", "TMP$RECORD_BACKOUTS",
    "TMP$TRANSACTION_CONFLICTS", "TMP$TRANSACTION_WAITS", "TMP$POOL_MEMORY", "TMP$FREE_MEMORY",
    "TMP$EXTEND_MEMORY", "TMP$SORT_MEMORY", "TMP$CURRENT_MEMORY", "TMP$MAXIMUM_MEMORY",
    "TMP$PERMANENT_POOL_MEMORY", "TMP$CACHE_POOL_MEMORY"};

// A statement text of `characters` characters, mostly outside ASCII.
QString longNonAsciiText()
{
    return QString(3000, QChar(0x042F)) + QString(1500, QChar(0x00E9)) + QString(100, QLatin1Char('x'));
}

}  // namespace

class TestFirebirdViews : public QObject {
    Q_OBJECT

private slots:
    // The log tables are built from this metadata: each view column has the type, length,
    // character set and position of the table column of the same name (BIGINT for the 64-bit
    // ones), and a domain of its own.
    void viewColumnsMatchTheTestTables_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::addColumn<QString>("charset");
        QTest::newRow("dialect 1, NONE") << 1u << QStringLiteral("NONE");
        QTest::newRow("dialect 3, UTF8") << 3u << QStringLiteral("UTF8");
    }
    void viewColumnsMatchTheTestTables()
    {
        QFETCH(unsigned, dialect);
        QFETCH(QString, charset);
        TestDatabase::Options o;
        o.dialect = dialect;
        o.characterSet = charset;
        TestDatabase tables(o);
        const auto views = viewsDatabase(dialect, charset);

        QList<QStringList> expected = Session(tables, dialect).rows(QString::fromLatin1(kColumnsQuery));
        for (QStringList& column : expected) {
            if (kWideColumns.contains(column[1])) {
                column[2] = QStringLiteral("16");
                column[4] = QStringLiteral("8");
            }
        }
        const QList<QStringList> actual = Session(*views, dialect).rows(QString::fromLatin1(kColumnsQuery));
        QSet<QString> relations;
        for (const QStringList& r : expected)
            relations << r[0];
        QCOMPARE(relations.size(), 8);
        for (qsizetype i = 0; i < std::min(expected.size(), actual.size()); ++i)
            QCOMPARE(actual[i].join(QLatin1Char(' ')), expected[i].join(QLatin1Char(' ')));
        QCOMPARE(actual.size(), expected.size());

        // every column a domain of its own, and every relation a view
        Session s(*views, dialect);
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME STARTING WITH 'TMP$' "
                                        "AND RDB$FIELD_SOURCE STARTING WITH 'RDB$'")),
                 QString::number(actual.size()));
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(DISTINCT RDB$FIELD_SOURCE) FROM RDB$RELATION_FIELDS "
                                        "WHERE RDB$RELATION_NAME STARTING WITH 'TMP$'")),
                 QString::number(actual.size()));
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING WITH 'TMP$' "
                                        "AND RDB$VIEW_BLR IS NOT NULL")),
                 QStringLiteral("8"));
    }

    // Every snapshot's own query finds each declared column in the views' result, with a type
    // that the snapshot reads as declared, from the program's dialect-1 connection; then every
    // snapshot opens through the snapshot module.
    void everySnapshotReadsTheViews_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::addColumn<QString>("charset");
        QTest::newRow("dialect 1, NONE") << 1u << QStringLiteral("NONE");
        QTest::newRow("dialect 1, UTF8") << 1u << QStringLiteral("UTF8");
        QTest::newRow("dialect 3, NONE") << 3u << QStringLiteral("NONE");
        QTest::newRow("dialect 3, UTF8") << 3u << QStringLiteral("UTF8");
    }
    void everySnapshotReadsTheViews()
    {
        QFETCH(unsigned, dialect);
        QFETCH(QString, charset);
        const auto db = viewsDatabase(dialect, charset);
        Monitor m(*db);
        Session s(*db, 1);
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
            const QString what = QString::fromLatin1(decl.snapshotName);
            ib::Statement st;
            st.prepare(s.att, s.tr, ib::toClientText(m.query(decl.id).sqlText().replace(QStringLiteral(":TMP$POOL_ID"), QStringLiteral("0"))), 1);
            // the grouping query sums and averages, so its numbers are of the server's choosing
            const bool aggregate = decl.id == SnapshotId::Pools;
            for (const catalogue::ColumnDecl& c : decl.columns) {
                if (catalogue::directOnly(c))
                    continue;  // the client behind a row and the like come from MON$ read directly only
                const QString where = what + QLatin1Char('.') + QString::fromLatin1(c.name);
                const int r = st.columnIndex(c.name);
                QVERIFY2(r >= 0, qPrintable(where + QStringLiteral(" is not in the result")));
                const ib::ColumnInfo& info = st.column(r);
                switch (c.type) {
                case ColumnType::Int16:
                    if (aggregate)
                        QVERIFY2(info.type == SQL_SHORT || info.type == SQL_LONG || info.type == SQL_INT64 || info.type == SQL_DOUBLE, qPrintable(where));
                    else
                        QVERIFY2(info.type == SQL_SHORT, qPrintable(where));
                    break;
                case ColumnType::Int32:
                    if (aggregate)
                        QVERIFY2(info.type == SQL_LONG || info.type == SQL_INT64 || info.type == SQL_DOUBLE, qPrintable(where));
                    else
                        QVERIFY2(info.type == (kWideColumns.contains(QLatin1String(c.name)) ? SQL_INT64 : SQL_LONG), qPrintable(where));
                    break;
                case ColumnType::Int64: QVERIFY2(info.type == SQL_INT64, qPrintable(where)); break;
                case ColumnType::Double: QVERIFY2(info.type == SQL_DOUBLE, qPrintable(where)); break;
                case ColumnType::Timestamp: QVERIFY2(info.type == SQL_TIMESTAMP, qPrintable(where)); break;
                case ColumnType::Char:
                case ColumnType::Varchar:
                    QVERIFY2(info.type == (c.type == ColumnType::Char ? SQL_TEXT : SQL_VARYING), qPrintable(where));
                    QVERIFY2(info.length == c.length * maxBytesPerCharacter(charset),
                             qPrintable(where + QStringLiteral(" has %1 bytes").arg(info.length)));
                    break;
                }
            }
            st.free();

            Snapshot& snapshot = m.snapshot(decl.id);
            snapshot.setParam(QStringLiteral("TMP$POOL_ID"), 0);
            snapshot.open();
            QVERIFY2(snapshot.isOpen(), qPrintable(what));
        }
        // Firebird reports no memory blocks; there is always one database row, a page cache and
        // this attachment
        QVERIFY(m.dm.cdsPoolBlocks.isEmpty());
        QCOMPARE(m.dm.cdsDatabase.rowCount(), 1);
        QVERIFY(locateRow(m.dm.cdsPools, "TMP$TYPE", QStringLiteral("CCH")));
        QVERIFY(!m.dm.cdsAttachments.isEmpty());
    }

    // What the views show of this process's own attachment, statement and transaction, and the
    // database-wide figures that other views count.
    void ourOwnWorkIsShown_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::newRow("dialect 1") << 1u;
        QTest::newRow("dialect 3") << 3u;
    }
    void ourOwnWorkIsShown()
    {
        QFETCH(unsigned, dialect);
        const auto db = viewsDatabase(dialect, QStringLiteral("NONE"));
        db->execute(QStringLiteral("CREATE TABLE T (N INTEGER)"));
        Monitor m(*db);
        Session other(*db, dialect);
        for (int i = 0; i < 3; ++i)
            other.exec(QStringLiteral("INSERT INTO T VALUES (%1)").arg(i));
        other.tr.commit();
        other.tr.start(other.att, ib::readCommittedTpb(false));
        const qint64 ownAttachment = other.otherAttachment();

        Snapshot& users = m.dm.cdsAttachments;
        users.open();
        QCOMPARE(users.rowCount(), 2);
        QVERIFY(locateRow(users, "TMP$ATTACHMENT_ID", ownAttachment));
        QCOMPARE(users.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
        // through the embedded engine the process is this one, and there is no host or address
        QCOMPARE(users.asInteger(QStringLiteral("TMP$USER_PROCESS")), QCoreApplication::applicationPid());
        QVERIFY(users.isNull(QStringLiteral("TMP$USER_IP_ADDR")));
        QCOMPARE(users.asText(QStringLiteral("TMP$STATE")).trimmed(), QStringLiteral("ACTIVE"));
        QVERIFY(users.asInteger(QStringLiteral("TMP$STATEMENTS")) >= 1);
        QVERIFY(users.asInteger(QStringLiteral("TMP$TRANSACTIONS")) >= 1);
        QVERIFY(users.asInteger(QStringLiteral("TMP$POOL_MEMORY")) > 0);
        QVERIFY(users.asDateTime(QStringLiteral("TMP$TIMESTAMP")).isValid());

        // the statements query running now is one of our statements, with its text and user
        Snapshot& statements = m.dm.cdsStatements;
        statements.open();
        bool found = false;
        for (statements.first(); !statements.eof(); statements.next()) {
            if (statements.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")) != ownAttachment ||
                statements.asText(QStringLiteral("TMP$STATE")).trimmed() != QLatin1String("ACTIVE"))
                continue;
            found = true;
            QCOMPARE(statements.asText(QStringLiteral("TMP$SQL")), m.dm.query(SnapshotId::Statements).sqlText());
            QCOMPARE(statements.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
            QVERIFY(!statements.isNull(QStringLiteral("TMP$TRANSACTION_ID")));
            QVERIFY(statements.asFloat(QStringLiteral("ELAPSED_TIME")) >= 0.0);
            QVERIFY(statements.asFloat(QStringLiteral("ELAPSED_TIME")) < 1.0);
        }
        QVERIFY(found);

        // the monitoring transaction: read committed, record version, no wait, read only
        Snapshot& transactions = m.dm.cdsTransactions;
        transactions.open();
        found = false;
        for (transactions.first(); !transactions.eof(); transactions.next()) {
            if (transactions.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")) != ownAttachment ||
                transactions.asText(QStringLiteral("TMP$READONLY")) != QLatin1String("Y"))
                continue;
            found = true;
            QCOMPARE(transactions.asText(QStringLiteral("TMP$TYPE")).trimmed(), QStringLiteral("READ_COMMITTED_REC_VERSION"));
            QCOMPARE(transactions.asText(QStringLiteral("TMP$NOWAIT")), QStringLiteral("Y"));
            QCOMPARE(transactions.asText(QStringLiteral("TMP$WRITE")), QStringLiteral("N"));
            QCOMPARE(transactions.asText(QStringLiteral("TMP$STATE")).trimmed(), QStringLiteral("ACTIVE"));
            QCOMPARE(transactions.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
        }
        QVERIFY(found);
        // the other attachment's transaction has written, waits, and is a snapshot of its own
        other.exec(QStringLiteral("INSERT INTO T VALUES (9)"));
        const qint64 otherTransaction = other.value(QStringLiteral("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE")).toLongLong();
        transactions.refresh();
        QVERIFY(locateRow(transactions, "TMP$TRANSACTION_ID", otherTransaction));
        QCOMPARE(transactions.asText(QStringLiteral("TMP$WRITE")), QStringLiteral("Y"));
        QCOMPARE(transactions.asText(QStringLiteral("TMP$NOWAIT")), QStringLiteral("Y"));
        QCOMPARE(transactions.asText(QStringLiteral("TMP$READONLY")), QStringLiteral("N"));

        // the table's records as the database counts them
        Snapshot& relations = m.dm.cdsRelations;
        relations.open();
        QCOMPARE(QString::number(relations.rowCount()), other.value(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS")));
        QVERIFY(locateRow(relations, "TMP$RELATION_NAME", QStringLiteral("T")));
        QCOMPARE(relations.asInteger(QStringLiteral("TMP$RECORD_INSERTS")), 4);
        QCOMPARE(QString::number(relations.asInteger(QStringLiteral("TMP$RELATION_ID"))),
                 other.value(QStringLiteral("SELECT RDB$RELATION_ID FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T'")));
        QVERIFY(locateRow(relations, "TMP$RELATION_NAME", QStringLiteral("TMP$STATEMENTS")));

        // the pools add up: one cache row of buffers x page size, a permanent pool, the database
        // counts them
        Snapshot& pools = m.dm.cdsPools;
        pools.open();
        QStringList types;
        qint64 poolCount = 0;
        for (pools.first(); !pools.eof(); pools.next()) {
            types << pools.asText(QStringLiteral("TMP$TYPE")).trimmed();
            poolCount += pools.asInteger(QStringLiteral("POOL_COUNT"));
        }
        QCOMPARE(types, (QStringList{QStringLiteral("ATT"), QStringLiteral("CCH"), QStringLiteral("PRM"),
                                     QStringLiteral("REQ"), QStringLiteral("TRA")}));
        Snapshot& database = m.dm.cdsDatabase;
        database.open();
        const qint64 buffers = database.asInteger(QStringLiteral("TMP$CACHE_BUFFERS"));
        QVERIFY(buffers > 0);
        QVERIFY(locateRow(pools, "TMP$TYPE", QStringLiteral("CCH")));
        QCOMPARE(pools.asInteger(QStringLiteral("POOL_COUNT")), 1);
        QCOMPARE(pools.asInteger(QStringLiteral("TMP$POOL_MEMORY")), buffers * 8192);
        QCOMPARE(database.asInteger(QStringLiteral("TMP$CACHE_POOL_MEMORY")), buffers * 8192);
        QVERIFY(database.asInteger(QStringLiteral("TMP$CURRENT_MEMORY")) >= buffers * 8192);
        // within one snapshot the pools add up to the database's memory, and the permanent pool
        // is the database's
        const QStringList sums = other.rows(QStringLiteral(
            "SELECT (SELECT SUM(TMP$POOL_MEMORY) FROM TMP$POOLS), TMP$CURRENT_MEMORY, "
            "(SELECT TMP$POOL_MEMORY FROM TMP$POOLS WHERE TMP$TYPE = 'PRM'), TMP$PERMANENT_POOL_MEMORY, "
            "(SELECT COUNT(*) FROM TMP$POOLS), TMP$POOLS FROM TMP$DATABASE")).first();
        QCOMPARE(sums[0], sums[1]);
        QCOMPARE(sums[2], sums[3]);
        QCOMPARE(sums[4], sums[5]);
        QVERIFY(sums[2].toLongLong() > 0);
        // each fetch is a snapshot of its own, so the figures of separate fetches need not agree;
        // these do not change between them
        QCOMPARE(database.asText(QStringLiteral("TMP$DATABASE_PATH")), db->path());
        QCOMPARE(database.asInteger(QStringLiteral("TMP$ATTACHMENTS")), 2);
        QCOMPARE(database.asInteger(QStringLiteral("TMP$RELATIONS")), relations.rowCount());
        QCOMPARE(database.asInteger(QStringLiteral("TMP$PROCEDURES")), 0);
        QVERIFY(database.asInteger(QStringLiteral("TMP$ACTIVE_THREADS")) >= 1);
        QVERIFY(database.asInteger(QStringLiteral("TMP$POOLS")) >= 5);
        QVERIFY(poolCount >= 5);
        QVERIFY(database.asInteger(QStringLiteral("TMP$NEXT_TRANSACTION")) >= otherTransaction);
        QVERIFY(database.asInteger(QStringLiteral("TMP$RECORD_INSERTS")) >= 4);
        QVERIFY(database.asInteger(QStringLiteral("TMP$PAGE_FETCHES")) > 0);
    }

    // Procedures on the call stacks are the loaded procedures: one row per procedure, with the
    // statements running it and its calls.
    void proceduresOnTheCallStack()
    {
        TestDatabase::Options o;
        o.applySchema = false;
        TestDatabase db(o);
        db.executeScript(viewsScript());
        db.execute({QStringLiteral("CREATE PROCEDURE P_WATCH RETURNS (NAME CHAR(67), STATEMENTS SMALLINT, CALLS INTEGER, ID INTEGER) AS "
                                   "BEGIN FOR SELECT TMP$PROCEDURE_NAME, TMP$USE_COUNT, TMP$INVOCATIONS, TMP$PROCEDURE_ID "
                                   "FROM TMP$PROCEDURES INTO :NAME, :STATEMENTS, :CALLS, :ID DO SUSPEND; END"),
                    QStringLiteral("CREATE PROCEDURE P_OUTER RETURNS (NAME CHAR(67), STATEMENTS SMALLINT, CALLS INTEGER, ID INTEGER) AS "
                                   "BEGIN FOR SELECT NAME, STATEMENTS, CALLS, ID FROM P_WATCH INTO :NAME, :STATEMENTS, :CALLS, :ID "
                                   "DO SUSPEND; END")});
        Session s(db);
        const QString watchId = s.value(QStringLiteral("SELECT RDB$PROCEDURE_ID FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'P_WATCH'"));
        const QString outerId = s.value(QStringLiteral("SELECT RDB$PROCEDURE_ID FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'P_OUTER'"));
        QCOMPARE(s.rows(QStringLiteral("SELECT * FROM P_WATCH")),
                 (QList<QStringList>{{QStringLiteral("P_WATCH"), QStringLiteral("1"), QStringLiteral("1"), watchId}}));
        s.tr.commit();  // a new monitoring snapshot
        s.tr.start(s.att, ib::readCommittedTpb(false));
        QCOMPARE(s.rows(QStringLiteral("SELECT * FROM P_OUTER ORDER BY NAME")),
                 (QList<QStringList>{{QStringLiteral("P_OUTER"), QStringLiteral("1"), QStringLiteral("1"), outerId},
                                     {QStringLiteral("P_WATCH"), QStringLiteral("1"), QStringLiteral("1"), watchId}}));
    }

    // A statement text longer than TMP$SQL, almost all of it outside ASCII, reads in every
    // character set: cut at a character boundary to what the column holds, characters that the
    // set lacks as "?".
    void longNonAsciiStatementText_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::addColumn<QString>("charset");
        QTest::newRow("NONE") << 1u << QStringLiteral("NONE");
        QTest::newRow("UTF8") << 3u << QStringLiteral("UTF8");
        QTest::newRow("WIN1252") << 3u << QStringLiteral("WIN1252");
    }
    void longNonAsciiStatementText()
    {
        QFETCH(unsigned, dialect);
        QFETCH(QString, charset);
        const auto db = viewsDatabase(dialect, charset);
        const QString sql = QStringLiteral("SELECT TMP$SQL FROM TMP$STATEMENTS WHERE TMP$ATTACHMENT_ID = CURRENT_CONNECTION "
                                           "AND TMP$STATE = 'ACTIVE' /* ") + longNonAsciiText() + QStringLiteral(" */");
        Session s(*db, dialect, QStringLiteral("UTF8"));
        const QString text = s.value(sql);
        QVERIFY(!text.isEmpty());
        if (charset == QLatin1String("UTF8")) {
            QCOMPARE(text, sql.left(4094));
        } else if (charset == QLatin1String("WIN1252")) {
            QString expected = sql.left(4094);
            expected.replace(QChar(0x042F), QLatin1Char('?'));
            QCOMPARE(text, expected);
        } else {
            // NONE: the bytes of the longest prefix that fits 4094 bytes
            QVERIFY(sql.startsWith(text));
            QVERIFY(text.toUtf8().size() <= 4094);
            QVERIFY(sql.left(text.size() + 1).toUtf8().size() > 4094);
        }
    }

    // The logging makes its log tables from the views' metadata, widens the 32-bit numbers of one
    // made from the InterBase tables (as earlier views were), finds them correct, and a pass fills
    // them from the views, with the exact ids of a database whose attachment ids are past 2^32.
    void logTablesFromTheViews_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::addColumn<QString>("charset");
        QTest::newRow("dialect 1, NONE") << 1u << QStringLiteral("NONE");
        QTest::newRow("dialect 3, UTF8") << 3u << QStringLiteral("UTF8");
    }
    void logTablesFromTheViews()
    {
        QFETCH(unsigned, dialect);
        QFETCH(QString, charset);
        const auto db = viewsDatabase(dialect, charset);
        {
            TestDatabase::Options o;
            o.dialect = dialect;
            o.characterSet = charset;
            TestDatabase tables(o);
            LogModule narrow(tables);
            db->execute(narrow.log.LogTableDefinition(QStringLiteral("LOG$ATTACHMENTS"), QStringLiteral("TMP$ATTACHMENTS")));
        }
        const quint64 firstId = (quint64(1) << 32) + 5;
        QVERIFY(dbfile::waitUntilClosed(QCoreApplication::applicationPid(), db->path()));
        const QString edited = dbfile::setNextAttachmentId(db->path(), firstId);
        QVERIFY2(edited.isEmpty(), qPrintable(edited));
        LogModule m(*db);
        for (TLogItem item : AllLogItems)
            m.log.SetItemEnabled(item, true);
        QStringList missing, incorrect;
        QVERIFY(!m.log.VerifyTables(missing, incorrect));
        QCOMPARE(missing.size(), 6);
        m.log.CreateTables(missing);
        m.log.CreateGenerator();
        QVERIFY(m.log.GeneratorExists());
        QVERIFY2(m.log.VerifyTables(missing, incorrect), qPrintable((missing + incorrect).join(QLatin1Char(' '))));

        // the monitoring columns of each log table have the types of the view's
        Session s(*db, dialect);
        for (TLogItem item : AllLogItems) {
            const QString view = TdmPerformanceLog::MonitoringTableName(item);
            const QString columns = QStringLiteral(
                "SELECT RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE, F.RDB$FIELD_LENGTH, COALESCE(F.RDB$CHARACTER_LENGTH, 0), "
                "COALESCE(F.RDB$CHARACTER_SET_ID, 0) FROM RDB$RELATION_FIELDS RF "
                "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                "WHERE RF.RDB$RELATION_NAME = '%1' AND RF.RDB$FIELD_NAME STARTING WITH 'TMP$' ORDER BY RF.RDB$FIELD_POSITION");
            QCOMPARE(s.rows(columns.arg(TdmPerformanceLog::DefaultLogTableName(item))), s.rows(columns.arg(view)));
        }

        TemporaryCurrentFolder folder;
        m.log.LogSnapshot();
        s.tr.commit();
        s.tr.start(s.att, ib::readCommittedTpb(false));
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(*) FROM LOG$DATABASE")), QStringLiteral("1"));
        QCOMPARE(s.rows(QStringLiteral("SELECT DISTINCT TMP$USER FROM LOG$ATTACHMENTS")), (QList<QStringList>{{QStringLiteral("SYSDBA")}}));
        QVERIFY(s.value(QStringLiteral("SELECT COUNT(*) FROM LOG$STATEMENTS WHERE TMP$STATE = 'ACTIVE'")).toInt() >= 1);
        QVERIFY(s.value(QStringLiteral("SELECT COUNT(*) FROM LOG$TRANSACTIONS")).toInt() >= 1);
        QVERIFY(s.value(QStringLiteral("SELECT COUNT(*) FROM LOG$RELATIONS WHERE TMP$RELATION_NAME = 'RDB$RELATIONS'")) == QLatin1String("1"));
        QCOMPARE(s.rows(QStringLiteral("SELECT TMP$TYPE FROM LOG$POOLS ORDER BY TMP$TYPE")),
                 (QList<QStringList>{{QStringLiteral("ATT")}, {QStringLiteral("CCH")}, {QStringLiteral("PRM")},
                                     {QStringLiteral("REQ")}, {QStringLiteral("TRA")}}));
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(*) FROM LOG$PROCEDURES")), QStringLiteral("0"));
        // this session's attachment with its exact id; every attachment id of the pass (the
        // system attachments' transactions too) past 2^32
        QCOMPARE(s.rows(QStringLiteral("SELECT (SELECT COUNT(*) FROM LOG$ATTACHMENTS WHERE TMP$ATTACHMENT_ID = CURRENT_CONNECTION), "
                                       "(SELECT COUNT(*) FROM (SELECT TMP$ATTACHMENT_ID AS ID FROM LOG$ATTACHMENTS "
                                       "UNION ALL SELECT TMP$ATTACHMENT_ID FROM LOG$STATEMENTS "
                                       "UNION ALL SELECT TMP$ATTACHMENT_ID FROM LOG$TRANSACTIONS) X WHERE X.ID < %1) "
                                       "FROM RDB$DATABASE").arg(firstId)).first(),
                 (QStringList{QStringLiteral("1"), QStringLiteral("0")}));
    }

    // COMMIT and ROLLBACK of another attachment's transaction fail with the server's
    // explanation, and that transaction goes on.
    void endingAnotherTransactionIsRefused_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::newRow("dialect 1") << 1u;
        QTest::newRow("dialect 3") << 3u;
    }
    void endingAnotherTransactionIsRefused()
    {
        QFETCH(unsigned, dialect);
        const auto db = viewsDatabase(dialect, QStringLiteral("NONE"));
        db->execute(QStringLiteral("CREATE TABLE T (N INTEGER)"));
        Monitor m(*db);
        Session other(*db, dialect);
        other.exec(QStringLiteral("INSERT INTO T VALUES (1)"));
        const qint32 id = other.value(QStringLiteral("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE")).toInt();
        for (bool commit : {true, false}) {
            try {
                commit ? m.dm.CommitTransaction(id) : m.dm.RollbackTransaction(id);
                QFAIL("the transaction was ended");
            } catch (const ib::EIBError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("A Firebird server cannot end another attachment's transaction")),
                         qPrintable(e.message()));
                QVERIFY2(e.message().contains(QStringLiteral("Shutdown of the user ends the attachment and rolls its transactions back")),
                         qPrintable(e.message()));
            }
            QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        }
        other.exec(QStringLiteral("INSERT INTO T VALUES (2)"));
        other.tr.commit();
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM T")), QStringLiteral("2"));
    }

    // An operation whose row has gone changes nothing and says so; one whose row is there
    // reports its one row, in databases of both dialects.
    void rowsThatHaveGoneReportNoChange_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::newRow("dialect 1") << 1u;
        QTest::newRow("dialect 3") << 3u;
    }
    void rowsThatHaveGoneReportNoChange()
    {
        QFETCH(unsigned, dialect);
        const auto db = viewsDatabase(dialect, QStringLiteral("NONE"));
        Monitor m(*db);
        // a statement of another attachment, prepared and then freed
        auto other = std::make_unique<Session>(*db, dialect);
        auto st = std::make_unique<ib::Statement>();
        st->prepare(other->att, other->tr, "SELECT 42 FROM RDB$DATABASE", dialect);
        const qint32 otherAttachment = other->ownAttachment();
        const qint32 own = other->otherAttachment();
        Snapshot& statements = m.dm.cdsStatements;
        statements.open();
        qint32 statementId = 0;
        for (statements.first(); !statements.eof(); statements.next())
            if (statements.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")) == otherAttachment &&
                statements.asText(QStringLiteral("TMP$SQL")) == QLatin1String("SELECT 42 FROM RDB$DATABASE"))
                statementId = static_cast<qint32>(statements.asInteger(QStringLiteral("TMP$STATEMENT_ID")));
        QVERIFY(statementId != 0);
        QVERIFY(statements.locate(QStringLiteral("TMP$STATEMENT_ID"), statementId));
        QCOMPARE(statements.asText(QStringLiteral("TMP$STATE")).trimmed(), QStringLiteral("IDLE"));

        // there: one row; an idle statement is not cancelled (Firebird would cancel whatever
        // its attachment runs next), so it and the next run normally
        QVERIFY(m.dm.CancelStatement(statementId));
        st->execute(other->tr);
        QVERIFY(st->fetch());
        QCOMPARE(st->asInt64(0), 42);
        st->closeCursor();
        QCOMPARE(other->value(QStringLiteral("SELECT 7 FROM RDB$DATABASE")), QStringLiteral("7"));
        // gone: none
        st.reset();
        QVERIFY(!m.dm.CancelStatement(statementId));

        // an open cursor that waits for its client is STALLED, and Firebird cannot cancel it
        auto cursor = std::make_unique<ib::Statement>();
        cursor->prepare(other->att, other->tr, "SELECT RDB$RELATION_ID FROM RDB$RELATIONS", dialect);
        cursor->execute(other->tr);
        QVERIFY(cursor->fetch());
        statements.refresh();
        QVERIFY(locateRow(statements, "TMP$SQL", QStringLiteral("SELECT RDB$RELATION_ID FROM RDB$RELATIONS")));
        QCOMPARE(statements.asText(QStringLiteral("TMP$STATE")).trimmed(), QStringLiteral("STALLED"));
        try {
            m.dm.CancelStatement(statements.asInteger(QStringLiteral("TMP$STATEMENT_ID")));
            QFAIL("a stalled statement was cancelled");
        } catch (const ib::EIBError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("A Firebird server cancels only a running statement.")), qPrintable(e.message()));
        }
        QVERIFY(cursor->fetch());
        cursor.reset();

        const qint32 nobody = std::numeric_limits<qint32>::max();
        QVERIFY(!m.dm.CancelAttachment(nobody));
        QVERIFY(!m.dm.ShutdownAttachment(nobody));
        QVERIFY(!m.dm.CancelStatement(nobody));
        QVERIFY(!m.dm.CommitTransaction(nobody));
        QVERIFY(!m.dm.RollbackTransaction(nobody));
        QVERIFY(!m.dm.IBTransactionReadWrite.isActive());

        // cancelling the program's own user cancels nothing of its own operation
        QVERIFY(m.dm.CancelAttachment(own));
        Snapshot& users = m.dm.cdsAttachments;
        users.open();
        QVERIFY(locateRow(users, "TMP$ATTACHMENT_ID", own));

        // shutting the other attachment down disconnects it; then its row has gone
        QVERIFY(m.dm.ShutdownAttachment(otherAttachment));
        bool disconnected = false;
        try {
            other->value(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
        } catch (const ib::EIBError&) {
            disconnected = true;
        }
        QVERIFY(disconnected);
        other.reset();
        users.refresh();
        QVERIFY(!locateRow(users, "TMP$ATTACHMENT_ID", otherAttachment));
        QVERIFY(!m.dm.ShutdownAttachment(otherAttachment));
    }

    // A state that the views cannot carry out is refused with the server's message; writing the
    // state that a row has does nothing.
    void otherStatesAreRefused()
    {
        const auto db = viewsDatabase(1, QStringLiteral("NONE"));
        Monitor m(*db);
        Session other(*db);
        // the monitor's own rows: its attachment, its transaction and the UPDATE itself
        const QString id = QString::number(other.otherAttachment());
        for (const QString& table : {QStringLiteral("TMP$ATTACHMENTS"), QStringLiteral("TMP$TRANSACTIONS"), QStringLiteral("TMP$STATEMENTS")}) {
            try {
                m.dm.ExecuteOperation(QStringLiteral("UPDATE %1 SET TMP$STATE = 'LIMBO' WHERE TMP$ATTACHMENT_ID=%2").arg(table, id));
                QFAIL(qPrintable(table + QStringLiteral(" took LIMBO")));
            } catch (const ib::EIBError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("The state LIMBO cannot be written here.")), qPrintable(e.message()));
            }
            QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        }
        QVERIFY(m.dm.ExecuteOperation(QStringLiteral("UPDATE TMP$ATTACHMENTS SET TMP$STATE = TMP$STATE WHERE TMP$ATTACHMENT_ID=") + id));
        QCOMPARE(other.value(QStringLiteral("SELECT 1 FROM RDB$DATABASE")), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestFirebirdViews)
#include "test_firebird_views.moc"

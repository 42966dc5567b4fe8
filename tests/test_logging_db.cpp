// The log module against a real database with the monitoring tables: its configuration, the
// checks and creation of the log tables and the generator, the CREATE TABLE text, and the
// logging pass with its trace files.

#include "common/Exception.h"
#include "ib/Values.h"
#include "support/LogTestFixture.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

const QStringList kMonitoringTables = {"TMP$ATTACHMENTS", "TMP$DATABASE",  "TMP$POOLS",       "TMP$PROCEDURES",
                                       "TMP$RELATIONS",   "TMP$STATEMENTS", "TMP$TRANSACTIONS"};
const QStringList kPoolColumns = {"TMP$TYPE",           "TMP$POOL_MEMORY",         "TMP$FREE_MEMORY",
                                  "TMP$EXTEND_MEMORY",  "TMP$FREE_STACK_NODES",    "TMP$FREE_BITMAP_BUCKETS",
                                  "TMP$FREE_BITMAP_SEGMENTS"};

QString logNameOf(const QString& monitoringTable) { return QString(monitoringTable).replace("TMP$", "LOG$"); }

// The type text of the plain types the monitoring tables use.
QString plainType(const QStringList& column)
{
    switch (column[1].toInt()) {
    case 7: return QStringLiteral("SMALLINT");
    case 8: return QStringLiteral("INTEGER");
    case 14: return QStringLiteral("CHAR(%1)").arg(column[2]);
    case 27: return QStringLiteral("DOUBLE PRECISION");
    case 35: return QStringLiteral("TIMESTAMP");
    case 37: return QStringLiteral("VARCHAR(%1)").arg(column[2]);
    default: return QStringLiteral("unexpected type %1").arg(column[1]);
    }
}

// One row in the table with a value in every column, each different.
QString fullRowInsert(const TestDatabase& db, const QString& table)
{
    QStringList names, values;
    int n = 0;
    for (const QStringList& c : tableColumns(db, table)) {
        ++n;
        names << c[0];
        const int type = c[1].toInt();
        if (type == 14 || type == 37)
            values << QStringLiteral("'%1'").arg(QStringLiteral("V%1").arg(n).left(c[2].toInt()));
        else if (type == 35)
            values << QStringLiteral("'2021-03-04 05:06:%1'").arg(n % 60, 2, 10, QLatin1Char('0'));
        else
            values << QString::number(type == 7 ? n : 1000 + n);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(", "), values.join(", "));
}

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing %1>").arg(path);
}

void enableAll(TdmPerformanceLog& log)
{
    for (TLogItem item : AllLogItems)
        log.SetItemEnabled(item, true);
}

// Creates whatever the verification finds missing, and the generator.
void createLogObjects(TdmPerformanceLog& log)
{
    QStringList missing, incorrect;
    log.VerifyTables(missing, incorrect);
    log.CreateTables(missing);
    if (!log.GeneratorExists())
        log.CreateGenerator();
}

// The transaction counter of the database, read without a transaction.
int64_t nextTransaction(TdmServerProperties& connection)
{
    const std::vector<char> reply = connection.IBDatabase.attachment().info({isc_info_next_transaction});
    const int len = static_cast<int>(ib::readLittleEndian(reply.data() + 1, 2));
    return static_cast<int64_t>(ib::readLittleEndian(reply.data() + 3, len));
}

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

}  // namespace

class TestLoggingDb : public QObject {
    Q_OBJECT
private slots:
    void configurationAndVerifiedFlags()
    {
        TestDatabase db;
        LogModule m(db);
        TdmPerformanceLog& log = m.log;
        QCOMPARE(log.EnabledTableCount(), 0);
        QVERIFY(log.PoolsSummarized());
        QCOMPARE(log.GeneratorName(), QStringLiteral("PERFORMANCE_LOG_G"));
        QCOMPARE(log.ItemLogTableName(TLogItem::Transactions), QStringLiteral("LOG$TRANSACTIONS"));
        QVERIFY(log.Database() == nullptr);

        log.SetItemEnabled(TLogItem::Database, true);
        createLogObjects(log);
        // creating marks nothing verified; the next check finds the objects
        QVERIFY(!log.TablesVerified() && !log.GeneratorVerified() && !log.ReadyToLog());
        QStringList missing, incorrect;
        QVERIFY(log.VerifyTables(missing, incorrect));
        QVERIFY(log.GeneratorExists());
        QVERIFY(log.ReadyToLog());

        log.SetItemLogTableName(TLogItem::Database, QStringLiteral("LOG$DATABASE"));  // the same name
        log.SetGeneratorName(QStringLiteral("PERFORMANCE_LOG_G"));
        log.SetPoolsSummarized(false);
        log.SetItemEnabled(TLogItem::Statements, true);
        QCOMPARE(log.EnabledTableCount(), 2);
        QVERIFY(log.ReadyToLog());
        log.SetItemLogTableName(TLogItem::Database, QStringLiteral("LOG$OTHER"));
        QVERIFY(!log.TablesVerified() && log.GeneratorVerified());
        log.SetItemLogTableName(TLogItem::Database, QStringLiteral("LOG$DATABASE"));  // back again: still unverified
        QVERIFY(!log.TablesVerified());
        log.SetGeneratorName(QStringLiteral("G2"));
        QVERIFY(!log.GeneratorVerified());
        log.SetItemEnabled(TLogItem::Statements, false);
        log.SetItemEnabled(TLogItem::Database, false);
        QVERIFY(log.VerifyTables(missing, incorrect));
        QVERIFY(!log.ReadyToLog());  // nothing enabled
    }

    // The text of every monitoring table's log table against the rules, built here from the
    // table's columns as the system tables list them; then the created table itself.
    void createTableTextOfEachMonitoringTable_data()
    {
        QTest::addColumn<QString>("table");
        for (const QString& t : kMonitoringTables)
            QTest::newRow(qPrintable(t)) << t;
    }
    void createTableTextOfEachMonitoringTable()
    {
        QFETCH(QString, table);
        TestDatabase db;
        LogModule m(db);
        const QList<QStringList> columns = tableColumns(db, table);
        QVERIFY(!columns.isEmpty());
        QString expected = QStringLiteral("CREATE TABLE %1 \r\n(\r\n  ID INTEGER NOT NULL PRIMARY KEY, \r\n"
                                          "  TIME_STAMP TIMESTAMP NOT NULL, \r\n  SNAPSHOT_ID INTEGER NOT NULL, \r\n")
                               .arg(logNameOf(table));
        for (qsizetype i = 0; i < columns.size(); ++i)
            expected += QStringLiteral("  %1\t%2%3\r\n").arg(columns[i][0], plainType(columns[i]),
                                                              i + 1 < columns.size() ? "," : "");
        expected += QStringLiteral(");\r\n");
        QCOMPARE(m.log.LogTableDefinition(logNameOf(table), table), expected);

        m.log.CreateLogTable(logNameOf(table), table);
        QList<QStringList> created = tableColumns(db, logNameOf(table));
        QCOMPARE(created.mid(0, 3), (QList<QStringList>{{"ID", "8", "4", "1"}, {"TIME_STAMP", "35", "8", "1"},
                                                         {"SNAPSHOT_ID", "8", "4", "1"}}));
        QCOMPARE(created.mid(3), columns);
    }

    void everyRuleOfTheColumnDefinition()
    {
        TestDatabase db;
        db.execute({QStringLiteral("CREATE DOMAIN D_AMOUNT AS INTEGER DEFAULT 0 NOT NULL"),
                    QStringLiteral("CREATE TABLE TMP$RICH (R_ID INTEGER NOT NULL, "
                                   "R_CODE CHAR(8) CHARACTER SET ISO8859_1 NOT NULL, "
                                   "R_NAME VARCHAR(40) CHARACTER SET ISO8859_1 COLLATE DE_DE, R_AMOUNT D_AMOUNT, "
                                   "R_PRICE NUMERIC(9,2), R_RATE DECIMAL(4,1), R_BIG NUMERIC(15,2), "
                                   "R_NOTE BLOB SUB_TYPE TEXT SEGMENT SIZE 80, R_RAW BLOB SUB_TYPE 0, "
                                   "R_VALS INTEGER[1:3, 0:4], "
                                   "R_COUNT SMALLINT DEFAULT 7 CONSTRAINT NN_RICH_COUNT NOT NULL, "
                                   "R_TOTAL COMPUTED BY (R_AMOUNT * 2), "
                                   "CONSTRAINT PK_RICH PRIMARY KEY (R_ID, R_CODE), UNIQUE (R_NAME))")});
        LogModule m(db);
        const QString expected = QStringLiteral(
            "CREATE TABLE LOG$RICH \r\n(\r\n"
            "  ID INTEGER NOT NULL PRIMARY KEY, \r\n  TIME_STAMP TIMESTAMP NOT NULL, \r\n"
            "  SNAPSHOT_ID INTEGER NOT NULL, \r\n"
            "  R_ID\tINTEGER NOT NULL,\r\n"
            "  R_CODE\tCHAR(8) CHARACTER SET ISO8859_1 NOT NULL,\r\n"
            "  R_NAME\tVARCHAR(40) CHARACTER SET ISO8859_1 COLLATE DE_DE,\r\n"
            "  R_AMOUNT\tD_AMOUNT,\r\n"
            "  R_PRICE\tNUMERIC(9, 2),\r\n"
            "  R_RATE\tDECIMAL(4, 1),\r\n"
            "  R_BIG\tNUMERIC(15, 2),\r\n"
            "  R_NOTE\tBLOB SUB_TYPE TEXT SEGMENT SIZE 80,\r\n"
            "  R_RAW\tBLOB SUB_TYPE 0 SEGMENT SIZE 80,\r\n"
            "  R_VALS\tINTEGER[1:3, 0:4] ,\r\n"
            "  R_COUNT\tSMALLINT DEFAULT 7 CONSTRAINT NN_RICH_COUNT NOT NULL,\r\n"
            "  R_TOTAL\t COMPUTED BY (R_AMOUNT * 2),\r\n"
            " UNIQUE (R_NAME),\r\n"
            "CONSTRAINT PK_RICH PRIMARY KEY (R_ID, R_CODE)\r\n"
            ");\r\n");
        // dialect 1: the log table's name trimmed and upper-cased
        QCOMPARE(m.log.LogTableDefinition(QStringLiteral(" log$rich "), QStringLiteral("TMP$RICH")), expected);
        // a copied primary key beside ID, and a constraint name already taken, are refused by the
        // server, in its own words
        const QString error = messageOf([&] { m.log.CreateLogTable("LOG$RICH", "TMP$RICH"); });
        QVERIFY2(error.contains(QLatin1String("CREATE TABLE LOG$RICH failed")), qPrintable(error));
        QVERIFY(!m.log.TableExists(QStringLiteral("LOG$RICH")));

        // without the named constraints the same rules make a table the server accepts
        m.connection.SetConnected(false);
        db.execute({QStringLiteral("ALTER TABLE TMP$RICH DROP CONSTRAINT PK_RICH"),
                    QStringLiteral("ALTER TABLE TMP$RICH DROP R_COUNT")});
        m.connection.SetConnected(true);
        m.log.CreateLogTable(QStringLiteral("LOG$RICH"), QStringLiteral("TMP$RICH"));
        const QList<QStringList> created = queryRows(
            db, "SELECT RF.RDB$FIELD_NAME, RF.RDB$FIELD_SOURCE, RF.RDB$COLLATION_ID, F.RDB$DIMENSIONS, "
                "F.RDB$COMPUTED_SOURCE FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = "
                "RF.RDB$FIELD_SOURCE WHERE RF.RDB$RELATION_NAME = 'LOG$RICH' AND RF.RDB$FIELD_NAME IN "
                "('R_AMOUNT', 'R_NAME', 'R_VALS', 'R_TOTAL') ORDER BY RF.RDB$FIELD_POSITION");
        QCOMPARE(created.size(), 4);
        QCOMPARE(created[0][2], QStringLiteral("6"));              // R_NAME: DE_DE
        QCOMPARE(created[1][1], QStringLiteral("D_AMOUNT"));       // R_AMOUNT: the domain
        QCOMPARE(created[2][3], QStringLiteral("2"));              // R_VALS: two dimensions
        QCOMPARE(created[3][4], QStringLiteral("(R_AMOUNT * 2)")); // R_TOTAL: computed
    }

    // The name is a bound parameter compared as held: lower case and quotes are simply missing,
    // and their creation tells the server's reason.
    void generatorCheckAndCreation()
    {
        TestDatabase db;
        LogModule m(db);
        TdmPerformanceLog& log = m.log;
        QVERIFY(!log.GeneratorExists());
        log.CreateGenerator();
        QVERIFY(!log.GeneratorVerified());
        QVERIFY(log.GeneratorExists());

        log.SetGeneratorName(QStringLiteral("perf_g"));
        QVERIFY(!log.GeneratorExists());
        log.CreateGenerator();  // makes PERF_G
        QVERIFY(!log.GeneratorExists());
        QVERIFY2(messageOf([&] { log.CreateGenerator(); }).contains(QLatin1String("PERF_G")),
                 qPrintable(messageOf([&] { log.CreateGenerator(); })));

        log.SetGeneratorName(QStringLiteral("A'B"));
        QVERIFY(!log.GeneratorExists());
        const QString error = messageOf([&] { log.CreateGenerator(); });
        QVERIFY2(error.contains(QLatin1String("Token unknown")) || error.contains(QLatin1String("Unexpected end")),
                 qPrintable(error));
        QCOMPARE(queryRows(db, "SELECT COUNT(*) FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME IN "
                               "('PERFORMANCE_LOG_G', 'PERF_G')"),
                 (QList<QStringList>{{"2"}}));
    }

    void verificationListsAndProgress()
    {
        TestDatabase db;
        LogModule m(db);
        TdmPerformanceLog& log = m.log;
        QList<QList<int>> calls;
        const TProgressCallback progress = [&](QObject* sender, int max, int position) {
            QCOMPARE(sender, &log);
            calls << QList<int>{max, position};
        };
        QStringList missing{"old"}, incorrect{"old"};
        QVERIFY(log.VerifyTables(missing, incorrect, progress));
        QVERIFY(missing.isEmpty() && incorrect.isEmpty() && log.TablesVerified());
        QCOMPARE(calls, (QList<QList<int>>{{0, 0}}));

        // listed in the fixed order, whatever the order of enabling; two items share a name; one
        // name is in lower case
        db.execute(QStringLiteral("CREATE TABLE LOG$TRANSACTIONS (X INTEGER)"));
        log.SetItemEnabled(TLogItem::Transactions, true);
        log.SetItemEnabled(TLogItem::Attachments, true);
        log.SetItemLogTableName(TLogItem::Attachments, QStringLiteral("LOG$SHARED"));
        log.SetItemEnabled(TLogItem::Statements, true);
        log.SetItemLogTableName(TLogItem::Statements, QStringLiteral("LOG$SHARED"));
        log.SetItemEnabled(TLogItem::Database, true);
        log.SetItemLogTableName(TLogItem::Database, QStringLiteral("log$db"));
        calls.clear();
        QVERIFY(!log.VerifyTables(missing, incorrect, progress));
        QCOMPARE(missing, (QStringList{"LOG$SHARED", "log$db", "LOG$SHARED"}));
        QVERIFY(incorrect.isEmpty());  // a table with other columns is accepted
        QCOMPARE(calls, (QList<QList<int>>{{4, 0}, {4, 1}, {4, 2}, {4, 3}, {4, 4}}));

        // the shared table comes from the first item's monitoring table, the second creation fails
        const QString error = messageOf([&] { log.CreateTables(missing); });
        QVERIFY2(error.contains(QLatin1String("LOG$SHARED")), qPrintable(error));
        QCOMPARE(tableColumns(db, "LOG$SHARED").mid(3), tableColumns(db, "TMP$ATTACHMENTS"));
        QVERIFY(!tableColumns(db, "LOG$DB").isEmpty());
        // the lower-case name stays missing on every run
        QVERIFY(!log.VerifyTables(missing, incorrect));
        QCOMPARE(missing, (QStringList{"log$db"}));

        // the path of incorrect metadata: drop and create again
        m.log.RecreateTables({QStringLiteral("LOG$TRANSACTIONS")});
        QCOMPARE(tableColumns(db, "LOG$TRANSACTIONS").mid(3), tableColumns(db, "TMP$TRANSACTIONS"));
    }

    // One pass with every item: one snapshot number in every log table, every monitoring
    // column copied, and one trace file per item holding its statement.
    void aPassCopiesEveryTableUnderOneNumber()
    {
        TestDatabase db;
        for (const QString& t : kMonitoringTables)
            db.execute(fullRowInsert(db, t));
        LogModule m(db);
        enableAll(m.log);
        m.log.SetPoolsSummarized(false);
        createLogObjects(m.log);
        TemporaryCurrentFolder folder;
        m.log.LogSnapshot();

        const QString number = queryRows(db, "SELECT SNAPSHOT_ID FROM LOG$DATABASE")[0][0];
        QSet<QString> ids;
        static const QRegularExpression statement(QStringLiteral(
            "^INSERT INTO (\\S+)( \\(  | \\( )(.*), TIME_STAMP, SNAPSHOT_ID, ID \\) SELECT (.*), CURRENT_TIMESTAMP,"
            "(\\d+), GEN_ID\\(PERFORMANCE_LOG_G, 1\\) FROM (\\S+)\r\n$"));
        for (const QString& table : kMonitoringTables) {
            const QString logTable = logNameOf(table);
            const QList<QStringList> rows = queryRows(db, "SELECT SNAPSHOT_ID, ID, TIME_STAMP FROM " + logTable);
            QCOMPARE(rows.size(), 1);
            QCOMPARE(rows[0][0], number);
            QVERIFY(rows[0][1] != number && rows[0][2] != QLatin1String("<null>"));
            ids.insert(rows[0][1]);

            QStringList columns;
            for (const QStringList& c : tableColumns(db, table))
                columns << c[0];
            const QStringList logged = table == QLatin1String("TMP$POOLS") ? kPoolColumns : columns;
            const QString list = logged.join(", ");
            QCOMPARE(queryRows(db, "SELECT " + list + " FROM " + logTable),
                     queryRows(db, "SELECT " + list + " FROM " + table));

            const auto match = statement.match(readFile(QDir(folder.path()).filePath(table + ".sql")));
            QVERIFY2(match.hasMatch(), qPrintable(table));
            QCOMPARE(match.captured(1), logTable);
            const bool wide = QStringList{"TMP$ATTACHMENTS", "TMP$PROCEDURES", "TMP$RELATIONS"}.contains(table);
            QCOMPARE(match.captured(2), QLatin1String(wide ? " (  " : " ( "));
            QCOMPARE(match.captured(3), match.captured(4));
            const QStringList listed = match.captured(3).split(QStringLiteral(", "));
            QCOMPARE(QSet<QString>(listed.begin(), listed.end()), QSet<QString>(logged.begin(), logged.end()));
            QCOMPARE(match.captured(5), number);
            QCOMPARE(match.captured(6), table);
        }
        QCOMPARE(ids.size(), 7);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 7);
        QCOMPARE(queryRows(db, "SELECT TMP$POOL_ID, TMP$DATABASE_ID FROM LOG$POOLS"),
                 (QList<QStringList>{{"<null>", "<null>"}}));

        // the pass's statements, prepared once, keep no log table from being made again, and the
        // next pass writes into the new one
        m.log.RecreateTables({QStringLiteral("LOG$DATABASE")});
        m.log.LogSnapshot();
        QCOMPARE(queryRows(db, "SELECT COUNT(*) FROM LOG$DATABASE")[0][0], QStringLiteral("1"));
        // nor the generator: the next pass takes its number from the new one
        m.log.ExecuteStatement(QStringLiteral("DROP GENERATOR PERFORMANCE_LOG_G"));
        m.log.CreateGenerator();
        m.log.ExecuteStatement(QStringLiteral("SET GENERATOR PERFORMANCE_LOG_G TO 1000"));
        m.log.LogSnapshot();
        QCOMPARE(queryRows(db, "SELECT MAX(SNAPSHOT_ID) FROM LOG$DATABASE")[0][0], QStringLiteral("1001"));
    }

    void passNumbersAndTheTwoMemoryForms()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID) VALUES (1)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY) "
                                   "VALUES (1, 'TRA', 10, 4)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY) "
                                   "VALUES (2, 'CCH', 20, 5)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY) "
                                   "VALUES (3, 'TRA', 30, 8)")});
        LogModule m(db);
        TemporaryCurrentFolder folder;
        m.log.SetItemEnabled(TLogItem::Database, true);
        m.log.SetItemEnabled(TLogItem::Pools, true);
        createLogObjects(m.log);
        m.log.SetItemEnabled(TLogItem::Pools, false);
        m.log.LogSnapshot();
        m.log.LogSnapshot();
        const QList<QStringList> numbers = queryRows(db, "SELECT SNAPSHOT_ID, ID FROM LOG$DATABASE ORDER BY ID");
        QCOMPARE(numbers.size(), 2);
        QCOMPARE(numbers[1][0].toLongLong() - numbers[0][0].toLongLong(), 2);
        QCOMPARE(numbers[0][1].toLongLong(), numbers[0][0].toLongLong() + 1);
        // a shorter statement replaces the whole of the trace file
        m.log.SetGeneratorName(QStringLiteral("G"));
        m.log.CreateGenerator();
        m.log.ExecuteStatement(QStringLiteral("SET GENERATOR G TO 1000"));
        m.log.LogSnapshot();
        const QString trace = readFile("TMP$DATABASE.sql");
        QVERIFY2(trace.count("INSERT INTO") == 1 && trace.endsWith(", GEN_ID(G, 1) FROM TMP$DATABASE\r\n"),
                 qPrintable(trace));
        m.log.SetGeneratorName(QStringLiteral("PERFORMANCE_LOG_G"));

        m.log.SetItemEnabled(TLogItem::Database, false);
        m.log.SetItemEnabled(TLogItem::Pools, true);
        m.log.LogSnapshot();  // summarized
        QCOMPARE(queryRows(db, "SELECT TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY FROM LOG$POOLS ORDER BY TMP$TYPE"),
                 (QList<QStringList>{{"CCH", "20", "5"}, {"TRA", "40", "6"}}));
        const QString number = queryRows(db, "SELECT MAX(SNAPSHOT_ID) FROM LOG$POOLS")[0][0];
        QCOMPARE(readFile("TMP$POOLS GROUP BY TMP$TYPE .sql"),
                 QStringLiteral("INSERT INTO LOG$POOLS ( TMP$TYPE, TMP$POOL_MEMORY, TMP$FREE_MEMORY, "
                                "TMP$EXTEND_MEMORY, TMP$FREE_STACK_NODES, TMP$FREE_BITMAP_BUCKETS, "
                                "TMP$FREE_BITMAP_SEGMENTS, TIME_STAMP, SNAPSHOT_ID, ID ) SELECT TMP$TYPE, "
                                "SUM(TMP$POOL_MEMORY), SUM(TMP$FREE_MEMORY), AVG(TMP$EXTEND_MEMORY), "
                                "SUM(TMP$FREE_STACK_NODES), SUM(TMP$FREE_BITMAP_BUCKETS), "
                                "SUM(TMP$FREE_BITMAP_SEGMENTS), CURRENT_TIMESTAMP,%1, GEN_ID(PERFORMANCE_LOG_G, "
                                "1) FROM TMP$POOLS GROUP BY TMP$TYPE \r\n")
                     .arg(number));
        m.log.SetPoolsSummarized(false);
        m.log.LogSnapshot();
        QCOMPARE(queryRows(db, "SELECT COUNT(*) FROM LOG$POOLS WHERE SNAPSHOT_ID > " + number),
                 (QList<QStringList>{{"3"}}));
    }

    // A failing item ends the pass there; what the pass wrote before it stays.
    void aFailureKeepsTheItemsWrittenBeforeIt()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID) VALUES (1)"),
                    QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID) VALUES (1)"),
                    QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID) VALUES (1)"),
                    QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID) VALUES (1)")});
        LogModule m(db);
        TemporaryCurrentFolder folder;
        for (TLogItem item : {TLogItem::Attachments, TLogItem::Database, TLogItem::Statements, TLogItem::Transactions})
            m.log.SetItemEnabled(item, true);
        createLogObjects(m.log);
        m.log.ExecuteStatement(QStringLiteral("DROP TABLE LOG$STATEMENTS"));
        QVERIFY(messageOf([&] { m.log.LogSnapshot(); }).contains(QLatin1String("LOG$STATEMENTS")));
        QVERIFY(!m.log.trxManualRW.isActive());
        auto counts = [&] {
            return queryRows(db, "SELECT (SELECT COUNT(*) FROM LOG$ATTACHMENTS), (SELECT COUNT(*) FROM LOG$DATABASE), "
                                 "(SELECT COUNT(*) FROM LOG$TRANSACTIONS) FROM RDB$DATABASE")[0];
        };
        QCOMPARE(counts(), (QStringList{"1", "1", "0"}));
        QVERIFY(!QFile::exists("TMP$TRANSACTIONS.sql"));

        // a trace file that cannot be written stops the pass before its statement
        m.log.CreateTables({QStringLiteral("LOG$STATEMENTS")});
        QVERIFY(QFile::remove("TMP$STATEMENTS.sql") && QDir(folder.path()).mkdir("TMP$STATEMENTS.sql"));
        const QString error = messageOf([&] { m.log.LogSnapshot(); });
        QVERIFY2(error.startsWith(QLatin1String("The trace file ")) && error.contains("TMP$STATEMENTS.sql"),
                 qPrintable(error));
        QCOMPARE(counts(), (QStringList{"2", "2", "0"}));
        QCOMPARE(queryRows(db, "SELECT COUNT(*) FROM LOG$STATEMENTS")[0][0], QStringLiteral("0"));
    }

    // A symbolic link in a trace file's place is never written through: the pass puts a file of
    // its own there, and what the link pointed to stays as it was.
    void aTraceFileNeverFollowsALink()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID) VALUES (1)"));
        LogModule m(db);
        TemporaryCurrentFolder folder;
        m.log.SetItemEnabled(TLogItem::Database, true);
        createLogObjects(m.log);
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("precious.txt"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
        file.close();
        QVERIFY(QFile::link(target, QStringLiteral("TMP$DATABASE.sql")));
        m.log.LogSnapshot();
        QCOMPARE(readFile(target), QStringLiteral("kept"));
        QVERIFY(!QFileInfo(QStringLiteral("TMP$DATABASE.sql")).isSymLink());
        QVERIFY(readFile(QStringLiteral("TMP$DATABASE.sql")).startsWith(QLatin1String("INSERT INTO LOG$DATABASE")));
    }

    void aPassWithNothingEnabledTouchesNothing()
    {
        TestDatabase db;
        LogModule m(db);
        m.log.CreateGenerator();
        const int64_t before = nextTransaction(m.connection);
        TemporaryCurrentFolder folder;
        m.log.LogSnapshot();
        QCOMPARE(nextTransaction(m.connection), before);
        QCOMPARE(queryRows(db, "SELECT GEN_ID(PERFORMANCE_LOG_G, 0) FROM RDB$DATABASE")[0][0], QStringLiteral("0"));
        QVERIFY(QDir(folder.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLoggingDb)
#include "test_logging_db.moc"

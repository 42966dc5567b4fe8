// The monitoring snapshots against a real Firebird database with the monitoring tables applied.

#include "common/Exception.h"
#include "connection/ServerConnectionDM.h"
#include "monitor/MonitoringCatalogue.h"
#include "monitor/QuillmereDM.h"
#include "monitor/SnapshotModel.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using catalogue::SnapshotId;

class TestSnapshotsDb : public QObject {
    Q_OBJECT

    struct Monitor {
        TdmServerProperties connection;
        TdmQuillmere dm;
        explicit Monitor(const TestDatabase& db, const QString& charset = QString())
        {
            connection.SetDatabaseName(db.path());
            connection.SetUserName(QStringLiteral("SYSDBA"));
            connection.SetCharacterSet(charset);
            dm.SetDatabase(&connection.IBDatabase);
            connection.SetConnected(true);
        }
    };

    static QString insertStatement(int id, int attachment, const QString& state, const QString& sql = QStringLiteral("select 1 from rdb$database"))
    {
        return QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$STATE, TMP$SQL, "
                              "TMP$TIMESTAMP) VALUES (%1, %2, '%3', '%4', '2020-05-06 07:08:09')")
            .arg(id)
            .arg(attachment)
            .arg(state, sql);
    }

private slots:
    // Every snapshot opens, and every declared column is found in its query's result under its
    // name with a value type that fits the declaration (a column bound to nothing would always
    // read NULL).
    void everySnapshotBindsAllItsColumns()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$DATABASE (TMP$DATABASE_ID, TMP$ATTACHMENTS, TMP$SWEEP_ACTIVE) VALUES (1, 3, 'N')"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$FREE_MEMORY, "
                                   "TMP$EXTEND_MEMORY, TMP$FREE_STACK_NODES, TMP$FREE_BITMAP_BUCKETS, "
                                   "TMP$FREE_BITMAP_SEGMENTS) VALUES (1, 'REQ', 100, 10, 7, 1, 2, 3)"),
                    QStringLiteral("INSERT INTO TMP$POOL_BLOCKS (TMP$POOL_ID, TMP$ACC, TMP$XCP) VALUES (1, 5, 6)"),
                    QStringLiteral("INSERT INTO TMP$PROCEDURES (TMP$PROCEDURE_ID, TMP$PROCEDURE_NAME) VALUES (1, 'P')"),
                    insertStatement(1, 1, QStringLiteral("ACTIVE")),
                    QStringLiteral("INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$RELATION_NAME) VALUES (1, 'T')"),
                    QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$ATTACHMENT_ID) VALUES (1, 1)"),
                    QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (1, 'SYSDBA')")});
        Monitor m(db);
        m.dm.cdsPoolBlocks.setParam(QStringLiteral("TMP$POOL_ID"), 1);
        for (const catalogue::SnapshotDecl& decl : catalogue::allSnapshots()) {
            Snapshot& s = m.dm.snapshot(decl.id);
            s.open();
            QVERIFY2(s.isOpen(), decl.snapshotName);
            QCOMPARE(s.rowCount(), 1);
            QCOMPARE(s.name(), QString::fromLatin1(decl.snapshotName));
            QCOMPARE(s.columnCount(), static_cast<int>(decl.columns.size()));
        }
        QCOMPARE(m.dm.cdsDatabase.asInteger(QStringLiteral("TMP$ATTACHMENTS")), 3);
        QCOMPARE(m.dm.cdsPools.asInteger(QStringLiteral("POOL_COUNT")), 1);
        QCOMPARE(m.dm.cdsPools.asInteger(QStringLiteral("TMP$FREE_BITMAP_SEGMENTS")), 3);
        QCOMPARE(m.dm.cdsPoolBlocks.asInteger(QStringLiteral("TMP$XCP")), 6);
        QCOMPARE(m.dm.cdsStatements.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
        QVERIFY(!m.dm.cdsStatements.isNull(QStringLiteral("ELAPSED_TIME")));
        QVERIFY(m.dm.cdsStatements.asFloat(QStringLiteral("ELAPSED_TIME")) > 365.0);
        QCOMPARE(m.dm.cdsTransactions.asText(QStringLiteral("TMP$USER")).trimmed(), QStringLiteral("SYSDBA"));
    }

    void odsVersionOfAFirebird3Database()
    {
        TestDatabase db;
        Monitor m(db);
        QCOMPARE(m.connection.GetODSMajorVersion(), 12);
        m.connection.SetConnected(false);
        try {
            m.connection.GetODSMajorVersion();
            QFAIL("no error while disconnected");
        } catch (const EServerPropertiesDMError& e) {
            QCOMPARE(e.message(), QStringLiteral("The database must be connected before checking this value."));
        }
    }

    void refreshKeepsThePositionNumberAndFindsTheRowAgain()
    {
        TestDatabase db;
        for (int i = 1; i <= 5; ++i)
            db.execute(QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (%1, 'U%1')").arg(i));
        Monitor m(db);
        Snapshot& s = m.dm.cdsAttachments;
        s.open();
        QCOMPARE(s.recNo(), 0);
        s.setRecNo(3);
        QCOMPARE(s.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")), 4);
        // a new first row moves attachment 4 one place down
        db.execute(QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (9, 'A')"));
        s.refresh();
        QCOMPARE(s.rowCount(), 6);
        QCOMPARE(s.recNo(), 3);
        QVERIFY(s.locate(QStringLiteral("TMP$ATTACHMENT_ID"), 4));
        QCOMPARE(s.recNo(), 4);
        // shorter: the cursor goes to the last row
        db.execute(QStringLiteral("DELETE FROM TMP$ATTACHMENTS WHERE TMP$ATTACHMENT_ID > 2"));
        s.refresh();
        QCOMPARE(s.rowCount(), 2);
        QCOMPARE(s.recNo(), 1);
        QVERIFY(!s.locate(QStringLiteral("TMP$ATTACHMENT_ID"), 4));
        QCOMPARE(s.recNo(), 1);
        db.execute(QStringLiteral("DELETE FROM TMP$ATTACHMENTS"));
        s.refresh();
        QVERIFY(s.isOpen());
        QVERIFY(s.isEmpty());
        QCOMPARE(s.recNo(), -1);
    }

    void failedRefreshKeepsThePreviousRows()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO TMP$PROCEDURES (TMP$PROCEDURE_ID, TMP$PROCEDURE_NAME) VALUES (7, 'KEEP')"));
        Monitor m(db);
        Snapshot& s = m.dm.cdsProcedures;
        s.open();
        QCOMPARE(s.rowCount(), 1);
        // the table goes while the program is disconnected (its prepared query holds the table)
        m.connection.SetConnected(false);
        db.execute(QStringLiteral("DROP TABLE TMP$PROCEDURES"));
        m.connection.SetConnected(true);
        bool failed = false;
        try {
            s.refresh();
        } catch (const Exception& e) {
            failed = true;
            QVERIFY2(e.message().contains(QLatin1String("TMP$PROCEDURES")), qPrintable(e.message()));
        }
        QVERIFY(failed);
        QVERIFY(s.isOpen());
        QCOMPARE(s.rowCount(), 1);
        QCOMPARE(s.asText(QStringLiteral("TMP$PROCEDURE_NAME")).trimmed(), QStringLiteral("KEEP"));
        // a first open that fails leaves the snapshot closed
        m.dm.cdsDatabase.close();
        db.execute(QStringLiteral("DROP TABLE TMP$DATABASE"));
        m.connection.SetConnected(false);
        m.connection.SetConnected(true);
        QVERIFY_THROWS_EXCEPTION(Exception, m.dm.cdsDatabase.open());
        QVERIFY(!m.dm.cdsDatabase.isOpen());
    }

    void nullsPaddingAndMissingAttachments()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID) VALUES (NULL)"),
                    QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$STATE) "
                                   "VALUES (-5, -7, 'ACTIVE')"),
                    QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (-8, 'GONE')")});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        s.open();
        QCOMPARE(s.rowCount(), 2);
        for (int r = 0; r < s.rowCount(); ++r) {
            s.setRecNo(r);
            QVERIFY(s.isNull(QStringLiteral("TMP$USER")));
            QCOMPARE(s.displayText(QStringLiteral("TMP$USER")), QString());
            QCOMPARE(s.displayText(QStringLiteral("TMP$TIMESTAMP")), QString());
            QCOMPARE(s.displayText(QStringLiteral("ELAPSED_TIME")), QString());
            for (int c = 0; c < s.columnCount(); ++c)
                (void)s.displayText(r, c);  // every column NULL or not: no crash
        }
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), -5));
        QCOMPARE(s.asInteger(QStringLiteral("TMP$ATTACHMENT_ID")), -7);
        // CHAR(31) arrives padded; the comparisons trim it
        QCOMPARE(s.asText(QStringLiteral("TMP$STATE")).size(), 31);
        QCOMPARE(s.asText(QStringLiteral("TMP$STATE")).trimmed(), QStringLiteral("ACTIVE"));
    }

    // Texts are decoded in the character set the connection asked for: a WIN1251 database read
    // with WIN1251 shows Cyrillic.
    void longSqlWithNonAsciiCharacters_data()
    {
        QTest::addColumn<QString>("databaseCharset");
        QTest::addColumn<QString>("writtenWith");
        QTest::addColumn<QString>("readWith");
        QTest::addColumn<QString>("words");
        QTest::newRow("UTF8") << QStringLiteral("UTF8") << QStringLiteral("UTF8") << QStringLiteral("UTF8") << QStringLiteral("Zürich – naïve é");
        QTest::newRow("NONE") << QStringLiteral("NONE") << QStringLiteral("NONE") << QStringLiteral("NONE") << QStringLiteral("Zürich – naïve é");
        QTest::newRow("WIN1251") << QStringLiteral("WIN1251") << QStringLiteral("UTF8") << QStringLiteral("WIN1251") << QStringLiteral("Привет – мир ж");
    }
    void longSqlWithNonAsciiCharacters()
    {
        QFETCH(QString, databaseCharset);
        QFETCH(QString, writtenWith);
        QFETCH(QString, readWith);
        QFETCH(QString, words);
        TestDatabase::Options o;
        o.characterSet = databaseCharset;
        TestDatabase db(o);
        // a character is a byte in NONE: there the text is 4094 bytes of UTF-8
        const bool bytes = databaseCharset == QLatin1String("NONE");
        auto length = [&](const QString& t) { return bytes ? t.toUtf8().size() : t.size(); };
        QString sql = QStringLiteral("SELECT '%1' FROM RDB$DATABASE /* ").arg(words.chopped(2));
        while (length(sql) < 4094 - 4)
            sql += words.back();
        while (length(sql) < 4094 - 3)
            sql += QLatin1Char('x');
        sql += QStringLiteral(" */");
        QCOMPARE(length(sql), 4094);
        QString quoted = sql;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        db.execute(QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$SQL) VALUES (1, '%1')").arg(quoted),
                   writtenWith);
        Monitor m(db, readWith);
        m.dm.cdsStatements.open();
        QCOMPARE(m.dm.cdsStatements.asText(QStringLiteral("TMP$SQL")), sql);
    }

    void emptyTablesDeclareTheirColumns()
    {
        TestDatabase db;
        Monitor m(db);
        m.dm.cdsStatements.open();
        QVERIFY(m.dm.cdsStatements.isOpen());
        QVERIFY(m.dm.cdsStatements.isEmpty());
        QCOMPARE(m.dm.cdsStatements.recNo(), -1);
        QCOMPARE(m.dm.cdsStatements.columnCount(), 25 + 2 + 8);  // the timeout, the client behind it
        // which the TMP$ tables do not have
        for (int c = 0; c < m.dm.cdsStatements.columnCount(); ++c)
            QCOMPARE(m.dm.cdsStatements.columnAbsent(c), catalogue::directOnly(m.dm.cdsStatements.columnDecl(c)));
        QVERIFY_THROWS_EXCEPTION(Exception, m.dm.cdsStatements.asInteger(QStringLiteral("TMP$STATEMENT_ID")));
        m.dm.cdsDatabase.open();
        QVERIFY(m.dm.cdsDatabase.isEmpty());
    }

    void poolsAreGroupedByTypeInTypeOrder()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY) VALUES (1, 'TRA', 10, 4)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY) VALUES (2, 'CCH', 20, 5)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY) VALUES (3, 'TRA', 30, 8)"),
                    QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY, TMP$EXTEND_MEMORY) VALUES (4, 'XYZ', 1, 1)")});
        Monitor m(db);
        Snapshot& s = m.dm.cdsPools;
        s.open();
        QCOMPARE(s.rowCount(), 3);
        QStringList types, texts;
        for (s.first(); !s.eof(); s.next()) {
            types << s.asText(QStringLiteral("TMP$TYPE")).trimmed();
            texts << s.displayText(QStringLiteral("TMP$TYPE"));
        }
        QCOMPARE(types, (QStringList{"CCH", "TRA", "XYZ"}));
        QCOMPARE(texts, (QStringList{"CCH: Cache mgr/page buffers", "TRA: Transaction manager", "XYZ"}));
        QVERIFY(s.locate(QStringLiteral("TMP$TYPE"), s.asText(QStringLiteral("TMP$TYPE"))));
        s.first();
        s.next();
        QCOMPARE(s.asInteger(QStringLiteral("POOL_COUNT")), 2);
        QCOMPARE(s.asInteger(QStringLiteral("TMP$POOL_MEMORY")), 40);
        QCOMPARE(s.asInteger(QStringLiteral("TMP$EXTEND_MEMORY")), 6);
    }

    void systemTablesSwitch()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$RELATION_NAME) VALUES (1, 'RDB$RELATIONS')"),
                    QStringLiteral("INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$RELATION_NAME) VALUES (2, 'TMP$STATEMENTS')"),
                    QStringLiteral("INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$RELATION_NAME) VALUES (3, 'RDBX')"),
                    QStringLiteral("INSERT INTO TMP$RELATIONS (TMP$RELATION_ID, TMP$RELATION_NAME) VALUES (4, 'CUSTOMER')")});
        Monitor m(db);
        Snapshot& s = m.dm.cdsRelations;
        QVERIFY(m.dm.ShowSystemTables());
        s.open();
        QCOMPARE(s.rowCount(), 4);
        const QString before = m.dm.query(SnapshotId::Relations).sqlText();
        m.dm.SetShowSystemTables(true);  // the same value changes nothing
        QCOMPARE(m.dm.query(SnapshotId::Relations).sqlText(), before);
        QVERIFY(m.dm.query(SnapshotId::Relations).isPrepared());
        m.dm.SetShowSystemTables(false);
        QCOMPARE(s.rowCount(), 4);  // the rows stay until the next refresh
        s.refresh();
        QStringList names;
        for (s.first(); !s.eof(); s.next())
            names << s.asText(QStringLiteral("TMP$RELATION_NAME")).trimmed();
        QCOMPARE(names, (QStringList{"CUSTOMER", "RDBX"}));
        m.dm.SetShowSystemTables(true);
        s.refresh();
        QCOMPARE(s.rowCount(), 4);
    }

    void modelFollowsRefreshes()
    {
        TestDatabase db;
        for (int i = 1; i <= 4; ++i)
            db.execute(insertStatement(i, 1, QStringLiteral("ACTIVE")));
        Monitor m(db);
        SnapshotModel model(&m.dm.cdsStatements);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m.dm.cdsStatements.open();
        QCOMPARE(model.rowCount(), 4);
        QPersistentModelIndex third = model.index(2, 0);
        db.execute({QStringLiteral("DELETE FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID = 1"), insertStatement(9, 1, QStringLiteral("IDLE"))});
        m.dm.cdsStatements.refresh();
        QCOMPARE(model.rowCount(), 4);
        QVERIFY(third.isValid());
        QCOMPARE(model.data(third.sibling(third.row(), m.dm.cdsStatements.columnIndex(QStringLiteral("TMP$STATEMENT_ID"))),
                            SnapshotModel::ValueRole).toLongLong(), 3);
        QCOMPARE(model.headerData(m.dm.cdsStatements.columnIndex(QStringLiteral("ELAPSED_TIME")), Qt::Horizontal).toString(),
                 QStringLiteral("Elapsed time"));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("TMP$STATEMENT_ID"));
        QCOMPARE(model.headerData(0, Qt::Horizontal, SnapshotModel::ShownRole).toBool(), false);
        m.dm.cdsStatements.close();
        QCOMPARE(model.rowCount(), 0);
    }

    void aDatabaseThatDoesNotExist()
    {
        TdmServerProperties connection;
        connection.SetDatabaseName(QStringLiteral("/nonexistent/folder/none.fdb"));
        connection.SetUserName(QStringLiteral("SYSDBA"));
        int changes = 0;
        connection.OnConnectionChange = [&](TdmServerProperties*) { ++changes; };
        try {
            connection.SetConnected(true);
            QFAIL("attached to nothing");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QLatin1String("none.fdb")), qPrintable(e.message()));
        }
        QVERIFY(!connection.GetConnected());
        QCOMPARE(changes, 0);
    }

    void connectAndDisconnectNotify()
    {
        TestDatabase db;
        TdmServerProperties connection;
        QList<bool> seen;
        connection.OnConnectionChange = [&](TdmServerProperties* c) { seen << c->GetConnected(); };
        connection.SetDatabaseName(db.path());
        connection.SetUserName(QStringLiteral("SYSDBA"));
        connection.SetConnected(true);
        connection.SetConnected(true);  // the same state again does nothing
        connection.SetConnected(false);
        connection.SetConnected(false);
        QCOMPARE(seen, (QList<bool>{true, false}));
    }
};

QTEST_GUILESS_MAIN(TestSnapshotsDb)
#include "test_snapshots_db.moc"

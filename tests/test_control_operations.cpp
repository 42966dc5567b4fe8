// The control operations against the monitoring tables of the test schema: the state word
// written to the row, the result when no row matches, a transaction of their own for each
// operation, and the server's errors with nothing left active afterwards.

#include "common/Exception.h"
#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "monitor/QuillmereDM.h"
#include "support/TestDatabase.h"

#include <QtTest>

#include <limits>
#include <memory>

namespace {

enum class Operation { CancelAttachment, ShutdownAttachment, CancelStatement, CommitTransaction, RollbackTransaction };

bool run(TdmQuillmere& dm, Operation op, qint64 id)
{
    switch (op) {
    case Operation::CancelAttachment: return dm.CancelAttachment(id);
    case Operation::ShutdownAttachment: return dm.ShutdownAttachment(id);
    case Operation::CancelStatement: return dm.CancelStatement(id);
    case Operation::CommitTransaction: return dm.CommitTransaction(id);
    case Operation::RollbackTransaction: return dm.RollbackTransaction(id);
    }
    Q_UNREACHABLE();
}

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
};

// Rows 1 and 2 in each of the three tables, all in state ACTIVE, and no others.
void insertRows(const TestDatabase& db)
{
    QStringList sql = {QStringLiteral("DELETE FROM TMP$ATTACHMENTS"), QStringLiteral("DELETE FROM TMP$STATEMENTS"),
                       QStringLiteral("DELETE FROM TMP$TRANSACTIONS")};
    for (int id : {1, 2}) {
        sql << QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER, TMP$STATE) VALUES (%1, 'U%1', 'ACTIVE')").arg(id)
            << QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$STATE) VALUES (%1, 1, 'ACTIVE')").arg(id)
            << QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$ATTACHMENT_ID, TMP$STATE) VALUES (%1, 1, 'ACTIVE')").arg(id);
    }
    db.execute(sql);
}

QString state(const TestDatabase& db, const QString& table, const QString& key, int id)
{
    return db.scalar(QStringLiteral("SELECT TMP$STATE FROM %1 WHERE %2 = %3").arg(table, key).arg(id)).trimmed();
}

// The message the server gives for preparing `sql` on its own attachment.
QString serverMessageFor(const TestDatabase& db, const QString& sql)
{
    ib::Attachment att;
    db.attach(att);
    ib::Transaction tr;
    tr.start(att, ib::readCommittedTpb(false));
    QString message;
    try {
        ib::Statement st;
        st.prepare(att, tr, ib::toClientText(sql), 1);
    } catch (const ib::EIBError& e) {
        message = e.message();
    }
    tr.rollback();
    att.detach();
    return message;
}

}  // namespace

Q_DECLARE_METATYPE(Operation)

class TestControlOperations : public QObject {
    Q_OBJECT

    // The database of the cases that change rows only; each case starts from insertRows.
    std::unique_ptr<TestDatabase> m_shared;

private slots:
    void initTestCase() { m_shared = std::make_unique<TestDatabase>(); }
    void cleanupTestCase() { m_shared.reset(); }

    void existingRowGetsTheStateWord_data()
    {
        QTest::addColumn<Operation>("op");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("word");
        QTest::newRow("cancel attachment") << Operation::CancelAttachment << "TMP$ATTACHMENTS" << "TMP$ATTACHMENT_ID" << "CANCEL";
        QTest::newRow("shutdown attachment") << Operation::ShutdownAttachment << "TMP$ATTACHMENTS" << "TMP$ATTACHMENT_ID" << "SHUTDOWN";
        QTest::newRow("cancel statement") << Operation::CancelStatement << "TMP$STATEMENTS" << "TMP$STATEMENT_ID" << "CANCEL";
        QTest::newRow("commit transaction") << Operation::CommitTransaction << "TMP$TRANSACTIONS" << "TMP$TRANSACTION_ID" << "COMMIT";
        QTest::newRow("rollback transaction") << Operation::RollbackTransaction << "TMP$TRANSACTIONS" << "TMP$TRANSACTION_ID" << "ROLLBACK";
    }
    void existingRowGetsTheStateWord()
    {
        QFETCH(Operation, op);
        QFETCH(QString, table);
        QFETCH(QString, key);
        QFETCH(QString, word);
        const TestDatabase& db = *m_shared;
        insertRows(db);
        Monitor m(db);
        QVERIFY(run(m.dm, op, 2));
        QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        // committed: another attachment sees the word; the other row keeps its state
        QCOMPARE(state(db, table, key, 2), word);
        QCOMPARE(state(db, table, key, 1), QStringLiteral("ACTIVE"));
        // an identifier that matches nothing changes nothing and is no error
        QVERIFY(!run(m.dm, op, 77));
        QVERIFY(!run(m.dm, op, -1));
        QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        QCOMPARE(state(db, table, key, 1), QStringLiteral("ACTIVE"));
    }

    void statementTexts_data()
    {
        QTest::addColumn<Operation>("op");
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("cancel statement 42") << Operation::CancelStatement << qint64(42)
                                             << "UPDATE TMP$STATEMENTS SET TMP$STATE = 'CANCEL' WHERE TMP$STATEMENT_ID=42";
        QTest::newRow("cancel attachment 0") << Operation::CancelAttachment << qint64(0)
                                             << "UPDATE TMP$ATTACHMENTS SET TMP$STATE = 'CANCEL' WHERE TMP$ATTACHMENT_ID=0";
        QTest::newRow("shutdown attachment negative") << Operation::ShutdownAttachment << qint64(-17)
                                                      << "UPDATE TMP$ATTACHMENTS SET TMP$STATE = 'SHUTDOWN' WHERE TMP$ATTACHMENT_ID=-17";
        // transaction numbers go up to 2^48
        QTest::newRow("commit transaction 2^48-1") << Operation::CommitTransaction << qint64(281474976710655)
                                                   << "UPDATE TMP$TRANSACTIONS SET TMP$STATE = 'COMMIT' WHERE TMP$TRANSACTION_ID=281474976710655";
        QTest::newRow("rollback transaction min") << Operation::RollbackTransaction << qint64(std::numeric_limits<qint32>::min())
                                                  << "UPDATE TMP$TRANSACTIONS SET TMP$STATE = 'ROLLBACK' WHERE TMP$TRANSACTION_ID=-2147483648";
    }
    void statementTexts()
    {
        QFETCH(Operation, op);
        QFETCH(qint64, id);
        QFETCH(QString, text);
        Monitor m(*m_shared);
        QVERIFY(!run(m.dm, op, id));
        QCOMPARE(m.dm.OperationText(), text);
    }

    // Each operation starts and commits a read-write, read-committed, no-wait transaction of its
    // own: two in a row record two different transactions, and each one's work is committed.
    void eachOperationRunsInATransactionOfItsOwn()
    {
        const TestDatabase& db = *m_shared;
        insertRows(db);
        Monitor m(db);
        const QString record = QStringLiteral(
            "UPDATE TMP$STATEMENTS SET TMP$TRANSACTION_ID = CURRENT_TRANSACTION, "
            "TMP$POOL_ID = (SELECT MON$ISOLATION_MODE * 100 + MON$LOCK_TIMEOUT * 10 + MON$READ_ONLY "
            "FROM MON$TRANSACTIONS WHERE MON$TRANSACTION_ID = CURRENT_TRANSACTION) WHERE TMP$STATEMENT_ID=%1");
        QVERIFY(m.dm.ExecuteOperation(record.arg(1)));
        QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        QVERIFY(m.dm.ExecuteOperation(record.arg(2)));
        QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        const QString first = db.scalar(QStringLiteral("SELECT TMP$TRANSACTION_ID FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID = 1"));
        const QString second = db.scalar(QStringLiteral("SELECT TMP$TRANSACTION_ID FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID = 2"));
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        QVERIFY2(first.toLongLong() < second.toLongLong(), qPrintable(first + QLatin1Char(' ') + second));
        // isolation 2 (read committed record version), lock timeout 0 (no wait), not read-only
        QCOMPARE(db.scalar(QStringLiteral("SELECT TMP$POOL_ID FROM TMP$STATEMENTS WHERE TMP$STATEMENT_ID = 2")), QStringLiteral("200"));
        // and the plain operations after them still find the transaction free
        QVERIFY(m.dm.CancelStatement(1));
        QVERIFY(m.dm.CancelStatement(2));
        QCOMPARE(state(db, QStringLiteral("TMP$STATEMENTS"), QStringLiteral("TMP$STATEMENT_ID"), 2), QStringLiteral("CANCEL"));
    }

    // The table has gone: the operation raises the server's own text, and the transaction has
    // not stayed active, so the next operation works.
    void aStatementTheServerCannotPrepareLeavesNothingActive()
    {
        TestDatabase db;
        insertRows(db);
        Monitor m(db);
        m.connection.SetConnected(false);
        db.execute(QStringLiteral("DROP TABLE TMP$STATEMENTS"));
        m.connection.SetConnected(true);
        const QString expected = serverMessageFor(db, QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$STATE = 'CANCEL' WHERE TMP$STATEMENT_ID=1"));
        QVERIFY(expected.contains(QLatin1String("TMP$STATEMENTS")));
        try {
            m.dm.CancelStatement(1);
            QFAIL("no error for a dropped table");
        } catch (const ib::EIBError& e) {
            QCOMPARE(e.message(), expected);
        }
        QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        QVERIFY(m.dm.CancelAttachment(1));
        QCOMPARE(state(db, QStringLiteral("TMP$ATTACHMENTS"), QStringLiteral("TMP$ATTACHMENT_ID"), 1), QStringLiteral("CANCEL"));
    }

    // The server rejects the update while running it (after the row has changed): the error
    // reaches the caller, the change is undone, and the next operation works.
    void anUpdateTheServerRejectsIsUndone()
    {
        TestDatabase db;
        insertRows(db);
        db.execute({QStringLiteral("CREATE EXCEPTION E_NO_COMMIT 'commit refused by the test'"),
                    QStringLiteral("CREATE TRIGGER TMP$TRANSACTIONS_AU FOR TMP$TRANSACTIONS AFTER UPDATE AS "
                                   "BEGIN IF (NEW.TMP$STATE = 'COMMIT') THEN EXCEPTION E_NO_COMMIT; END")});
        Monitor m(db);
        try {
            m.dm.CommitTransaction(1);
            QFAIL("no error for a rejected update");
        } catch (const ib::EIBError& e) {
            QVERIFY2(e.message().contains(QLatin1String("commit refused by the test")), qPrintable(e.message()));
        }
        QVERIFY(!m.dm.IBTransactionReadWrite.isActive());
        QCOMPARE(state(db, QStringLiteral("TMP$TRANSACTIONS"), QStringLiteral("TMP$TRANSACTION_ID"), 1), QStringLiteral("ACTIVE"));
        QVERIFY(m.dm.RollbackTransaction(1));
        QCOMPARE(state(db, QStringLiteral("TMP$TRANSACTIONS"), QStringLiteral("TMP$TRANSACTION_ID"), 1), QStringLiteral("ROLLBACK"));
    }
};

QTEST_GUILESS_MAIN(TestControlOperations)
#include "test_control_operations.moc"

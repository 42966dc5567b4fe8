// The SQL pane over the statements snapshot of a real database, and its InterBase SQL colouring;
// the plan pane below it.

#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "mainwindow/sqlpane/SqlHighlighter.h"
#include "mainwindow/sqlpane/PlanPane.h"
#include "mainwindow/sqlpane/SqlPane.h"
#include "monitor/QuillmereDM.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

using Kind = TInterBaseSqlHighlighter::Kind;

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
};

QString insert(int id, const QString& sql)
{
    QString quoted = sql;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$SQL) VALUES (%1, 1, '%2')")
        .arg(id)
        .arg(quoted);
}

// The kind of the characters at a position of a highlighted document; -1 for plain text.
int kindAt(QTextDocument& doc, int position)
{
    const QTextBlock block = doc.findBlock(position);
    const int offset = position - block.position();
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
        if (offset >= r.start && offset < r.start + r.length) {
            for (Kind k : {Kind::Keyword, Kind::Identifier, Kind::String, Kind::Number, Kind::Comment})
                if (r.format == TInterBaseSqlHighlighter::format(k))
                    return static_cast<int>(k);
            return -2;  // a format of no kind
        }
    return -1;
}

}  // namespace

class TestSqlPane : public QObject {
    Q_OBJECT

private slots:
    // Empty before any data; then the current statement's SQL, following the cursor and each
    // refresh; a refresh that leaves the text alone keeps the user's selection; empty when closed.
    void followsTheCurrentStatement()
    {
        TestDatabase db;
        db.execute({QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (1, 'SYSDBA')"),
                    insert(1, QStringLiteral("SELECT * FROM CUSTOMER")),
                    insert(2, QStringLiteral("EXECUTE PROCEDURE NEXT_ORDER(1)\n  RETURNING_VALUES :ID"))});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        TSqlPane pane;
        pane.bind(&s);
        QVERIFY(pane.toPlainText().isEmpty());
        s.open();
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 2));
        QCOMPARE(pane.toPlainText(), QStringLiteral("EXECUTE PROCEDURE NEXT_ORDER(1)\n  RETURNING_VALUES :ID"));
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 1));
        QCOMPARE(pane.toPlainText(), QStringLiteral("SELECT * FROM CUSTOMER"));

        QTextCursor c = pane.textCursor();
        c.setPosition(7);
        c.setPosition(8, QTextCursor::KeepAnchor);
        pane.setTextCursor(c);
        s.disableControls();
        s.refresh();
        QCOMPARE(pane.toPlainText(), QStringLiteral("SELECT * FROM CUSTOMER"));  // nothing until resumed
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 1));
        s.enableControls();
        QCOMPARE(pane.textCursor().selectedText(), QStringLiteral("*"));

        db.execute(QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$SQL = 'SELECT 2 FROM RDB$DATABASE' WHERE TMP$STATEMENT_ID = 1"));
        s.refresh();
        s.locate(QStringLiteral("TMP$STATEMENT_ID"), 1);
        QCOMPARE(pane.toPlainText(), QStringLiteral("SELECT 2 FROM RDB$DATABASE"));
        s.close();
        QVERIFY(pane.toPlainText().isEmpty());
    }

    // Read from a Firebird server's own monitoring tables: a statement text of 4094 characters, many
    // of them of two and three bytes, shows whole, as does one of fewer characters than the short
    // column's bytes but more bytes; a longer one is cut at 4094 characters.
    void longTextsFromTheServerWholeOrCut()
    {
        TestDatabase::Options o;
        o.applySchema = false;  // no TMP$ relations: the server's MON$ tables are read
        TestDatabase db(o);
        Monitor m(db);
        QCOMPARE(m.dm.Source(), TdmQuillmere::SourceKind::Firebird);
        const auto text = [](const char* start, int characters) {
            QString sql = QString::fromLatin1(start) + QStringLiteral(" /* ");
            for (int i = 0; sql.size() < characters - 3; ++i)
                sql += i % 3 == 0 ? QChar(0x042F) : i % 3 == 1 ? QChar(0x20AC) : QChar('x');  // Я, €, x
            return sql + QStringLiteral(" */");
        };
        const QString whole = text("SELECT 1 AS WHOLE FROM RDB$DATABASE", 4094);
        const QString longer = text("SELECT 2 AS LONGER FROM RDB$DATABASE", 6000);
        const QString middle = text("SELECT 3 AS MIDDLE FROM RDB$DATABASE", 700);  // about 1400 bytes
        QCOMPARE(whole.size(), 4094);
        // prepared by another attachment, they are its statements until it detaches
        ib::Attachment other;
        db.attach(other, QStringLiteral("UTF8"));
        ib::Transaction tr;
        tr.start(other, ib::readCommittedTpb(true));
        ib::Statement first, second, third;
        first.prepare(other, tr, whole.toStdString());
        second.prepare(other, tr, longer.toStdString());
        third.prepare(other, tr, middle.toStdString());

        Snapshot& s = m.dm.cdsStatements;
        TSqlPane pane;
        pane.bind(&s);
        s.open();
        const auto showStatement = [&](const QString& start) {
            for (s.first(); !s.eof(); s.next())
                if (s.asText(QStringLiteral("TMP$SQL")).startsWith(start))
                    return true;
            return false;
        };
        QVERIFY(showStatement(whole.left(30)));
        QCOMPARE(pane.toPlainText(), whole);
        QVERIFY(showStatement(longer.left(30)));
        QCOMPARE(pane.toPlainText(), longer.left(4094));
        QVERIFY(showStatement(middle.left(30)));
        QCOMPARE(pane.toPlainText(), middle);
    }

    // The plan pane asks for the plan of the current statement only, and only while it is shown:
    // once when shown, once a move to another statement; a refresh that leaves the same statement
    // current reads nothing, one that finds its text changed reads again; empty without a row.
    void thePlanIsReadForTheCurrentStatementOnly()
    {
        TestDatabase db;
        db.execute({insert(1, QStringLiteral("SELECT 1 FROM RDB$DATABASE")), insert(2, QStringLiteral("SELECT 2 FROM RDB$DATABASE"))});
        Monitor m(db);
        Snapshot& s = m.dm.cdsStatements;
        TPlanPane pane;
        QList<qint64> reads;
        pane.bindPlan(&s, [&](qint64 id) {
            reads << id;
            return QStringLiteral("PLAN (S%1 NATURAL)").arg(id);
        });
        s.open();
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 2));
        QCoreApplication::processEvents();
        QVERIFY(reads.isEmpty());  // hidden
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QTRY_COMPARE(pane.toPlainText(), QStringLiteral("PLAN (S2 NATURAL)"));
        reads.clear();
        QVERIFY(s.locate(QStringLiteral("TMP$STATEMENT_ID"), 1));
        QTRY_COMPARE(pane.toPlainText(), QStringLiteral("PLAN (S1 NATURAL)"));
        QCOMPARE(reads, QList<qint64>{1});
        // as the window refreshes: the current row found again by its key
        const auto refresh = [&s] {
            s.disableControls();
            s.refresh();
            s.locate(QStringLiteral("TMP$STATEMENT_ID"), 1);
            s.enableControls();
        };
        refresh();
        QCoreApplication::processEvents();
        QCOMPARE(reads.size(), 1);
        db.execute(QStringLiteral("UPDATE TMP$STATEMENTS SET TMP$SQL = 'SELECT 3 FROM RDB$DATABASE' WHERE TMP$STATEMENT_ID = 1"));
        refresh();
        QTRY_COMPARE(reads.size(), 2);
        QCOMPARE(reads.last(), 1);
        s.close();
        QTRY_VERIFY(pane.toPlainText().isEmpty());
        QCOMPARE(reads.size(), 2);
    }

    // Read-only; Ctrl+A selects all, Ctrl+C and Ctrl+Insert copy; Courier New 10 pt where
    // present, else the fixed-pitch font; no gutter.
    void readOnlyWithTheCopyKeys()
    {
        TSqlPane pane;
        pane.setPlainText(QStringLiteral("SELECT GEN_ID(G, 1) FROM RDB$DATABASE"));
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QTest::keyClicks(&pane, QStringLiteral("xyz"));
        QTest::keyClick(&pane, Qt::Key_Delete);
        QCOMPARE(pane.toPlainText(), QStringLiteral("SELECT GEN_ID(G, 1) FROM RDB$DATABASE"));

        QTest::keyClick(&pane, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(pane.textCursor().selectedText(), pane.toPlainText());
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), pane.toPlainText());

        QTest::keyClick(&pane, Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(&pane, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&pane, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("SELECT"));

        const QFont f = pane.font();
        QCOMPARE(f.pointSize(), 10);
        if (QFontDatabase::families().contains(QStringLiteral("Courier New")))
            QCOMPARE(f.family(), QStringLiteral("Courier New"));
        else
            QVERIFY(QFontInfo(f).fixedPitch());
        QCOMPARE(pane.viewport()->geometry().left(), pane.frameWidth());  // no gutter
    }

    // Each kind of token in its own style: InterBase and Firebird keywords, plain and quoted
    // identifiers, strings with doubled quotes, numbers, and both kinds of comment, also across
    // lines.
    void highlighting_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<int>("kind");
        const QString proc = QStringLiteral("EXECUTE PROCEDURE P RETURNING_VALUES :ORDER_ID; SUSPEND;");
        auto row = [](const char* name, const QString& sql, const char* token, int occurrence, Kind kind) {
            QTest::newRow(name) << sql << QString::fromLatin1(token) << occurrence << static_cast<int>(kind);
        };
        row("select", QStringLiteral("select a from t"), "select", 0, Kind::Keyword);
        row("gen_id", QStringLiteral("SELECT GEN_ID(G_ORDER, 1) FROM RDB$DATABASE"), "GEN_ID", 0, Kind::Keyword);
        row("generator", QStringLiteral("CREATE GENERATOR G_ORDER"), "GENERATOR", 0, Kind::Keyword);
        row("execute", proc, "EXECUTE", 0, Kind::Keyword);
        row("procedure", proc, "PROCEDURE", 0, Kind::Keyword);
        row("returning_values", proc, "RETURNING_VALUES", 0, Kind::Keyword);
        row("suspend", proc, "SUSPEND", 0, Kind::Keyword);
        row("parameter", proc, "ORDER_ID", 0, Kind::Identifier);
        row("identifier with $", QStringLiteral("SELECT TMP$USER FROM TMP$ATTACHMENTS"), "TMP$USER", 0, Kind::Identifier);
        row("not a keyword inside a word", QStringLiteral("SELECT SELECTED FROM T"), "SELECTED", 0, Kind::Identifier);
        row("quoted identifier", QStringLiteral("SELECT \"Order Date\" FROM T"), "Date", 0, Kind::Identifier);
        row("string", QStringLiteral("WHERE NAME = 'it''s FROM'"), "FROM", 0, Kind::String);
        row("after a string", QStringLiteral("WHERE NAME = 'it''s' AND X = 1"), "AND", 0, Kind::Keyword);
        row("integer", QStringLiteral("SELECT 42 FROM T"), "42", 0, Kind::Number);
        row("decimal", QStringLiteral("SELECT 3.25 FROM T"), "25", 0, Kind::Number);
        row("exponent", QStringLiteral("SELECT 1E5 FROM T"), "E5", 0, Kind::Number);
        row("digits in a name", QStringLiteral("SELECT T1 FROM T"), "1", 0, Kind::Identifier);
        row("line comment", QStringLiteral("SELECT 1 -- FROM T\nFROM T"), "FROM", 0, Kind::Comment);
        row("after a line comment", QStringLiteral("SELECT 1 -- FROM T\nFROM T"), "FROM", 1, Kind::Keyword);
        const QString block = QStringLiteral("SELECT /* one\nFROM two\n*/ X FROM T");
        row("block comment, first line", block, "one", 0, Kind::Comment);
        row("block comment, inner line", block, "FROM", 0, Kind::Comment);
        row("after a block comment", block, "X", 0, Kind::Identifier);
        row("after a block comment, keyword", block, "FROM", 1, Kind::Keyword);
        const QString multi = QStringLiteral("SELECT 'one\nFROM' FROM T");
        row("string across lines", multi, "FROM", 0, Kind::String);
        row("after a string across lines", multi, "FROM", 1, Kind::Keyword);
    }
    void highlighting()
    {
        QFETCH(QString, sql);
        QFETCH(QString, token);
        QFETCH(int, occurrence);
        QFETCH(int, kind);
        QTextDocument doc;
        TInterBaseSqlHighlighter highlighter(&doc);
        doc.setPlainText(sql);
        highlighter.rehighlight();  // a new highlighter's first pass waits for the event loop
        int at = -1;
        for (int i = 0; i <= occurrence; ++i)
            at = static_cast<int>(sql.indexOf(token, at + 1));
        QVERIFY(at >= 0);
        for (int i = 0; i < token.size(); ++i)
            QCOMPARE(kindAt(doc, at + i), kind);
    }

    void theStylesDiffer()
    {
        const QList<Kind> kinds = {Kind::Keyword, Kind::Identifier, Kind::String, Kind::Number, Kind::Comment};
        for (Kind a : kinds)
            for (Kind b : kinds)
                if (a != b)
                    QVERIFY(TInterBaseSqlHighlighter::format(a) != TInterBaseSqlHighlighter::format(b));
        QVERIFY(TInterBaseSqlHighlighter::isKeyword(u"returning_values"));
        QVERIFY(!TInterBaseSqlHighlighter::isKeyword(u"CUSTOMER"));
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestSqlPane test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_sql_pane.moc"

// quillmere-schema, run as the program it is, against databases of the embedded engine: install,
// install again, status and remove; the refusal of foreign TMP$ objects; an incomplete and an
// older installation; one transaction per command; and its arguments.

#include "SchemaMessages.h"

#include "common/ParamList.h"
#include "ib/Attachment.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "ib/Values.h"
#include "support/TestDatabase.h"

#include "common/Messages.h"

#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool; with a locale, in that locale (LC_ALL).
Run runTool(const QStringList& args, const QString& locale = QString())
{
    QProcess p;
    if (!locale.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        p.setProcessEnvironment(environment);
    }
    p.start(QStringLiteral(QUILLMERE_SCHEMA_TOOL), args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(p.readAllStandardError()).trimmed()};
}

Run tool(const QString& command, const TestDatabase& db, const QString& user = QStringLiteral("SYSDBA"))
{
    return runTool({command, db.path(), QStringLiteral("--user"), user});
}

QString text(const char* message) { return QString::fromUtf8(message); }

std::unique_ptr<TestDatabase> database(unsigned dialect = 3, bool tables = false)
{
    TestDatabase::Options o;
    o.applySchema = tables;
    o.dialect = dialect;
    return std::make_unique<TestDatabase>(o);
}

// Every row of a query through a new attachment, each value as text.
QStringList rows(const TestDatabase& db, const QString& sql)
{
    ib::Attachment att;
    db.attach(att);
    ib::Transaction tr;
    tr.start(att, ib::readCommittedTpb(true));
    ib::Statement st;
    st.prepare(att, tr, ib::toClientText(sql), 3);
    st.execute(tr);
    QStringList out;
    while (st.fetch()) {
        QStringList row;
        for (int c = 0; c < st.columnCount(); ++c)
            row << (st.isNull(c) ? QStringLiteral("<null>") : ib::decodeText(ib::trimRight(st.asText(c))).trimmed());
        out << row.join(QLatin1Char(' '));
    }
    st.closeCursor();
    st.free();
    tr.commit();
    att.detach();
    return out;
}

// Every object whose name begins with TMP$, or that belongs to such a relation.
QStringList tmpObjects(const TestDatabase& db)
{
    return rows(db, QStringLiteral(
        "SELECT 'relation', RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING WITH 'TMP$' "
        "UNION ALL SELECT 'trigger', RDB$TRIGGER_NAME FROM RDB$TRIGGERS "
        "  WHERE RDB$TRIGGER_NAME STARTING WITH 'TMP$' OR RDB$RELATION_NAME STARTING WITH 'TMP$' "
        "UNION ALL SELECT 'exception', RDB$EXCEPTION_NAME FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME STARTING WITH 'TMP$' "
        "UNION ALL SELECT 'function', RDB$FUNCTION_NAME FROM RDB$FUNCTIONS WHERE RDB$FUNCTION_NAME STARTING WITH 'TMP$' "
        "UNION ALL SELECT 'generator', RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME STARTING WITH 'TMP$' "
        "ORDER BY 1, 2"));
}

// What an installation consists of: the columns with their types, the triggers' and the
// function's source, the exceptions' messages.
QStringList installation(const TestDatabase& db)
{
    QStringList out = rows(db, QStringLiteral(
        "SELECT RF.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION, RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE, F.RDB$FIELD_LENGTH, "
        "  F.RDB$CHARACTER_LENGTH, F.RDB$CHARACTER_SET_ID "
        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "WHERE RF.RDB$RELATION_NAME STARTING WITH 'TMP$' ORDER BY 1, 2"));
    out << rows(db, QStringLiteral("SELECT RDB$TRIGGER_NAME, RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS "
                                   "WHERE RDB$TRIGGER_NAME STARTING WITH 'TMP$' ORDER BY 1"));
    out << rows(db, QStringLiteral("SELECT RDB$FUNCTION_NAME, RDB$FUNCTION_SOURCE FROM RDB$FUNCTIONS "
                                   "WHERE RDB$FUNCTION_NAME STARTING WITH 'TMP$' ORDER BY 1"));
    out << rows(db, QStringLiteral("SELECT RDB$EXCEPTION_NAME, RDB$MESSAGE FROM RDB$EXCEPTIONS "
                                   "WHERE RDB$EXCEPTION_NAME STARTING WITH 'TMP$' ORDER BY 1"));
    return out;
}

}  // namespace

class TestQuillmereSchema : public QObject {
    Q_OBJECT

private slots:
    // install, install again (the same result), status, remove (nothing left), in databases of
    // both dialects.
    void installTwiceStatusRemove_data()
    {
        QTest::addColumn<unsigned>("dialect");
        QTest::newRow("dialect 1") << 1u;
        QTest::newRow("dialect 3") << 3u;
    }
    void installTwiceStatusRemove()
    {
        QFETCH(unsigned, dialect);
        const auto db = database(dialect);
        Run r = tool(QStringLiteral("status"), *db);
        QCOMPARE(r.exitCode, 4);
        QCOMPARE(r.out, text(schemamsg::StatusNotInstalled).arg(db->path()));

        r = tool(QStringLiteral("install"), *db);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, text(schemamsg::Installed).arg(db->path()));
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        const QStringList first = installation(*db);
        QVERIFY(first.size() > 200);
        QCOMPARE(rows(*db, QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING WITH 'TMP$' "
                                          "AND RDB$VIEW_BLR IS NOT NULL")),
                 QStringList{QStringLiteral("8")});
        // the views read, in the database's dialect and in dialect 1
        QCOMPARE(rows(*db, QStringLiteral("SELECT TMP$USER FROM TMP$ATTACHMENTS WHERE TMP$ATTACHMENT_ID = CURRENT_CONNECTION")),
                 QStringList{QStringLiteral("SYSDBA")});

        r = tool(QStringLiteral("status"), *db);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, text(schemamsg::StatusInstalled).arg(db->path()));

        r = tool(QStringLiteral("install"), *db);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, text(schemamsg::Reinstalled).arg(db->path()));
        QCOMPARE(installation(*db), first);
        QCOMPARE(tool(QStringLiteral("status"), *db).exitCode, 0);

        r = tool(QStringLiteral("remove"), *db);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, text(schemamsg::Removed).arg(db->path()));
        QCOMPARE(tmpObjects(*db), QStringList());
        QCOMPARE(tool(QStringLiteral("status"), *db).exitCode, 4);
        r = tool(QStringLiteral("remove"), *db);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, text(schemamsg::NothingToRemove).arg(db->path()));
    }

    // A database with TMP$ tables of its own (the InterBase test tables): install refuses and
    // changes nothing, status names them, remove leaves them.
    void refusesForeignTables()
    {
        const auto db = database(1, true);
        db->execute(QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER) VALUES (1, 'KEEP')"));
        const QStringList before = tmpObjects(*db);
        const QStringList columnsBefore = installation(*db);

        Run r = tool(QStringLiteral("install"), *db);
        QCOMPARE(r.exitCode, 3);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(QStringLiteral("did not create: table TMP$DATABASE, table TMP$POOLS")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("table TMP$ATTACHMENTS")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("nothing was changed")), qPrintable(r.err));
        QCOMPARE(tmpObjects(*db), before);
        QCOMPARE(installation(*db), columnsBefore);
        QCOMPARE(rows(*db, QStringLiteral("SELECT TMP$USER FROM TMP$ATTACHMENTS")), QStringList{QStringLiteral("KEEP")});

        r = tool(QStringLiteral("status"), *db);
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.out.startsWith(QStringLiteral("foreign TMP$ objects: ")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("table TMP$STATEMENTS")), qPrintable(r.out));

        r = tool(QStringLiteral("remove"), *db);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(text(schemamsg::NothingToRemove).arg(db->path())), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("Left alone: ")), qPrintable(r.out));
        QCOMPARE(tmpObjects(*db), before);
    }

    // Next to an installation, a TMP$ object of someone else's: status reports it, install is
    // refused, remove takes the views' objects only.
    void foreignObjectBesideTheViews()
    {
        const auto db = database();
        QCOMPARE(tool(QStringLiteral("install"), *db).exitCode, 0);
        db->execute(QStringLiteral("CREATE SEQUENCE TMP$COUNTER"));
        Run r = tool(QStringLiteral("status"), *db);
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.out.endsWith(QStringLiteral("did not create: generator TMP$COUNTER.")), qPrintable(r.out));
        QCOMPARE(tool(QStringLiteral("install"), *db).exitCode, 3);
        r = tool(QStringLiteral("remove"), *db);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(text(schemamsg::Removed).arg(db->path())), qPrintable(r.out));
        QVERIFY2(r.out.endsWith(text(schemamsg::ForeignObjectsLeft).arg(QStringLiteral("generator TMP$COUNTER"))), qPrintable(r.out));
        QCOMPARE(tmpObjects(*db), QStringList{QStringLiteral("generator TMP$COUNTER")});
    }

    // An installation that lacks an object is partly installed, and install completes it; an
    // object of an earlier installation that the script no longer makes goes at install.
    void incompleteAndOlderInstallations()
    {
        const auto db = database();
        QCOMPARE(tool(QStringLiteral("install"), *db).exitCode, 0);
        const QStringList complete = installation(*db);
        db->execute(QStringLiteral("DROP TRIGGER TMP$TRANSACTIONS_BU"));
        Run r = tool(QStringLiteral("status"), *db);
        QCOMPARE(r.exitCode, 5);
        QCOMPARE(r.out, text(schemamsg::StatusPartly).arg(db->path(), QStringLiteral("trigger TMP$TRANSACTIONS_BU")));
        QCOMPARE(tool(QStringLiteral("install"), *db).exitCode, 0);
        QCOMPARE(installation(*db), complete);

        db->execute({QStringLiteral("CREATE VIEW TMP$OLD_SOURCE (N) AS SELECT CAST(1 AS INTEGER) FROM RDB$DATABASE"),
                     QStringLiteral("COMMENT ON VIEW TMP$OLD_SOURCE IS 'Quillmere: a view of an earlier installation.'")});
        QCOMPARE(tool(QStringLiteral("status"), *db).exitCode, 0);
        QCOMPARE(tool(QStringLiteral("install"), *db).exitCode, 0);
        QVERIFY(!tmpObjects(*db).contains(QStringLiteral("relation TMP$OLD_SOURCE")));
        QCOMPARE(installation(*db), complete);
    }

    // A command that fails half-way leaves nothing of its work: a user who may create exceptions
    // and functions but not views gets as far as the first view.
    void aFailedInstallChangesNothing()
    {
        const auto db = database();
        db->execute({QStringLiteral("GRANT CREATE EXCEPTION TO USER QM_HALFWAY"),
                     QStringLiteral("GRANT CREATE FUNCTION TO USER QM_HALFWAY")});
        const Run r = tool(QStringLiteral("install"), *db, QStringLiteral("QM_HALFWAY"));
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("VIEW")), qPrintable(r.err));
        QCOMPARE(tmpObjects(*db), QStringList());
    }

    // A path with characters outside ASCII opens: the client library converts file names from
    // the locale's character set, which the tool takes from the environment.
    void aPathOutsideAscii()
    {
        const auto db = database();
        const QString path = QDir(db->folder()).filePath(QStringLiteral("Pr\u00fcfung-\u6570\u636e.fdb"));
        QVERIFY(QFile::rename(db->path(), path));
        const Run r = runTool({QStringLiteral("status"), path, QStringLiteral("--user"), QStringLiteral("SYSDBA")},
                              QStringLiteral("C.UTF-8"));
        QVERIFY2(r.exitCode == 4, qPrintable(r.err));
        QCOMPARE(r.out, text(schemamsg::StatusNotInstalled).arg(path));
    }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");  // the start of the output or of the error
        QTest::newRow("-h after a command") << QStringList{QStringLiteral("install"), QStringLiteral("-h")} << 0
                                            << QStringLiteral("Usage: quillmere-schema COMMAND DATABASE");
        QTest::newRow("nothing") << QStringList{} << 2 << QStringLiteral("quillmere-schema: No command given");
        QTest::newRow("unknown command") << QStringList{QStringLiteral("drop"), QStringLiteral("x.fdb")} << 2
                                         << QStringLiteral("quillmere-schema: Unknown command \"drop\"");
        QTest::newRow("no database") << QStringList{QStringLiteral("status")} << 2 << QStringLiteral("quillmere-schema: No database given.");
        QTest::newRow("two databases") << QStringList{QStringLiteral("status"), QStringLiteral("a"), QStringLiteral("b")} << 2
                                       << QStringLiteral("quillmere-schema: Unexpected argument \"b\".");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("status"), QStringLiteral("a"), QStringLiteral("--host=x")} << 2
                                        << QStringLiteral("quillmere-schema: Unknown option \"--host\".");
        QTest::newRow("option without value") << QStringList{QStringLiteral("status"), QStringLiteral("a"), QStringLiteral("--role")} << 2
                                              << QStringLiteral("quillmere-schema: The option --role needs a value.");
        QTest::newRow("no such database") << QStringList{QStringLiteral("status"), QStringLiteral("/nonexistent/q.fdb"),
                                                         QStringLiteral("--user=SYSDBA")}
                                          << 1 << QStringLiteral("quillmere-schema: I/O error");
    }
    void arguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run r = runTool(args);
        QCOMPARE(r.exitCode, exitCode);
        const QString shown = exitCode == 0 ? r.out : r.err;
        QVERIFY2(shown.startsWith(message), qPrintable(shown));
        if (exitCode == 2)
            QVERIFY2(shown.endsWith(text(msg::CommandLineHelpHint).arg(QStringLiteral("quillmere-schema"))), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(TestQuillmereSchema)
#include "test_quillmere_schema.moc"

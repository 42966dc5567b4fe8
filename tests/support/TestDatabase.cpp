#include "support/TestDatabase.h"

#include "common/Exception.h"
#include "common/ParamList.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/SqlScript.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"

#include <QFile>

namespace {
ib::ParamBlock dpb(const QString& characterSet)
{
    ParamList params;
    params.setParam(QStringLiteral("user_name"), QStringLiteral("SYSDBA"));
    params.setParam(QStringLiteral("lc_ctype"), characterSet);
    return ib::databaseParamBlock(params);
}
}  // namespace

TestDatabase::TestDatabase() : TestDatabase(Options{}) {}

TestDatabase::TestDatabase(const Options& options) : m_dialect(options.dialect)
{
    if (!m_dir.isValid())
        throw Exception(QStringLiteral("cannot create a temporary folder"));
    m_path = m_dir.filePath(options.fileName);
    ib::Attachment db;
    db.createDatabase(ib::toClientText(QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA' PAGE_SIZE 8192 "
                                                      "DEFAULT CHARACTER SET %2")
                                           .arg(m_path, options.characterSet)),
                      options.dialect);
    db.detach();
    if (options.applySchema)
        executeScript(schemaPath(QStringLiteral("ib7-monitoring-tables.sql")));
}

TestDatabase::~TestDatabase() = default;

QString TestDatabase::schemaPath(const QString& fileName)
{
    return QStringLiteral(QUILLMERE_SOURCE_DIR "/schema/") + fileName;
}

void TestDatabase::attach(ib::Attachment& attachment, const QString& characterSet) const
{
    attachment.attach(ib::toClientText(m_path), dpb(characterSet));
}

void TestDatabase::execute(const QString& sql, const QString& characterSet) const
{
    execute(QStringList{sql}, characterSet);
}

void TestDatabase::execute(const QStringList& statements, const QString& characterSet) const
{
    ib::Attachment db;
    attach(db, characterSet);
    ib::Transaction tr;
    tr.start(db, ib::readCommittedTpb(false));
    for (const QString& sql : statements) {
        ib::Statement st;
        st.prepare(db, tr, ib::toClientText(sql), m_dialect);
        st.execute(tr);
        // DDL must be committed before later statements may use its objects
        if (sql.trimmed().startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive) ||
            sql.trimmed().startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive) ||
            sql.trimmed().startsWith(QLatin1String("DROP"), Qt::CaseInsensitive))
            tr.commitRetaining();
    }
    tr.commit();
    db.detach();
}

void TestDatabase::executeScript(const QString& scriptPath) const
{
    QFile f(scriptPath);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("cannot read %1").arg(scriptPath));
    QStringList statements;
    for (const std::string& s : ib::splitSqlScript(f.readAll().toStdString()))
        statements << QString::fromStdString(s);
    execute(statements);
}

QString TestDatabase::scalar(const QString& sql) const
{
    ib::Attachment db;
    attach(db);
    ib::Transaction tr;
    tr.start(db, ib::readCommittedTpb(true));
    ib::Statement st;
    st.prepare(db, tr, ib::toClientText(sql), m_dialect);
    st.execute(tr);
    QString out;
    if (st.fetch())
        out = QString::fromStdString(st.asText(0));
    st.closeCursor();
    st.free();
    tr.commit();
    db.detach();
    return out;
}

#include "MonitoringSchema.h"

#include "SchemaMessages.h"
#include "common/ParamList.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/SqlScript.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "ib/Values.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

// Every object whose name begins with TMP$, and whether it carries the views' mark. The kind is
// the position in ObjectKind.
const char* const kSurveyQuery =
    "SELECT CASE WHEN RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END, RDB$RELATION_NAME, "
    "  CASE WHEN RDB$DESCRIPTION STARTING WITH 'Quillmere:' THEN 1 ELSE 0 END "
    "FROM RDB$RELATIONS WHERE RDB$RELATION_NAME STARTING WITH 'TMP$' "
    "UNION ALL "
    "SELECT 2, RDB$TRIGGER_NAME, CASE WHEN RDB$DESCRIPTION STARTING WITH 'Quillmere:' THEN 1 ELSE 0 END "
    "FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME STARTING WITH 'TMP$' OR RDB$RELATION_NAME STARTING WITH 'TMP$' "
    "UNION ALL "
    "SELECT 3, RDB$EXCEPTION_NAME, CASE WHEN RDB$DESCRIPTION STARTING WITH 'Quillmere:' THEN 1 ELSE 0 END "
    "FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME STARTING WITH 'TMP$' "
    "UNION ALL "
    "SELECT 4, RDB$FUNCTION_NAME, CASE WHEN RDB$DESCRIPTION STARTING WITH 'Quillmere:' THEN 1 ELSE 0 END "
    "FROM RDB$FUNCTIONS WHERE RDB$FUNCTION_NAME STARTING WITH 'TMP$' "
    "UNION ALL "
    "SELECT 5, RDB$PROCEDURE_NAME, 0 FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME STARTING WITH 'TMP$' "
    "UNION ALL "
    "SELECT 6, RDB$GENERATOR_NAME, 0 FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME STARTING WITH 'TMP$'";

// The kinds that the views consist of, as the script's CREATE OR ALTER and DROP name them.
const char* sqlKeyword(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::View: return "VIEW";
    case ObjectKind::Trigger: return "TRIGGER";
    case ObjectKind::Exception: return "EXCEPTION";
    case ObjectKind::Function: return "FUNCTION";
    default: return nullptr;
    }
}

const char* kindText(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Table: return schemamsg::KindTable;
    case ObjectKind::View: return schemamsg::KindView;
    case ObjectKind::Trigger: return schemamsg::KindTrigger;
    case ObjectKind::Exception: return schemamsg::KindException;
    case ObjectKind::Function: return schemamsg::KindFunction;
    case ObjectKind::Procedure: return schemamsg::KindProcedure;
    case ObjectKind::Generator: return schemamsg::KindGenerator;
    }
    return "";
}

// One attachment and one transaction; a transaction that was not committed is rolled back.
class Session {
public:
    Session(const SchemaConnection& c, bool readOnly)
    {
        ParamList params;
        params.setParam(QStringLiteral("user_name"), c.user);
        params.setParam(QStringLiteral("password"), c.password);
        params.setParam(QStringLiteral("sql_role_name"), c.role);
        m_att.attach(ib::toClientText(c.database), ib::databaseParamBlock(params));
        m_dialect = sqlDialect();
        m_tr.start(m_att, ib::readCommittedTpb(readOnly));
    }
    ~Session()
    {
        if (m_tr.isActive()) {
            try {
                m_tr.rollback();
            } catch (...) {
            }
        }
    }

    ib::Attachment& attachment() { return m_att; }

    void execute(const std::string& sql)
    {
        ib::Statement st;
        st.prepare(m_att, m_tr, sql, m_dialect);
        st.execute(m_tr);
    }

    // The TMP$ objects: the views' own (marked, of a kind the views consist of) and the others.
    void survey(QList<SchemaObject>& ours, QList<SchemaObject>& foreign)
    {
        ib::Statement st;
        st.prepare(m_att, m_tr, kSurveyQuery, m_dialect);
        st.execute(m_tr);
        while (st.fetch()) {
            const SchemaObject o{static_cast<ObjectKind>(st.asInt64(0)),
                                 ib::decodeText(ib::trimRight(st.rawText(1))).trimmed()};
            if (st.asInt64(2) == 1 && sqlKeyword(o.kind))
                ours << o;
            else
                foreign << o;
        }
        st.closeCursor();
    }

    void commit() { m_tr.commit(); }

private:
    unsigned sqlDialect()
    {
        const std::vector<char> reply = m_att.info({isc_info_db_sql_dialect, isc_info_end});
        if (reply.size() < 4 || static_cast<unsigned char>(reply[0]) != isc_info_db_sql_dialect)
            throw Exception(schemamsg::DialectUnknown);
        const int length = static_cast<int>(ib::readLittleEndian(reply.data() + 1, 2));
        if (length < 1 || length > 4 || reply.size() < 3 + static_cast<size_t>(length))
            throw Exception(schemamsg::DialectUnknown);
        return static_cast<unsigned>(ib::readLittleEndian(reply.data() + 3, length));
    }

    ib::Attachment m_att;
    ib::Transaction m_tr;
    unsigned m_dialect = 3;
};

}  // namespace

QString describeObjects(const QList<SchemaObject>& objects)
{
    QStringList parts;
    for (const SchemaObject& o : objects)
        parts << QString::fromUtf8(schemamsg::ObjectName).arg(QString::fromUtf8(kindText(o.kind)), o.name);
    return parts.join(QStringLiteral(", "));
}

SchemaState SchemaSurvey::state() const
{
    if (!foreign.isEmpty())
        return SchemaState::Foreign;
    if (ours.isEmpty())
        return SchemaState::NotInstalled;
    return missing.isEmpty() ? SchemaState::Installed : SchemaState::PartlyInstalled;
}

MonitoringSchema::MonitoringSchema(const std::string& script) : m_statements(ib::splitSqlScript(script))
{
    static const QRegularExpression create(QStringLiteral("^CREATE\\s+OR\\s+ALTER\\s+(VIEW|TRIGGER|EXCEPTION|FUNCTION)\\s+([A-Z0-9_$]+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    for (const std::string& statement : m_statements) {
        const QRegularExpressionMatch m = create.match(QString::fromStdString(statement));
        if (!m.hasMatch())
            continue;
        const QString word = m.captured(1).toUpper();
        const ObjectKind kind = word == QLatin1String("VIEW")      ? ObjectKind::View
                                : word == QLatin1String("TRIGGER") ? ObjectKind::Trigger
                                : word == QLatin1String("EXCEPTION") ? ObjectKind::Exception
                                                                     : ObjectKind::Function;
        m_objects << SchemaObject{kind, m.captured(2).toUpper()};
    }
    if (m_objects.isEmpty())
        throw Exception(schemamsg::ScriptHasNoObjects);
}

std::string MonitoringSchema::embeddedScript()
{
    QFile f(QStringLiteral(":/schema/firebird-monitoring-views.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(schemamsg::ScriptMissing);
    return f.readAll().toStdString();
}

SchemaSurvey MonitoringSchema::status(const SchemaConnection& connection) const
{
    Session s(connection, true);
    SchemaSurvey survey;
    s.survey(survey.ours, survey.foreign);
    for (const SchemaObject& o : m_objects)
        if (!survey.ours.contains(o))
            survey.missing << o;
    s.commit();
    return survey;
}

bool MonitoringSchema::install(const SchemaConnection& connection) const
{
    Session s(connection, false);
    if (s.attachment().firebirdVersion().empty())
        throw ERefused(QString::fromUtf8(schemamsg::NotFirebird).arg(connection.database));
    const int ods = s.attachment().odsMajorVersion();
    if (ods < 12)
        throw ERefused(QString::fromUtf8(schemamsg::OdsTooOld).arg(connection.database).arg(ods));
    QList<SchemaObject> ours, foreign;
    s.survey(ours, foreign);
    if (!foreign.isEmpty())
        throw ERefused(QString::fromUtf8(schemamsg::InstallRefused).arg(connection.database, describeObjects(foreign)));
    // objects of an earlier installation that this script no longer makes
    QList<SchemaObject> stale;
    for (const SchemaObject& o : ours)
        if (!m_objects.contains(o))
            stale << o;
    for (ObjectKind kind : {ObjectKind::Trigger, ObjectKind::View, ObjectKind::Function, ObjectKind::Exception})
        for (const SchemaObject& o : stale)
            if (o.kind == kind)
                s.execute("DROP " + std::string(sqlKeyword(kind)) + ' ' + ib::toClientText(o.name));
    for (const std::string& statement : m_statements)
        s.execute(statement);
    s.commit();
    return !ours.isEmpty();
}

bool MonitoringSchema::remove(const SchemaConnection& connection, QList<SchemaObject>& left) const
{
    Session s(connection, false);
    QList<SchemaObject> ours;
    left.clear();
    s.survey(ours, left);
    // what depends on others goes first: objects the script does not know (triggers, views,
    // functions, exceptions), then the script's own in the reverse of their creation
    QList<SchemaObject> order;
    for (ObjectKind kind : {ObjectKind::Trigger, ObjectKind::View, ObjectKind::Function, ObjectKind::Exception})
        for (const SchemaObject& o : ours)
            if (o.kind == kind && !m_objects.contains(o))
                order << o;
    for (auto it = m_objects.crbegin(); it != m_objects.crend(); ++it)
        if (ours.contains(*it))
            order << *it;
    for (const SchemaObject& o : order)
        s.execute("DROP " + std::string(sqlKeyword(o.kind)) + ' ' + ib::toClientText(o.name));
    s.commit();
    return !order.isEmpty();
}

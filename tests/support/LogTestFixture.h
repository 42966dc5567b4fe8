#pragma once
// What the log module's tests share: the module on a connection to a test database, its
// snapshot module beside it, rows read back through an attachment of their own, and a
// temporary current folder for the trace files.

#include "connection/ServerConnectionDM.h"
#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Statement.h"
#include "ib/Transaction.h"
#include "logging/IBPerformanceLogDM.h"
#include "monitor/QuillmereDM.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

struct LogModule {
    TdmServerProperties connection;
    TdmQuillmere dm;
    TdmPerformanceLog log{&connection.IBDatabase};

    explicit LogModule(const TestDatabase& db)
    {
        connection.SetDatabaseName(db.path());
        connection.SetUserName(QStringLiteral("SYSDBA"));
        dm.SetDatabase(&connection.IBDatabase);
        log.SetSnapshotModule(&dm);
        connection.SetConnected(true);
    }
};

// Every row of a query, each value as text; NULL reads "<null>".
inline QList<QStringList> queryRows(const TestDatabase& db, const QString& sql)
{
    ib::Attachment att;
    db.attach(att);
    ib::Transaction tr;
    tr.start(att, ib::readCommittedTpb(true));
    QList<QStringList> rows;
    {
        ib::Statement st;
        st.prepare(att, tr, ib::toClientText(sql));
        st.execute(tr);
        while (st.fetch()) {
            QStringList row;
            for (int c = 0; c < st.columnCount(); ++c) {
                if (st.isNull(c))
                    row << QStringLiteral("<null>");
                else if (st.column(c).type == SQL_BLOB)
                    row << QString::fromStdString(st.blobText(c));
                else
                    row << QString::fromStdString(st.asText(c)).trimmed();
            }
            rows << row;
        }
    }
    tr.commit();
    att.detach();
    return rows;
}

// The columns of a table in field order: name, RDB$FIELD_TYPE, length in characters.
inline QList<QStringList> tableColumns(const TestDatabase& db, const QString& table)
{
    return queryRows(db, QStringLiteral("SELECT RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE, "
                                        "COALESCE(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_LENGTH), RF.RDB$NULL_FLAG "
                                        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = "
                                        "RF.RDB$FIELD_SOURCE WHERE RF.RDB$RELATION_NAME = '%1' "
                                        "ORDER BY RF.RDB$FIELD_POSITION")
                                 .arg(table));
}

// The process's current folder moved to a fresh temporary folder for the object's lifetime.
class TemporaryCurrentFolder {
public:
    TemporaryCurrentFolder() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~TemporaryCurrentFolder() { QDir::setCurrent(m_previous); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

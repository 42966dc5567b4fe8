#pragma once
// The monitoring views of schema/firebird-monitoring-views.sql as one unit that is installed,
// removed and surveyed in a database, each in one transaction. The objects it consists of are
// read from the script itself (its CREATE OR ALTER statements); the objects of a database that
// belong to it are those whose description begins with "Quillmere:".

#include "common/Exception.h"

#include <QList>
#include <QString>

#include <string>
#include <vector>

// The database and the credentials to attach with; empty values are not sent.
struct SchemaConnection {
    QString database;
    QString user;
    QString password;
    QString role;
};

// A refusal: the database holds something that the command will not touch.
class ERefused : public Exception {
public:
    using Exception::Exception;
};

enum class ObjectKind { Table, View, Trigger, Exception, Function, Procedure, Generator };

struct SchemaObject {
    ObjectKind kind;
    QString name;
    bool operator==(const SchemaObject&) const = default;
};

// "view TMP$POOLS, table TMP$DATABASE", for the texts.
QString describeObjects(const QList<SchemaObject>& objects);

enum class SchemaState { Installed, NotInstalled, PartlyInstalled, Foreign };

struct SchemaSurvey {
    QList<SchemaObject> ours;     // objects of the views present in the database
    QList<SchemaObject> foreign;  // TMP$ objects that are not the views'
    QList<SchemaObject> missing;  // objects of the script that the database lacks
    SchemaState state() const;
};

class MonitoringSchema {
public:
    // The script's text; throws when it creates no objects.
    explicit MonitoringSchema(const std::string& script);
    // The views script built into the program.
    static std::string embeddedScript();

    // The objects the script creates, in the order it creates them.
    const QList<SchemaObject>& objects() const { return m_objects; }

    SchemaSurvey status(const SchemaConnection& connection) const;
    // Creates the views, replacing those of an earlier installation (and dropping objects of an
    // earlier installation that the script no longer creates). Throws ERefused, changing nothing,
    // when the database holds foreign TMP$ objects. True when an earlier installation was there.
    bool install(const SchemaConnection& connection) const;
    // Drops every object of the views; foreign TMP$ objects stay and are returned in `left`.
    // False when there was nothing to drop.
    bool remove(const SchemaConnection& connection, QList<SchemaObject>& left) const;

private:
    std::vector<std::string> m_statements;
    QList<SchemaObject> m_objects;
};

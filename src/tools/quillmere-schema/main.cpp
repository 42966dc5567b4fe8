// quillmere-schema: installs, removes and reports the monitoring views that let Quillmere monitor a
// Firebird server (schema/firebird-monitoring-views.sql, built into the program).

#include "MonitoringSchema.h"
#include "SchemaMessages.h"

#include "common/CommandLine.h"
#include "common/Messages.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace {

using cmdline::EUsage;

enum ExitCode { Done = 0, Failed = 1, WrongArguments = 2, ForeignObjects = 3, NotInstalled = 4, PartlyInstalled = 5 };

enum class Command { Install, Remove, Status };

struct Arguments {
    Command command = Command::Status;
    SchemaConnection connection;
};

QString text(const char* message) { return QString::fromUtf8(message); }

void print(const QString& line) { cmdline::printLine(stdout, line); }

Arguments parse(const QStringList& args)
{
    Arguments a;
    std::optional<QString> command, database;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg.startsWith(QLatin1String("--"))) {
            const QString name = cmdline::optionName(arg);
            QString* target = name == QLatin1String("--user")       ? &a.connection.user
                              : name == QLatin1String("--password") ? &a.connection.password
                              : name == QLatin1String("--role")     ? &a.connection.role
                                                                    : nullptr;
            if (!target)
                cmdline::unknownOption(arg);
            *target = cmdline::optionValue(args, i);
            continue;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            cmdline::unknownOption(arg);
        if (!command)
            command = arg;
        else if (!database)
            database = arg;
        else
            throw EUsage(text(msg::CommandLineTooManyArguments).arg(arg));
    }
    if (!command)
        throw EUsage(text(schemamsg::NoCommand));
    if (*command == QLatin1String("install"))
        a.command = Command::Install;
    else if (*command == QLatin1String("remove"))
        a.command = Command::Remove;
    else if (*command == QLatin1String("status"))
        a.command = Command::Status;
    else
        throw EUsage(text(schemamsg::UnknownCommand).arg(*command));
    if (!database || database->isEmpty())
        throw EUsage(text(schemamsg::NoDatabase));
    a.connection.database = *database;
    return a;
}

int run(const Arguments& a)
{
    const MonitoringSchema schema(MonitoringSchema::embeddedScript());
    const QString& db = a.connection.database;
    switch (a.command) {
    case Command::Install:
        print(text(schema.install(a.connection) ? schemamsg::Reinstalled : schemamsg::Installed).arg(db));
        return Done;
    case Command::Remove: {
        QList<SchemaObject> left;
        print(text(schema.remove(a.connection, left) ? schemamsg::Removed : schemamsg::NothingToRemove).arg(db));
        if (!left.isEmpty())
            print(text(schemamsg::ForeignObjectsLeft).arg(describeObjects(left)));
        return Done;
    }
    case Command::Status: {
        const SchemaSurvey survey = schema.status(a.connection);
        switch (survey.state()) {
        case SchemaState::Installed: print(text(schemamsg::StatusInstalled).arg(db)); return Done;
        case SchemaState::NotInstalled: print(text(schemamsg::StatusNotInstalled).arg(db)); return NotInstalled;
        case SchemaState::PartlyInstalled:
            print(text(schemamsg::StatusPartly).arg(db, describeObjects(survey.missing)));
            return PartlyInstalled;
        case SchemaState::Foreign:
            print(text(schemamsg::ForeignObjects).arg(db, describeObjects(survey.foreign)));
            return ForeignObjects;
        }
        break;
    }
    }
    return Failed;
}

}  // namespace

int main(int argc, char** argv)
{
    return cmdline::runTool(
        argc, argv, {"quillmere-schema", schemamsg::Help}, [](const QStringList& args) { return run(parse(args)); },
        [](const Exception& e) { return dynamic_cast<const ERefused*>(&e) ? ForeignObjects : Failed; });
}

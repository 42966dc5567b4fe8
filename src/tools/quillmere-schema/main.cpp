// quillmere-schema: installs, removes and reports the monitoring views that let Quillmere monitor a
// Firebird server (schema/firebird-monitoring-views.sql, built into the program).

#include "MonitoringSchema.h"
#include "SchemaMessages.h"

#include "common/Exception.h"

#include <QString>
#include <QStringList>

#include <clocale>
#include <cstdio>
#include <optional>

namespace {

enum ExitCode { Done = 0, Failed = 1, WrongArguments = 2, ForeignObjects = 3, NotInstalled = 4, PartlyInstalled = 5 };

class EUsage : public Exception {
public:
    using Exception::Exception;
};

enum class Command { Install, Remove, Status };

struct Arguments {
    bool help = false;
    Command command = Command::Status;
    SchemaConnection connection;
};

QString text(const char* message) { return QString::fromUtf8(message); }

void print(std::FILE* to, const QString& line)
{
    std::fputs(line.toUtf8().constData(), to);
    std::fputc('\n', to);
}

Arguments parse(const QStringList& args)
{
    Arguments a;
    std::optional<QString> command, database;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            a.help = true;
            return a;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? arg : arg.left(eq);
            QString* target = name == QLatin1String("--user")       ? &a.connection.user
                              : name == QLatin1String("--password") ? &a.connection.password
                              : name == QLatin1String("--role")     ? &a.connection.role
                                                                    : nullptr;
            if (!target)
                throw EUsage(text(schemamsg::UnknownOption).arg(name));
            if (eq >= 0)
                *target = arg.mid(eq + 1);
            else if (i + 1 < args.size())
                *target = args[++i];
            else
                throw EUsage(text(schemamsg::OptionNeedsValue).arg(name));
            continue;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            throw EUsage(text(schemamsg::UnknownOption).arg(arg));
        if (!command)
            command = arg;
        else if (!database)
            database = arg;
        else
            throw EUsage(text(schemamsg::TooManyArguments).arg(arg));
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
        print(stdout, text(schema.install(a.connection) ? schemamsg::Reinstalled : schemamsg::Installed).arg(db));
        return Done;
    case Command::Remove: {
        QList<SchemaObject> left;
        print(stdout, text(schema.remove(a.connection, left) ? schemamsg::Removed : schemamsg::NothingToRemove).arg(db));
        if (!left.isEmpty())
            print(stdout, text(schemamsg::ForeignObjectsLeft).arg(describeObjects(left)));
        return Done;
    }
    case Command::Status: {
        const SchemaSurvey survey = schema.status(a.connection);
        switch (survey.state()) {
        case SchemaState::Installed: print(stdout, text(schemamsg::StatusInstalled).arg(db)); return Done;
        case SchemaState::NotInstalled: print(stdout, text(schemamsg::StatusNotInstalled).arg(db)); return NotInstalled;
        case SchemaState::PartlyInstalled:
            print(stdout, text(schemamsg::StatusPartly).arg(db, describeObjects(survey.missing)));
            return PartlyInstalled;
        case SchemaState::Foreign:
            print(stdout, text(schemamsg::ForeignObjects).arg(db, describeObjects(survey.foreign)));
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
    // the client library converts file names from the locale's character set: without this the
    // program would run in the "C" locale, and a path with non-ASCII characters would not open
    std::setlocale(LC_ALL, "");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        const Arguments a = parse(args);
        if (a.help) {
            std::fputs(schemamsg::Help, stdout);
            return Done;
        }
        return run(a);
    } catch (const EUsage& e) {
        print(stderr, text(schemamsg::Failed).arg(e.message()));
        print(stderr, text(schemamsg::UsageHint));
        return WrongArguments;
    } catch (const ERefused& e) {
        print(stderr, text(schemamsg::Failed).arg(e.message()));
        return ForeignObjects;
    } catch (const Exception& e) {
        print(stderr, text(schemamsg::Failed).arg(e.message()));
        return Failed;
    } catch (const std::exception& e) {
        print(stderr, text(schemamsg::Failed).arg(QString::fromLocal8Bit(e.what())));
        return Failed;
    }
}

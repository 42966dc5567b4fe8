#include "RecorderOptions.h"

#include "RecorderMessages.h"

namespace {

QString text(const char* message) { return QString::fromUtf8(message); }

int number(const QString& option, const QString& value, int least)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < least)
        throw EUsage(text(recordermsg::NotANumber).arg(option).arg(least).arg(value));
    return n;
}

}  // namespace

RecorderOptions RecorderOptions::parse(const QStringList& args, const QString& iscUser, const QString& iscPassword)
{
    RecorderOptions o;
    o.user = iscUser;
    o.password = iscPassword;
    static const QStringList valued = {QStringLiteral("--user"),           QStringLiteral("--password"),
                                       QStringLiteral("--role"),           QStringLiteral("--interval"),
                                       QStringLiteral("--store"),          QStringLiteral("--retention-days"),
                                       QStringLiteral("--retention-mb"),   QStringLiteral("--metrics"),
                                       QStringLiteral("--duration")};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            o.help = true;
            return o;
        }
        if (arg == QLatin1String("--version")) {
            o.version = true;
            return o;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? arg : arg.left(eq);
            if (!valued.contains(name))
                throw EUsage(text(recordermsg::UnknownOption).arg(name));
            QString value;
            if (eq >= 0)
                value = arg.mid(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw EUsage(text(recordermsg::OptionNeedsValue).arg(name));
            if (name == QLatin1String("--user"))
                o.user = value;
            else if (name == QLatin1String("--password"))
                o.password = value;
            else if (name == QLatin1String("--role"))
                o.role = value;
            else if (name == QLatin1String("--interval"))
                o.intervalSeconds = number(name, value, 1);
            else if (name == QLatin1String("--store"))
                o.store = value;
            else if (name == QLatin1String("--retention-days"))
                o.retention.days = number(name, value, 1);
            else if (name == QLatin1String("--retention-mb"))
                o.retention.megabytes = number(name, value, 1);
            else if (name == QLatin1String("--duration"))
                o.durationSeconds = number(name, value, 1);
            else {  // --metrics HOST:PORT
                const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
                bool ok = false;
                const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
                if (!ok || port < 1 || port > 65535)
                    throw EUsage(text(recordermsg::NotAnAddress).arg(value));
                o.metricsHost = value.left(colon);
                o.metricsPort = port;
            }
            continue;
        }
        if (!o.database.isEmpty())
            throw EUsage(text(recordermsg::TooManyArguments).arg(arg));
        o.database = arg;
    }
    if (o.database.isEmpty())
        throw EUsage(text(recordermsg::NoDatabase));
    return o;
}

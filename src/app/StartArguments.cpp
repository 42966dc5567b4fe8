#include "app/StartArguments.h"

#include "common/Messages.h"

#include <array>

namespace {

// QApplication's own options (with one or two dashes), which it takes out of the arguments itself.
constexpr std::array<const char*, 14> kQtOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "session", "display", "geometry", "title", "name", "style", "stylesheet"};
constexpr std::array<const char*, 6> kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync", "qmljsdebugger"};

bool among(const QString& name, const auto& names)
{
    for (const char* n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

}  // namespace

const cmdline::Program& quillmereProgram()
{
    static const cmdline::Program program{"quillmere", msg::ProgramHelp};
    return program;
}

StartArguments parseStartArguments(const QStringList& args)
{
    StartArguments start;
    bool optionsEnd = false;
    bool databaseGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!optionsEnd && arg == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            QString name = cmdline::optionName(arg).mid(1);
            if (name.startsWith(QLatin1Char('-')))
                name.remove(0, 1);
            if (among(name, kQtOptionsWithValue))
                cmdline::optionValue(args, i);
            else if (!among(name, kQtFlags))
                cmdline::unknownOption(arg);
            continue;
        }
        if (databaseGiven)
            throw cmdline::EUsage(QString::fromUtf8(msg::CommandLineTooManyArguments).arg(arg));
        databaseGiven = true;
        start.databaseName = arg;
    }
    return start;
}

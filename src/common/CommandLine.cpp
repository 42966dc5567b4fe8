#include "common/CommandLine.h"

#include "common/Messages.h"

#include <algorithm>
#include <clocale>
#include <exception>

namespace cmdline {

namespace {

QString T(const char* text) { return QString::fromUtf8(text); }

bool isHelp(const QString& arg) { return arg == QLatin1String("--help") || arg == QLatin1String("-h"); }

// The usage lines of the help text: the part before its first empty line.
QString usageOf(const Program& program)
{
    const QString help = T(program.help);
    const qsizetype end = help.indexOf(QLatin1String("\n\n"));
    return end < 0 ? help.trimmed() : help.left(end);
}

int wrongArguments(const Program& program, const EUsage& e)
{
    const QString name = QString::fromUtf8(program.name);
    printLine(stderr, T(msg::CommandLineFailed).arg(name, e.message()));
    printLine(stderr, usageOf(program));
    printLine(stderr, T(msg::CommandLineHelpHint).arg(name));
    return WrongArguments;
}

}  // namespace

QStringList arguments(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

QString versionText(const char* programName)
{
    return T(msg::CommandLineVersion).arg(QString::fromUtf8(programName), QStringLiteral(QUILLMERE_VERSION),
                                          QStringLiteral(QUILLMERE_COPYRIGHT));
}

void printLine(std::FILE* to, const QString& text)
{
    std::fputs(text.toUtf8().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

QString optionName(const QString& arg)
{
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    return eq < 0 ? arg : arg.left(eq);
}

QString optionValue(const QStringList& args, qsizetype& i)
{
    const QString& arg = args[i];
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    if (eq >= 0)
        return arg.mid(eq + 1);
    if (i + 1 >= args.size())
        throw EUsage(T(msg::CommandLineOptionNeedsValue).arg(arg));
    return args[++i];
}

void unknownOption(const QString& arg) { throw EUsage(T(msg::CommandLineUnknownOption).arg(optionName(arg))); }

std::optional<int> answerCommandLine(const Program& program, const QStringList& args,
                                     const std::function<void(const QStringList&)>& parse)
{
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    const QStringList options = end < 0 ? args : args.first(end);
    if (std::any_of(options.begin(), options.end(), isHelp)) {
        std::fputs(program.help, stdout);
        std::fflush(stdout);
        return Done;
    }
    if (options.contains(QStringLiteral("--version"))) {
        printLine(stdout, versionText(program.name));
        return Done;
    }
    try {
        if (parse)
            parse(args);
    } catch (const EUsage& e) {
        return wrongArguments(program, e);
    }
    return std::nullopt;
}

int runTool(int argc, char** argv, const Program& program, const std::function<int(const QStringList&)>& run,
            const std::function<int(const Exception&)>& statusOf)
{
    // the client library converts file names from the locale's character set: without this the
    // program would run in the "C" locale, and a path with non-ASCII characters would not open
    std::setlocale(LC_ALL, "");
    const QStringList args = arguments(argc, argv);
    if (const std::optional<int> answered = answerCommandLine(program, args, {}))
        return *answered;
    const QString name = QString::fromUtf8(program.name);
    try {
        return run(args);
    } catch (const EUsage& e) {
        return wrongArguments(program, e);
    } catch (const Exception& e) {
        printLine(stderr, T(msg::CommandLineFailed).arg(name, e.message()));
        return statusOf ? statusOf(e) : Failed;
    } catch (const std::exception& e) {
        printLine(stderr, T(msg::CommandLineFailed).arg(name, QString::fromLocal8Bit(e.what())));
        return Failed;
    }
}

}  // namespace cmdline

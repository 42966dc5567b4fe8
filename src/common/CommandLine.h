#pragma once
// The command line of Quillmere's programs, alike for all of them: --help prints the program's help
// text to standard output and --version its name, version and licence, both before anything else
// happens (no display, no database is needed) and with exit status 0. A wrong argument prints the
// reason, the usage and a hint at --help to standard error and ends the program with exit status 2.

#include "common/Exception.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <optional>

namespace cmdline {

enum ExitStatus { Done = 0, Failed = 1, WrongArguments = 2 };

// A wrong argument; its message says what is wrong with it.
class EUsage : public Exception {
public:
    using Exception::Exception;
};

struct Program {
    const char* name;  // as it is installed: "quillmere-schema"
    // The text of --help (UTF-8): the usage lines ("Usage: ..."), an empty line, the rest. A wrong
    // argument prints the usage lines, the part before the first empty line.
    const char* help;
};

// The arguments after the program's name, decoded from the locale's character set.
QStringList arguments(int argc, char** argv);

// An option "--name=value" or "--name value" at args[i]: its name, the part before "=".
QString optionName(const QString& arg);
// Its value: the part after "=", or the next argument (i then moves on to it). Raises EUsage when
// there is none.
QString optionValue(const QStringList& args, qsizetype& i);
// Raises EUsage for an option that is not known (an argument beginning with "-" other than "-").
[[noreturn]] void unknownOption(const QString& arg);

// The text of --version: "NAME VERSION", the copyright and the licence, one item a line.
QString versionText(const char* programName);

// Writes text and a line break to the stream, in UTF-8, and flushes it.
void printLine(std::FILE* to, const QString& text);

// Answers the command line before the program starts: --help or -h (wherever it stands before
// "--"), else --version, prints its text and gives 0; otherwise parse checks the arguments and
// raises EUsage for a wrong one, which is printed and gives 2. Nothing (go on) when the arguments
// are right.
std::optional<int> answerCommandLine(const Program& program, const QStringList& args,
                                     const std::function<void(const QStringList&)>& parse);

// The main function of a command-line tool: sets the locale (the client library converts file names
// from it), answers --help and --version, then runs run with the arguments. An EUsage that run
// raises gives 2 as above; any other error "NAME: message" on standard error and the exit status
// that statusOf gives for it (1 without one).
int runTool(int argc, char** argv, const Program& program, const std::function<int(const QStringList&)>& run,
            const std::function<int(const Exception&)>& statusOf = {});

}  // namespace cmdline

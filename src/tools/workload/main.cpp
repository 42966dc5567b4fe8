// quillmere-workload: keeps a database busy for the demo (see Workload.h), sets up its tables,
// and remembers the demo database in Quillmere's settings file.

#include "DemoDatabase.h"
#include "DemoSettings.h"
#include "Workload.h"

#include "common/CommandLine.h"
#include "common/Messages.h"

#include <QString>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>

#include <pthread.h>

namespace {

const char* const kHelp =
    "Usage: quillmere-workload DATABASE [--user NAME] [--password PASSWORD] [--seconds N]\n"
    "  or:  quillmere-workload --setup [--create] DATABASE [--user NAME] [--password PASSWORD]\n"
    "  or:  quillmere-workload --remember-in FILE DATABASE [--user NAME] [--password PASSWORD]\n"
    "\n"
    "Keeps a database busy for Quillmere's demo with five clients, each in a thread of its own\n"
    "with an attachment of its own:\n"
    "  long-query    counts a large cross join (tens of seconds), again and again (read committed)\n"
    "  stock-check   calls the slow procedure QM_STOCK_CHECK in a transaction held open (snapshot)\n"
    "  orders        places orders through QM_PLACE_ORDER, committed in batches (read committed)\n"
    "  sales-report  sums the orders now and then in a transaction held open (snapshot)\n"
    "  regions       a cursor fetched one row a second in a transaction held open (table stability)\n"
    "Only the newest 2000 orders are kept. It runs for --seconds (3600 unless given) or until\n"
    "SIGINT or SIGTERM, then cancels what runs, detaches and ends with exit status 0.\n"
    "\n"
    "--setup creates the tables QM_REGIONS, QM_PRODUCTS and QM_ORDERS, their rows, the generator\n"
    "QM_ORDER_NUMBERS and the two procedures where they are missing, and ends; with --create it\n"
    "creates the database first (dialect 3).\n"
    "\n"
    "--remember-in FILE makes DATABASE, with user name and password, the first remembered\n"
    "connection of Quillmere's connect dialog in the settings file FILE (the demo's is\n"
    "quillmere.ini beside the program in the build folder), and ends; the file's other entries\n"
    "stay.\n"
    "\n"
    "DATABASE is a name as Quillmere takes it (127.0.0.1/3050:/path/demo.fdb). Without --user and\n"
    "--password the client library uses ISC_USER and ISC_PASSWORD.\n"
    "\n"
    "Options:\n"
    "  --user NAME          user name\n"
    "  --password PASSWORD  password\n"
    "  --seconds N          how long the workload runs (3600 unless given)\n"
    "  --setup              creates the demo's tables and procedures, and ends\n"
    "  --create             with --setup: creates the database first\n"
    "  --remember-in FILE   remembers DATABASE in Quillmere's settings file FILE, and ends\n"
    "  -h, --help           shows this help and ends\n"
    "  --version            shows the version and the licence and ends\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  failed\n"
    "  2  wrong arguments\n";

using cmdline::Done;
using cmdline::EUsage;

struct Arguments {
    bool setup = false;
    bool create = false;
    QString rememberIn;
    int seconds = 3600;
    WorkloadConnection connection;
};

void print(std::FILE* to, const QString& line) { cmdline::printLine(to, line); }

Arguments parse(const QStringList& args)
{
    Arguments a;
    std::optional<QString> database;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--setup")) {
            a.setup = true;
            continue;
        }
        if (arg == QLatin1String("--create")) {
            a.create = true;
            continue;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            const QString name = cmdline::optionName(arg);
            if (name != QLatin1String("--user") && name != QLatin1String("--password") &&
                name != QLatin1String("--seconds") && name != QLatin1String("--remember-in"))
                cmdline::unknownOption(arg);
            const QString value = cmdline::optionValue(args, i);
            if (name == QLatin1String("--user"))
                a.connection.user = value;
            else if (name == QLatin1String("--password"))
                a.connection.password = value;
            else if (name == QLatin1String("--remember-in"))
                a.rememberIn = value;
            else {
                bool ok = false;
                a.seconds = value.toInt(&ok);
                if (!ok || a.seconds < 1)
                    throw EUsage(QStringLiteral("--seconds needs a whole number of seconds above 0, not \"%1\"").arg(value));
            }
            continue;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            cmdline::unknownOption(arg);
        if (database)
            throw EUsage(QString::fromUtf8(msg::CommandLineTooManyArguments).arg(arg));
        database = arg;
    }
    if (!database || database->isEmpty())
        throw EUsage(QStringLiteral("no database given"));
    if (a.create && !a.setup)
        throw EUsage(QStringLiteral("--create goes with --setup"));
    if (a.setup && !a.rememberIn.isEmpty())
        throw EUsage(QStringLiteral("--setup and --remember-in are separate runs"));
    a.connection.database = *database;
    return a;
}

// Runs the workload until the time is up or SIGINT or SIGTERM arrives. The signals are blocked in
// every thread (the clients' threads inherit the mask) and taken here by sigtimedwait.
int runWorkload(const Arguments& a)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Workload workload(a.connection, WorkloadOptions{}, [](const QString& line) { print(stderr, QStringLiteral("quillmere-workload: ") + line); });
    workload.start();
    print(stdout, QStringLiteral("quillmere-workload: %1 for at most %2 s: %3")
                      .arg(a.connection.database)
                      .arg(a.seconds)
                      .arg(workload.description()));

    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += a.seconds;
    int received = 0;
    for (;;) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec))
            break;
        timespec left{deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec};
        if (left.tv_nsec < 0) {
            left.tv_nsec += 1'000'000'000;
            --left.tv_sec;
        }
        const int got = sigtimedwait(&stopSignals, nullptr, &left);
        if (got > 0) {
            received = got;
            break;
        }
    }
    print(stdout, received ? QStringLiteral("quillmere-workload: %1, stopping").arg(QLatin1String(received == SIGINT ? "SIGINT" : "SIGTERM"))
                           : QStringLiteral("quillmere-workload: time is up, stopping"));
    workload.stop();
    print(stdout, QStringLiteral("quillmere-workload: stopped"));
    return Done;
}

}  // namespace

int main(int argc, char** argv)
{
    return cmdline::runTool(argc, argv, {"quillmere-workload", kHelp}, [](const QStringList& args) -> int {
        const Arguments a = parse(args);
        if (!a.rememberIn.isEmpty()) {
            rememberConnection(a.rememberIn, a.connection);
            print(stdout, QStringLiteral("quillmere-workload: %1 remembered in %2").arg(a.connection.database, a.rememberIn));
            return Done;
        }
        if (a.setup) {
            if (a.create)
                createDemoDatabase(a.connection);
            setupDemoDatabase(a.connection);
            print(stdout, QStringLiteral("quillmere-workload: the demo tables and procedures are in %1").arg(a.connection.database));
            return Done;
        }
        return runWorkload(a);
    });
}

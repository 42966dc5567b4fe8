// quillmere-workload: keeps a database busy for the demo (see Workload.h), sets up its tables,
// and remembers the demo database in Quillmere's settings file.

#include "DemoDatabase.h"
#include "DemoSettings.h"
#include "Workload.h"

#include "common/Exception.h"

#include <QString>
#include <QStringList>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>

#include <pthread.h>

namespace {

const char* const kHelp =
    "usage: quillmere-workload DATABASE [--user NAME] [--password PASSWORD] [--seconds N]\n"
    "       quillmere-workload --setup [--create] DATABASE [--user NAME] [--password PASSWORD]\n"
    "       quillmere-workload --remember-in FILE DATABASE [--user NAME] [--password PASSWORD]\n"
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
    "--remember-in FILE makes DATABASE, with user name and password, the first remembered\n"
    "connection of Quillmere's connect dialog in the settings file FILE (quillmere.ini beside the\n"
    "program), and ends; the file's other entries stay.\n"
    "\n"
    "DATABASE is a name as Quillmere takes it (127.0.0.1/3050:/path/demo.fdb). Without --user and\n"
    "--password the client library uses ISC_USER and ISC_PASSWORD.\n"
    "Exit status: 0 done, 1 failed, 2 wrong arguments.\n";

enum ExitCode { Done = 0, Failed = 1, WrongArguments = 2 };

class EUsage : public Exception {
public:
    using Exception::Exception;
};

struct Arguments {
    bool help = false;
    bool setup = false;
    bool create = false;
    QString rememberIn;
    int seconds = 3600;
    WorkloadConnection connection;
};

void print(std::FILE* to, const QString& line)
{
    std::fputs(line.toUtf8().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

Arguments parse(const QStringList& args)
{
    Arguments a;
    std::optional<QString> database;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            a.help = true;
            return a;
        }
        if (arg == QLatin1String("--setup")) {
            a.setup = true;
            continue;
        }
        if (arg == QLatin1String("--create")) {
            a.create = true;
            continue;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? arg : arg.left(eq);
            QString value;
            if (name != QLatin1String("--user") && name != QLatin1String("--password") &&
                name != QLatin1String("--seconds") && name != QLatin1String("--remember-in"))
                throw EUsage(QStringLiteral("unknown option %1").arg(name));
            if (eq >= 0)
                value = arg.mid(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw EUsage(QStringLiteral("%1 needs a value").arg(name));
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
            throw EUsage(QStringLiteral("unknown option %1").arg(arg));
        if (database)
            throw EUsage(QStringLiteral("one database only: %1").arg(arg));
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
    // the client library converts file names from the locale's character set: without this the
    // program would run in the "C" locale, and a path with non-ASCII characters would not open
    std::setlocale(LC_ALL, "");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        const Arguments a = parse(args);
        if (a.help) {
            std::fputs(kHelp, stdout);
            return Done;
        }
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
    } catch (const EUsage& e) {
        print(stderr, QStringLiteral("quillmere-workload: %1").arg(e.message()));
        print(stderr, QStringLiteral("quillmere-workload --help tells how to use it"));
        return WrongArguments;
    } catch (const Exception& e) {
        print(stderr, QStringLiteral("quillmere-workload: %1").arg(e.message()));
        return Failed;
    } catch (const std::exception& e) {
        print(stderr, QStringLiteral("quillmere-workload: %1").arg(QString::fromLocal8Bit(e.what())));
        return Failed;
    }
}

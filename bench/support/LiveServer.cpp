#include "support/LiveServer.h"

#include "common/Exception.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : kStopSignals)
        sigaddset(&set, s);
    return set;
}

// The release of the private server: 3 is Debian's Firebird (scripts/fbserver), 4 and 5 the servers
// built from the release sources (../shared/fbserver-release RELEASE). Set once, before start.
std::atomic<int> g_release = 3;

// Runs the server script of g_release with an empty signal mask and the default handling of every signal that
// this process may have changed; its standard output is returned, its standard error goes to
// ours. The exit status is in `status` (-1 when it could not run).
std::string runScript(const char* command, const std::string& folder, int& status)
{
    status = -1;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGCHLD, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int release = g_release;
    const std::string script = release == 3 ? QUILLMERE_SOURCE_DIR "/scripts/fbserver"
                                            : QUILLMERE_SOURCE_DIR "/../shared/fbserver-release";
    std::string releaseText = std::to_string(release);
    std::vector<char*> argv{const_cast<char*>(script.c_str())};
    if (release != 3)
        argv.push_back(releaseText.data());
    argv.insert(argv.end(), {const_cast<char*>(command), const_cast<char*>(folder.c_str()), nullptr});
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, script.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(out[1]);
    std::string text;
    if (rc == 0) {
        char buffer[256];
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                text.append(buffer, static_cast<size_t>(n));
            else if (errno != EINTR)
                break;
        }
        int wstatus = 0;
        while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    }
    close(out[0]);
    return text;
}

// The folder of the running server, for the watcher; empty when none runs.
std::mutex g_runningMutex;
std::string g_runningFolder;
std::string g_rootFolder;

std::atomic<int> g_signal = 0;

// On a stop signal the server is stopped at once, so that whatever the program waits for fails
// and it unwinds and ends by itself; should it not have ended a while later, the folder is
// removed and the process ends here.
void watchStopSignals()
{
    static std::once_flag started;
    std::call_once(started, [] {
        std::thread([] {
            const sigset_t set = stopSignals();
            int signal = 0;
            while (sigwait(&set, &signal) != 0) {
            }
            g_signal = signal;
            std::fprintf(stderr, "\nlive_tick: signal %d: stopping the private server\n", signal);
            std::string folder;
            {
                std::lock_guard lock(g_runningMutex);
                folder = g_runningFolder;
            }
            if (!folder.empty()) {
                int status = 0;
                runScript("stop", folder, status);
            }
            std::this_thread::sleep_for(std::chrono::seconds(20));
            std::string root;
            {
                std::lock_guard lock(g_runningMutex);
                root = g_rootFolder;
            }
            if (!root.empty()) {
                std::error_code ignored;
                std::filesystem::remove_all(root, ignored);
            }
            std::fflush(nullptr);
            _exit(128 + signal);
        }).detach();
    });
}

// utime + stime (clock ticks) from a /proc stat line; -1 when it cannot be read.
long long cpuTicks(const QString& statFile)
{
    QFile f(statFile);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = f.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    // after the command: state (field 3) ... utime (14), stime (15)
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong();
}

std::map<int, long long> threadTicks(qint64 pid)
{
    std::map<int, long long> ticks;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& name : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const long long t = cpuTicks(tasks.filePath(name) + QStringLiteral("/stat"));
        if (t >= 0)
            ticks[name.toInt()] = t;
    }
    return ticks;
}

const double kMsPerTick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));

}  // namespace

LiveServer::LiveServer(int release) : m_folder(m_root.filePath(QStringLiteral("server")))
{
    if (release < 3 || release > 5)
        throw Exception(QStringLiteral("there is no private server of Firebird release %1 (3, 4 or 5)").arg(release));
    g_release = release;
    if (!m_root.isValid())
        throw Exception(QStringLiteral("cannot create a temporary folder for the private server"));
    std::lock_guard lock(g_runningMutex);
    g_rootFolder = m_root.path().toStdString();
}

LiveServer::~LiveServer()
{
    stop();
    std::lock_guard lock(g_runningMutex);
    g_rootFolder.clear();
}

int LiveServer::stopSignal() { return g_signal; }

void LiveServer::blockStopSignals()
{
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

long LiveServer::raiseFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return static_cast<long>(limit.rlim_cur);
}

void LiveServer::start()
{
    watchStopSignals();
    const std::string folder = m_folder.toStdString();
    {
        // from here on an interrupt stops the server, also one that is still starting
        std::lock_guard lock(g_runningMutex);
        g_runningFolder = folder;
    }
    m_running = true;
    int status = 0;
    const std::string port = runScript("start", folder, status);
    if (status != 0)
        throw Exception(QStringLiteral("the server script's start %1 failed (exit status %2)").arg(m_folder).arg(status));
    qputenv("QUILLMERE_TEST_SERVER_DIR", m_folder.toUtf8());
    m_server = std::make_unique<TestServer>();
    if (m_server->port() != std::atoi(port.c_str()))
        throw Exception(QStringLiteral("the server script printed port %1, its folder holds %2")
                            .arg(QString::fromStdString(port).trimmed())
                            .arg(m_server->port()));
}

void LiveServer::stop() noexcept
{
    if (!m_running)
        return;
    int status = 0;
    runScript("stop", m_folder.toStdString(), status);
    if (status != 0)
        std::fprintf(stderr, "live_tick: the server script's stop %s failed (exit status %d)\n", qPrintable(m_folder), status);
    m_running = false;
    std::lock_guard lock(g_runningMutex);
    g_runningFolder.clear();
}

double LiveServer::cpuMs(const std::vector<int>& excludedThreads) const
{
    const qint64 pid = m_server->pid();
    long long ticks = cpuTicks(QStringLiteral("/proc/%1/stat").arg(pid));
    if (ticks < 0)
        throw Exception(QStringLiteral("the server's /proc/%1/stat cannot be read").arg(pid));
    for (int tid : excludedThreads) {
        const long long t = cpuTicks(QStringLiteral("/proc/%1/task/%2/stat").arg(pid).arg(tid));
        if (t > 0)
            ticks -= t;
    }
    return static_cast<double>(ticks) * kMsPerTick;
}

std::vector<int> LiveServer::busiestThreads(int count, int ms) const
{
    const qint64 pid = m_server->pid();
    const std::map<int, long long> before = threadTicks(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    const std::map<int, long long> after = threadTicks(pid);
    std::vector<std::pair<long long, int>> used;
    for (const auto& [tid, t] : after) {
        const auto b = before.find(tid);
        const long long delta = t - (b == before.end() ? 0 : b->second);
        if (static_cast<double>(delta) * kMsPerTick >= ms / 20.0)
            used.push_back({delta, tid});
    }
    std::sort(used.rbegin(), used.rend());
    std::vector<int> out;
    for (size_t i = 0; i < used.size() && static_cast<int>(i) < count; ++i)
        out.push_back(used[i].second);
    return out;
}

#include "app/SignalHandling.h"

#include "ib/CallWatchdog.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int HandledSignals[] = {SIGTERM, SIGINT};

// The pipe from the handler to the notifier, and the one to the thread that aborts the calls held by
// a silent server; -1 while no handling exists.
int readEnd = -1;
int writeEnd = -1;
int abortReadEnd = -1;
int abortWriteEnd = -1;
// what the aborting thread reads when the handling ends
constexpr char StopAborting = 0;

extern "C" void onSignal(int signalNumber)
{
    // only what is safe in a signal handler: two writes, errno left as it was
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] ssize_t written = ::write(writeEnd, &byte, 1);
    written = ::write(abortWriteEnd, &byte, 1);
    errno = savedErrno;
}

void abortOnSignal(int fd)
{
    char byte = StopAborting;
    while (true) {
        const ssize_t got = ::read(fd, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == StopAborting)
            return;
        ib::CallWatchdog::abortAll();
    }
}

bool handledHere(int signalNumber)
{
    struct sigaction current = {};
    return ::sigaction(signalNumber, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == onSignal;
}
}  // namespace

SignalHandling::SignalHandling(QWidget* window, QObject* parent) : QObject(parent), m_window(window)
{
    Q_ASSERT(readEnd < 0);
    int ends[2];
    int abortEnds[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // without a pipe the signals keep whatever handling they have
    // the aborting thread blocks in its read; the handler's write never blocks
    if (::pipe2(abortEnds, O_CLOEXEC) != 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    ::fcntl(abortEnds[1], F_SETFL, O_NONBLOCK);
    readEnd = ends[0];
    writeEnd = ends[1];
    abortReadEnd = abortEnds[0];
    abortWriteEnd = abortEnds[1];
    m_aborter = std::thread(abortOnSignal, abortReadEnd);
    m_notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { signalled(); });
    install();
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &SignalHandling::reassert);
}

SignalHandling::~SignalHandling()
{
    if (readEnd < 0)
        return;
    for (int signalNumber : HandledSignals)
        if (handledHere(signalNumber))
            std::signal(signalNumber, SIG_DFL);
    delete m_notifier;
    const char stop = StopAborting;
    while (::write(abortWriteEnd, &stop, 1) < 0 && errno == EINTR) {
    }
    m_aborter.join();
    for (int fd : {readEnd, writeEnd, abortReadEnd, abortWriteEnd})
        ::close(fd);
    readEnd = writeEnd = abortReadEnd = abortWriteEnd = -1;
}

bool SignalHandling::isInstalled()
{
    for (int signalNumber : HandledSignals)
        if (!handledHere(signalNumber))
            return false;
    return true;
}

void SignalHandling::install()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : HandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

void SignalHandling::reassert()
{
    // two system calls per wait of the event loop
    if (!isInstalled())
        install();
}

void SignalHandling::signalled()
{
    char bytes[64];
    while (::read(readEnd, bytes, sizeof bytes) > 0) {
    }
    // File > Exit, then the end of every event loop: a modal window open at this moment (the
    // connect dialog, a message box) would otherwise keep the program running
    if (m_window)
        m_window->close();
    QCoreApplication::exit(0);
}

#pragma once
// SIGTERM and SIGINT end the program the way File > Exit does: the main window is closed (its
// options are written and the connection closes with it), and every event loop ends, modal ones
// included. The signal handler itself only writes the signal's number to a pipe; a notifier on
// the pipe's other end does the work on the user-interface thread.
//
// The client library puts its own handler in place of ours at its first attach (successful or
// not): that handler shuts every attachment down and leaves the process running. The handling is
// therefore asserted again whenever the event loop is about to wait, so the signals are the
// program's own again from the first wait after an attach on.
//
// A signal may come while the user-interface thread is held by a call to a server that has fallen
// silent, which the call watchdog would end only at its bound: a thread of the handling's own then
// aborts the connection's calls at once (ib::CallWatchdog::abortAll), so that the thread is free to
// close the window. (An attach or a Services call waits in an event loop of its own, which the
// signal ends as it ends every other.)

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <thread>

class QSocketNotifier;

class SignalHandling : public QObject {
    Q_OBJECT
public:
    // One at a time; window is what a signal closes.
    explicit SignalHandling(QWidget* window, QObject* parent = nullptr);
    ~SignalHandling() override;  // both signals get their default action back

    // Whether both signals reach this handling now.
    static bool isInstalled();

private:
    static void install();
    static void reassert();
    void signalled();

    QPointer<QWidget> m_window;
    QSocketNotifier* m_notifier = nullptr;
    std::thread m_aborter;  // aborts the calls held by a silent server

};

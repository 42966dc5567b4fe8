#pragma once
// The one path of every error that leaves a command, a timer tick, a dialog's handler or an event:
// nothing is reported where it is raised; it is handed to the installed handler (the main
// window's error list), or, while none is installed, to the fallback the application gives (a
// message box). Windows and dialogs report through here, so that none depends on the application
// object.

#include <QObject>

#include <functional>
#include <utility>

class Exception;

namespace errors {

using Handler = std::function<void(const Exception&)>;

// The handler of unhandled errors; none restores the fallback.
void setHandler(Handler handler);
// What reports while no handler is installed.
void setFallback(Handler fallback);
// Hands an error to the installed handler (silent aborts are dropped).
void report(const std::exception& error);

// Runs work and reports whatever it raises, after the exception has been left behind, so that
// nothing unwinds through Qt's signal machinery (buttons, actions, timers, close handling).
void runGuarded(const std::function<void()>& work);
// Runs work and reports whatever it raises once control is back in the event loop, after the
// running slot has returned (dropped when context has gone by then). For a timer's slot: Qt fires
// a timer again only after its slot has returned, so an error list opened inside the slot would
// hold back the timer's ticks until it closed.
void runGuardedReportingLater(QObject* context, const std::function<void()>& work);

}  // namespace errors

// A slot that runs work through errors::runGuarded; for connect() with any signal.
template <class Work>
auto guarded(Work work)
{
    return [work = std::move(work)]() { errors::runGuarded(work); };
}

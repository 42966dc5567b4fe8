#pragma once
// A call of the client library that may stall with nothing to cancel it by: an attach (there is no
// handle yet for the cancel entry point) and the Services calls (whose handles it does not take).
// A server, or anything between it and us, that answers the first packet and then falls silent
// holds such a call for as long as it likes.
//
// So such a call runs on a thread of its own, and the calling thread waits for it at most the call
// watchdog's bound. On the application's thread the wait keeps the event loop running (the window
// repaints, timers tick, a SIGTERM closes the program); user input is held back until the call
// has ended, so that no command starts in the middle of it. When the wait ends first, the call is
// abandoned: it goes on on its thread and, once it returns, releases there whatever it got. What
// the call works on must therefore belong to the call (shared with the caller), never to the caller.

#include "common/Exception.h"

#include <functional>

namespace ib {

class BoundedCall {
public:
    enum class Outcome {
        Returned,  // the call returned within the bound; what it wrote is the caller's to read
        TimedOut,  // the bound passed first
        Quit,      // the application was told to quit while the call ran
    };
    // Runs work on a thread of its own and waits for it. When the wait ends first, release runs on
    // that thread after work has returned.
    static Outcome run(std::function<void()> work, std::function<void()> release);

    // For a call that has not returned: raises ENoAnswer after a timeout, EAbort when the
    // application quits.
    static void raise(Outcome outcome);
};

// A call that the server did not answer within the bound; the call has been abandoned.
class ENoAnswer : public Exception {
public:
    ENoAnswer();
};

}  // namespace ib

#pragma once
// The application: dispatches every error that leaves an event handler to the installed handler.

#include <QApplication>

#include <functional>
#include <utility>

class Exception;

class QuillmereApplication : public QApplication {
    Q_OBJECT
public:
    QuillmereApplication(int& argc, char** argv);

    using ErrorHandler = std::function<void(const Exception&)>;
    // The handler of unhandled errors; none restores the default reporting.
    static void setErrorHandler(ErrorHandler handler);
    // Hands an error to the installed handler (silent aborts are dropped).
    static void reportError(const std::exception& error);

    // Runs work and reports whatever it raises, after the exception has been left behind, so that
    // nothing unwinds through Qt's signal machinery (buttons, actions, timers, close handling).
    static void runGuarded(const std::function<void()>& work);
    // Runs work and reports whatever it raises once control is back in the event loop, after the
    // running slot has returned (dropped when context has gone by then). For a timer's slot: Qt
    // fires a timer again only after its slot has returned, so an error list opened inside the
    // slot would hold back the timer's ticks until it closed.
    static void runGuardedReportingLater(QObject* context, const std::function<void()>& work);

    // The application's help file (the main help page).
    static void setHelpFile(const QString& fileName);
    static QString helpFile();

    bool notify(QObject* receiver, QEvent* event) override;
};

// A slot that runs work through QuillmereApplication::runGuarded; for connect() with any signal.
template <class Work>
auto guarded(Work work)
{
    return [work = std::move(work)]() { QuillmereApplication::runGuarded(work); };
}

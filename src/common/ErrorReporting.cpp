#include "common/ErrorReporting.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <QDebug>

#include <optional>

namespace {
errors::Handler& installed()
{
    static errors::Handler h;
    return h;
}

errors::Handler& fallback()
{
    static errors::Handler h;
    return h;
}

// Runs work; returns what it raised as an Exception, or nothing (also for the silent abort).
std::optional<Exception> caught(const std::function<void()>& work)
{
    try {
        work();
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        return e;
    } catch (const std::exception& e) {
        return Exception(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return Exception(msg::UnknownError);
    }
    return std::nullopt;
}
}  // namespace

namespace errors {

void setHandler(Handler handler) { installed() = std::move(handler); }

void setFallback(Handler handler) { fallback() = std::move(handler); }

void report(const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    const auto* e = dynamic_cast<const Exception*>(&error);
    const Exception copy = e ? *e : Exception(QString::fromLocal8Bit(error.what()));
    // a copy of the handler: the handler may be replaced while its window is open
    const Handler current = installed() ? installed() : fallback();
    if (current)
        current(copy);
    else
        qWarning().noquote() << copy.message();
}

void runGuarded(const std::function<void()>& work)
{
    // reported after leaving the catch block, so that the handler may run a window of its own
    if (const std::optional<Exception> error = caught(work))
        report(*error);
}

void runGuardedReportingLater(QObject* context, const std::function<void()>& work)
{
    if (std::optional<Exception> error = caught(work))
        QMetaObject::invokeMethod(context, [error = std::move(*error)] { report(error); }, Qt::QueuedConnection);
}

}  // namespace errors

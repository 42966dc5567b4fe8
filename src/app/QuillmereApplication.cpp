#include "app/QuillmereApplication.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <QMessageBox>

#include <optional>

namespace {
QuillmereApplication::ErrorHandler& handler()
{
    static QuillmereApplication::ErrorHandler h;
    return h;
}

QString& helpFileName()
{
    static QString name;
    return name;
}

// Runs work; returns what it raised as an Exception, or nothing (also for the silent abort).
template <class Work>
std::optional<Exception> caught(Work&& work)
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

QuillmereApplication::QuillmereApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void QuillmereApplication::setErrorHandler(ErrorHandler h) { handler() = std::move(h); }

void QuillmereApplication::reportError(const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    const auto* e = dynamic_cast<const Exception*>(&error);
    const Exception copy = e ? *e : Exception(QString::fromLocal8Bit(error.what()));
    // a copy of the handler: the handler may be replaced while its window is open
    const ErrorHandler current = handler();
    if (current)
        current(copy);
    else
        QMessageBox::critical(nullptr, applicationDisplayName(), copy.message());
}

void QuillmereApplication::runGuarded(const std::function<void()>& work)
{
    // reported after leaving the catch block, so that the handler may run a window of its own
    if (const std::optional<Exception> error = caught(work))
        reportError(*error);
}

void QuillmereApplication::runGuardedReportingLater(QObject* context, const std::function<void()>& work)
{
    if (std::optional<Exception> error = caught(work))
        QMetaObject::invokeMethod(context, [error = std::move(*error)] { reportError(error); }, Qt::QueuedConnection);
}

void QuillmereApplication::setHelpFile(const QString& fileName) { helpFileName() = fileName; }

QString QuillmereApplication::helpFile() { return helpFileName(); }

bool QuillmereApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    if (const std::optional<Exception> error = caught([&] { result = QApplication::notify(receiver, event); })) {
        reportError(*error);
        return false;
    }
    return result;
}

#include "app/QuillmereApplication.h"

#include "common/Exception.h"

#include <QMessageBox>

#include <optional>

namespace {
QuillmereApplication::ErrorHandler& handler()
{
    static QuillmereApplication::ErrorHandler h;
    return h;
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
    if (handler())
        handler()(copy);
    else
        QMessageBox::critical(nullptr, applicationName(), copy.message());
}

bool QuillmereApplication::notify(QObject* receiver, QEvent* event)
{
    std::optional<Exception> error;
    try {
        return QApplication::notify(receiver, event);
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        error = e;
    } catch (const std::exception& e) {
        error = Exception(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        error = Exception("Internal error: an unknown error occurred.");
    }
    // reported after leaving the catch block, so that the handler may run a window of its own
    reportError(*error);
    return false;
}

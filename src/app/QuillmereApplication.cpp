#include "app/QuillmereApplication.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"

#include <QMessageBox>


namespace {
QString& helpFileName()
{
    static QString name;
    return name;
}
}  // namespace

QuillmereApplication::QuillmereApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // while no window has installed its handler, an error shows in a message box of its own
    errors::setFallback(
        [](const Exception& e) { QMessageBox::critical(nullptr, applicationDisplayName(), e.message()); });
}

QuillmereApplication::~QuillmereApplication() { errors::setFallback({}); }

void QuillmereApplication::setErrorHandler(ErrorHandler h) { errors::setHandler(std::move(h)); }

void QuillmereApplication::reportError(const std::exception& error) { errors::report(error); }

void QuillmereApplication::runGuarded(const std::function<void()>& work) { errors::runGuarded(work); }

void QuillmereApplication::runGuardedReportingLater(QObject* context, const std::function<void()>& work)
{
    errors::runGuardedReportingLater(context, work);
}

void QuillmereApplication::setHelpFile(const QString& fileName) { helpFileName() = fileName; }

QString QuillmereApplication::helpFile() { return helpFileName(); }

bool QuillmereApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    errors::runGuarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

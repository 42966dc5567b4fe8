#pragma once
// The application: dispatches every error that leaves an event handler to the installed handler
// (common/ErrorReporting.h, through which the windows report), and shows one in a message box
// while no handler is installed.

#include "common/ErrorReporting.h"

#include <QApplication>

#include <functional>

class QuillmereApplication : public QApplication {
    Q_OBJECT
public:
    QuillmereApplication(int& argc, char** argv);
    ~QuillmereApplication() override;

    // The error path of common/ErrorReporting.h, by the application's name.
    using ErrorHandler = errors::Handler;
    static void setErrorHandler(ErrorHandler handler);
    static void reportError(const std::exception& error);
    static void runGuarded(const std::function<void()>& work);
    static void runGuardedReportingLater(QObject* context, const std::function<void()>& work);

    // The application's help file (the main help page).
    static void setHelpFile(const QString& fileName);
    static QString helpFile();

    bool notify(QObject* receiver, QEvent* event) override;
};

#pragma once
// The application: dispatches every error that leaves an event handler to the installed handler.

#include <QApplication>

#include <functional>

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

    bool notify(QObject* receiver, QEvent* event) override;
};

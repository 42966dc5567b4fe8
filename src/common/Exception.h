#pragma once
// The program's error types. Every error is an exception carrying a message text; nothing is
// reported where it is raised (the application's error handler shows the message).

#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(const QString& message);
    explicit Exception(const char* utf8Message);
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// The silent abort: ends an operation without any message.
class EAbort : public Exception {
public:
    EAbort() : Exception(QString()) {}
};

// Raised by the entry checks of dialogs.
class EInvalidEntry : public Exception {
public:
    using Exception::Exception;
};

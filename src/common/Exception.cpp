#include "common/Exception.h"

Exception::Exception(const QString& message) : m_message(message), m_utf8(message.toStdString()) {}

Exception::Exception(const char* utf8Message) : Exception(QString::fromUtf8(utf8Message)) {}

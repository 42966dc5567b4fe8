#pragma once
// A failed call of the client library: the library's full message text, SQLCODE and engine code.

#include "common/Exception.h"

#include <ibase.h>

namespace ib {

class EIBError : public Exception {
public:
    EIBError(const QString& message, long sqlCode, long engineCode)
        : Exception(message), m_sqlCode(sqlCode), m_engineCode(engineCode) {}
    long sqlCode() const { return m_sqlCode; }
    long engineCode() const { return m_engineCode; }

private:
    long m_sqlCode;
    long m_engineCode;
};

// Throws EIBError built from the status vector when it holds an error.
void checkStatus(const ISC_STATUS* status);
bool failed(const ISC_STATUS* status);
EIBError errorFromStatus(const ISC_STATUS* status);

}  // namespace ib

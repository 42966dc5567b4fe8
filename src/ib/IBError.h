#pragma once
// A failed call of the client library: the library's full message text, SQLCODE and engine code.

#include "common/Exception.h"

#include <ibase.h>

#include <algorithm>
#include <vector>

namespace ib {

class EIBError : public Exception {
public:
    EIBError(const QString& message, long sqlCode, long engineCode)
        : Exception(message), m_sqlCode(sqlCode), m_engineCode(engineCode), m_codes{engineCode} {}
    long sqlCode() const { return m_sqlCode; }
    long engineCode() const { return m_engineCode; }
    // Every engine code of the status vector, the first (engineCode) first.
    const std::vector<long>& codes() const { return m_codes; }
    bool hasCode(long code) const { return std::find(m_codes.begin(), m_codes.end(), code) != m_codes.end(); }
    // Whether the call watchdog aborted the failed call: the server did not answer in time.
    bool abortedByWatchdog() const { return m_abortedByWatchdog; }

private:
    friend EIBError errorFromStatus(const ISC_STATUS* status);
    long m_sqlCode;
    long m_engineCode;
    std::vector<long> m_codes;
    bool m_abortedByWatchdog = false;
};

// Throws EIBError built from the status vector when it holds an error.
void checkStatus(const ISC_STATUS* status);
bool failed(const ISC_STATUS* status);
EIBError errorFromStatus(const ISC_STATUS* status);

}  // namespace ib

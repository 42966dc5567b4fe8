#include "ib/IBError.h"

#include "common/Messages.h"
#include "ib/CallWatchdog.h"
#include "ib/ClientLibrary.h"

#include <QStringList>

namespace ib {

bool failed(const ISC_STATUS* status) { return status[0] == 1 && status[1] != 0; }

EIBError errorFromStatus(const ISC_STATUS* status)
{
    ClientLibrary& lib = ClientLibrary::instance();
    QStringList lines;
    const ISC_STATUS* p = status;
    char buffer[1024];
    while (lib.fb_interpret(buffer, sizeof buffer, &p) > 0)
        lines << QString::fromLocal8Bit(buffer);
    if (lines.isEmpty())
        lines << QString::fromUtf8(msg::UnknownClientError);
    const long sqlCode = lib.isc_sqlcode(status);
    EIBError error(lines.join(QLatin1Char('\n')), sqlCode, static_cast<long>(status[1]));
    // the codes after the first: every isc_arg_gds of the vector (the other arguments take one
    // slot, a counted string two)
    for (const ISC_STATUS* q = status + 2; q < status + ISC_STATUS_LENGTH - 1 && *q != isc_arg_end;
         q += (*q == isc_arg_cstring ? 3 : 2))
        if (*q == isc_arg_gds)
            error.m_codes.push_back(static_cast<long>(q[1]));
    error.m_abortedByWatchdog = CallWatchdog::lastCallAborted();
    return error;
}

void checkStatus(const ISC_STATUS* status)
{
    if (failed(status))
        throw errorFromStatus(status);
}

}  // namespace ib

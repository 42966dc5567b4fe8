#include "ib/IBError.h"

#include "common/Messages.h"
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
    return EIBError(lines.join(QLatin1Char('\n')), sqlCode, static_cast<long>(status[1]));
}

void checkStatus(const ISC_STATUS* status)
{
    if (failed(status))
        throw errorFromStatus(status);
}

}  // namespace ib

#include "connection/DatabaseName.h"

#include "common/Exception.h"
#include "common/Messages.h"

DatabaseNameParts ClassifyDatabaseName(const QString& name)
{
    DatabaseNameParts parts;
    if (name.startsWith(QLatin1String("\\\\"))) {
        parts.protocol = ServicesProtocol::NamedPipe;
        const qsizetype slash = name.indexOf(QLatin1Char('\\'), 2);
        // without a further backslash there is neither a server name nor a path
        if (slash >= 0) {
            parts.serverName = name.mid(2, slash - 2);
            parts.databasePath = name.mid(slash + 1);
        }
        return parts;
    }
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        // An absolute path of this system's own kind ("/data/emp.fdb") is a local database; a
        // drive letter gives Windows paths their colon, Unix paths have none.
        if (name.startsWith(QLatin1Char('/'))) {
            parts.protocol = ServicesProtocol::Local;
            parts.databasePath = name;
            return parts;
        }
        throw Exception(msg::CannotDetermineProtocol);
    }
    const QString after = name.mid(colon + 1);
    if (after.contains(QLatin1Char(':')) || after.startsWith(QLatin1Char('/'))) {
        parts.protocol = ServicesProtocol::TCP;
        parts.serverName = name.left(colon);
        parts.databasePath = after;
        return parts;
    }
    const qsizetype at = name.left(colon + 1).indexOf(QLatin1Char('@'));
    if (at >= 0) {
        // server@volume:path — the server is the text before "@" and the path on that server is
        // what follows it, so that "server@service_mgr" names the server's service manager.
        parts.protocol = ServicesProtocol::SPX;
        parts.serverName = name.left(at);
        parts.databasePath = name.mid(at + 1);
        return parts;
    }
    parts.protocol = ServicesProtocol::Local;
    parts.databasePath = name;
    return parts;
}

QString ServiceManagerName(ServicesProtocol protocol, const QString& serverName)
{
    switch (protocol) {
    case ServicesProtocol::TCP: return serverName + QLatin1String(":service_mgr");
    case ServicesProtocol::SPX: return serverName + QLatin1String("@service_mgr");
    case ServicesProtocol::NamedPipe: return QLatin1String("\\\\") + serverName + QLatin1String("\\service_mgr");
    case ServicesProtocol::Local: return QStringLiteral("service_mgr");
    }
    return QStringLiteral("service_mgr");
}

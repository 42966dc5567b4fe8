#include "connection/DatabaseName.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

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

namespace {
// Whether a server name (a host, and maybe "/port") is this machine.
bool isThisMachine(QString server)
{
    server = server.section(QLatin1Char('/'), 0, 0).toLower();
    return server == QLatin1String("localhost") || server.startsWith(QLatin1String("127.")) ||
           server == QLatin1String("::1") || server == QLatin1String("[::1]");
}

// The path that the client library, or the server on this machine, opens for a database name;
// empty when another machine resolves it (or only the server knows where it is: an alias).
QString pathResolvedHere(const QString& name)
{
    if (name.startsWith(QLatin1String("\\\\")))
        return {};  // a named pipe: a path on another machine
    for (const char* scheme : {"inet://", "inet4://", "inet6://"}) {
        if (name.startsWith(QLatin1String(scheme))) {
            // inet://host[:port]/path
            const QString rest = name.mid(static_cast<qsizetype>(std::strlen(scheme)));
            const qsizetype slash = rest.indexOf(QLatin1Char('/'));
            return slash > 0 && isThisMachine(rest.left(slash).section(QLatin1Char(':'), 0, 0)) ? rest.mid(slash) : QString();
        }
    }
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return name;  // a local path, relative to the current folder as for the library
    const QString after = name.mid(colon + 1);
    if (after.contains(QLatin1Char(':')) || after.startsWith(QLatin1Char('/')) ||
        name.left(colon + 1).contains(QLatin1Char('@'))) {
        // TCP (or SPX): the server resolves the path; where the server is this machine, its
        // absolute paths are ours
        return isThisMachine(name.left(colon)) && after.startsWith(QLatin1Char('/')) ? after : QString();
    }
    return name;  // a drive letter's colon: a local path
}
}  // namespace

void CheckDatabaseName(const QString& name)
{
    if (name.trimmed().isEmpty())
        throw Exception(msg::DatabaseNameEmpty);
    // A name that is not there may be an alias, which only the library or the server knows; a
    // loop of symbolic links is refused.
    const QString path = pathResolvedHere(name);
    if (path.isEmpty())
        return;
    struct stat status = {};
    const QByteArray bytes = path.toUtf8();  // the bytes the client library gets (ib::toClientText)
    if (::stat(bytes.constData(), &status) != 0 && errno == ELOOP)
        throw Exception(QString::fromUtf8(msg::DatabaseNameUnresolvable).arg(name, QString::fromLocal8Bit(std::strerror(ELOOP))));
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

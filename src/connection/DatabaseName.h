#pragma once
// Classification of a database name into Services protocol, server name and database path.

#include <QString>

enum class ServicesProtocol { TCP, SPX, NamedPipe, Local };

struct DatabaseNameParts {
    ServicesProtocol protocol = ServicesProtocol::Local;
    QString serverName;    // empty for local
    QString databasePath;  // the path on the server
};

// Throws Exception "Internal error: Cannot determine protocol type from Database Name." for a
// name that is neither a named-pipe name nor holds a colon.
DatabaseNameParts ClassifyDatabaseName(const QString& databaseName);

// Refuses, before the client library sees it, a name that it must not get: an empty or blank name,
// and a path that loops through symbolic links, where it is resolved on this machine (a local
// path, or an absolute path on a server at localhost or 127.x): the client library recurses on
// such a name until the process crashes, and so does a Firebird 3 server. Paths on other machines
// are theirs to resolve. Throws Exception with a text that says what is wrong.
void CheckDatabaseName(const QString& databaseName);

// The service manager's name for a protocol and server name.
QString ServiceManagerName(ServicesProtocol protocol, const QString& serverName);

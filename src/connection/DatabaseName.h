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

// The service manager's name for a protocol and server name.
QString ServiceManagerName(ServicesProtocol protocol, const QString& serverName);

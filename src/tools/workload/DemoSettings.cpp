#include "DemoSettings.h"

#include "common/Exception.h"
#include "common/RememberedConnections.h"
#include "connection/DatabaseName.h"
#include "common/SettingsFile.h"

#include <QList>

QString databaseFileOf(const QString& databaseName)
{
    // the connection's own reading of a name; an alias (no server, no path) stands for itself
    try {
        return ClassifyDatabaseName(databaseName).databasePath;
    } catch (const Exception&) {
        return databaseName;
    }
}

void rememberConnection(const QString& settingsFile, const WorkloadConnection& connection)
{
    SettingsFile file(settingsFile);
    QList<RememberedConnection> entries = remembered::readEntries(file);
    const int before = int(entries.size());
    // the demo server listens on another port each time: an older entry for the file goes
    const QString demoFile = databaseFileOf(connection.database);
    entries.removeIf([&](const RememberedConnection& e) { return databaseFileOf(e.DatabaseName) == demoFile; });
    entries.prepend({connection.database, connection.user.toUpper(), connection.password, QString(),
                     QStringLiteral("NONE")});
    while (entries.size() > remembered::MaxEntries)
        entries.removeLast();
    // numbers no longer used are blanked, so that the list ends where it should
    for (int n = 1; n <= qMax(before, int(entries.size())); ++n)
        remembered::writeEntry(file, n, n <= entries.size() ? entries.at(n - 1) : RememberedConnection{});
    remembered::writeOptions(file, true, true);
    file.writeFile();
}

#include "DemoSettings.h"

#include "common/SettingsFile.h"

#include <QList>

namespace {

// The connect dialog's sections and keys.
const QString kOptions = QStringLiteral("ConnectDialogOptions");
const QString kDatabases = QStringLiteral("DatabaseNames");
const QString kUsers = QStringLiteral("UserNames");
const QString kPasswords = QStringLiteral("Passwords");
const QString kRoles = QStringLiteral("Roles");
const QString kCharacterSets = QStringLiteral("CharacterSets");
constexpr int kMaxRemembered = 10;

struct Entry {
    QString database, user, password, role, characterSet;
};

QString key(const char* prefix, int number) { return QLatin1String(prefix) + QString::number(number); }

}  // namespace

QString databaseFileOf(const QString& databaseName)
{
    // "host:path", "host/port:path"; a local path begins with "/" or has no colon
    const qsizetype colon = databaseName.indexOf(QLatin1Char(':'));
    if (colon <= 0 || databaseName.startsWith(QLatin1Char('/')))
        return databaseName;
    return databaseName.mid(colon + 1);
}

void rememberConnection(const QString& settingsFile, const WorkloadConnection& connection)
{
    SettingsFile file(settingsFile);
    QList<Entry> entries;
    for (int n = 1; n <= kMaxRemembered; ++n) {
        const QString name = file.readString(kDatabases, key("Database", n), QString());
        if (name.isEmpty())
            break;
        entries.append({name, file.readString(kUsers, key("UserName", n), QString()),
                        file.readString(kPasswords, key("Password", n), QString()),
                        file.readString(kRoles, key("Role", n), QString()),
                        file.readString(kCharacterSets, key("CharacterSet", n), QStringLiteral("NONE"))});
    }
    const int before = int(entries.size());
    const QString demoFile = databaseFileOf(connection.database);
    entries.removeIf([&](const Entry& e) { return databaseFileOf(e.database) == demoFile; });
    entries.prepend({connection.database, connection.user.toUpper(), connection.password, QString(), QStringLiteral("NONE")});
    while (entries.size() > kMaxRemembered)
        entries.removeLast();

    for (int n = 1; n <= qMax(before, int(entries.size())); ++n) {
        const bool kept = n <= entries.size();
        const Entry e = kept ? entries.at(n - 1) : Entry{};
        file.writeString(kDatabases, key("Database", n), e.database);
        file.writeString(kUsers, key("UserName", n), e.user);
        file.writeString(kPasswords, key("Password", n), e.password);
        file.writeString(kRoles, key("Role", n), e.role);
        file.writeString(kCharacterSets, key("CharacterSet", n), e.characterSet);
    }
    file.writeBool(kOptions, QStringLiteral("RememberDatabase"), true);
    file.writeBool(kOptions, QStringLiteral("RememberUsername"), true);
    file.writeFile();
}

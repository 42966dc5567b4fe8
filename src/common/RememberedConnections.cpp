#include "common/RememberedConnections.h"

#include "common/Messages.h"
#include "common/SettingsFile.h"

namespace {
const QString kOptionsSection = QStringLiteral("ConnectDialogOptions");
const QString kRememberDatabaseKey = QStringLiteral("RememberDatabase");
const QString kRememberUsernameKey = QStringLiteral("RememberUsername");
const QString kDatabaseNamesSection = QStringLiteral("DatabaseNames");
const QString kUserNamesSection = QStringLiteral("UserNames");
const QString kPasswordsSection = QStringLiteral("Passwords");
const QString kRolesSection = QStringLiteral("Roles");
const QString kCharacterSetsSection = QStringLiteral("CharacterSets");

QString entryKey(const char* prefix, int number) { return QLatin1String(prefix) + QString::number(number); }
}  // namespace

namespace remembered {

QList<RememberedConnection> readEntries(const SettingsFile& file)
{
    QList<RememberedConnection> entries;
    for (int n = 1; n <= MaxEntries; ++n) {
        const QString name = file.readString(kDatabaseNamesSection, entryKey("Database", n), QString());
        if (name.isEmpty())
            break;
        entries.append({name, file.readString(kUserNamesSection, entryKey("UserName", n), QString()),
                        file.readString(kPasswordsSection, entryKey("Password", n), QString()),
                        file.readString(kRolesSection, entryKey("Role", n), QString()),
                        file.readString(kCharacterSetsSection, entryKey("CharacterSet", n),
                                        QLatin1String(msg::ConnectDefaultCharacterSet))});
    }
    return entries;
}

void writeEntry(SettingsFile& file, int number, const RememberedConnection& entry)
{
    file.writeString(kDatabaseNamesSection, entryKey("Database", number), entry.DatabaseName);
    file.writeString(kUserNamesSection, entryKey("UserName", number), entry.UserName);
    file.writeString(kPasswordsSection, entryKey("Password", number), entry.Password);
    file.writeString(kRolesSection, entryKey("Role", number), entry.Role);
    file.writeString(kCharacterSetsSection, entryKey("CharacterSet", number), entry.CharacterSet);
}

bool readRememberDatabase(const SettingsFile& file) { return file.readBool(kOptionsSection, kRememberDatabaseKey, false); }

bool readRememberUsername(const SettingsFile& file) { return file.readBool(kOptionsSection, kRememberUsernameKey, false); }

void writeOptions(SettingsFile& file, bool rememberDatabase, bool rememberUsername)
{
    file.writeBool(kOptionsSection, kRememberDatabaseKey, rememberDatabase);
    file.writeBool(kOptionsSection, kRememberUsernameKey, rememberUsername);
}

}  // namespace remembered

#pragma once
// The connect dialog's remembered connections as the settings file holds them: entry n (from 1)
// is key "Database<n>" of section DatabaseNames, with its user name, password, role and character
// set under the same number in their own sections; the list ends at the first number without a
// database name. The two choices of the dialog are in ConnectDialogOptions. One place for the
// layout, so that whatever writes an entry (the dialog, the demo) writes one the dialog reads.

#include <QList>
#include <QString>

class SettingsFile;

// One remembered connection.
struct RememberedConnection {
    QString DatabaseName;
    QString UserName;
    QString Password;
    QString Role;
    QString CharacterSet;
};

namespace remembered {

inline constexpr int MaxEntries = 10;

// The entries in stored order, at most MaxEntries; a missing character set reads as "NONE".
QList<RememberedConnection> readEntries(const SettingsFile& file);
// Writes entry number (from 1); an empty entry blanks the number's keys.
void writeEntry(SettingsFile& file, int number, const RememberedConnection& entry);

bool readRememberDatabase(const SettingsFile& file);
bool readRememberUsername(const SettingsFile& file);
void writeOptions(SettingsFile& file, bool rememberDatabase, bool rememberUsername);

}  // namespace remembered

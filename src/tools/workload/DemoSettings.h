#pragma once
// The demo's entry among the connect dialog's remembered connections (the sections DatabaseNames,
// UserNames, Passwords, Roles and CharacterSets of the settings file, keys Database1 to
// Database10 and so on, most recent first; see connectdialog/ConnectDlg.cpp).

#include "WorkloadSession.h"

#include <QString>

// Makes the connection the most recent remembered one, with its user name and password, and turns
// on Remember Database and Remember User name and Password, so that picking it in the dialog fills
// every field. The other entries keep their order behind it (the oldest falls off beyond ten),
// except those of the same database file on any server, which it replaces: the demo's server
// takes another port on every start. The rest of the file stays as it is.
void rememberConnection(const QString& settingsFile, const WorkloadConnection& connection);

// The file of a database name: "/db/a.fdb" of "127.0.0.1/3050:/db/a.fdb" and of "/db/a.fdb".
QString databaseFileOf(const QString& databaseName);

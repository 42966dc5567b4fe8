#pragma once
// A closed Firebird database file edited in place, so that tests meet the numbers of an old, busy
// database: attachment ids and transaction numbers past 2^32. Only the on-disk structures of
// Firebird 3 (ODS 12) and 4.0/5.0 (ODS 13) are known here; any other file is refused untouched.

#include <QString>

namespace dbfile {

// Waits (up to half a minute) until the process no longer holds the file open, as a server
// holds a database until its last attachment has gone; false when it still does.
bool waitUntilClosed(qint64 pid, const QString& path);

// Sets the next attachment id in the header page: the next attachment gets it, the ones after
// it the numbers that follow. An empty text on success, else what went wrong.
QString setNextAttachmentId(const QString& path, quint64 next);

// Moves the transaction counters of a fresh database (fewer transactions than one transaction
// inventory page holds) to next: the next transaction gets it, and the oldest interesting,
// oldest active and oldest snapshot are the three before it. The engine finds the inventory
// page of a transaction through RDB$PAGES, so the record of the database's one inventory page
// is changed to the sequence that those numbers need (the record is written again in the data
// page's free space); the states of the transactions before them are no longer
// kept, which a test database does not need. The engine holds 4 bytes per inventory page up to
// that sequence, so numbers far past 2^32 cost memory and time at every attach (2^45: 1 GB and
// some 18 s). An empty text on success, else what went wrong.
QString setNextTransaction(const QString& path, quint64 next);

}  // namespace dbfile

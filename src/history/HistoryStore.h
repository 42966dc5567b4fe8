#pragma once
// The local history store of one monitored database: an SQLite file in the user's data folder
// (~/.local/share/Quillmere/history/), written through the write-ahead log so that readers never
// wait for the writer and a writer killed mid-write leaves a file that opens.
//
// Opening checks that the file is a store (its mark), of a version this program knows, and
// whole enough to read; a store that fails any check is refused with a clear text and left as
// it is. A store belongs to one database (the path the server gives it); recording another
// database into it is refused.
//
// One writer at a time: a writer takes the store's writer mark, a lock on the file beside the
// store (STORE-writer) that the system drops when the process ends however it ends, so a killed
// writer never leaves the store stuck. A second writer learns who holds it.
//
// Retention keeps a number of days and a largest size, removed in small steps (a few dozen
// moments each, in a transaction of its own) so that neither the writer nor a reader waits long.

#include "history/Sqlite.h"

#include <QString>

#include <cstdint>

namespace history {

// The last moment of an object that still lives.
inline constexpr int64_t StillAlive = INT64_MAX;

struct Retention {
    int days = 7;
    int64_t megabytes = 1024;
};

class HistoryStore {
public:
    enum class Mode { Read, Write };
    // Write: the folder and the file are made when missing.
    HistoryStore(const QString& fileName, Mode mode);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const QString& fileName() const { return m_db.fileName(); }
    Mode mode() const { return m_mode; }
    SqliteDb& db() { return m_db; }

    // The database the store belongs to: as its name was given, and the path the server gives it;
    // empty for a store that has recorded nothing yet.
    QString databaseName();
    QString databasePath();
    // Makes a new store the database's; refuses a store that belongs to another database.
    void belongTo(const QString& databaseName, const QString& databasePath);

    // The writer mark: true when taken (or already held); false when another process holds it,
    // whose program and process id holder() then tells.
    bool claim(const QString& program);
    void release() noexcept;
    bool claimed() const { return m_claimFd >= 0; }
    // "quillmere-recorder (process 4711)": the text of the message for a refused claim.
    QString holderProgram() const { return m_holderProgram; }
    qint64 holderPid() const { return m_holderPid; }

    // One step of retention; true when more is to be removed.
    bool pruneStep(const Retention& retention, int64_t nowMs);
    // The bytes the store's pages hold (its free pages not counted).
    int64_t usedBytes();

    // The folder of the stores, and a store's file name for a database name.
    static QString defaultFolder();
    static QString defaultFileName(const QString& databaseName);

private:
    void checkStore();
    QString meta(const char* key);

    SqliteDb m_db;
    Mode m_mode;
    int m_claimFd = -1;
    QString m_holderProgram;
    qint64 m_holderPid = 0;
};

}  // namespace history

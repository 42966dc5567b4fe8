#pragma once
// A small owner of one SQLite connection and its prepared statements (the C library, libsqlite3).
// Every failed call becomes an Exception whose text names the store file and carries SQLite's own
// message; SQLITE_FULL and the read-only codes keep theirs, so a full disk reads as one.

#include "common/Exception.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace history {

// A failure of the store; `code` is SQLite's primary result code (SQLITE_FULL, SQLITE_CORRUPT...).
class EStoreError : public Exception {
public:
    EStoreError(const QString& message, int code) : Exception(message), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

class SqliteDb;

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(SqliteDb& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1, as in SQLite.
    SqliteStatement& bind(int index, int64_t value);
    SqliteStatement& bind(int index, double value);
    SqliteStatement& bind(int index, std::string_view text);       // TEXT
    SqliteStatement& bindBlob(int index, std::string_view bytes);  // BLOB
    SqliteStatement& bindNull(int index);
    SqliteStatement& bind(int index, const std::optional<int64_t>& value);

    // One step: true while a row is there. Reset before the next execution.
    bool step();
    // Steps to the end (a statement without rows), then resets.
    void run();
    void reset();

    bool isNull(int column) const;
    int64_t integer(int column) const;
    std::optional<int64_t> optInteger(int column) const;
    double real(int column) const;
    std::string_view blob(int column) const;  // valid until the next step
    std::string_view text(int column) const;

private:
    SqliteDb* m_db = nullptr;
    sqlite3_stmt* m_st = nullptr;
};

class SqliteDb {
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens the file; create: made when missing. readOnly: never written.
    void open(const QString& fileName, bool create, bool readOnly);
    void close() noexcept;
    bool isOpen() const { return m_db != nullptr; }
    const QString& fileName() const { return m_fileName; }
    sqlite3* handle() const { return m_db; }

    // Runs statements without rows (pragmas, schema).
    void exec(const char* sql);
    // The first column of the first row of a query, nothing when there is no row.
    std::optional<int64_t> scalar(const char* sql);
    int64_t lastInsertId() const;
    int changes() const;

    // Raises the error of the last call, with what was being done.
    [[noreturn]] void fail(int code) const;

private:
    sqlite3* m_db = nullptr;
    QString m_fileName;
};

// A write transaction (BEGIN IMMEDIATE): rolled back unless committed.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDb& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteDb& m_db;
    bool m_open = true;
};

}  // namespace history

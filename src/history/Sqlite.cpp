#include "history/Sqlite.h"

#include "common/Messages.h"
#include "history/HistorySQL.h"

#include <QFile>

#include <cerrno>

#include <sqlite3.h>

namespace history {

namespace {
QString text(const char* message) { return QString::fromUtf8(message); }
}  // namespace

// ---- the connection -----------------------------------------------------------------------------

SqliteDb::~SqliteDb() { close(); }

void SqliteDb::open(const QString& fileName, bool create, bool readOnly)
{
    close();
    m_fileName = fileName;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0)) |
                      SQLITE_OPEN_NOMUTEX;
    const QByteArray name = QFile::encodeName(fileName);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        const int error = db ? sqlite3_system_errno(db) : 0;
        sqlite3_close_v2(db);
        if (error == EROFS || error == EACCES)
            throw EStoreError(text(msg::HistoryStoreReadOnly).arg(fileName), SQLITE_READONLY);
        throw EStoreError(text(msg::HistoryStoreNotOpened).arg(fileName, why), rc & 0xFF);
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    // a file that cannot be written is opened for reading instead: a writer is told at once
    if (!readOnly && sqlite3_db_readonly(m_db, "main") == 1) {
        close();
        throw EStoreError(text(msg::HistoryStoreReadOnly).arg(fileName), SQLITE_READONLY);
    }
}

void SqliteDb::close() noexcept
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void SqliteDb::fail(int code) const
{
    const int primary = code & 0xFF;
    const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    switch (primary) {
    case SQLITE_FULL: throw EStoreError(text(msg::HistoryStoreFull).arg(m_fileName), primary);
    case SQLITE_READONLY: throw EStoreError(text(msg::HistoryStoreReadOnly).arg(m_fileName), primary);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: throw EStoreError(text(msg::HistoryStoreDamaged).arg(m_fileName, why), primary);
    case SQLITE_IOERR:
        // a write refused by the file system: ENOSPC surfaces as a write error on some paths
        if (code == SQLITE_IOERR_WRITE && m_db && sqlite3_system_errno(m_db) == ENOSPC)
            throw EStoreError(text(msg::HistoryStoreFull).arg(m_fileName), SQLITE_FULL);
        break;
    case SQLITE_CANTOPEN:
        if (m_db && (sqlite3_system_errno(m_db) == EROFS || sqlite3_system_errno(m_db) == EACCES))
            throw EStoreError(text(msg::HistoryStoreReadOnly).arg(m_fileName), SQLITE_READONLY);
        break;
    default: break;
    }
    throw EStoreError(text(msg::HistoryStoreFailed).arg(m_fileName, why), primary);
}

void SqliteDb::exec(const char* sql)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

std::optional<int64_t> SqliteDb::scalar(const char* sql)
{
    SqliteStatement st(*this, sql);
    if (!st.step() || st.isNull(0))
        return std::nullopt;
    return st.integer(0);
}

int64_t SqliteDb::lastInsertId() const { return sqlite3_last_insert_rowid(m_db); }

int SqliteDb::changes() const { return sqlite3_changes(m_db); }

// ---- statements ---------------------------------------------------------------------------------

SqliteStatement::SqliteStatement(SqliteDb& db, const char* sql) : m_db(&db)
{
    const int rc = sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &m_st, nullptr);
    if (rc != SQLITE_OK)
        db.fail(rc);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_st); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_st(std::exchange(other.m_st, nullptr))
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_st);
        m_db = std::exchange(other.m_db, nullptr);
        m_st = std::exchange(other.m_st, nullptr);
    }
    return *this;
}

namespace {
void check(SqliteDb* db, int rc)
{
    if (rc != SQLITE_OK)
        db->fail(rc);
}
}  // namespace

SqliteStatement& SqliteStatement::bind(int index, int64_t value)
{
    check(m_db, sqlite3_bind_int64(m_st, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, double value)
{
    check(m_db, sqlite3_bind_double(m_st, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text)
{
    check(m_db, sqlite3_bind_text64(m_st, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

SqliteStatement& SqliteStatement::bindBlob(int index, std::string_view bytes)
{
    check(m_db, sqlite3_bind_blob64(m_st, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    check(m_db, sqlite3_bind_null(m_st, index));
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::optional<int64_t>& value)
{
    return value ? bind(index, *value) : bindNull(index);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_st);
    m_db->fail(rc);
}

void SqliteStatement::run()
{
    while (step()) {
    }
    reset();
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
}

bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(m_st, column) == SQLITE_NULL; }

int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(m_st, column); }

std::optional<int64_t> SqliteStatement::optInteger(int column) const
{
    return isNull(column) ? std::nullopt : std::optional<int64_t>(integer(column));
}

double SqliteStatement::real(int column) const { return sqlite3_column_double(m_st, column); }

std::string_view SqliteStatement::blob(int column) const
{
    const void* p = sqlite3_column_blob(m_st, column);
    const int n = sqlite3_column_bytes(m_st, column);
    return p ? std::string_view(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string_view();
}

std::string_view SqliteStatement::text(int column) const
{
    const unsigned char* p = sqlite3_column_text(m_st, column);
    const int n = sqlite3_column_bytes(m_st, column);
    return p ? std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string_view();
}

// ---- transactions -------------------------------------------------------------------------------

SqliteTransaction::SqliteTransaction(SqliteDb& db) : m_db(db) { m_db.exec(historysql::Begin); }

SqliteTransaction::~SqliteTransaction()
{
    if (m_open)
        sqlite3_exec(m_db.handle(), historysql::Rollback, nullptr, nullptr, nullptr);
}

void SqliteTransaction::commit()
{
    m_db.exec(historysql::Commit);
    m_open = false;
}

}  // namespace history

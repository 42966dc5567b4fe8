#include "history/HistoryStore.h"

#include "common/Messages.h"
#include "history/HistorySQL.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

namespace history {

namespace {
QString text(const char* message) { return QString::fromUtf8(message); }
// How many moments one retention step removes at most.
constexpr int64_t MomentsPerStep = 30;
}  // namespace

HistoryStore::HistoryStore(const QString& fileName, Mode mode) : m_mode(mode)
{
    const bool write = mode == Mode::Write;
    if (write) {
        const QString folder = QFileInfo(fileName).absolutePath();
        if (!QDir().mkpath(folder))
            throw EStoreError(text(msg::HistoryFolderNotMade).arg(folder), SQLITE_CANTOPEN);
    }
    const bool existed = QFileInfo::exists(fileName);
    if (!existed && !write)
        throw EStoreError(text(msg::HistoryStoreNotOpened).arg(fileName, QString::fromUtf8(std::strerror(ENOENT))),
                          SQLITE_CANTOPEN);
    m_db.open(fileName, write, !write);
    try {
        // nothing is changed in a file before it is known to be a store of ours
        m_db.exec(write ? historysql::WriterWait : historysql::ReaderPragmas);
        checkStore();
        if (write)
            m_db.exec(historysql::WriterPragmas);
    } catch (...) {
        m_db.close();
        throw;
    }
}

HistoryStore::~HistoryStore()
{
    release();
    m_db.close();
}

void HistoryStore::checkStore()
{
    const int64_t tables = m_db.scalar(historysql::TableCount).value_or(0);
    const int64_t mark = m_db.scalar(historysql::ReadApplicationId).value_or(0);
    if (tables == 0 && mark == 0) {
        if (m_mode == Mode::Read)
            throw EStoreError(text(msg::HistoryStoreForeign).arg(fileName()), SQLITE_NOTADB);
        // a new store: pages given back to the file system as retention frees them (set before
        // the first table)
        m_db.exec(historysql::IncrementalVacuum);
        SqliteTransaction creation(m_db);
        m_db.exec(historysql::CreateSchema);
        creation.commit();
        return;
    }
    if (mark != historysql::ApplicationId)
        throw EStoreError(text(msg::HistoryStoreForeign).arg(fileName()), SQLITE_NOTADB);
    const int64_t version = m_db.scalar(historysql::ReadSchemaVersion).value_or(0);
    if (version > historysql::SchemaVersion)
        throw EStoreError(text(msg::HistoryStoreNewer).arg(fileName()).arg(version).arg(historysql::SchemaVersion),
                          SQLITE_NOTADB);
    // the moments' span reads the first and the last pages of the largest table: a store cut
    // short fails here rather than in the middle of a recording
    SqliteStatement span(m_db, historysql::Span);
    span.step();
}

QString HistoryStore::meta(const char* key)
{
    SqliteStatement st(m_db, historysql::ReadMeta);
    st.bind(1, std::string_view(key));
    return st.step() ? QString::fromUtf8(st.text(0).data(), static_cast<qsizetype>(st.text(0).size())) : QString();
}

QString HistoryStore::databaseName() { return meta(historysql::MetaDatabaseName); }

QString HistoryStore::databasePath() { return meta(historysql::MetaDatabasePath); }

void HistoryStore::belongTo(const QString& name, const QString& path)
{
    const QString held = databasePath();
    if (!held.isEmpty()) {
        if (held != path)
            throw EStoreError(text(msg::HistoryStoreOtherDatabase).arg(fileName(), databaseName(), name), SQLITE_MISMATCH);
        return;
    }
    SqliteTransaction t(m_db);
    SqliteStatement st(m_db, historysql::WriteMeta);
    st.bind(1, std::string_view(historysql::MetaDatabaseName)).bind(2, name.toStdString()).run();
    st.bind(1, std::string_view(historysql::MetaDatabasePath)).bind(2, path.toStdString()).run();
    t.commit();
}

bool HistoryStore::claim(const QString& program)
{
    if (m_claimFd >= 0)
        return true;
    const QString markName = fileName() + QStringLiteral("-writer");
    const QByteArray name = QFile::encodeName(markName);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        throw EStoreError(text(msg::HistoryWriterMarkFailed).arg(markName, QString::fromLocal8Bit(std::strerror(errno))),
                          SQLITE_CANTOPEN);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // held: the mark's text says by whom
        char buffer[512] = {};
        const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
        ::close(fd);
        const QStringList parts = QString::fromUtf8(buffer, n > 0 ? n : 0).trimmed().split(QLatin1Char('\n'));
        m_holderPid = parts.value(0).toLongLong();
        m_holderProgram = parts.value(1);
        return false;
    }
    const QByteArray who = QByteArray::number(static_cast<qint64>(::getpid())) + '\n' + program.toUtf8() + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, who.constData(), static_cast<size_t>(who.size()), 0) != who.size()) {
        const int error = errno;
        ::close(fd);
        throw EStoreError(text(msg::HistoryWriterMarkFailed).arg(markName, QString::fromLocal8Bit(std::strerror(error))),
                          SQLITE_IOERR);
    }
    m_claimFd = fd;
    return true;
}

void HistoryStore::release() noexcept
{
    if (m_claimFd < 0)
        return;
    ::close(m_claimFd);  // drops the lock
    m_claimFd = -1;
}

int64_t HistoryStore::usedBytes()
{
    const int64_t pages = m_db.scalar(historysql::PageCount).value_or(0);
    const int64_t free = m_db.scalar(historysql::FreePages).value_or(0);
    return (pages - free) * m_db.scalar(historysql::PageSize).value_or(4096);
}

bool HistoryStore::pruneStep(const Retention& retention, int64_t nowMs)
{
    // the first moment to keep: the first within the days, or past the oldest ones while the
    // store is larger than allowed; at most MomentsPerStep moments go in one step
    const int64_t oldestKept = nowMs - static_cast<int64_t>(retention.days) * 86'400'000;
    SqliteStatement within(m_db, historysql::FirstMomentAfter);
    within.bind(1, oldestKept);
    within.step();
    std::optional<int64_t> keep = within.optInteger(0);
    within.reset();
    SqliteStatement nth(m_db, historysql::NthMoment);
    nth.bind(1, MomentsPerStep);
    std::optional<int64_t> stepEnd;
    if (nth.step())
        stepEnd = nth.integer(0);
    nth.reset();
    const bool tooLarge = usedBytes() > retention.megabytes * 1024 * 1024;
    if (tooLarge && stepEnd)
        keep = keep ? std::max(*keep, *stepEnd) : *stepEnd;
    if (!keep) {  // every moment is older than the days: all but the newest go
        const std::optional<int64_t> last = m_db.scalar(historysql::LastMoment);
        if (!last)
            return false;
        keep = *last;
    }
    if (stepEnd)
        keep = std::min(*keep, *stepEnd);
    bool removed = false;
    {
        SqliteTransaction t(m_db);
        const char* steps[] = {historysql::PruneMomentRows,    historysql::PruneMomentOrders,
                               historysql::PruneEndedVersions, historysql::PruneEndedObjects,
                               historysql::PruneOldVersions,   historysql::PruneMoments};
        for (const char* sql : steps) {
            SqliteStatement st(m_db, sql);
            st.bind(1, *keep);
            st.run();
            removed = removed || m_db.changes() > 0;
        }
        m_db.exec(historysql::PruneTexts);
        t.commit();
    }
    m_db.exec(historysql::ReleasePages);
    return removed;
}

QString HistoryStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quillmere/history");
}

QString HistoryStore::defaultFileName(const QString& databaseName)
{
    // the name, readable: every run of characters other than letters, digits, dot, minus and
    // underscore becomes one underscore
    QString base = databaseName;
    base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]+")), QStringLiteral("_"));
    base = base.left(200);
    return defaultFolder() + QLatin1Char('/') + base + QStringLiteral(".history");
}

}  // namespace history

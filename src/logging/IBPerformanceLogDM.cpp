#include "logging/IBPerformanceLogDM.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/TransactionScope.h"
#include "ib/ParamBlock.h"
#include "ib/Transaction.h"
#include "logging/LogSQLConstants.h"
#include "logging/LogTableDefinition.h"
#include "monitor/QuillmereDM.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString L(const char* piece) { return QString::fromLatin1(piece); }

struct ItemInfo {
    const char* monitoringTable;
    const char* defaultLogTable;
    Snapshot TdmQuillmere::*snapshot;
};

constexpr ItemInfo kItems[] = {
    {"TMP$ATTACHMENTS", "LOG$ATTACHMENTS", &TdmQuillmere::cdsAttachments},
    {"TMP$DATABASE", "LOG$DATABASE", &TdmQuillmere::cdsDatabase},
    {"TMP$POOLS", "LOG$POOLS", &TdmQuillmere::cdsPools},
    {"TMP$PROCEDURES", "LOG$PROCEDURES", &TdmQuillmere::cdsProcedures},
    {"TMP$RELATIONS", "LOG$RELATIONS", &TdmQuillmere::cdsRelations},
    {"TMP$STATEMENTS", "LOG$STATEMENTS", &TdmQuillmere::cdsStatements},
    {"TMP$TRANSACTIONS", "LOG$TRANSACTIONS", &TdmQuillmere::cdsTransactions},
};
static_assert(std::size(kItems) == AllLogItems.size());

const ItemInfo& info(TLogItem item) { return kItems[static_cast<size_t>(item)]; }

// The existence check's one column. Not one of the monitoring snapshots, so its id lies outside
// theirs; nothing reads it.
constexpr catalogue::ColumnDecl kRelationFieldsColumns[] = {
    {"RDB$FIELD_NAME", catalogue::ColumnType::Char, 67, nullptr, true, catalogue::DisplayRule::Plain}};
constexpr catalogue::SnapshotDecl kRelationFieldsDecl{static_cast<catalogue::SnapshotId>(-1), "cdsRelationFields",
                                                      "qryRelationFields", "RDB$RELATION_FIELDS", nullptr,
                                                      kRelationFieldsColumns};

// The statement form of an item in a pass.
const logsql::InsertForm& insertForm(TLogItem item, bool poolsSummarized)
{
    switch (item) {
    case TLogItem::Attachments: return logsql::AttachmentsInsert;
    case TLogItem::Database: return logsql::DatabaseInsert;
    case TLogItem::Pools: return poolsSummarized ? logsql::PoolsSummarizedInsert : logsql::PoolsPerPoolInsert;
    case TLogItem::Procedures: return logsql::ProceduresInsert;
    case TLogItem::Relations: return logsql::RelationsInsert;
    case TLogItem::Statements: return logsql::StatementsInsert;
    case TLogItem::Transactions: return logsql::TransactionsInsert;
    }
    Q_UNREACHABLE();
}

QString joined(logsql::Names names)
{
    QString out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += L(logsql::ListSeparator);
        out += L(names[i]);
    }
    return out;
}

// The column part: opening, column list, middle, select list, end (a comma, no blank).
QString columnPart(const logsql::InsertForm& form)
{
    return L(form.opening) + joined(form.columns) + L(logsql::ColumnPartMiddle) + joined(form.selectList) +
           L(logsql::ColumnPartEnd);
}

// Opens the trace file for writing, never through a symbolic link: a link in its place (which
// would let a pass overwrite whatever it points to) is replaced by a file of its own.
int openTraceFile(const QByteArray& name)
{
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
    int fd = ::open(name.constData(), flags, 0666);
    if (fd < 0 && errno == ELOOP && ::unlink(name.constData()) == 0)
        fd = ::open(name.constData(), flags | O_EXCL, 0666);
    return fd;
}

// The old text is overwritten in place and the file cut to the new length, rather than the file
// truncated to nothing and written again: file systems that guard against losing replaced data
// (ext4's auto_da_alloc) flush a file rewritten after a truncation to zero when it is closed,
// which costs milliseconds per item and pass.
void writeTraceFile(const QString& fileName, const QString& text)
{
    const QByteArray bytes = QByteArray::fromStdString(ib::toClientText(text));
    const int fd = openTraceFile(QFile::encodeName(fileName));
    bool written = fd >= 0;
    for (qsizetype done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        done += n;
    }
    written = written && ::ftruncate(fd, bytes.size()) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!written)
        throw Exception(QString::fromUtf8(msg::TraceFileNotWritten)
                            .arg(QDir::current().absoluteFilePath(fileName), QString::fromLocal8Bit(std::strerror(error))));
}

}  // namespace

TdmPerformanceLog::TdmPerformanceLog(ib::Database* database, QObject* owner)
    : TdmIBConnection(owner),
      trxManualRW(ib::readCommittedTpb(false)),
      trxDataSnapRO(ib::readCommittedTpb(true)),
      qryRelationFields(QStringLiteral("qryRelationFields"), logsql::RelationFields),
      cdsRelationFields(kRelationFieldsDecl, this),
      m_logDatabase(database),
      m_generatorName(DefaultGeneratorName())
{
    for (TLogItem item : AllLogItems)
        m_items[index(item)].logTableName = DefaultLogTableName(item);
    // bound to the connection directly: the base's Database() stays unset
    trxManualRW.setDefaultDatabase(database);
    sqlOperation.setDatabase(database);
    m_nextSnapshotId.statement.setDatabase(database);
    for (PreparedStatement& insert : m_inserts)
        insert.statement.setDatabase(database);
    trxDataSnapRO.setDefaultDatabase(database);
    qryRelationFields.setDatabase(database);
    qryRelationFields.setTransaction(&trxDataSnapRO);
    cdsRelationFields.setFetcher([this](Snapshot& s, RowStore& rows) { fetchRelationFields(s, rows); });
}

TdmPerformanceLog::~TdmPerformanceLog() = default;

QString TdmPerformanceLog::MonitoringTableName(TLogItem item) { return L(info(item).monitoringTable); }

QString TdmPerformanceLog::DefaultLogTableName(TLogItem item) { return L(info(item).defaultLogTable); }

QString TdmPerformanceLog::DefaultGeneratorName() { return QStringLiteral("PERFORMANCE_LOG_G"); }

void TdmPerformanceLog::SetItemLogTableName(TLogItem item, const QString& name)
{
    QString& held = m_items[index(item)].logTableName;
    if (name == held)
        return;
    held = name;
    m_tablesVerified = false;
}

void TdmPerformanceLog::SetGeneratorName(const QString& name)
{
    if (name == m_generatorName)
        return;
    m_generatorName = name;
    m_generatorVerified = false;
}

int TdmPerformanceLog::EnabledTableCount() const
{
    int n = 0;
    for (const ItemState& item : m_items)
        n += item.enabled ? 1 : 0;
    return n;
}

template <typename Work>
void TdmPerformanceLog::inManualTransaction(Work work)
{
    // what succeeded before a failure stays; the failure is the error that goes on
    TransactionScope scope(trxManualRW, &sqlOperation, TransactionScope::OnFailure::Commit);
    work();
    scope.commit();
}

void TdmPerformanceLog::ExecuteStatement(const QString& text)
{
    // the statements that change the log tables wait for nobody: the pass's prepared ones go
    FreePassStatements();
    inManualTransaction([&] {
        ib::Statement& st = sqlOperation.prepare(trxManualRW, ib::toClientText(text));
        st.execute(trxManualRW.transaction());
    });
}

bool TdmPerformanceLog::GeneratorExists()
{
    bool exists = false;
    inManualTransaction([&] {
        ib::Statement& st = sqlOperation.prepare(trxManualRW, logsql::GeneratorExists);
        st.setText(0, ib::toClientText(m_generatorName));
        st.execute(trxManualRW.transaction());
        exists = st.fetch();
        st.closeCursor();
    });
    m_generatorVerified = exists;
    return exists;
}

void TdmPerformanceLog::CreateGenerator() { ExecuteStatement(L(logsql::CreateGenerator) + m_generatorName); }

void TdmPerformanceLog::fetchRelationFields(Snapshot& snapshot, RowStore& rows)
{
    // the read-only transaction lives only as long as the query reads
    if (!trxDataSnapRO.isActive())
        trxDataSnapRO.start();
    try {
        qryRelationFields.fetchInto(snapshot, rows);
    } catch (...) {
        trxDataSnapRO.transaction().endQuietly();
        throw;
    }
    trxDataSnapRO.commit();
}

bool TdmPerformanceLog::TableExists(const QString& name)
{
    cdsRelationFields.close();
    cdsRelationFields.setParam(L(logsql::RelationNameParam), name);
    cdsRelationFields.open();
    return !cdsRelationFields.isEmpty();
}

bool TdmPerformanceLog::TableMetadataCorrect(const Snapshot* /*snapshot*/) const
{
    // No comparison is defined: an existing log table is used unchanged, whatever its columns.
    return true;
}

TTableCheck TdmPerformanceLog::CheckTable(const Snapshot* snapshot, const QString& name)
{
    TTableCheck verdict = tcMissing;
    try {
        if (TableExists(name))
            verdict = TableMetadataCorrect(snapshot) ? tcCorrect : tcIncorrectMetadata;
    } catch (...) {
        cdsRelationFields.close();
        throw;
    }
    cdsRelationFields.close();
    return verdict;
}

const Snapshot* TdmPerformanceLog::snapshotOf(TLogItem item) const
{
    return m_snapshotModule ? &(m_snapshotModule->*info(item).snapshot) : nullptr;
}

bool TdmPerformanceLog::VerifyTables(QStringList& missing, QStringList& incorrect, const TProgressCallback& progress)
{
    missing.clear();
    incorrect.clear();
    int done = 0;
    const int total = EnabledTableCount();
    inManualTransaction([&] {
        if (progress)
            progress(this, total, 0);
        for (TLogItem item : AllLogItems) {
            if (!ItemEnabled(item))
                continue;
            const QString& name = ItemLogTableName(item);
            switch (CheckTable(snapshotOf(item), name)) {
            case tcCorrect: WidenLogTable(name, MonitoringTableName(item)); break;
            case tcIncorrectMetadata: incorrect << name; break;
            case tcMissing: missing << name; break;
            }
            ++done;
            if (progress)
                progress(this, total, done);
        }
    });
    m_tablesVerified = missing.isEmpty() && incorrect.isEmpty();
    return m_tablesVerified;
}

QString TdmPerformanceLog::LogTableDefinition(const QString& logTableName, const QString& monitoringTableName)
{
    logddl::TableDefinition table;
    inManualTransaction([&] { table = logddl::readTableDefinition(sqlOperation, trxManualRW, monitoringTableName); });
    return logddl::logTableDDL(logTableName, table, m_logDatabase->attachment().odsMajorVersion(),
                               m_logDatabase->sqlDialect());
}

void TdmPerformanceLog::CreateLogTable(const QString& logTableName, const QString& monitoringTableName)
{
    ExecuteStatement(LogTableDefinition(logTableName, monitoringTableName));
}

void TdmPerformanceLog::WidenLogTable(const QString& logTableName, const QString& monitoringTableName)
{
    const logddl::TableDefinition source = logddl::readTableDefinition(sqlOperation, trxManualRW, monitoringTableName);
    const logddl::TableDefinition log = logddl::readTableDefinition(sqlOperation, trxManualRW, logTableName);
    const QString text = logddl::widenColumnsDDL(logTableName, log, source, m_logDatabase->sqlDialect());
    if (text.isEmpty())
        return;
    FreePassStatements();
    ib::Statement& st = sqlOperation.prepare(trxManualRW, ib::toClientText(text));
    st.execute(trxManualRW.transaction());
    sqlOperation.statement().free();
}

void TdmPerformanceLog::CreateTables(const QStringList& names)
{
    for (const QString& name : names) {
        for (TLogItem item : AllLogItems) {
            if (ItemLogTableName(item) == name) {
                CreateLogTable(name, MonitoringTableName(item));
                break;
            }
        }
    }
}

void TdmPerformanceLog::RecreateTables(const QStringList& names)
{
    for (const QString& name : names)
        ExecuteStatement(L(logsql::DropTable) + name);
    CreateTables(names);
}

ib::Statement& TdmPerformanceLog::prepared(PreparedStatement& held, ib::TransactionComponent& transaction,
                                           const std::string& text)
{
    ib::Statement& st = held.statement.statement();
    if (!st.isPrepared() || held.text != text) {
        held.text.clear();
        held.statement.prepare(transaction, text);
        held.text = text;
    }
    return st;
}

int64_t TdmPerformanceLog::NextSnapshotId()
{
    const QString text = L(logsql::NextSnapshotIdOpen) + m_generatorName + L(logsql::NextSnapshotIdClose);
    ib::Statement& st = prepared(m_nextSnapshotId, trxManualRW, ib::toClientText(text));
    try {
        st.execute(trxManualRW.transaction());
        const bool fetched = st.fetch();
        const int64_t value = fetched ? st.asInt64(0) : 0;
        st.closeCursor();
        if (!fetched)
            throw Exception(msg::GeneratorQueryEmpty);
        return value;
    } catch (...) {
        // prepared afresh at the next pass: the generator may have changed under it
        FreePassStatements();
        throw;
    }
}

void TdmPerformanceLog::InsertSnapshot(TLogItem item, const QString& columnPart, int64_t snapshotNumber,
                                       const QString& logTableName, const QString& source)
{
    const QString opening = L(logsql::InsertInto) + logTableName + columnPart;
    const QString closing = L(logsql::RowIdOpen) + m_generatorName + L(logsql::RowIdCloseFrom) + source;
    writeTraceFile(source + L(logsql::TraceFileSuffix),
                   opening + QString::number(snapshotNumber) + closing + L(logsql::TraceLineEnd));
    ib::Statement& st = prepared(m_inserts[index(item)], trxManualRW,
                                 ib::toClientText(opening + L(logsql::SnapshotNumberParameter) + closing));
    st.setInt64(0, snapshotNumber);
    try {
        st.execute(trxManualRW.transaction());
    } catch (...) {
        // prepared afresh at the next pass: the tables may have changed under it
        FreePassStatements();
        throw;
    }
}

void TdmPerformanceLog::FreePassStatements() noexcept
{
    m_nextSnapshotId.statement.statement().free();
    m_nextSnapshotId.text.clear();
    for (PreparedStatement& insert : m_inserts) {
        insert.statement.statement().free();
        insert.text.clear();
    }
}

void TdmPerformanceLog::LogSnapshot()
{
    if (!AnyTableEnabled())
        return;
    inManualTransaction([&] {
        const int64_t number = NextSnapshotId();
        for (TLogItem item : AllLogItems) {
            if (!ItemEnabled(item))
                continue;
            const logsql::InsertForm& form = insertForm(item, m_poolsSummarized);
            InsertSnapshot(item, columnPart(form), number, ItemLogTableName(item), L(form.source));
        }
    });
}

#include "monitor/QuillmereDM.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "ib/Transaction.h"
#include "monitor/DisplayTexts.h"
#include "monitor/MonitorSQL.h"

#include <exception>

using catalogue::DisplayRule;
using catalogue::SnapshotId;
using catalogue::snapshotDecl;

TdmQuillmere::TdmQuillmere(QObject* owner)
    : TdmIBConnection(owner),
      IBTransaction(ib::readCommittedTpb(true)),
      qryDatabase(QStringLiteral("qryDatabase"), monitorsql::Database),
      qryPools(QStringLiteral("qryPools"), monitorsql::Pools),
      qryPoolBlocks(QStringLiteral("qryPoolBlocks"), monitorsql::PoolBlocks),
      qryProcedures(QStringLiteral("qryProcedures"), monitorsql::Procedures),
      qryStatements(QStringLiteral("qryStatements"), monitorsql::Statements),
      qryRelations(QStringLiteral("qryRelations"), monitorsql::Relations),
      qryTransactions(QStringLiteral("qryTransactions"), monitorsql::Transactions),
      qryAttachments(QStringLiteral("qryAttachments"), monitorsql::Attachments),
      cdsDatabase(snapshotDecl(SnapshotId::Database), this),
      cdsPools(snapshotDecl(SnapshotId::Pools), this),
      cdsPoolBlocks(snapshotDecl(SnapshotId::PoolBlocks), this),
      cdsProcedures(snapshotDecl(SnapshotId::Procedures), this),
      cdsStatements(snapshotDecl(SnapshotId::Statements), this),
      cdsRelations(snapshotDecl(SnapshotId::Relations), this),
      cdsTransactions(snapshotDecl(SnapshotId::Transactions), this),
      cdsAttachments(snapshotDecl(SnapshotId::Attachments), this),
      IBTransactionReadWrite(ib::readCommittedTpb(false)),
      m_timestampCutoff(QDate(1975, 1, 1), QTime(0, 0), Qt::UTC)  // as the server's times are held
{
    addComponent(&IBTransaction);
    bindSnapshot(cdsDatabase, qryDatabase);
    bindSnapshot(cdsPools, qryPools);
    bindSnapshot(cdsPoolBlocks, qryPoolBlocks);
    bindSnapshot(cdsProcedures, qryProcedures);
    bindSnapshot(cdsStatements, qryStatements);
    bindSnapshot(cdsRelations, qryRelations);
    bindSnapshot(cdsTransactions, qryTransactions);
    bindSnapshot(cdsAttachments, qryAttachments);
    for (ib::StatementComponent* statement : m_firebird.statements())
        addComponent(statement);
    addComponent(&IBTransactionReadWrite);
    addComponent(&sqlOperation);
    // the kind of server and the source are learnt once per connection
    addComponent([this](ib::Database* db) {
        if (m_watched)
            m_watched->removeUser(this);
        m_watched = db;
        if (db)
            db->addUser(this);
        forgetServer();
    });
}

TdmQuillmere::~TdmQuillmere()
{
    if (m_watched)
        m_watched->removeUser(this);
}

void TdmQuillmere::bindSnapshot(Snapshot& snapshot, MonitorQuery& query)
{
    addComponent(&query);
    query.setTransaction(&IBTransaction);
    snapshot.setFetcher([this, &query](Snapshot& s, RowStore& rows) { fetch(query, s, rows); });
    for (int c = 0; c < snapshot.columnCount(); ++c) {
        switch (snapshot.columnDecl(c).rule) {
        case DisplayRule::Plain: break;
        case DisplayRule::PoolType:
            snapshot.setTextRule(c, [this](const Snapshot& s, int row, int col) {
                return cdsPoolsTMPTYPEGetText(s.value(row, col));
            });
            break;
        case DisplayRule::StartTime:
            snapshot.setTextRule(c, [this](const Snapshot& s, int row, int col) {
                return TimestampGetText(s.value(row, col));
            });
            break;
        case DisplayRule::ElapsedTime:
            snapshot.setTextRule(c, [this](const Snapshot& s, int row, int col) {
                return ElapsedTimeGetText(s, row, col);
            });
            break;
        }
    }
}

bool TdmQuillmere::snapshotPerTransaction()
{
    if (!m_serverKindKnown && Database() && Database()->isConnected()) {
        m_snapshotPerTransaction = !Database()->attachment().firebirdVersion().empty();
        m_serverKindKnown = true;
    }
    return m_snapshotPerTransaction;
}

void TdmQuillmere::forgetServer() noexcept
{
    m_serverKindKnown = false;
    m_source.reset();
    m_firebird.forget();
}

TdmQuillmere::MonitorSource TdmQuillmere::Source()
{
    if (m_sourceOverride)
        return *m_sourceOverride;
    if (m_source)
        return *m_source;
    if (!Database() || !Database()->isConnected() || !snapshotPerTransaction())
        return MonitorSource::Tables;
    // Firebird: its own MON$ tables, unless the database has TMP$ relations other than Quillmere's
    // views (tables for tests or offline use, or someone else's views)
    if (!IBTransaction.isActive())
        IBTransaction.start();
    bool onlyOwnViews = true;
    ib::Statement st;
    st.prepare(Database()->attachment(), IBTransaction.transaction(), monitorsql::firebird::TmpRelations,
               Database()->sqlDialect());
    st.execute(IBTransaction.transaction());
    while (st.fetch()) {
        const bool view = st.asInt64(1) != 0;
        const std::string_view mark(monitorsql::firebird::OwnObjectMark);
        if (!view || st.isNull(2) || st.rawText(2).substr(0, mark.size()) != mark)
            onlyOwnViews = false;
    }
    st.closeCursor();
    m_source = onlyOwnViews ? MonitorSource::Firebird : MonitorSource::Tables;
    return *m_source;
}

void TdmQuillmere::endMonitoringSnapshot() noexcept
{
    m_firebird.forget();
    // a server that keeps one MON$ snapshot per transaction shows a new one in the next transaction
    if (IBTransaction.isActive() && m_serverKindKnown && m_snapshotPerTransaction)
        IBTransaction.transaction().endQuietly();
}

TdmQuillmere::Tick::Tick(TdmQuillmere& dm) : m_dm(dm)
{
    if (m_dm.m_tickDepth++ == 0)
        m_dm.endMonitoringSnapshot();
}

TdmQuillmere::Tick::~Tick() { --m_dm.m_tickDepth; }

void TdmQuillmere::fetch(MonitorQuery& query, Snapshot& snapshot, RowStore& rows)
{
    // a fetch outside a refresh is a tick of its own
    std::optional<Tick> ownTick;
    if (m_tickDepth == 0)
        ownTick.emplace(*this);
    try {
        const bool firebird = Source() == MonitorSource::Firebird;
        if (!IBTransaction.isActive())
            IBTransaction.start();
        if (firebird) {
            m_firebird.fill(snapshot, rows, IBTransaction, m_showSystemTables);
            snapshot.setTextDecoder({});  // the source keeps its texts as UTF-8
        } else {
            query.fetchInto(snapshot, rows);
            // the connection's character set; its decoder is made again only when the set changes
            const QString characterSet = Database()->params().value(QStringLiteral("lc_ctype"));
            if (m_tablesDecoder.characterSet() != characterSet)
                m_tablesDecoder = ib::TextDecoder(characterSet);
            snapshot.setTextDecoder(m_tablesDecoder);
        }
    } catch (...) {
        m_firebird.forget();
        IBTransaction.transaction().endQuietly();
        throw;
    }
    // Firebird: the transaction stays until the next tick begins, so that everything read until
    // then (the plan of the current statement, say) comes from the snapshot on the screen
    if (!snapshotPerTransaction())
        IBTransaction.commitRetaining();
}

QString TdmQuillmere::StatementPlan(qint64 statementId)
{
    if (!Database() || !Database()->isConnected() || Source() != MonitorSource::Firebird)
        return {};
    if (!IBTransaction.isActive())
        IBTransaction.start();
    std::optional<std::string> plan;
    try {
        plan = m_firebird.statementPlan(statementId, IBTransaction);
    } catch (...) {
        m_firebird.forget();
        IBTransaction.transaction().endQuietly();
        throw;
    }
    return plan ? QString::fromUtf8(plan->data(), static_cast<qsizetype>(plan->size())) : QString();
}

void TdmQuillmere::SetShowSystemTables(bool show)
{
    if (show == m_showSystemTables)
        return;
    m_showSystemTables = show;
    qryRelations.setSQL({QString::fromLatin1(show ? monitorsql::RelationsWithSystemTables
                                                  : monitorsql::RelationsWithoutSystemTables)});
}

QString TdmQuillmere::cdsPoolsTMPTYPEGetText(const QVariant& value) const
{
    return PoolTypeName(value.isNull() ? QString() : value.toString().trimmed());
}

QString TdmQuillmere::TimestampGetText(const QVariant& value) const
{
    if (value.isNull())
        return {};
    const QDateTime t = value.toDateTime();
    if (!t.isValid() || t <= m_timestampCutoff)
        return {};
    return standardDateTimeText(t);
}

QString TdmQuillmere::ElapsedTimeGetText(const Snapshot& snapshot, int row, int column) const
{
    if (snapshot.isNull(row, column))
        return {};
    const int start = snapshot.columnIndex(QStringLiteral("TMP$TIMESTAMP"));
    if (start < 0 || snapshot.isNull(row, start))
        return {};
    const QDateTime t = snapshot.value(row, start).toDateTime();
    if (!t.isValid() || t <= m_timestampCutoff)
        return {};
    return ElapsedTimeText(snapshot.doubleValue(row, column));
}

namespace {
QString withId(const char* prefix, qint32 id) { return QString::fromLatin1(prefix) + QString::number(id); }
namespace fbsql = monitorsql::firebird;
}  // namespace

// On Firebird each operation first looks for its row: a row the user cannot see (another user's,
// for an ordinary user) or that has gone means the operation changed nothing.
bool TdmQuillmere::CancelAttachment(qint32 id)
{
    if (Source() == MonitorSource::Firebird)
        return firebirdOperation([id](const OperationStep& run) {
            if (!run(withId(fbsql::UserAttachmentPrefix, id)))
                return false;
            run(withId(fbsql::CancelAttachmentPrefix, id));
            return true;
        });
    return ExecuteOperation(withId(monitorsql::CancelAttachmentPrefix, id));
}

bool TdmQuillmere::ShutdownAttachment(qint32 id)
{
    if (Source() == MonitorSource::Firebird)
        return firebirdOperation([id](const OperationStep& run) {
            return run(withId(fbsql::UserAttachmentPrefix, id)) && run(withId(fbsql::ShutdownAttachmentPrefix, id)) > 0;
        });
    return ExecuteOperation(withId(monitorsql::ShutdownAttachmentPrefix, id));
}

bool TdmQuillmere::CancelStatement(qint32 id)
{
    if (Source() == MonitorSource::Firebird)
        return firebirdOperation([id](const OperationStep& run) {
            const std::optional<int64_t> state = run(withId(fbsql::StatementStatePrefix, id));
            // Firebird cancels only what runs: a statement waiting for its client to fetch stays
            if (state == 2)
                throw Exception(msg::FirebirdCannotCancelStalled);
            return state == 1 && run(withId(fbsql::CancelStatementPrefix, id)) > 0;
        });
    return ExecuteOperation(withId(monitorsql::CancelStatementPrefix, id));
}

bool TdmQuillmere::CommitTransaction(qint32 id)
{
    if (Source() == MonitorSource::Firebird)
        return refuseEndingTransaction(id);
    return ExecuteOperation(withId(monitorsql::CommitTransactionPrefix, id));
}

bool TdmQuillmere::RollbackTransaction(qint32 id)
{
    if (Source() == MonitorSource::Firebird)
        return refuseEndingTransaction(id);
    return ExecuteOperation(withId(monitorsql::RollbackTransactionPrefix, id));
}

bool TdmQuillmere::refuseEndingTransaction(qint32 id)
{
    return firebirdOperation([id](const OperationStep& run) {
        if (!run(withId(fbsql::TransactionExistsPrefix, id)))
            return false;
        throw Exception(msg::FirebirdCannotEndTransaction);
    });
}

bool TdmQuillmere::firebirdOperation(const std::function<bool(const OperationStep& run)>& steps)
{
    IBTransactionReadWrite.start();
    const OperationStep run = [this](const QString& text) -> std::optional<int64_t> {
        m_operationText = text;
        ib::Statement& st = sqlOperation.prepare(IBTransactionReadWrite, ib::toClientText(text));
        st.execute(IBTransactionReadWrite.transaction());
        std::optional<int64_t> result;
        if (st.isSelect()) {
            if (st.fetch() && !st.isNull(0))
                result = st.asInt64(0);
            st.closeCursor();
        } else {
            result = st.recordCounts().deletes;
        }
        st.free();
        return result;
    };
    bool acted = false;
    try {
        acted = steps(run);
    } catch (...) {
        sqlOperation.statement().free();
        try {
            IBTransactionReadWrite.rollback();
        } catch (...) {
            IBTransactionReadWrite.transaction().endQuietly();
        }
        throw;
    }
    try {
        IBTransactionReadWrite.commit();
    } catch (...) {
        IBTransactionReadWrite.transaction().endQuietly();
        throw;
    }
    return acted;
}

bool TdmQuillmere::ExecuteOperation(const QString& statementText)
{
    m_operationText = statementText;
    IBTransactionReadWrite.start();
    int64_t count = 0;
    try {
        ib::Statement& st = sqlOperation.prepare(IBTransactionReadWrite, ib::toClientText(statementText));
        st.execute(IBTransactionReadWrite.transaction());
    } catch (...) {
        // the statement failed: nothing it did may stay, and no transaction may stay active
        try {
            IBTransactionReadWrite.rollback();
        } catch (...) {
        }
        sqlOperation.statement().free();
        throw;
    }
    std::exception_ptr countError;
    try {
        count = sqlOperation.statement().recordCounts().updates;
    } catch (...) {
        countError = std::current_exception();
    }
    sqlOperation.statement().free();
    try {
        IBTransactionReadWrite.commit();
    } catch (...) {
        IBTransactionReadWrite.transaction().endQuietly();
        throw;
    }
    if (countError)
        std::rethrow_exception(countError);
    return count >= 1;
}

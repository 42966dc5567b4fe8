#include "monitor/QuillmereDM.h"

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
      m_timestampCutoff(QDate(1975, 1, 1), QTime(0, 0))
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
    addComponent(&IBTransactionReadWrite);
    addComponent(&sqlOperation);
    // the kind of server is learnt once per connection
    addComponent([this](ib::Database* db) {
        if (m_watched)
            m_watched->removeUser(this);
        m_watched = db;
        if (db)
            db->addUser(this);
        m_serverKindKnown = false;
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

bool TdmQuillmere::fullCommitAfterFetch()
{
    if (!m_serverKindKnown && Database() && Database()->isConnected()) {
        m_fullCommit = !Database()->attachment().firebirdVersion().empty();
        m_serverKindKnown = true;
    }
    return m_fullCommit;
}

void TdmQuillmere::fetch(MonitorQuery& query, Snapshot& snapshot, RowStore& rows)
{
    if (!IBTransaction.isActive())
        IBTransaction.start();
    try {
        query.fetchInto(snapshot, rows);
    } catch (...) {
        IBTransaction.transaction().endQuietly();
        throw;
    }
    if (fullCommitAfterFetch())
        IBTransaction.commit();
    else
        IBTransaction.commitRetaining();
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

bool TdmQuillmere::CancelAttachment(qint32 id)
{
    return ExecuteOperation(QString::fromLatin1(monitorsql::CancelAttachmentPrefix) + QString::number(id));
}

bool TdmQuillmere::ShutdownAttachment(qint32 id)
{
    return ExecuteOperation(QString::fromLatin1(monitorsql::ShutdownAttachmentPrefix) + QString::number(id));
}

bool TdmQuillmere::CancelStatement(qint32 id)
{
    return ExecuteOperation(QString::fromLatin1(monitorsql::CancelStatementPrefix) + QString::number(id));
}

bool TdmQuillmere::CommitTransaction(qint32 id)
{
    return ExecuteOperation(QString::fromLatin1(monitorsql::CommitTransactionPrefix) + QString::number(id));
}

bool TdmQuillmere::RollbackTransaction(qint32 id)
{
    return ExecuteOperation(QString::fromLatin1(monitorsql::RollbackTransactionPrefix) + QString::number(id));
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

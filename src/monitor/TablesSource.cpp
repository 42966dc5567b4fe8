#include "monitor/TablesSource.h"

#include "monitor/MonitorSQL.h"
#include "monitor/Snapshot.h"

using catalogue::SnapshotId;

TablesSource::TablesSource(ib::TransactionComponent& monitoring, ControlStatements& control,
                           std::function<QString()> characterSet)
    : qryDatabase(QStringLiteral("qryDatabase"), monitorsql::Database),
      qryPools(QStringLiteral("qryPools"), monitorsql::Pools),
      qryPoolBlocks(QStringLiteral("qryPoolBlocks"), monitorsql::PoolBlocks),
      qryProcedures(QStringLiteral("qryProcedures"), monitorsql::Procedures),
      qryStatements(QStringLiteral("qryStatements"), monitorsql::Statements),
      qryRelations(QStringLiteral("qryRelations"), monitorsql::Relations),
      qryTransactions(QStringLiteral("qryTransactions"), monitorsql::Transactions),
      qryAttachments(QStringLiteral("qryAttachments"), monitorsql::Attachments),
      m_control(control),
      m_characterSet(std::move(characterSet))
{
    for (MonitorQuery* query : queries())
        query->setTransaction(&monitoring);
}

std::array<MonitorQuery*, 8> TablesSource::queries()
{
    return {&qryDatabase,  &qryPools,     &qryPoolBlocks,   &qryProcedures,
            &qryStatements, &qryRelations, &qryTransactions, &qryAttachments};
}

MonitorQuery& TablesSource::query(SnapshotId id)
{
    switch (id) {
    case SnapshotId::Database: return qryDatabase;
    case SnapshotId::Pools: return qryPools;
    case SnapshotId::PoolBlocks: return qryPoolBlocks;
    case SnapshotId::Procedures: return qryProcedures;
    case SnapshotId::Statements: return qryStatements;
    case SnapshotId::Relations: return qryRelations;
    case SnapshotId::Transactions: return qryTransactions;
    case SnapshotId::Attachments: return qryAttachments;
    }
    return qryDatabase;
}

void TablesSource::fill(Snapshot& snapshot, RowStore& rows)
{
    query(snapshot.decl().id).fetchInto(snapshot, rows);
    const QString characterSet = m_characterSet();
    if (m_decoder.characterSet() != characterSet)
        m_decoder = ib::TextDecoder(characterSet);
    snapshot.setTextDecoder(m_decoder);
}

void TablesSource::setShowSystemTables(bool show)
{
    qryRelations.setSQL({QString::fromLatin1(show ? monitorsql::RelationsWithSystemTables
                                                  : monitorsql::RelationsWithoutSystemTables)});
}

bool TablesSource::control(ControlOperation operation, int64_t id)
{
    const char* prefix = nullptr;
    switch (operation) {
    case ControlOperation::CancelAttachment: prefix = monitorsql::CancelAttachmentPrefix; break;
    case ControlOperation::ShutdownAttachment: prefix = monitorsql::ShutdownAttachmentPrefix; break;
    case ControlOperation::CancelStatement: prefix = monitorsql::CancelStatementPrefix; break;
    case ControlOperation::CommitTransaction: prefix = monitorsql::CommitTransactionPrefix; break;
    case ControlOperation::RollbackTransaction: prefix = monitorsql::RollbackTransactionPrefix; break;
    }
    return m_control.update(QString::fromLatin1(prefix) + QString::number(id));
}

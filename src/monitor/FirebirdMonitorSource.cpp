#include "monitor/FirebirdMonitorSource.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "monitor/MonitorSQL.h"
#include "monitor/Snapshot.h"

namespace {
namespace fbsql = monitorsql::firebird;

QString withId(const char* prefix, int64_t id) { return QString::fromLatin1(prefix) + QString::number(id); }

// Whether the attachment is there to act on; the server's own (cache writer, garbage collector)
// refuse with a message of their own.
bool userAttachmentThere(const ControlStatements::Step& run, int64_t id)
{
    const std::optional<int64_t> system = run(withId(fbsql::AttachmentSystemFlagPrefix, id));
    if (system && *system != 0)
        throw Exception(msg::FirebirdSystemAttachment);
    return system.has_value();
}

// MON$STATEMENTS.MON$STATE of a statement that runs, and of one that waits for its client to fetch.
constexpr int64_t StatementRunning = 1;
constexpr int64_t StatementStalled = 2;
}  // namespace

FirebirdMonitorSource::FirebirdMonitorSource(ib::TransactionComponent& monitoring, ControlStatements& control)
    : m_monitoring(monitoring), m_control(control)
{
}

void FirebirdMonitorSource::fill(Snapshot& snapshot, RowStore& rows)
{
    m_source.fill(snapshot, rows, m_monitoring, m_showSystemTables);
    snapshot.setTextDecoder({});  // the source keeps its texts as UTF-8
}

QString FirebirdMonitorSource::statementPlan(int64_t statementId)
{
    const std::optional<std::string> plan = m_source.statementPlan(statementId, m_monitoring);
    return plan ? QString::fromUtf8(plan->data(), static_cast<qsizetype>(plan->size())) : QString();
}

bool FirebirdMonitorSource::supports(ControlOperation operation) const
{
    return operation != ControlOperation::CommitTransaction && operation != ControlOperation::RollbackTransaction;
}

bool FirebirdMonitorSource::control(ControlOperation operation, int64_t id)
{
    using Step = ControlStatements::Step;
    switch (operation) {
    case ControlOperation::CancelAttachment:
        return m_control.inOneTransaction([id](const Step& run) {
            if (!userAttachmentThere(run, id))
                return false;
            run(withId(fbsql::CancelAttachmentPrefix, id));
            return true;
        });
    case ControlOperation::ShutdownAttachment:
        return m_control.inOneTransaction([id](const Step& run) {
            return userAttachmentThere(run, id) && run(withId(fbsql::ShutdownAttachmentPrefix, id)) > 0;
        });
    case ControlOperation::CancelStatement:
        return m_control.inOneTransaction([id](const Step& run) {
            const std::optional<int64_t> state = run(withId(fbsql::StatementStatePrefix, id));
            // Firebird cancels only what runs: a statement waiting for its client to fetch stays
            if (state == StatementStalled)
                throw Exception(msg::FirebirdCannotCancelStalled);
            return state == StatementRunning && run(withId(fbsql::CancelStatementPrefix, id)) > 0;
        });
    case ControlOperation::CommitTransaction:
    case ControlOperation::RollbackTransaction:
        // a transaction that has gone is the usual failure; one that is there cannot be ended
        return m_control.inOneTransaction([id](const Step& run) {
            if (!run(withId(fbsql::TransactionExistsPrefix, id)))
                return false;
            throw Exception(msg::FirebirdCannotEndTransaction);
        });
    }
    return false;
}

#pragma once
// The TMP$ relations read through the monitoring query texts: an InterBase server's monitoring
// tables, or a database whose TMP$ relations are tables of its own (for tests and offline use) or
// someone else's views. One query per snapshot, each copying its whole result; texts decoded in
// the character set the connection asked for. The control operations update the row's TMP$STATE,
// which the server turns into the action.

#include "monitor/ControlStatements.h"
#include "monitor/MonitorQuery.h"
#include "monitor/MonitorSource.h"
#include "monitor/MonitoringCatalogue.h"

#include "ib/Values.h"

#include <array>
#include <functional>

class TablesSource : public MonitorSource {
public:
    // The queries read in the monitoring transaction; characterSet gives the connection's
    // character set at the time of a read.
    TablesSource(ib::TransactionComponent& monitoring, ControlStatements& control,
                 std::function<QString()> characterSet);

    MonitorQuery qryDatabase, qryPools, qryPoolBlocks, qryProcedures, qryStatements, qryRelations, qryTransactions,
        qryAttachments;
    MonitorQuery& query(catalogue::SnapshotId id);
    std::array<MonitorQuery*, 8> queries();

    void fill(Snapshot& snapshot, RowStore& rows) override;
    void setShowSystemTables(bool show) override;
    bool control(ControlOperation operation, int64_t id) override;
    bool supports(ControlOperation) const override { return true; }

private:
    ControlStatements& m_control;
    std::function<QString()> m_characterSet;
    ib::TextDecoder m_decoder;  // made again only when the character set changes
};

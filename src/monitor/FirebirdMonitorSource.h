#pragma once
// Firebird's monitoring tables read directly (FirebirdSource): nothing installed in the database.
// Each MON$ table is read at most once per tick, in the tick's monitoring transaction, so that a
// tick's tab, pools and plan come from one MON$ snapshot. The control operations first look for
// their row (one the user cannot see, or that has gone, means nothing changed); Firebird cancels a
// running statement when its MON$STATEMENTS row is deleted and ends an attachment when its
// MON$ATTACHMENTS row is, and cannot end another attachment's transaction.

#include "monitor/ControlStatements.h"
#include "monitor/FirebirdSource.h"
#include "monitor/MonitorSource.h"

class FirebirdMonitorSource : public MonitorSource {
public:
    FirebirdMonitorSource(ib::TransactionComponent& monitoring, ControlStatements& control);

    // The statements the source runs, for the module to hand the connection to.
    auto statements() { return m_source.statements(); }

    void fill(Snapshot& snapshot, RowStore& rows) override;
    void beginTick() noexcept override { m_source.forget(); }
    // also what it has learnt of the server's release: a new connection may reach another server
    void forget() noexcept override { m_source.forgetServer(); }
    void setShowSystemTables(bool show) override { m_showSystemTables = show; }
    bool control(ControlOperation operation, int64_t id) override;
    bool supports(ControlOperation operation) const override;
    bool givesPlans() const override { return true; }
    QString statementPlan(int64_t statementId) override;
    std::optional<int64_t> tickOldestActive() const override { return m_source.tickOldestActive(); }

private:
    ib::TransactionComponent& m_monitoring;
    ControlStatements& m_control;
    FirebirdSource m_source;
    bool m_showSystemTables = true;
};

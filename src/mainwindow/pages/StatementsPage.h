#pragma once
// The Statements tab: the statements grid above a splitter, the SQL text of the current statement
// below it and, where the server gives plans, its plan under the SQL; Cancel (enabled while the
// current statement is ACTIVE or STALLED) and Go to User.

#include "mainwindow/pages/MonitorPage.h"

class QSplitter;
class TPlanPane;
class TSqlPane;

class StatementsPage : public MonitorPage {
    Q_OBJECT
public:
    explicit StatementsPage(const PageContext& context);

    void updateActions() override;
    // The plan pane is shown where the source gives plans.
    void setPlansShown(bool shown);

    TSqlPane& sqlPane() const { return *m_sql; }
    TPlanPane& planPane() const { return *m_plan; }

    void actStatementCancelExecute();

    QAction* actStatementCancel;
    QAction* actStatementGoToUser;

protected:
    const char* chosenRowsEndedText() const override;

private:
    QSplitter* m_splitter;
    TSqlPane* m_sql;
    TPlanPane* m_plan;
};

#pragma once
// Under the SQL pane, the plan of the Statements tab's current statement, as the server explains
// it (Firebird's MON$EXPLAINED_PLAN). It is read for the current row only: when another statement
// becomes current (by a move or a refresh), and when the pane is shown. On Firebird the read falls
// in the refresh's monitoring transaction, so the plan is the one of the snapshot on the screen.
// Read-only, in the SQL pane's font, with its copy keys.

#include "mainwindow/sqlpane/SqlPane.h"

#include <functional>

class TPlanPane : public TSqlPane {
    Q_OBJECT
public:
    // The plan of a statement, by its TMP$STATEMENT_ID; empty when there is none.
    using PlanReader = std::function<QString(qint64 statementId)>;

    explicit TPlanPane(QWidget* parent = nullptr);

    // Shows the plan of the snapshot's current statement from now on (nullptr: nothing). The
    // reader's errors go to the application's error handler.
    void bindPlan(Snapshot* snapshot, PlanReader reader);
    // The statement whose plan is shown; -1 when none.
    qint64 shownStatement() const { return m_statement; }
    // Read again only when the row comes into sight or leaves it.
    void rowInSightChanged() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // always: read even when the current statement is the one shown
    void showCurrentPlan(bool always);

    QPointer<Snapshot> m_planSnapshot;
    PlanReader m_reader;
    qint64 m_statement = -1;
    QString m_statementText;
    bool m_readPending = false;
    bool m_rowWasInSight = true;
    QList<QMetaObject::Connection> m_planConnections;
};

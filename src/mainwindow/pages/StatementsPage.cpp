#include "mainwindow/pages/StatementsPage.h"

#include "common/Messages.h"
#include "connection/ServerConnectionDM.h"
#include "mainwindow/MainIcons.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/ControlCommand.h"
#include "mainwindow/sqlpane/PlanPane.h"
#include "mainwindow/sqlpane/SqlPane.h"
#include "monitor/QuillmereDM.h"
#include "monitor/RowState.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTreeView>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
constexpr int GridHeightAtStart = 193;
constexpr int SqlPaneHeightAtStart = 453;  // the rest: the SQL pane takes what the others leave
constexpr int PlanPaneHeight = 90;         // the plan keeps its height

const ControlCommand StatementCancel{
    ControlOperation::CancelStatement,
    [](const Snapshot&, int) { return QString::fromUtf8(msg::ConfirmCancelStatement); },
    msg::ConfirmCancelStatements,
    msg::FailedStatement,
    [](RowState state) { return state == RowState::Active || state == RowState::Stalled; },
    true};
}  // namespace

StatementsPage::StatementsPage(const PageContext& context) : MonitorPage(PageId::Statements, context)
{
    m_splitter = new QSplitter(Qt::Vertical, widget());
    m_splitter->setObjectName(QStringLiteral("splStatements"));
    m_splitter->setChildrenCollapsible(false);
    // the grid keeps its height when the window grows; the SQL pane takes the rest
    m_splitter->addWidget(grid());
    m_sql = new TSqlPane(m_splitter);
    m_sql->setObjectName(QStringLiteral("memSQL"));
    m_splitter->addWidget(m_sql);
    m_plan = new TPlanPane(m_splitter);
    m_plan->setObjectName(QStringLiteral("memPlan"));
    m_plan->setVisible(false);
    m_splitter->addWidget(m_plan);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({GridHeightAtStart, SqlPaneHeightAtStart, PlanPaneHeight});
    layout()->addWidget(m_splitter);

    Snapshot& statements = *snapshot();
    m_sql->bind(&statements);
    // the plan as the rows' origin gives it: read now, or as recorded
    m_plan->bindPlan(&statements, [&origin = context.origin](qint64 statementId) { return origin.statementPlan(statementId); });

    // a grid that shows no row (a filter hides them all) shows no SQL and no plan either
    for (TSqlPane* pane : {m_sql, static_cast<TSqlPane*>(m_plan)}) {
        pane->setRowInSight([this] { return grid()->currentRowShown(); });
        connect(grid()->view()->selectionModel(), &QItemSelectionModel::currentChanged, pane,
                [pane] { pane->rowInSightChanged(); });
    }

    actStatementCancel = addAction("actStatementCancel", msg::ActStatementCancel, nullptr, true, mainicons::cancel());
    actStatementGoToUser = addAction("actStatementGoToUser", msg::ActGoToUser, "Ctrl+U", false, QIcon());
    addToolBar("tlbStatements", {actStatementCancel, actStatementGoToUser});
    onTriggered(actStatementCancel, [this] { actStatementCancelExecute(); });
    onTriggered(actStatementGoToUser, [this] { goToUserOfCurrentRow(); });
}

void StatementsPage::updateActions()
{
    actStatementCancel->setEnabled(controllable() && actsOnChosenRows(*this, StatementCancel));
    actStatementGoToUser->setEnabled(hasCurrentRow());
}

void StatementsPage::setPlansShown(bool shown) { m_plan->setVisible(shown); }

void StatementsPage::actStatementCancelExecute() { runControlCommand(context().dm, *this, StatementCancel); }

const char* StatementsPage::chosenRowsEndedText() const { return msg::ChosenStatementsEnded; }

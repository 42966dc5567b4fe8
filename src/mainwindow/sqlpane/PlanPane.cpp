#include "mainwindow/sqlpane/PlanPane.h"

#include "common/ErrorReporting.h"
#include "common/Messages.h"
#include "mainwindow/sqlpane/SqlHighlighter.h"
#include "monitor/Snapshot.h"

#include <utility>

TPlanPane::TPlanPane(QWidget* parent) : TSqlPane(parent)
{
    setObjectName(QStringLiteral("PlanPane"));
    highlighter()->setDocument(nullptr);  // a plan is not SQL
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setPlaceholderText(QString::fromUtf8(msg::PlanPanePlaceholder));
}

void TPlanPane::bindPlan(Snapshot* snapshot, PlanReader reader)
{
    for (const QMetaObject::Connection& c : m_planConnections)
        disconnect(c);
    m_planConnections.clear();
    m_planSnapshot = snapshot;
    m_reader = std::move(reader);
    if (snapshot) {
        // one read for what one refresh or move changed, once it has returned (so a failed read is
        // not reported inside the refresh's timer slot); on Firebird the refresh's monitoring
        // transaction is still open then, and the plan is the one of the rows on the screen. A
        // statement keeps its plan: a refresh that leaves the same statement current reads nothing
        const auto show = [this] {
            if (std::exchange(m_readPending, true))
                return;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_readPending = false;
                    errors::runGuarded([this] { showCurrentPlan(false); });
                },
                Qt::QueuedConnection);
        };
        m_planConnections << connect(snapshot, &Snapshot::currentRowChanged, this, show);
        m_planConnections << connect(snapshot, &Snapshot::rowsReplaced, this, show);
    }
    errors::runGuarded([this] { showCurrentPlan(true); });
}

void TPlanPane::showEvent(QShowEvent* event)
{
    TSqlPane::showEvent(event);
    errors::runGuarded([this] { showCurrentPlan(true); });
}

void TPlanPane::rowInSightChanged()
{
    if (rowInSight() != m_rowWasInSight)
        errors::runGuarded([this] { showCurrentPlan(false); });
}

void TPlanPane::showCurrentPlan(bool always)
{
    // a hidden pane reads nothing: the server is asked only for a plan someone sees
    if (!isVisible()) {
        m_statement = -1;  // read again once shown
        return;
    }
    const Snapshot* s = m_planSnapshot;
    m_rowWasInSight = rowInSight();
    const bool row = m_rowWasInSight && s && !s->controlsDisabled() && s->isOpen() && s->recNo() >= 0 &&
                     !s->isNull(QLatin1String(catalogue::column::StatementId));
    const qint64 statement = row ? s->asInteger(QLatin1String(catalogue::column::StatementId)) : -1;
    // the text too: a statement prepared again under the same number has another plan
    const QString text = row ? s->asText(QLatin1String(catalogue::column::SqlText)) : QString();
    if (!always && statement == m_statement && text == m_statementText)
        return;
    m_statement = statement;
    m_statementText = text;
    QString plan;
    try {
        if (row && m_reader)
            plan = m_reader(m_statement);
    } catch (...) {
        m_statement = -1;  // read again on the next refresh
        setPlainText(QString());
        throw;
    }
    if (plan != toPlainText())
        setPlainText(plan);
}

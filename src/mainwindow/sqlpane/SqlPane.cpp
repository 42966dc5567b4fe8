#include "mainwindow/sqlpane/SqlPane.h"

#include "common/Messages.h"
#include "mainwindow/sqlpane/SqlHighlighter.h"
#include "monitor/Snapshot.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>

TSqlPane::TSqlPane(QWidget* parent) : QPlainTextEdit(parent), m_highlighter(new TInterBaseSqlHighlighter(document()))
{
    setObjectName(QStringLiteral("SQLPane"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    setUndoRedoEnabled(false);
    setFont(paneFont());
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

QFont TSqlPane::paneFont()
{
    const QString courier = QStringLiteral("Courier New");
    if (QFontDatabase::families().contains(courier, Qt::CaseInsensitive)) {
        QFont f(courier, 10);
        f.setStyleHint(QFont::TypeWriter);
        return f;
    }
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(10);
    return f;
}

void TSqlPane::bind(Snapshot* snapshot, const QString& column)
{
    for (const QMetaObject::Connection& c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_snapshot = snapshot;
    m_column = column;
    if (snapshot) {
        m_connections << connect(snapshot, &Snapshot::currentRowChanged, this, &TSqlPane::showCurrentRow);
        m_connections << connect(snapshot, &Snapshot::rowsReplaced, this, &TSqlPane::showCurrentRow);
    }
    showCurrentRow();
}

void TSqlPane::setRowInSight(std::function<bool()> inSight)
{
    m_inSight = std::move(inSight);
    showCurrentRow();
}

void TSqlPane::showCurrentRow()
{
    QString text;
    if (m_snapshot && !m_snapshot->controlsDisabled() && m_snapshot->recNo() >= 0 && rowInSight())
        text = m_snapshot->asText(m_column);
    if (text == m_shown)
        return;
    m_shown = text;
    setPlainText(text);
}

void TSqlPane::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_Insert) {
        copy();
        event->accept();
        return;
    }
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_A) {
        selectAll();
        event->accept();
        return;
    }
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_C) {
        copy();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TSqlPane::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copyAction = menu.addAction(QString::fromUtf8(msg::SqlPaneCopy), this, &QPlainTextEdit::copy);
    copyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copyAction->setEnabled(textCursor().hasSelection());
    QAction* all = menu.addAction(QString::fromUtf8(msg::SqlPaneSelectAll), this, &QPlainTextEdit::selectAll);
    all->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    all->setEnabled(!document()->isEmpty());
    menu.exec(event->globalPos());
}

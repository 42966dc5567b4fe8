#pragma once
// The Statements tab's SQL pane: the SQL text of the statements snapshot's current row, read-only,
// in Courier New 10 pt where the system has it (else the system's fixed-pitch font), coloured as
// InterBase SQL. It follows the current row and every refresh; the text is replaced only when it
// has changed, so a selection survives a refresh of the same statement. No gutter; Ctrl+C and
// Ctrl+Insert copy, Ctrl+A selects all.

#include "monitor/MonitoringCatalogue.h"

#include <QPlainTextEdit>
#include <QPointer>

#include <functional>

class Snapshot;
class TInterBaseSqlHighlighter;

class TSqlPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TSqlPane(QWidget* parent = nullptr);

    // Shows the column's text of the snapshot's current row from now on (nullptr: nothing).
    void bind(Snapshot* snapshot, const QString& column = QLatin1String(catalogue::column::SqlText));
    TInterBaseSqlHighlighter* highlighter() const { return m_highlighter; }
    // Whether the snapshot's current row is in sight (a grid's filters may hide every row); the
    // pane is empty while it is not. Without it the current row always is.
    void setRowInSight(std::function<bool()> inSight);
    // Call when the row in sight may have changed without the snapshot's cursor moving.
    virtual void rowInSightChanged() { showCurrentRow(); }

    static QFont paneFont();

protected:
    bool rowInSight() const { return !m_inSight || m_inSight(); }
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void showCurrentRow();

    TInterBaseSqlHighlighter* m_highlighter;
    QPointer<Snapshot> m_snapshot;
    QString m_column;
    QString m_shown;
    QList<QMetaObject::Connection> m_connections;
    std::function<bool()> m_inSight;
};

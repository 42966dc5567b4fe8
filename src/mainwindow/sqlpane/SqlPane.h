#pragma once
// The Statements tab's SQL pane: the SQL text of the statements snapshot's current row, read-only,
// in Courier New 10 pt where the system has it (else the system's fixed-pitch font), coloured as
// InterBase SQL. It follows the current row and every refresh; the text is replaced only when it
// has changed, so a selection survives a refresh of the same statement. No gutter; Ctrl+C and
// Ctrl+Insert copy, Ctrl+A selects all.

#include <QPlainTextEdit>
#include <QPointer>

class Snapshot;
class TInterBaseSqlHighlighter;

class TSqlPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TSqlPane(QWidget* parent = nullptr);

    // Shows the column's text of the snapshot's current row from now on (nullptr: nothing).
    void bind(Snapshot* snapshot, const QString& column = QStringLiteral("TMP$SQL"));
    TInterBaseSqlHighlighter* highlighter() const { return m_highlighter; }

    static QFont paneFont();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void showCurrentRow();

    TInterBaseSqlHighlighter* m_highlighter;
    QPointer<Snapshot> m_snapshot;
    QString m_column;
    QString m_shown;
    QList<QMetaObject::Connection> m_connections;
};

#pragma once
// The in-memory copy of one monitoring query's whole result. Views browse it locally; a refresh
// fetches everything again and replaces the rows only after the fetch has succeeded.

#include "monitor/MonitoringCatalogue.h"
#include "ib/Values.h"
#include "monitor/RowStore.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class Snapshot : public QObject {
    Q_OBJECT
public:
    // Fills a store with the whole result of the snapshot's query (the query-to-snapshot link).
    using Fetcher = std::function<void(Snapshot& snapshot, RowStore& into)>;
    // Display text of one cell.
    using TextRule = std::function<QString(const Snapshot& snapshot, int row, int column)>;

    explicit Snapshot(const catalogue::SnapshotDecl& decl, QObject* parent = nullptr);

    const catalogue::SnapshotDecl& decl() const { return m_decl; }
    QString name() const { return QString::fromLatin1(m_decl.snapshotName); }
    int columnCount() const { return static_cast<int>(m_decl.columns.size()); }
    const catalogue::ColumnDecl& columnDecl(int column) const { return m_decl.columns[static_cast<size_t>(column)]; }
    int columnIndex(const QString& name) const;      // -1 when absent
    int requireColumn(const QString& name) const;    // throws when absent
    int keyColumn() const { return m_keyColumn; }    // -1 when the snapshot has no key
    // Whether the source of the last read lacks the column (see RowStore::setAbsent).
    bool columnAbsent(int column) const { return m_rows.isAbsent(column); }

    void setFetcher(Fetcher fetcher) { m_fetcher = std::move(fetcher); }
    // How the texts of the rows are decoded: in the character set the connection asked for (the
    // fetcher sets it with the rows it fetches).
    void setTextDecoder(const ib::TextDecoder& decoder) { m_decoder = decoder; }
    const ib::TextDecoder& textDecoder() const { return m_decoder; }
    void setTextRule(int column, TextRule rule);

    // Query parameters (qryPoolBlocks: TMP$POOL_ID), bound by name when the query runs.
    void setParam(const QString& name, const QVariant& value) { m_params[name] = value; }
    QVariant param(const QString& name) const;
    const std::map<QString, QVariant>& params() const { return m_params; }

    void open();     // first read; the cursor stands on the first row
    void refresh();  // read again; same position number, or the last row when shorter
    void close();    // drop the rows
    // Rows filled elsewhere (a recorded moment) in place of a read: replaces the rows as refresh
    // does; the snapshot is open afterwards.
    void replaceRows(RowStore rows);
    bool isOpen() const { return m_open; }
    bool isEmpty() const { return m_rows.rowCount() == 0; }
    int rowCount() const { return m_rows.rowCount(); }

    // Cursor: the current row's index, -1 when there is none.
    int recNo() const { return m_current; }
    void setRecNo(int row);
    void first() { setRecNo(0); }
    void next();
    bool eof() const { return m_eof; }

    // Values of the current row by column name.
    bool isNull(const QString& column) const;
    qint64 asInteger(const QString& column) const;  // 0 when NULL
    QString asText(const QString& column) const;    // plain text; empty when NULL
    QDateTime asDateTime(const QString& column) const;
    double asFloat(const QString& column) const;
    QVariant value(const QString& column) const;
    QString displayText(const QString& column) const;

    // Values by position, for models and rules.
    bool isNull(int row, int column) const { return m_rows.isNull(row, column); }
    QVariant value(int row, int column) const;      // typed: qint64, double, QDateTime, QString; null QVariant for NULL
    QString plainText(int row, int column) const;   // the ordinary text of the value
    QString displayText(int row, int column) const; // through the column's rule
    std::string_view rawText(int row, int column) const { return m_rows.text(row, column); }
    qint64 intValue(int row, int column) const { return m_rows.intValue(row, column); }
    double doubleValue(int row, int column) const { return m_rows.doubleValue(row, column); }
    // A byte form of the key column's value, equal for equal keys (trailing blanks ignored).
    std::string keyOf(int row) const;

    // Makes the first row whose column equals value current; false (cursor unchanged) when none.
    bool locate(const QString& column, const QVariant& value);

    // While disabled, views are not told of changes; enabling tells them once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    size_t memoryBytes() const { return m_rows.memoryBytes(); }
    const RowStore& rows() const { return m_rows; }
    // While rowsReplaced is emitted: the rows the views were told of before (by the last
    // rowsReplaced), so that they can tell what changed; nullptr otherwise and after a close.
    const RowStore* previousRows() const { return m_previous ? &*m_previous : nullptr; }

signals:
    // The rows were replaced (open, refresh, close). Not emitted while controls are disabled.
    void rowsReplaced();
    // The current row changed as a whole: another row, a re-read, an opening, a close.
    void currentRowChanged();

private:
    void fetch(RowStore& into);
    // Keeps the rows the views know, before the first replacement since they were told.
    void keepPreviousRows();
    void rowsChanged();
    void emitRowsReplaced();
    void currentChanged();

    const catalogue::SnapshotDecl& m_decl;
    int m_keyColumn = -1;
    Fetcher m_fetcher;
    ib::TextDecoder m_decoder;
    std::vector<TextRule> m_rules;
    std::map<QString, QVariant> m_params;
    RowStore m_rows;
    std::optional<RowStore> m_previous;
    bool m_open = false;
    int m_current = -1;
    bool m_eof = true;
    int m_disableCount = 0;
    bool m_pendingRows = false;
    bool m_pendingCurrent = false;
};

// The standard date-time text: the short date, and when the time of day is not midnight a blank
// and the long time, in the user's locale.
QString standardDateTimeText(const QDateTime& value);

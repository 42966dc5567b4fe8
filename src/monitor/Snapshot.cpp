#include "monitor/Snapshot.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "ib/Values.h"

#include <QLocale>
#include <cstring>

using catalogue::ColumnType;

Snapshot::Snapshot(const catalogue::SnapshotDecl& decl, QObject* parent)
    : QObject(parent), m_decl(decl), m_rules(decl.columns.size()), m_rows(decl.columns)
{
    setObjectName(QString::fromLatin1(decl.snapshotName));
    if (decl.keyColumn)
        m_keyColumn = columnIndex(QString::fromLatin1(decl.keyColumn));
}

int Snapshot::columnIndex(const QString& name) const
{
    for (size_t i = 0; i < m_decl.columns.size(); ++i)
        if (name.compare(QLatin1String(m_decl.columns[i].name), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int Snapshot::requireColumn(const QString& name) const
{
    const int c = columnIndex(name);
    if (c < 0)
        throw Exception(QString::fromUtf8(msg::UnknownColumn).arg(this->name(), name));
    return c;
}

void Snapshot::setTextRule(int column, TextRule rule) { m_rules.at(static_cast<size_t>(column)) = std::move(rule); }

QVariant Snapshot::param(const QString& name) const
{
    auto it = m_params.find(name);
    return it == m_params.end() ? QVariant() : it->second;
}

void Snapshot::fetch(RowStore& into)
{
    if (!m_fetcher)
        throw Exception(QString::fromUtf8(msg::SnapshotNotBound).arg(name()));
    m_fetcher(*this, into);
}

void Snapshot::open()
{
    RowStore fresh(m_decl.columns);
    fetch(fresh);
    keepPreviousRows();
    m_rows = std::move(fresh);
    m_open = true;
    m_current = m_rows.rowCount() > 0 ? 0 : -1;
    m_eof = m_rows.rowCount() == 0;
    rowsChanged();
    currentChanged();
}

void Snapshot::refresh()
{
    if (!m_open) {
        open();
        return;
    }
    RowStore fresh(m_decl.columns);
    fetch(fresh);
    replaceRows(std::move(fresh));
}

void Snapshot::replaceRows(RowStore fresh)
{
    const int position = m_open ? m_current : 0;
    m_open = true;
    keepPreviousRows();
    m_rows = std::move(fresh);
    const int n = m_rows.rowCount();
    m_current = n == 0 ? -1 : (position < 0 ? 0 : std::min(position, n - 1));
    m_eof = n == 0;
    rowsChanged();
    currentChanged();
}

void Snapshot::close()
{
    const bool had = m_open;
    if (had)
        keepPreviousRows();
    m_rows.clear();
    m_open = false;
    m_current = -1;
    m_eof = true;
    if (had) {
        rowsChanged();
        currentChanged();
    }
}

void Snapshot::setRecNo(int row)
{
    const int n = m_rows.rowCount();
    if (n == 0) {
        m_eof = true;
        return;
    }
    row = std::clamp(row, 0, n - 1);
    m_eof = false;
    if (row == m_current)
        return;
    m_current = row;
    currentChanged();
}

void Snapshot::next()
{
    if (m_current + 1 >= m_rows.rowCount()) {
        m_eof = true;
        return;
    }
    setRecNo(m_current + 1);
}

void Snapshot::keepPreviousRows()
{
    RowStore empty(m_decl.columns);
    for (int c = 0; c < columnCount(); ++c)
        if (m_rows.isAbsent(c))
            empty.setAbsent(c);  // what the last read lacked, until a read says otherwise
    if (!m_previous)
        m_previous.emplace(std::move(m_rows));
    m_rows = std::move(empty);
}

void Snapshot::rowsChanged()
{
    if (controlsDisabled())
        m_pendingRows = true;
    else
        emitRowsReplaced();
}

void Snapshot::emitRowsReplaced()
{
    try {
        emit rowsReplaced();
    } catch (...) {
        m_previous.reset();
        throw;
    }
    m_previous.reset();
}

void Snapshot::currentChanged()
{
    if (controlsDisabled())
        m_pendingCurrent = true;
    else
        emit currentRowChanged();
}

void Snapshot::disableControls() { ++m_disableCount; }

void Snapshot::enableControls()
{
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    const bool rows = std::exchange(m_pendingRows, false);
    const bool current = std::exchange(m_pendingCurrent, false);
    if (rows)
        emitRowsReplaced();
    if (rows || current)
        emit currentRowChanged();
}

QVariant Snapshot::value(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount() || m_rows.isNull(row, column))
        return {};
    switch (columnDecl(column).type) {
    case ColumnType::Int16:
    case ColumnType::Int32:
    case ColumnType::Int64: return QVariant::fromValue<qint64>(m_rows.intValue(row, column));
    case ColumnType::Double: return m_rows.doubleValue(row, column);
    case ColumnType::Timestamp: return ib::Timestamp::fromPacked(m_rows.timestampValue(row, column)).toDateTime();
    case ColumnType::Char:
    case ColumnType::Varchar: return m_decoder.decode(m_rows.text(row, column));
    }
    return {};
}

QString Snapshot::plainText(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount() || m_rows.isNull(row, column))
        return {};
    switch (columnDecl(column).type) {
    case ColumnType::Int16:
    case ColumnType::Int32:
    case ColumnType::Int64: return QString::number(m_rows.intValue(row, column));
    case ColumnType::Double: return QString::number(m_rows.doubleValue(row, column), 'g', 15);
    case ColumnType::Timestamp:
        return standardDateTimeText(ib::Timestamp::fromPacked(m_rows.timestampValue(row, column)).toDateTime());
    case ColumnType::Char:
    case ColumnType::Varchar: return m_decoder.decode(m_rows.text(row, column));
    }
    return {};
}

QString Snapshot::displayText(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    const TextRule& rule = m_rules[static_cast<size_t>(column)];
    return rule ? rule(*this, row, column) : plainText(row, column);
}

std::string Snapshot::keyOf(int row) const
{
    if (m_keyColumn < 0 || row < 0 || row >= rowCount())
        return {};
    if (m_rows.isNull(row, m_keyColumn))
        return std::string(1, '\xFF');
    switch (columnDecl(m_keyColumn).type) {
    case ColumnType::Char:
    case ColumnType::Varchar: return "T" + std::string(ib::trimRight(m_rows.text(row, m_keyColumn)));
    default: {
        const int64_t v = m_rows.intValue(row, m_keyColumn);
        std::string s(1 + sizeof v, 'I');
        std::memcpy(s.data() + 1, &v, sizeof v);
        return s;
    }
    }
}

namespace {
void requireCurrent(const Snapshot& s)
{
    if (s.recNo() < 0)
        throw Exception(QString::fromUtf8(msg::NoCurrentRow).arg(s.name()));
}
}  // namespace

bool Snapshot::isNull(const QString& column) const
{
    const int c = requireColumn(column);
    return m_current < 0 || m_rows.isNull(m_current, c);
}

qint64 Snapshot::asInteger(const QString& column) const
{
    const int c = requireColumn(column);
    requireCurrent(*this);
    if (m_rows.isNull(m_current, c))
        return 0;
    switch (columnDecl(c).type) {
    case ColumnType::Double: return qRound64(m_rows.doubleValue(m_current, c));
    case ColumnType::Char:
    case ColumnType::Varchar: return plainText(m_current, c).trimmed().toLongLong();
    default: return m_rows.intValue(m_current, c);
    }
}

QString Snapshot::asText(const QString& column) const
{
    const int c = requireColumn(column);
    requireCurrent(*this);
    return plainText(m_current, c);
}

QDateTime Snapshot::asDateTime(const QString& column) const
{
    const int c = requireColumn(column);
    requireCurrent(*this);
    return value(m_current, c).toDateTime();
}

double Snapshot::asFloat(const QString& column) const
{
    const int c = requireColumn(column);
    requireCurrent(*this);
    if (m_rows.isNull(m_current, c))
        return 0;
    return columnDecl(c).type == ColumnType::Double ? m_rows.doubleValue(m_current, c)
                                                    : value(m_current, c).toDouble();
}

QVariant Snapshot::value(const QString& column) const
{
    const int c = requireColumn(column);
    requireCurrent(*this);
    return value(m_current, c);
}

QString Snapshot::displayText(const QString& column) const
{
    const int c = requireColumn(column);
    requireCurrent(*this);
    return displayText(m_current, c);
}

bool Snapshot::locate(const QString& column, const QVariant& wanted)
{
    const int c = requireColumn(column);
    if (wanted.isNull())
        return false;
    const ColumnType type = columnDecl(c).type;
    const int n = rowCount();
    for (int r = 0; r < n; ++r) {
        if (m_rows.isNull(r, c))
            continue;
        bool equal = false;
        switch (type) {
        case ColumnType::Char:
        case ColumnType::Varchar: equal = plainText(r, c) == wanted.toString(); break;
        case ColumnType::Double: equal = m_rows.doubleValue(r, c) == wanted.toDouble(); break;
        case ColumnType::Timestamp: equal = value(r, c).toDateTime() == wanted.toDateTime(); break;
        default: equal = m_rows.intValue(r, c) == wanted.toLongLong(); break;
        }
        if (equal) {
            setRecNo(r);
            return true;
        }
    }
    return false;
}

QString standardDateTimeText(const QDateTime& value)
{
    if (!value.isValid())
        return {};
    const QLocale locale;
    QString text = locale.toString(value.date(), QLocale::ShortFormat);
    const QTime t = value.time();
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0) {
        // the long time format without a time-zone part
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        text += QLatin1Char(' ') + locale.toString(t, format.trimmed());
    }
    return text;
}

#include "monitor/MonitorQuery.h"

#include "common/Exception.h"
#include "ib/ParamBlock.h"
#include "monitor/RowStore.h"
#include "monitor/Snapshot.h"

#include <QRegularExpression>

using catalogue::ColumnType;

MonitorQuery::MonitorQuery(QString name, std::initializer_list<const char*> lines) : m_name(std::move(name))
{
    for (const char* line : lines)
        m_lines << QString::fromLatin1(line);
}

void MonitorQuery::setSQL(const QStringList& lines)
{
    m_lines = lines;
    m_statement.statement().free();
}

QString MonitorQuery::sqlText() const
{
    QString text;
    for (const QString& line : m_lines)
        text += line + QLatin1Char('\n');
    return text;
}

void MonitorQuery::prepare(const Snapshot& snapshot)
{
    // Named parameters become positional ones; quoted text is left alone.
    QString text = sqlText();
    QString sql;
    m_paramNames.clear();
    static const QRegularExpression param(QStringLiteral("^:([A-Za-z_][A-Za-z0-9_$]*)"));
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = text.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? text.size() : end + 1;
            sql += text.mid(i, stop - i);
            i = stop;
            continue;
        }
        if (c == QLatin1Char(':')) {
            const auto m = param.match(QStringView(text).mid(i));
            if (m.hasMatch()) {
                m_paramNames.push_back(m.captured(1));
                sql += QLatin1Char('?');
                i += m.capturedLength(0);
                continue;
            }
        }
        sql += c;
        ++i;
    }
    ib::Statement& st = m_statement.prepare(*m_transaction, ib::toClientText(sql));
    m_resultColumn.assign(static_cast<size_t>(snapshot.columnCount()), -1);
    for (int c = 0; c < snapshot.columnCount(); ++c)
        m_resultColumn[static_cast<size_t>(c)] = st.columnIndex(snapshot.columnDecl(c).name);
}

void MonitorQuery::fetchInto(const Snapshot& snapshot, RowStore& rows)
{
    if (!m_statement.statement().isPrepared())
        prepare(snapshot);
    ib::Statement& st = m_statement.statement();
    for (size_t p = 0; p < m_paramNames.size(); ++p) {
        const QVariant v = snapshot.param(m_paramNames[p]);
        if (v.isNull())
            st.setNull(static_cast<int>(p));
        else if (v.typeId() == QMetaType::QString)
            st.setText(static_cast<int>(p), ib::toClientText(v.toString()));
        else
            st.setInt64(static_cast<int>(p), v.toLongLong());
    }
    st.execute(m_transaction->transaction());
    const int columns = snapshot.columnCount();
    for (int c = 0; c < columns; ++c)
        if (m_resultColumn[static_cast<size_t>(c)] < 0)
            rows.setAbsent(c);
    try {
        while (st.fetch()) {
            rows.beginRow();
            for (int c = 0; c < columns; ++c) {
                const int r = m_resultColumn[static_cast<size_t>(c)];
                if (r < 0 || st.isNull(r))
                    continue;
                switch (snapshot.columnDecl(c).type) {
                case ColumnType::Int16:
                case ColumnType::Int32:
                case ColumnType::Int64: rows.setInt(c, st.asInt64(r)); break;
                case ColumnType::Double: rows.setDouble(c, st.asDouble(r)); break;
                case ColumnType::Timestamp: rows.setTimestamp(c, st.asTimestamp(r).packed()); break;
                case ColumnType::Char:
                case ColumnType::Varchar: {
                    const short type = st.column(r).type;
                    if (type == SQL_TEXT || type == SQL_VARYING)
                        rows.setText(c, st.rawText(r));
                    else if (type == SQL_BLOB)
                        rows.setText(c, st.blobText(r));
                    else
                        rows.setText(c, st.asText(r));
                    break;
                }
                }
            }
            rows.endRow();
        }
    } catch (...) {
        st.closeCursor();
        throw;
    }
    st.closeCursor();
}

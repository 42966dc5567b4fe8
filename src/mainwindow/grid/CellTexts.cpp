#include "mainwindow/grid/CellTexts.h"

#include "monitor/Snapshot.h"

namespace {
// Kept texts a column may gather before they are dropped and gathered anew: a few refreshes'
// worth of new rows beyond the rows there are.
constexpr qsizetype MaxKeptTextsBeyondRows = 10000;
}  // namespace

TCellTexts::TCellTexts(const Snapshot& snapshot) : m_snapshot(snapshot)
{
    const int n = snapshot.columnCount();
    m_byValue.resize(static_cast<size_t>(n));
    m_texts.resize(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) {
        const catalogue::ColumnDecl& d = snapshot.columnDecl(c);
        m_byValue[static_cast<size_t>(c)] =
            d.type == catalogue::ColumnType::Timestamp &&
            (d.rule == catalogue::DisplayRule::Plain || d.rule == catalogue::DisplayRule::StartTime);
    }
}

QString TCellTexts::text(int row, int column)
{
    if (column < 0 || column >= static_cast<int>(m_byValue.size()) || !m_byValue[static_cast<size_t>(column)] ||
        row < 0 || row >= m_snapshot.rowCount())
        return m_snapshot.displayText(row, column);
    if (m_snapshot.isNull(row, column))
        return m_snapshot.displayText(row, column);
    QHash<qint64, QString>& texts = m_texts[static_cast<size_t>(column)];
    const qint64 value = m_snapshot.rows().timestampValue(row, column);
    const auto it = texts.constFind(value);
    if (it != texts.constEnd())
        return it.value();
    if (texts.size() > m_snapshot.rowCount() + MaxKeptTextsBeyondRows)
        texts.clear();
    return texts.insert(value, m_snapshot.displayText(row, column)).value();
}

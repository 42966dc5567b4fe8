#include "monitor/RowState.h"

#include "monitor/Snapshot.h"

#include <QLatin1String>

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<RowState, const char*>, 4> Words = {
    {{RowState::Idle, "IDLE"}, {RowState::Active, "ACTIVE"}, {RowState::Stalled, "STALLED"}, {RowState::Limbo, "LIMBO"}}};

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}
}  // namespace

RowState rowStateOf(std::string_view word)
{
    word = trimmed(word);
    if (word.empty())
        return RowState::None;
    for (const auto& [state, text] : Words)
        if (word == text)
            return state;
    return RowState::Other;
}

const char* rowStateWord(RowState state)
{
    for (const auto& [s, text] : Words)
        if (s == state)
            return text;
    return "";
}

RowState rowState(const Snapshot& snapshot, int row)
{
    const int column = snapshot.columnIndex(QLatin1String(RowStateColumn));
    if (column < 0 || row < 0 || row >= snapshot.rowCount() || snapshot.isNull(row, column))
        return RowState::None;
    // the words are ASCII in every character set the servers use
    return rowStateOf(snapshot.rawText(row, column));
}

RowState currentRowState(const Snapshot& snapshot)
{
    if (!snapshot.isOpen())
        return RowState::None;
    return rowState(snapshot, snapshot.recNo());
}

#pragma once
// A monitored row's state (its TMP$STATE) as the program understands it. The servers give words:
// InterBase its own, Firebird's codes become the same words in the source; the views show the
// words as they are, and commands and marks look at the state, never at the words.

#include <string_view>

class Snapshot;

enum class RowState {
    None,     // no state: no row, or no value
    Idle,     // Firebird: an attachment or transaction with nothing running, a statement prepared
    Active,
    Stalled,  // a statement waiting for its client to fetch
    Limbo,    // a transaction of a two-phase commit left in between
    Other     // any other word (CANCEL, COMMITTING, letter case not the server's, ...)
};

// The column that holds a row's state.
inline constexpr const char* RowStateColumn = "TMP$STATE";

// The state of a word; white space around it is left out, letter case counts.
RowState rowStateOf(std::string_view word);
// The word of a state, as the servers write it; empty for None and Other.
const char* rowStateWord(RowState state);
// The state of a snapshot row; None when the snapshot has no state column or the row no value.
RowState rowState(const Snapshot& snapshot, int row);
// The state of the snapshot's current row; None when there is none.
RowState currentRowState(const Snapshot& snapshot);

// Whether a transaction in this state is open (counts as the oldest active one).
inline bool isOpenTransaction(RowState s) { return s == RowState::Active || s == RowState::Limbo || s == RowState::Idle; }

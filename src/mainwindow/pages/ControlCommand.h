#pragma once
// A control command on the rows the user chose in a grid (MonitorPage::chosenRows): the current
// row, or several rows selected together. The rows' keys and the question's words are taken before
// anything is shown (a refresh may run while the question is open and move the current row; the
// command acts on the rows the user chose it for). The user confirms in a warning box whose
// default button is Cancel and which names every target (its id, user, client and, for a
// statement, the start of its SQL); the snapshot module carries the operation out row by row.
// For one row, when the server changed no row the command's failure text is shown; for several,
// one box reports each row's result. Without a chosen row in sight there is only a beep. The next
// refresh shows the rows' new state.

#include "monitor/MonitorSource.h"

#include <QString>

#include <vector>

class MonitorPage;
class Snapshot;
class TdmQuillmere;
enum class RowState;

struct ControlCommand {
    ControlOperation operation;
    // The question about one row; the row's description follows it.
    QString (*question)(const Snapshot& snapshot, int row);
    // The question about several rows, with %1 for their number; their descriptions follow it.
    const char* questionSeveral;
    const char* failure;
    // Whether the command acts on a row in this state.
    bool (*actsOn)(RowState state);
    // Whether the description of a row ends with the start of its SQL text.
    bool withSql = false;
};

void runControlCommand(TdmQuillmere& dm, const MonitorPage& page, const ControlCommand& command);
// Whether the command acts on at least one of the chosen rows (the command's enabled state).
bool actsOnChosenRows(const MonitorPage& page, const ControlCommand& command);

// The question's parts from a row: the transaction's number, the user's name without its CHAR
// padding.
QString transactionNumber(const Snapshot& snapshot, int row);
QString userName(const Snapshot& snapshot, int row);
// A question about one row: the lead, the row's subject and the question mark.
QString questionAbout(const char* lead, const QString& subject);

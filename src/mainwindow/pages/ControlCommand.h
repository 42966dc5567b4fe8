#pragma once
// A control command on the current row of a grid: the row's key and the question's words are
// taken before anything is shown (a refresh may run while the question is open and move the
// current row; the command acts on the row the user chose it for), the user confirms in a warning
// box whose default button is Cancel, the snapshot module carries the operation out, and when the
// server changed no row the command's failure text is shown. Without a row in sight (no rows, or
// the current one filtered out) there is only a beep. The next refresh shows the row's new state.

#include "monitor/MonitorSource.h"

#include <QString>

class Snapshot;
class TdmQuillmere;
class TMonitorGrid;

struct ControlCommand {
    ControlOperation operation;
    QString (*question)(const Snapshot& snapshot);  // about the snapshot's current row
    const char* failure;
};

void runControlCommand(TdmQuillmere& dm, const TMonitorGrid& grid, const ControlCommand& command);

// The question's parts from the current row: the statement's text as it is, the transaction's
// number, the user's name without its CHAR padding.
QString statementText(const Snapshot& snapshot);
QString transactionNumber(const Snapshot& snapshot);
QString userName(const Snapshot& snapshot);

#pragma once
// A monitoring grid as text, the way it is shown: the visible columns in displayed order under
// their captions, the leaf rows in displayed order (sorts, filters and groupings applied, collapsed
// groups included), each cell's display text without CHAR padding. Group lines are not rows of
// the text: a chosen group row stands for the rows below it.
//
// Copy: tab-separated, a header line first, lines ending in LF; a value that holds a tab, a line
// break or a double quote is put in double quotes with its quotes doubled, as spreadsheets read
// pasted text.
// Export: CSV by RFC 4180 in UTF-8 without a byte order mark: a header line, lines ending in
// CR LF, a field that holds a comma, a double quote, CR or LF in double quotes with its quotes
// doubled.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class TMonitorGrid;

namespace gridtext {

struct ShownRows {
    QStringList captions;
    std::vector<QStringList> rows;
};

enum class Rows {
    All,      // every leaf row
    Selected  // the selected rows, or the current row when none is selected
};

ShownRows shownRows(const TMonitorGrid& grid, Rows which);

QString tabSeparated(const ShownRows& rows);
QByteArray csv(const ShownRows& rows);

// Writes the grid's rows as CSV to the file, replacing it whole; raises Exception naming the file
// and the reason when it cannot be written (an old file is then left as it was).
void writeCsvFile(const TMonitorGrid& grid, const QString& fileName);

}  // namespace gridtext

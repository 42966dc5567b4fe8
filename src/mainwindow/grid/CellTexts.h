#pragma once
// The display texts of a snapshot's cells as the quick filter reads them: straight from the
// snapshot, and for date-time columns whose text follows from the value alone (plain and start
// times, by the catalogue's display rules) kept by value, since formatting a date-time costs more
// than all the other cells of a row together, and a row's start time stays the same from one
// refresh to the next.

#include <QHash>
#include <QString>

#include <vector>

class Snapshot;

class TCellTexts {
public:
    explicit TCellTexts(const Snapshot& snapshot);

    QString text(int row, int column);

private:
    const Snapshot& m_snapshot;
    std::vector<bool> m_byValue;                      // per column: the text is kept by value
    std::vector<QHash<qint64, QString>> m_texts;      // per column: packed date-time -> text
};

#pragma once
// Where the pages' rows come from now: the live server, read on each refresh, or a moment read
// back from the history store. The window keeps it; the pages ask it what they may read and do,
// so that a page never needs to know which it is.

#include <QDateTime>
#include <QString>

#include <optional>

class RowOrigin {
public:
    virtual ~RowOrigin() = default;
    // Whether the snapshots can be read now: a connection is open, or a recorded moment is shown.
    virtual bool readable() const = 0;
    // Whether the rows are a recorded moment's. Nothing can be done to them: the control commands
    // are disabled while this holds.
    virtual bool recorded() const = 0;
    // When the rows were read: the recorded moment's time, or nothing for live rows (read now).
    virtual std::optional<QDateTime> readAt() const = 0;
    // The plan of a statement among the rows shown; empty when there is none.
    virtual QString statementPlan(qint64 statementId) = 0;
};

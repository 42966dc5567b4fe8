#pragma once
// A snapshot as a user meets it, for comparisons: every row in order, each cell as its value and
// its display text ("TMP$STATE=ACTIVE|ACTIVE ...").

#include "monitor/Snapshot.h"

#include <QStringList>

inline QStringList shownRows(const Snapshot& s)
{
    QStringList out;
    for (int r = 0; r < s.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < s.columnCount(); ++c) {
            const QVariant v = s.value(r, c);
            const QString value = s.isNull(r, c)                       ? QStringLiteral("<null>")
                                  : v.typeId() == QMetaType::Double    ? QString::number(v.toDouble(), 'g', 17)
                                  : v.typeId() == QMetaType::QDateTime ? v.toDateTime().toString(Qt::ISODateWithMs)
                                                                       : v.toString();
            cells << QLatin1String(s.columnDecl(c).name) + QLatin1Char('=') + value + QLatin1Char('|') +
                         s.displayText(r, c);
        }
        out << cells.join(QLatin1Char(' '));
    }
    return out;
}

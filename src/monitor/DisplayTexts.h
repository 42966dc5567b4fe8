#pragma once
// The display-text rules every view uses: pool type names and the elapsed-time text.

#include <QString>

QString PoolTypeName(const QString& code);
// v days with a fraction as "%4.1d:%2.2d:%2.2d.%3.3d" (hours, minutes, seconds, milliseconds).
QString ElapsedTimeText(double days);

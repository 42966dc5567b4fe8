#include "app/ProgramIcon.h"

#include <QString>

QList<int> programIconSizes() { return {16, 24, 32, 48, 64, 128, 256}; }

QIcon programIcon()
{
    QIcon icon;
    for (const int size : programIconSizes())
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/quillmere.png").arg(size), QSize(size, size));
    return icon;
}

#include "common/HelpPages.h"

#include "common/Messages.h"

#include <QDir>
#include <QFileInfo>

QString helpPagePath(const QString& programFile, const QString& pageName)
{
    const QDir folder(QFileInfo(programFile).absolutePath());
    const QString beside = folder.filePath(QString::fromUtf8(msg::HelpFolder)) + QDir::separator() + pageName;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(folder.filePath(QString::fromUtf8(msg::InstalledHelpFolder)) + QDir::separator() + pageName);
    return QFileInfo::exists(installed) ? installed : beside;
}

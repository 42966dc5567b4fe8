#include "app/QuillmereApplication.h"

#include "common/Messages.h"
#include "mainwindow/MainForm.h"

#include <QDir>
#include <QFileInfo>

int main(int argc, char** argv)
{
    QuillmereApplication app(argc, argv);
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    QuillmereApplication::setApplicationDisplayName(QString::fromUtf8(msg::ApplicationTitle));
    // the help file: the folder Help beside the program, the page named like the program
    const QFileInfo program(QuillmereApplication::applicationFilePath());
    QuillmereApplication::setHelpFile(
        QDir(program.absolutePath()).filePath(QStringLiteral("Help/") + program.completeBaseName() + QStringLiteral(".html")));
    TfrmMain frmMain;
    frmMain.show();
    return app.exec();
}

#include "app/QuillmereApplication.h"

#include "common/Messages.h"
#include "mainwindow/MainForm.h"


int main(int argc, char** argv)
{
    QuillmereApplication app(argc, argv);
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    QuillmereApplication::setApplicationDisplayName(QString::fromUtf8(msg::ApplicationTitle));
    QuillmereApplication::setHelpFile(TfrmMain::GetHelpFileName());
    TfrmMain frmMain;
    frmMain.show();
    return app.exec();
}

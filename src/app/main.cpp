#include "app/ProgramIcon.h"
#include "app/QuillmereApplication.h"
#include "app/SignalHandling.h"
#include "app/StartArguments.h"

#include "common/Messages.h"
#include "mainwindow/MainForm.h"


int main(int argc, char** argv)
{
    // the command line before anything connects to the display: --help, --version and a wrong
    // argument are answered on a terminal without one
    StartArguments start;
    if (const std::optional<int> answered = cmdline::answerCommandLine(
            quillmereProgram(), cmdline::arguments(argc, argv),
            [&start](const QStringList& args) { start = parseStartArguments(args); }))
        return *answered;

    QuillmereApplication app(argc, argv);
    // The title is the application's name only. A display name set as well would be appended to
    // every window's caption by the desktop platforms (on X11 "Confirm — Quillmere").
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    QuillmereApplication::setWindowIcon(programIcon());
    // the desktop entry (quillmere.desktop), by which desktops find the icon of a running program
    QuillmereApplication::setDesktopFileName(QStringLiteral("quillmere"));
    QuillmereApplication::setHelpFile(TfrmMain::GetHelpFileName());
    TfrmMain frmMain;
    frmMain.SetStartDatabaseName(start.databaseName);
    // SIGTERM and SIGINT close the window as File > Exit does
    const SignalHandling signalHandling(&frmMain);
    frmMain.show();
    return app.exec();
}

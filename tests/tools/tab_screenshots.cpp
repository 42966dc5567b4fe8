// tab_screenshots: the main window connected to a database, each tab photographed as a user would
// see it, at the window's first size and at a large one. Run by scripts/demo-screenshots under a
// virtual display; not a test of its own.
//
//   tab_screenshots OUTDIR DATABASE USER PASSWORD
//
// writes OUTDIR/<n>-<tab>-<width>x<height>.png, then the history mode's pictures (8-history-*,
// 9-history-*). A message box that opens on the way is printed
// and closed, so that the program never waits for a user.

#include "app/QuillmereApplication.h"
#include "common/SettingsFile.h"
#include "connection/ServerConnectionDM.h"
#include "connectdialog/ConnectDlg.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/history/HistoryMode.h"
#include "mainwindow/history/HistoryRangeView.h"
#include "mainwindow/history/HistoryRateCharts.h"
#include "mainwindow/history/HistoryRecording.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/StatementsPage.h"
#include "monitor/QuillmereDM.h"
#include "monitor/RowState.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fputs(("tab_screenshots: " + line + "\n").toUtf8().constData(), stderr);
}

// Lets the window work (timers, refreshes, painting) for a while.
void work(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QString fileSafe(QString text)
{
    text.remove(QLatin1Char('&'));
    text = text.toLower().replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    return text.remove(QRegularExpression(QStringLiteral("^-+|-+$")));
}

bool save(TfrmMain& form, const QDir& out, const QString& name)
{
    if (form.grab().save(out.filePath(name))) {
        std::printf("%s\n", out.filePath(name).toUtf8().constData());
        return true;
    }
    say(QStringLiteral("cannot write %1").arg(out.filePath(name)));
    return false;
}

// The Statements tab with another program's running statement current, its plan below, and the grid scrolled to
// the client behind it.
bool photographRunningStatement(TfrmMain& form, const QDir& out)
{
    form.SelectPage(PageId::Statements);
    Snapshot& s = form.dmQuillmere().cdsStatements;
    for (int attempt = 0; attempt < 20; ++attempt) {
        form.actRefreshExecute();
        work(500);
        for (int row = 0; row < s.rowCount(); ++row)
            if (rowState(s, row) == RowState::Active &&
                s.intValue(row, s.requireColumn(QStringLiteral("CLIENT_PROCESS_ID"))) != QCoreApplication::applicationPid()) {
                s.setRecNo(row);
                work(500);
                QScrollBar* bar = form.statementsPage().grid()->view()->horizontalScrollBar();
                bar->setValue(bar->maximum());
                work(300);
                return save(form, out, QStringLiteral("4b-statements-running-%1x%2.png").arg(form.width()).arg(form.height()));
            }
    }
    say(QStringLiteral("no running statement showed"));
    return false;
}

// Every tab selected, refreshed and grabbed; false when a file could not be written.
bool photograph(TfrmMain& form, const QDir& out)
{
    bool ok = true;
    for (size_t i = 0; i < form.pages().size(); ++i) {
        MonitorPage& page = *form.pages()[i];
        form.SelectPage(page.id());
        work(300);
        form.actRefreshExecute();
        work(700);
        const QPixmap shot = form.grab();
        const QString name = QStringLiteral("%1-%2-%3x%4.png")
                                 .arg(i + 1)
                                 .arg(fileSafe(page.caption()))
                                 .arg(form.width())
                                 .arg(form.height());
        if (shot.save(out.filePath(name))) {
            std::printf("%s\n", out.filePath(name).toUtf8().constData());
        } else {
            say(QStringLiteral("cannot write %1").arg(out.filePath(name)));
            ok = false;
        }
    }
    return ok;
}

// The history: a few recorded passes, then the Statements tab at a moment with a running statement
// (the timeline strip below), the statements that ran over the span and the page reads' chart.
bool photographHistory(TfrmMain& form, const QDir& out)
{
    for (int pass = 0; pass < 8; ++pass) {
        form.recording().recordNow();
        work(1000);
    }
    form.SelectPage(PageId::Statements);
    form.actHistory->trigger();
    THistoryMode& history = form.historyMode();
    if (!history.shown()) {
        say(QStringLiteral("the history did not show"));
        return false;
    }
    // the last moment with a running statement of the workload's
    for (int index = static_cast<int>(history.moments().size()) - 1; index >= 0; --index) {
        history.showIndex(index);
        const Snapshot& s = form.dmQuillmere().cdsStatements;
        bool running = false;
        for (int row = 0; row < s.rowCount() && !running; ++row)
            running = rowState(s, row) == RowState::Active;
        if (running)
            break;
    }
    work(500);
    const QString size = QStringLiteral("%1x%2").arg(form.width()).arg(form.height());
    bool ok = save(form, out, QStringLiteral("8-history-statements-%1.png").arg(size));
    form.SelectPage(PageId::Database);
    work(300);
    ok = save(form, out, QStringLiteral("8-history-database-%1.png").arg(size)) && ok;
    const auto& moments = history.moments();
    THistoryRangeView range(*history.reader(), moments.front(), moments.back(), &form);
    range.show();
    work(500);
    ok = range.grab().save(out.filePath(QStringLiteral("9-history-range.png"))) && ok;
    THistoryRateCharts charts(*history.reader(), moments, &form);
    charts.show();
    work(500);
    ok = charts.grab().save(out.filePath(QStringLiteral("9-history-rates.png"))) && ok;
    form.actLive->trigger();
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QuillmereApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5) {
        say(QStringLiteral("usage: tab_screenshots OUTDIR DATABASE USER PASSWORD"));
        return 2;
    }
    const QDir out(args[1]);
    if (!QDir().mkpath(out.path())) {
        say(QStringLiteral("cannot create %1").arg(out.path()));
        return 1;
    }
    const QString database = args[2], user = args[3], password = args[4];

    // a settings file of its own, so that the user's options and connections stay as they are
    QTemporaryDir settingsDir;
    setSettingsFileNameOverride(settingsDir.filePath(QStringLiteral("quillmere.ini")));
    // and a data folder of its own, for the history that Record History writes
    qputenv("XDG_DATA_HOME", QFile::encodeName(settingsDir.path()));

    TfrmMain::setConnectDialogRunner([&](TdlgConnectToDB& dialog) {
        dialog.edtDatabaseName->setCurrentText(database);
        dialog.edtUserName->setText(user);
        dialog.edtPassword->setText(password);
        return int(QDialog::Accepted);
    });

    // a message box (an error, a question) is reported and closed
    QTimer modalWatch;
    QObject::connect(&modalWatch, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            const auto* box = qobject_cast<QMessageBox*>(dialog);
            say(QStringLiteral("closed \"%1\": %2").arg(dialog->windowTitle(), box ? box->text() : QString()));
            dialog->reject();
        }
    });
    modalWatch.start(200);

    int status = 0;
    {
        TfrmMain form;
        form.show();
        QElapsedTimer waited;
        waited.start();
        while (!form.dmServerProperties().GetConnected() && waited.elapsed() < 60'000)
            work(100);
        if (!form.dmServerProperties().GetConnected()) {
            say(QStringLiteral("the window did not connect to %1").arg(database));
            status = 1;
        } else {
            // a few refreshes, so that the memory history and the grids have something to show
            for (int i = 0; i < 3; ++i) {
                form.actRefreshExecute();
                work(1000);
            }
            if (!photograph(form, out))
                status = 1;
            form.resize(1600, 1000);
            work(500);
            if (!photograph(form, out) || !photographRunningStatement(form, out) || !photographHistory(form, out))
                status = 1;
        }
        form.actDisconnectExecute();
        work(200);
    }
    TfrmMain::setConnectDialogRunner({});
    setSettingsFileNameOverride(QString());
    return status;
}

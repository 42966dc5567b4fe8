#include "mainwindow/ServerReports.h"

#include "common/Messages.h"
#include "connection/IBStatisticsOptionsDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/TextViewerDlg.h"

#include <QGuiApplication>

namespace {
// The hourglass while a report is fetched; the previous cursor comes back however the fetch ends.
class HourglassCursor {
public:
    HourglassCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassCursor() { QGuiApplication::restoreOverrideCursor(); }
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;
};
}  // namespace

namespace reports {

void showServerLog(QWidget* parent, TdmServerProperties& server)
{
    TdlgTextViewer viewer(parent);
    // a local connection has no server name: the caption then starts with its blank
    viewer.setWindowTitle(server.GetServerName() + QString::fromUtf8(msg::ServerLogCaptionSuffix));
    {
        const HourglassCursor hourglass;
        viewer.SetViewerText(server.GetServerLog());
        // the newest entries are at the end
        viewer.ScrollToEnd();
    }
    viewer.exec();
}

void showDatabaseStatistics(QWidget* parent, TdmServerProperties& server)
{
    TdlgIBStatisticsOptions options(parent);
    TdlgTextViewer viewer(parent);
    if (options.exec() != QDialog::Accepted)
        return;
    viewer.setWindowTitle(QString::fromUtf8(msg::StatisticsViewerCaption));
    viewer.SetFixedFont(true);
    {
        const HourglassCursor hourglass;
        viewer.SetViewerText(server.GetDatabaseStatistics(options.GetStatisticsOptions()));
    }
    viewer.exec();
}

}  // namespace reports

#pragma once
// The server's reports in the text viewer: the server log (the newest entries in sight) and the
// database statistics after their options. Each is fetched under the hourglass, which goes
// however the fetch ends; a failed fetch throws before any viewer is shown.

class QWidget;
class TdmServerProperties;

namespace reports {
void showServerLog(QWidget* parent, TdmServerProperties& server);
void showDatabaseStatistics(QWidget* parent, TdmServerProperties& server);
}  // namespace reports

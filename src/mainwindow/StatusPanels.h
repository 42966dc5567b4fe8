#pragma once
// The main window's status bar: the logging state, the database (or that its connection is lost),
// who records history, the notice that the user sees only its own connections (hidden otherwise),
// and at the right-hand end the last refresh and how long it took, Paused, or the recorded moment
// shown. The message over the first panels is the active page's notice.

#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

class ElidingLabel;
class QLabel;
class QStatusBar;

class TStatusPanels {
public:
    enum class Panel { Logging, Database, Refresh, History, Rights };

    // Fills the window's status bar with the panels, all empty.
    explicit TStatusPanels(QStatusBar& bar);
    TStatusPanels(const TStatusPanels&) = delete;
    TStatusPanels& operator=(const TStatusPanels&) = delete;

    QLabel& panel(Panel panel) const;

    // The connected database's name (empty for none), said lost when the connection is; the
    // notice when the monitoring tables show the user only its own attachments.
    void showConnection(const QString& databaseName, bool lost, bool ownAttachmentsOnly);
    // Logging on, or on and waiting for a connection; nothing while it is off.
    void showLogging(bool enabled, bool connected);
    void showRecording(const QString& text, const QString& hint);
    // The page's notice over the first panels; a lost connection is the more important news.
    void showNotice(const QString& notice, bool connectionLost);

    // A refresh has just ended, after that many milliseconds; forgotten when the connection closes.
    void refreshed(qint64 milliseconds);
    void forgetRefresh();
    // The refresh panel: the recorded moment while one is shown, else the last refresh and Paused.
    void showRefresh(bool paused, const std::optional<QDateTime>& moment);

private:
    void setRefreshText(const QString& text);

    QStatusBar& m_bar;
    QLabel* m_logging = nullptr;
    ElidingLabel* m_database = nullptr;  // shortens the name, never the sentence
    bool m_connectionLost = false;
    QLabel* m_history = nullptr;  // recording history, or who records it
    QLabel* m_rights = nullptr;   // only your own connections (before the refresh panel)
    QLabel* m_refresh = nullptr;  // the last refresh, or Paused (at the right-hand end)
    struct LastRefresh {
        QTime at;
        qint64 milliseconds = 0;
    };
    std::optional<LastRefresh> m_lastRefresh;
};

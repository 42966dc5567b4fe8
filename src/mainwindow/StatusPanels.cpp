#include "mainwindow/StatusPanels.h"

#include "common/Messages.h"
#include "mainwindow/ElidingLabel.h"

#include <QLabel>
#include <QStatusBar>
#include <QWidget>

namespace {
constexpr int LoggingPanelWidth = 50;

QString T(const char* text) { return QString::fromUtf8(text); }

QLabel* addPanel(QStatusBar& bar, const char* name)
{
    auto* label = new QLabel(&bar);
    label->setObjectName(QLatin1String(name));
    return label;
}
}  // namespace

TStatusPanels::TStatusPanels(QStatusBar& bar) : m_bar(bar)
{
    bar.setObjectName(QStringLiteral("StatusBar"));
    bar.setSizeGripEnabled(true);
    m_logging = addPanel(bar, "stbLogging");
    // wider only for the longer text of logging that waits for a connection
    m_logging->setMinimumWidth(LoggingPanelWidth);
    m_database = new ElidingLabel(&bar);
    m_database->setObjectName(QStringLiteral("stbDatabase"));
    bar.addWidget(m_logging);
    bar.addWidget(m_database, 1);
    m_history = addPanel(bar, "stbHistory");
    bar.addWidget(m_history);
    m_rights = addPanel(bar, "stbRights");
    m_rights->hide();
    bar.addPermanentWidget(m_rights);
    m_refresh = addPanel(bar, "stbRefresh");
    bar.addPermanentWidget(m_refresh);
}

QLabel& TStatusPanels::panel(Panel panel) const
{
    switch (panel) {
    case Panel::Logging: return *m_logging;
    case Panel::Database: return *m_database;
    case Panel::History: return *m_history;
    case Panel::Rights: return *m_rights;
    case Panel::Refresh: break;
    }
    return *m_refresh;
}

void TStatusPanels::showConnection(const QString& databaseName, bool lost, bool ownAttachmentsOnly)
{
    m_connectionLost = lost;
    m_database->setText(lost ? T(msg::StatusConnectionLost) : QStringLiteral("%1"), databaseName);
    // on every tab: what the monitoring tables show this user is not the whole server
    m_rights->setText(ownAttachmentsOnly ? T(msg::StatusOwnConnectionsOnly) : QString());
    m_rights->setVisible(ownAttachmentsOnly);
}

void TStatusPanels::showLogging(bool enabled, bool connected)
{
    m_logging->setText(!enabled    ? QString()
                       : connected ? T(msg::StatusLogging)
                                   : T(msg::StatusLoggingWaits));
}

void TStatusPanels::showRecording(const QString& text, const QString& hint)
{
    m_history->setText(text);
    m_history->setToolTip(hint);
}

void TStatusPanels::showNotice(const QString& notice, bool connectionLost)
{
    // the message covers the logging and database panels while it shows
    if (notice.isEmpty() || connectionLost)
        m_bar.clearMessage();
    else
        m_bar.showMessage(notice);
}

void TStatusPanels::refreshed(qint64 milliseconds) { m_lastRefresh = LastRefresh{QTime::currentTime(), milliseconds}; }

void TStatusPanels::forgetRefresh() { m_lastRefresh.reset(); }

void TStatusPanels::showRefresh(bool paused, const std::optional<QDateTime>& moment)
{
    if (moment) {
        setRefreshText(T(msg::StatusHistoryMoment).arg(moment->toLocalTime().toString(QStringLiteral("HH:mm:ss"))));
        return;
    }
    // while the connection is lost the database's panel says that refreshing is paused, and it
    // has this panel's room for saying so whole
    if (m_connectionLost) {
        setRefreshText(QString());
        return;
    }
    if (!m_lastRefresh) {
        setRefreshText(paused ? T(msg::StatusPaused) : QString());
        return;
    }
    const QString at = m_lastRefresh->at.toString(QStringLiteral("HH:mm:ss"));
    setRefreshText(
        T(paused ? msg::StatusPausedLastRefresh : msg::StatusLastRefresh).arg(at).arg(m_lastRefresh->milliseconds));
}

void TStatusPanels::setRefreshText(const QString& text)
{
    // The panel's text changes on every tick. A label whose size may change lays out the whole
    // window again when its text does, and the page under it is painted afresh; so the panel keeps
    // a fixed size, grown when a text needs more and shrunk only when one needs much less (Paused
    // ends), and let go when it is empty (then it gives its room to the other panels).
    if (text.isEmpty()) {
        m_refresh->setMinimumSize(0, 0);
        m_refresh->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_refresh->clear();
        return;
    }
    m_refresh->setText(text);
    const QSize needed = m_refresh->sizeHint();
    const QSize kept = m_refresh->maximumSize();
    if (kept != m_refresh->minimumSize() || needed.height() != kept.height() || needed.width() > kept.width() ||
        needed.width() < kept.width() * 3 / 4)
        m_refresh->setFixedSize(needed);
}

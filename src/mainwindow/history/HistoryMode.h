#pragma once
// Where the pages' rows come from: the live server, or a recorded moment of the history store
// (Monitor > History). While a moment is shown, the module's snapshots are filled from the store
// instead of the server, so that every tab shows the moment through its own page (the same
// columns, display texts, sorting, grouping, filters, SQL and plan panes); the window's refresh
// timer stands still, the control commands are disabled, and the timeline strip below the tabs
// chooses the moment. Live (or Esc) gives the snapshots back to the server.
//
// The moments come from the connected database's history store (Monitor > History), or from the
// database's own log tables (File > Open Log Tables) read into a store of their own.

#include "history/HistoryReader.h"
#include "logging/LogTablesHistory.h"
#include "mainwindow/pages/RowOrigin.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QTemporaryDir;
class QWidget;
class TdmQuillmere;
class TdmServerProperties;
class TTimelineStrip;

class THistoryMode : public QObject, public RowOrigin {
    Q_OBJECT
public:
    struct Parts {
        TdmServerProperties& server;
        TdmQuillmere& dm;
        QWidget& window;  // the dialogs' parent
        QAction& history;  // Monitor > History (checked while a moment is shown)
        QAction& live;     // Esc
    };
    explicit THistoryMode(const Parts& parts);
    ~THistoryMode() override;

    // RowOrigin
    bool readable() const override;
    bool recorded() const override { return shown(); }
    std::optional<QDateTime> readAt() const override;
    QString statementPlan(qint64 statementId) override;

    // The strip the window places below its tabs; hidden while live.
    TTimelineStrip* strip() const { return m_strip; }

    // Shows the connected (or last connected) database's history at its last moment. Throws, the
    // live view kept, when there is nothing recorded to show.
    void showStore(const QString& fileName, const QString& databaseName);
    // Shows what the logging passes wrote into the database's log tables, read into a store of its
    // own (kept until the live view returns).
    void showLogTables(const std::vector<logtables::LogTable>& tables, const QString& databaseName);
    // Returns to the live view.
    void showLive();
    bool shown() const { return m_reader != nullptr; }

    // The moments shown on the strip, oldest first, and the one shown.
    const std::vector<history::MomentInfo>& moments() const { return m_moments; }
    int currentIndex() const { return m_current; }
    std::optional<int64_t> currentMoment() const;
    // Shows another moment (an index into moments()); clamped.
    void showIndex(int index);
    // The moments a recording pass has added since: appended to the strip.
    void momentsAdded();

    // The range view over the marked moment (or the first) and the one shown, and the rate charts.
    void showRangeView();
    void showRateCharts();

    history::HistoryReader* reader() const { return m_reader.get(); }

signals:
    // The shown moment changed, or the mode began or ended: the window refreshes its active page
    // and its states.
    void changed();

private:
    void fillFromMoment(bool on);

    Parts m_parts;
    TTimelineStrip* m_strip = nullptr;
    std::unique_ptr<QTemporaryDir> m_logTablesFolder;  // the store the log tables were read into
    std::unique_ptr<history::HistoryStore> m_store;
    std::unique_ptr<history::HistoryReader> m_reader;
    std::vector<history::MomentInfo> m_moments;
    int m_current = -1;
};

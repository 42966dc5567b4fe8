#pragma once
// One tab of the main window. A page owns what the tab shows (a snapshot in a grid, or values of
// its own), how it follows the snapshot's rows across refreshes (the current row found again by
// the catalogue's key column), its tool bar and commands, its part of the settings file, and what
// it does after each refresh and when the connection closes. The window holds the pages in tab
// order and loops over them; tests and benchmarks drive the pages through this interface, not
// through their widgets.
//
// Where a page's rows come from is not the page's business: a refresh re-reads its snapshot, and
// the snapshot's filler fills it (the live source of a tick, or a moment read back from history).
// A plain grid page (Procedures, Tables & Views) is this class itself; the tabs that do more are
// subclasses.

#include "mainwindow/grid/GridDeclarations.h"
#include "mainwindow/pages/RowOrigin.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QIcon;
class QTabWidget;
class QToolBar;
class QVBoxLayout;
class QWidget;
class SettingsFile;
class Snapshot;
class TdmQuillmere;
class TdmServerProperties;
class TMonitorGrid;

enum class PageId { Database, Memory, Procedures, Statements, Relations, Transactions, Users };

// What the window gives its pages.
struct PageContext {
    TdmQuillmere& dm;
    TdmServerProperties& server;
    QWidget& window;   // the pages' commands belong to it, so that their shortcuts work there
    QTabWidget& tabs;  // each page adds its tab, in the order the pages are made
    // Go to User: the Users tab, read afresh, with the attachment's row current.
    std::function<void(qint64 attachmentId)> goToUser;
    // Where the rows come from now (live, or a recorded moment), and what may be done to them.
    RowOrigin& origin;
};

class MonitorPage : public QObject {
    Q_OBJECT
public:
    MonitorPage(PageId id, const PageContext& context);
    ~MonitorPage() override;
    MonitorPage(const MonitorPage&) = delete;
    MonitorPage& operator=(const MonitorPage&) = delete;

    PageId id() const { return m_id; }
    QWidget* widget() const { return m_widget; }
    // The tab's caption as its tab shows it.
    QString caption() const;
    // The snapshot the page shows and follows; nullptr for the Database tab.
    Snapshot* snapshot() const { return m_snapshot; }
    // The column that finds the current row again after a re-read; empty when there is none.
    QString keyColumn() const;
    // The page's grid, at first the whole tab (nullptr for the Database tab), and the grid in sight
    // (for Export Grid).
    TMonitorGrid* grid() const { return m_grid; }
    virtual TMonitorGrid* gridInSight() const { return m_grid; }
    QToolBar* toolBar() const { return m_toolBar; }

    // One refresh of the page, inside the window's tick: the snapshot read again with the current
    // row kept, then the commands from that row.
    virtual void refresh();
    // After the pools of the same refresh have been read.
    virtual void afterRefresh() {}
    // The connection has closed. Grids keep their last rows and the commands their state.
    virtual void connectionClosed() {}
    // The commands from the current row (also whenever the current row changes as a whole).
    virtual void updateActions() {}

    // The current row's key; null when there is no current row.
    QVariant currentKey() const;

    // What the page's commands act on: the rows the user chose, by key. A choice is the current
    // row the user moved to, or several rows selected together; a refresh keeps the rule for where
    // the current row lands, but never makes another row the chosen one. When every chosen row
    // has gone, nothing is chosen until the user picks a row again, and the page's notice says so.
    // The rows, top to bottom as shown; none while nothing chosen is in sight.
    std::vector<int> chosenRows() const;
    bool chosenRowsGone() const { return m_chosenGone; }
    // The status bar's word from the page (the chosen rows have ended); empty when there is none.
    QString notice() const { return m_notice; }
    // Makes the row with the key current, and the user's choice; false (nothing moved) when there
    // is none.
    bool selectKey(const QVariant& key);
    // The grid's rows as shown: the visible columns' texts, top to bottom (sorts, filters and
    // groupings applied).
    QList<QStringList> shownRows() const;

    // The page's part of the settings file: the grid's quick filter and Hide idle in [GridOptions]
    // under the page's name.
    virtual void readOptions(const SettingsFile& settings);
    virtual void writeOptions(SettingsFile& settings) const;

signals:
    void noticeChanged();

protected:
    const PageContext& context() const { return m_context; }
    // The notice when the chosen rows have ended, with %1 for their keys; nullptr on pages whose
    // rows nothing acts on.
    virtual const char* chosenRowsEndedText() const { return nullptr; }
    QVBoxLayout* layout() const { return m_layout; }
    // A command of the page: an action of the window's, initially enabled or not.
    QAction* addAction(const char* name, const char* caption, const char* shortcut, bool enabled, const QIcon& icon);
    // The tab's tool bar along its top edge, each button with its icon and caption.
    void addToolBar(const char* name, const QList<QAction*>& actions);
    // Runs the command's handler when it is chosen, its errors reported.
    void onTriggered(QAction* action, std::function<void()> handler);
    // Re-reads the snapshot with its views suspended and finds the current row again by its key;
    // true when the row was found. While the connection is closed, closes the snapshot instead
    // (its views become empty).
    bool refreshKeepingRow();
    // Whether the snapshot has a current row.
    bool hasCurrentRow() const;
    // Whether the control commands may act on the rows: not on a recorded moment's.
    bool controllable() const { return !m_context.origin.recorded(); }
    // Go to User on the current row's attachment; a beep when there is no row in sight or it has
    // no attachment.
    void goToUserOfCurrentRow();

private:
    // The user moved the current row or changed the selection: that is the choice from now on.
    void userChoseRows();
    void choose(const std::vector<int>& rows);
    // After a re-read: the choice followed to where its rows are now, or found gone.
    void followChoice(bool hadRows);
    void setNotice(const QString& notice);

    PageId m_id;
    const PageContext& m_context;
    QWidget* m_widget = nullptr;
    QVBoxLayout* m_layout = nullptr;
    Snapshot* m_snapshot = nullptr;
    TMonitorGrid* m_grid = nullptr;
    QToolBar* m_toolBar = nullptr;
    std::vector<std::string> m_chosenKeys;  // Snapshot::keyOf of the chosen rows
    QStringList m_chosenTexts;              // and their keys as text, for the notice
    bool m_chosenGone = false;
    bool m_refreshing = false;
    QString m_notice;
};

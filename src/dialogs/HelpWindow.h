#pragma once
// TfrmHelp: the program's help pages (HTML files in one folder) in a window of the program's own,
// so that help works on a machine without a web browser. Left the contents: every page of the
// folder (the home page first, the others by file name) with its sections; right the page, whose
// links lead to the other pages and sections. Back, Forward and Home walk the pages as a browser
// does; Find (Ctrl+F, F3, Shift+F3) searches the page shown. Open in Browser hands the page to
// the desktop's web browser, and links to the web go there too; when that fails, the error goes to
// the report the window is given. A page that is missing shows a text that says so.

#include "dialogs/BrowserLauncher.h"

#include <QMainWindow>
#include <QUrl>

class QAction;
class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class TfrmHelp : public QMainWindow {
    Q_OBJECT
public:
    // Shows pageFile (a help page's path, with "#section" or without) in the help window of owner:
    // a window of owner's own, made on first use and raised after, so that it can be used while
    // owner is a modal dialog and closes with it.
    static TfrmHelp* ShowHelp(QWidget* owner, const QUrl& page, ErrorReport report);

    TfrmHelp(QWidget* owner, ErrorReport report);

    // Shows page; the contents are those of its folder.
    void ShowPage(const QUrl& page);
    QUrl CurrentPage() const;

    // Finds text in the page shown, from the cursor on (or back), going round at the end; false
    // (and "Not found" beside the find box) when the page does not hold it.
    bool Find(const QString& text, bool backward = false);

    QTextBrowser* txtPage = nullptr;
    QTreeWidget* tvContents = nullptr;
    QWidget* pnlFind = nullptr;
    QLineEdit* edtFind = nullptr;
    QLabel* lblFindResult = nullptr;
    QAction* actBack = nullptr;
    QAction* actForward = nullptr;
    QAction* actHome = nullptr;
    QAction* actFind = nullptr;
    QAction* actFindNext = nullptr;
    QAction* actFindPrevious = nullptr;
    QAction* actOpenInBrowser = nullptr;
    QAction* actClose = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createActions();
    void fillContents(const QString& folder);
    void contentsItemActivated(QTreeWidgetItem* item);
    void linkActivated(const QUrl& link);
    void pageChanged(const QUrl& page);
    void openFindBar();

    ErrorReport m_report;
    QString m_folder;  // the folder whose pages the contents list
};

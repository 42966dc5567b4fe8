// The help window over the program's own help pages: the contents, links between the pages and
// their sections, back and forward, one window per owner, find, a missing page, and Open in
// Browser on a machine without the desktop's opener.

#include "common/Exception.h"
#include "common/Messages.h"
#include "dialogs/HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString T(const char* text) { return QString::fromUtf8(text); }

QUrl page(const QString& name) { return QUrl::fromLocalFile(QDir(QStringLiteral(QUILLMERE_HELP_DIR)).filePath(name)); }

QUrl section(const QString& name, const QString& id)
{
    QUrl url = page(name);
    url.setFragment(id);
    return url;
}

int headingsIn(const QString& name)
{
    QFile file(page(name).toLocalFile());
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("<h2")) : -1;
}

}  // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT

    QStringList m_reports;
    ErrorReport report()
    {
        return [this](const Exception& e) { m_reports << e.message(); };
    }

private slots:
    void init() { m_reports.clear(); }

    void contentsLinksAndHistory()
    {
        QWidget owner;
        TfrmHelp* help = TfrmHelp::ShowHelp(&owner, page(T(msg::HelpHomePage)), report());
        QVERIFY(help->isVisible());
        QVERIFY(help->isWindow());
        QCOMPARE(help->windowTitle(), T(msg::HelpWindowCaption));

        // the home page first, then the others; every section heading of a page is listed, so
        // every one carries the id that links and the contents go to
        const QStringList pages = QDir(QStringLiteral(QUILLMERE_HELP_DIR)).entryList({QStringLiteral("*.html")});
        QCOMPARE(help->tvContents->topLevelItemCount(), pages.size());
        QCOMPARE(help->tvContents->topLevelItem(0)->text(0), QStringLiteral("Quillmere"));
        for (int i = 0; i < help->tvContents->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = help->tvContents->topLevelItem(i);
            const QString name = QFileInfo(item->data(0, Qt::UserRole).toUrl().toLocalFile()).fileName();
            QVERIFY2(item->childCount() == headingsIn(name), qPrintable(name));
        }

        // a section from the contents, a link to another page, back and forward
        QTreeWidgetItem* logging = help->tvContents->findItems(QStringLiteral("Performance logging"), Qt::MatchExactly).value(0);
        QVERIFY(logging);
        emit help->tvContents->itemActivated(logging->child(0), 0);
        QCOMPARE(help->CurrentPage(), section(QStringLiteral("Logging.html"), QStringLiteral("setup")));
        QVERIFY(help->txtPage->toPlainText().startsWith(QStringLiteral("Performance logging")));
        QCOMPARE(help->tvContents->currentItem(), logging->child(0));
        emit help->txtPage->anchorClicked(QUrl(QStringLiteral("quillmere.html#settings")));
        QCOMPARE(help->CurrentPage(), section(T(msg::HelpHomePage), QStringLiteral("settings")));
        help->actBack->trigger();
        QCOMPARE(help->CurrentPage(), section(QStringLiteral("Logging.html"), QStringLiteral("setup")));
        QVERIFY(help->actForward->isEnabled());
        help->actForward->trigger();
        QCOMPARE(help->CurrentPage(), section(T(msg::HelpHomePage), QStringLiteral("settings")));

        // the owner's window again, showing the page asked for
        QCOMPARE(TfrmHelp::ShowHelp(&owner, page(QStringLiteral("Logging.html")), report()), help);
        QCOMPARE(help->CurrentPage(), page(QStringLiteral("Logging.html")));
        help->actHome->trigger();
        QCOMPARE(help->CurrentPage(), page(T(msg::HelpHomePage)));
        QVERIFY(m_reports.isEmpty());
    }

    void findGoesRoundAndSaysWhenNothingIsFound()
    {
        QWidget owner;
        TfrmHelp* help = TfrmHelp::ShowHelp(&owner, page(T(msg::HelpHomePage)), report());
        QVERIFY(help->Find(QStringLiteral("remembered connections")));
        const int first = help->txtPage->textCursor().selectionStart();
        while (help->Find(QStringLiteral("remembered connections")) && help->txtPage->textCursor().selectionStart() != first) {
        }
        QCOMPARE(help->txtPage->textCursor().selectionStart(), first);  // round again to the first
        QVERIFY(help->lblFindResult->text().isEmpty());
        QVERIFY(!help->Find(QStringLiteral("no page holds this")));
        QCOMPARE(help->lblFindResult->text(), T(msg::HelpFindNotFound));
    }

    void aMissingPageSaysSo()
    {
        QWidget owner;
        QTemporaryDir empty;
        const QString missing = QDir(empty.path()).filePath(QStringLiteral("quillmere.html"));
        TfrmHelp* help = TfrmHelp::ShowHelp(&owner, QUrl::fromLocalFile(missing), report());
        QVERIFY2(help->txtPage->toPlainText().contains(missing), qPrintable(help->txtPage->toPlainText()));
        QVERIFY(help->txtPage->toPlainText().startsWith(QStringLiteral("Help page missing")));
    }

    // Without xdg-open (xdg-utils not installed) the user is told, not left waiting for a browser.
    void openInBrowserWithoutTheOpenerIsReported()
    {
        QWidget owner;
        TfrmHelp* help = TfrmHelp::ShowHelp(&owner, page(T(msg::HelpHomePage)), report());
        QTemporaryDir noPrograms;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(noPrograms.path()));
        help->actOpenInBrowser->trigger();
        qputenv("PATH", path);
        QTRY_COMPARE(m_reports.size(), 1);
        QCOMPARE(m_reports[0], T(msg::BrowserNoOpener).arg(page(T(msg::HelpHomePage)).toLocalFile()));
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestHelpWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_help_window.moc"

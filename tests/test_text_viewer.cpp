// The text viewer: layout and the centred buttons, the context menu's Copy and Select All, scrolling
// to the end, the fixed-pitch font, and printing (to a PDF file, and without a printer).

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "dialogs/TextViewerDlg.h"

#include <QClipboard>
#include <QFontInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

namespace {

QString numberedLines(int count, int width = 20)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1 ").arg(i).leftJustified(width, u'.');
    return lines.join(u'\n');
}

// Opens the viewer's context menu the way a right click does, and closes it again.
void openContextMenu(TdlgTextViewer& dlg)
{
    emit dlg.Memo->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(dlg.PopupActionBarEx->isVisible());
    dlg.PopupActionBarEx->hide();
}

// Where the buttons must be for a strip of the given size.
QPoint centredGroup(const QSize& strip) { return QPoint(strip.width() / 2 - 179 / 2, strip.height() / 2 - 25 / 2); }

struct ErrorCatcher {
    ErrorCatcher()
    {
        QuillmereApplication::setErrorHandler([this](const Exception& e) { messages << e.message(); });
    }
    ~ErrorCatcher() { QuillmereApplication::setErrorHandler({}); }
    QStringList messages;
};

}  // namespace

class TestTextViewer : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { TdlgTextViewer::setPrinterSource({}); }

    void windowAndLayoutAtDesignSize()
    {
        TdlgTextViewer dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Text Viewer"));
        QVERIFY(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(!(dlg.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(dlg.windowFlags() & Qt::WindowSystemMenuHint);
        dlg.show();
        QCOMPARE(dlg.size(), QSize(632, 373));
        QCOMPARE(dlg.focusWidget(), dlg.Memo);
        QCOMPARE(dlg.Memo->geometry(), QRect(16, 16, 600, 373 - 16 - 52));
        QCOMPARE(dlg.pnlBottom->geometry(), QRect(0, 373 - 52, 632, 52));
        QCOMPARE(dlg.pnlButtons->geometry(), QRect(centredGroup({632, 52}), QSize(179, 25)));
        QCOMPARE(dlg.btnOK->geometry(), QRect(0, 0, 75, 25));
        QCOMPARE(dlg.btnPrint->geometry(), QRect(104, 0, 75, 25));
        // OK is the default and the only way out besides the close box
        QVERIFY(dlg.btnOK->isDefault());
        QCOMPARE(dlg.findChildren<QPushButton*>().size(), 2);
        QVERIFY(dlg.Memo->isReadOnly());
        QCOMPARE(dlg.Memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(dlg.Memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        dlg.btnOK->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void resizingKeepsButtonsCentredAndMargins_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("larger") << QSize(1000, 700);
        QTest::newRow("odd width") << QSize(901, 455);  // integer division of an odd half
        QTest::newRow("narrower than the design") << QSize(300, 200);
    }
    void resizingKeepsButtonsCentredAndMargins()
    {
        QFETCH(QSize, size);
        TdlgTextViewer dlg;
        dlg.show();
        dlg.resize(size);
        QCOMPARE(dlg.size(), size);
        QCOMPARE(dlg.Memo->geometry(), QRect(16, 16, size.width() - 32, size.height() - 16 - 52));
        QCOMPARE(dlg.pnlBottom->geometry(), QRect(0, size.height() - 52, size.width(), 52));
        QCOMPARE(dlg.pnlButtons->pos(), centredGroup(dlg.pnlBottom->size()));
        QCOMPARE(dlg.pnlButtons->size(), QSize(179, 25));
    }

    void copyNeedsASelectionAndTakesTheWholeText()
    {
        const QString text = QStringLiteral("first line\nsecond line\n\nfourth line, after an empty one");
        TdlgTextViewer dlg;
        dlg.SetViewerText(text);
        dlg.show();
        QVERIFY(dlg.mitmCopy->icon().isNull() == false);
        QVERIFY(dlg.mitmSelectAll->icon().isNull() == false);
        QCOMPARE(dlg.mitmCopy->text(), QStringLiteral("Copy"));
        QCOMPARE(dlg.mitmSelectAll->text(), QStringLiteral("Select All"));

        openContextMenu(dlg);
        QVERIFY(!dlg.mitmCopy->isEnabled());
        QVERIFY(dlg.mitmSelectAll->isEnabled());

        QTextCursor one = dlg.Memo->textCursor();
        one.setPosition(12);
        one.setPosition(13, QTextCursor::KeepAnchor);
        dlg.Memo->setTextCursor(one);
        openContextMenu(dlg);
        QVERIFY(dlg.mitmCopy->isEnabled());

        QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
        dlg.mitmCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), text);

        // taking the selection away disables Copy again at the next opening
        one.clearSelection();
        dlg.Memo->setTextCursor(one);
        openContextMenu(dlg);
        QVERIFY(!dlg.mitmCopy->isEnabled());

        dlg.mitmSelectAll->trigger();
        QCOMPARE(dlg.Memo->textCursor().selectedText().size(), text.size());
        openContextMenu(dlg);
        QVERIFY(dlg.mitmCopy->isEnabled());
    }

    void emptyText()
    {
        TdlgTextViewer dlg;
        dlg.SetViewerText(QString());
        dlg.show();
        dlg.mitmSelectAll->trigger();
        openContextMenu(dlg);
        QVERIFY(!dlg.mitmCopy->isEnabled());
        dlg.ScrollToEnd();
        QCOMPARE(dlg.Memo->textCursor().position(), 0);
        QVERIFY(!dlg.Memo->textCursor().hasSelection());
    }

    void scrollToEnd()
    {
        const QString text = numberedLines(600);
        TdlgTextViewer dlg;
        dlg.SetViewerText(text);
        dlg.show();
        // a selection made before is dropped
        dlg.mitmSelectAll->trigger();
        dlg.ScrollToEnd();
        const QTextCursor cursor = dlg.Memo->textCursor();
        QCOMPARE(cursor.position(), text.size());
        QVERIFY(!cursor.hasSelection());
        QScrollBar* bar = dlg.Memo->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(dlg.Memo->viewport()->rect().contains(dlg.Memo->cursorRect()));

        // as the log viewer is used: scrolled before it is shown
        TdlgTextViewer log;
        log.SetViewerText(text);
        log.ScrollToEnd();
        log.show();
        QCOMPARE(log.Memo->verticalScrollBar()->value(), log.Memo->verticalScrollBar()->maximum());
        QVERIFY(log.Memo->viewport()->rect().contains(log.Memo->cursorRect()));

        // a new text starts at the top again
        dlg.SetViewerText(text);
        QCOMPARE(dlg.Memo->verticalScrollBar()->value(), 0);
        QCOMPARE(dlg.Memo->textCursor().position(), 0);
    }

    void longLinesAreNotWrapped()
    {
        const QString longLine = QStringLiteral("begin ") + QString(3000, u'x') + QStringLiteral(" end");
        TdlgTextViewer dlg;
        dlg.SetViewerText(QStringLiteral("short\n") + longLine + QStringLiteral("\nshort again"));
        dlg.show();
        QCOMPARE(dlg.Memo->document()->blockCount(), 3);
        for (QTextBlock b = dlg.Memo->document()->begin(); b.isValid(); b = b.next())
            QCOMPARE(b.layout()->lineCount(), 1);

        QScrollBar* bar = dlg.Memo->horizontalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QTextCursor atLineEnd(dlg.Memo->document()->findBlockByNumber(1));
        atLineEnd.movePosition(QTextCursor::EndOfBlock);
        const QRect end = dlg.Memo->cursorRect(atLineEnd);
        QVERIFY2(dlg.Memo->viewport()->rect().contains(end.center()), "the line's end is reachable");
    }

    void fixedFont()
    {
        TdlgTextViewer dlg;
        QFont windowFont(QStringLiteral("DejaVu Sans"), 11);
        dlg.setFont(windowFont);
        const int size = dlg.Memo->font().pointSize();

        dlg.SetFixedFont(true);
        const QString fixedFamily = QFontDatabase::hasFamily(QStringLiteral("Courier New"))
                                        ? QStringLiteral("Courier New")
                                        : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        QCOMPARE(dlg.Memo->font().family(), fixedFamily);
        QCOMPARE(dlg.Memo->font().pointSize(), size);
        QVERIFY(QFontInfo(dlg.Memo->font()).fixedPitch());

        dlg.SetFixedFont(false);
        QCOMPARE(dlg.Memo->font().family(), dlg.font().family());
        QCOMPARE(dlg.Memo->font().pointSize(), size);
    }

    void printMakesOneDocumentTitledWithTheCaption()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pdf = dir.filePath(QStringLiteral("viewer.pdf"));
        int printersAsked = 0;
        TdlgTextViewer::setPrinterSource([&] {
            ++printersAsked;
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        });
        ErrorCatcher errors;

        TdlgTextViewer dlg;
        dlg.setWindowTitle(QStringLiteral("Database Statistics"));
        dlg.SetViewerText(numberedLines(300));  // several pages
        dlg.show();
        QTest::mouseClick(dlg.btnPrint, Qt::LeftButton);

        QCOMPARE(errors.messages, QStringList());
        QCOMPARE(printersAsked, 1);
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QCOMPARE(bytes.count("%%EOF"), 1);  // one document
        QVERIFY(dlg.isVisible());           // printing does not close the viewer

        // the document's title, in the information dictionary
        const QRegularExpression title(QStringLiteral("/Title \\(((?:\\\\.|[^\\\\)])*)\\)"));
        const auto match = title.match(QString::fromLatin1(bytes));
        QVERIFY2(match.hasMatch(), "the document has a title");
        QCOMPARE(pdfText(match.captured(1).toLatin1()), QStringLiteral("Database Statistics"));

        const QRegularExpression pageCount(QStringLiteral("/Type\\s*/Pages\\b.*?/Count\\s+(\\d+)"),
                                           QRegularExpression::DotMatchesEverythingOption);
        const auto pages = pageCount.match(QString::fromLatin1(bytes));
        QVERIFY(pages.hasMatch());
        QVERIFY2(pages.captured(1).toInt() > 1, "the whole text is printed, not only the visible part");
    }

    void noPrinterIsReportedThroughTheHandler()
    {
        int printersAsked = 0;
        TdlgTextViewer::setPrinterSource([&] {
            ++printersAsked;
            return std::unique_ptr<QPrinter>();
        });
        ErrorCatcher errors;
        TdlgTextViewer dlg;
        dlg.SetViewerText(QStringLiteral("text"));
        dlg.show();
        const auto windowsBefore = QApplication::topLevelWidgets().size();

        QTest::mouseClick(dlg.btnPrint, Qt::LeftButton);

        QCOMPARE(printersAsked, 1);
        QCOMPARE(errors.messages, QStringList{QString::fromUtf8(msg::NoDefaultPrinter)});
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.Memo->toPlainText(), QStringLiteral("text"));
    }

private:
    // A PDF literal string's text: backslash escapes undone, UTF-16BE after its byte-order mark.
    static QString pdfText(const QByteArray& literal)
    {
        QByteArray raw;
        for (qsizetype i = 0; i < literal.size(); ++i)
            raw += literal[i] == '\\' && i + 1 < literal.size() ? literal[++i] : literal[i];
        if (!raw.startsWith("\xFE\xFF"))
            return QString::fromLatin1(raw);
        QString text;
        for (qsizetype i = 2; i + 1 < raw.size(); i += 2)
            text += QChar(char16_t((uchar(raw[i]) << 8) | uchar(raw[i + 1])));
        return text;
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    TestTextViewer test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_text_viewer.moc"

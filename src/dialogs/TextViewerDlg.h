#pragma once
// TdlgTextViewer: a modal window that shows one long plain text read-only, copies it and prints it.
// The caller creates one for each use, sets its caption (setWindowTitle), its font choice and its
// text, shows it with exec() and destroys it.

#include <QDialog>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;

class TdlgTextViewer : public QDialog {
    Q_OBJECT
public:
    explicit TdlgTextViewer(QWidget* parent = nullptr);

    // Replaces the whole content of the text area.
    void SetViewerText(const QString& text);
    // Puts the caret after the last character, with nothing selected, and scrolls it into view.
    void ScrollToEnd();
    // true: the fixed-pitch font ("Courier New" where present); false: the window's own font.
    // The size stays.
    void SetFixedFont(bool fixed);

    // Print: the text on the printer that printerSource gives, as one job titled with the caption.
    // Raises Exception when there is no printer.
    void Print();
    // Prints the text on printer, as one job titled with the caption.
    void PrintTo(QPrinter& printer);

    // Where Print sends the text: by default the system's default printer, without a dialog.
    // A source returns nullptr when no printer is available. An empty source restores the default.
    using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;
    static void setPrinterSource(PrinterSource source);
    static std::unique_ptr<QPrinter> defaultPrinter();

    // The fixed-pitch family SetFixedFont(true) uses.
    static QString fixedFontFamily();

    QPlainTextEdit* Memo;
    QWidget* pnlBottom;
    QWidget* pnlButtons;
    QPushButton* btnOK;
    QPushButton* btnPrint;
    QMenu* PopupActionBarEx;
    QAction* mitmCopy;
    QAction* mitmSelectAll;

    // Event handlers, public so that drivers of the window can run them.
    void btnPrintClick();
    void mitmCopyClick();
    void mitmSelectAllClick();
    void PopupActionBarExPopup();
    void pnlBottomResize();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

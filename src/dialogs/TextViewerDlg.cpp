#include "dialogs/TextViewerDlg.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>

#include <optional>

namespace {

constexpr int DesignClientWidth = 632;
constexpr int DesignClientHeight = 373;
constexpr int Margin = 16;
constexpr int BottomStripHeight = 52;
constexpr int ButtonGroupWidth = 179;
constexpr int ButtonGroupHeight = 25;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int PrintButtonLeft = 104;

TdlgTextViewer::PrinterSource& printerSource()
{
    static TdlgTextViewer::PrinterSource source;
    return source;
}

// Small pictures for systems whose icon theme has none.
QIcon drawnIcon(const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    draw(p);
    return QIcon(pixmap);
}

QIcon copyIcon()
{
    return QIcon::fromTheme(QStringLiteral("edit-copy"), drawnIcon([](QPainter& p) {
                                p.setPen(QColor(64, 64, 64));
                                p.setBrush(Qt::white);
                                p.drawRect(1, 1, 8, 10);  // the original
                                p.drawRect(6, 4, 8, 10);  // the copy over it
                                for (int y = 7; y <= 11; y += 2)
                                    p.drawLine(8, y, 12, y);
                            }));
}

QIcon selectAllIcon()
{
    return QIcon::fromTheme(QStringLiteral("edit-select-all"), drawnIcon([](QPainter& p) {
                                p.setBrush(QColor(51, 102, 204));
                                p.setPen(Qt::NoPen);
                                for (int y = 3; y <= 11; y += 4)
                                    p.drawRect(3, y, 10, 2);
                                p.setBrush(Qt::NoBrush);
                                p.setPen(QPen(QColor(64, 64, 64), 1, Qt::DotLine));
                                p.drawRect(1, 1, 13, 13);
                            }));
}

}  // namespace

TdlgTextViewer::TdlgTextViewer(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("dlgTextViewer"));
    setWindowTitle(QString::fromUtf8(msg::TextViewerCaption));
    setSizeGripEnabled(false);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setWordWrapMode(QTextOption::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setContextMenuPolicy(Qt::CustomContextMenu);

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->installEventFilter(this);
    pnlButtons = new QWidget(pnlBottom);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    pnlButtons->resize(ButtonGroupWidth, ButtonGroupHeight);

    btnOK = new QPushButton(QString::fromUtf8(msg::TextViewerOK), pnlButtons);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(0, 0, ButtonWidth, ButtonHeight);
    btnOK->setDefault(true);
    btnPrint = new QPushButton(QString::fromUtf8(msg::TextViewerPrint), pnlButtons);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setGeometry(PrintButtonLeft, 0, ButtonWidth, ButtonHeight);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnPrint, &QPushButton::clicked, this, &TdlgTextViewer::btnPrintClick);

    PopupActionBarEx = new QMenu(this);
    PopupActionBarEx->setObjectName(QStringLiteral("PopupActionBarEx"));
    mitmCopy = PopupActionBarEx->addAction(copyIcon(), QString::fromUtf8(msg::TextViewerCopy));
    mitmCopy->setObjectName(QStringLiteral("mitmCopy"));
    mitmCopy->setEnabled(false);  // set on each opening of the menu
    mitmSelectAll = PopupActionBarEx->addAction(selectAllIcon(), QString::fromUtf8(msg::TextViewerSelectAll));
    mitmSelectAll->setObjectName(QStringLiteral("mitmSelectAll"));
    connect(mitmCopy, &QAction::triggered, this, &TdlgTextViewer::mitmCopyClick);
    connect(mitmSelectAll, &QAction::triggered, this, &TdlgTextViewer::mitmSelectAllClick);
    connect(PopupActionBarEx, &QMenu::aboutToShow, this, &TdlgTextViewer::PopupActionBarExPopup);
    connect(Memo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupActionBarEx->popup(Memo->viewport()->mapToGlobal(pos)); });

    resize(DesignClientWidth, DesignClientHeight);
    Memo->setFocus();
}

void TdlgTextViewer::SetViewerText(const QString& text) { Memo->setPlainText(text); }

void TdlgTextViewer::ScrollToEnd()
{
    QTextCursor cursor = Memo->textCursor();
    cursor.movePosition(QTextCursor::End, QTextCursor::MoveAnchor);
    Memo->setTextCursor(cursor);
    Memo->ensureCursorVisible();
}

QString TdlgTextViewer::fixedFontFamily()
{
    const QString preferred = QStringLiteral("Courier New");
    if (QFontDatabase::hasFamily(preferred))
        return preferred;
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

void TdlgTextViewer::SetFixedFont(bool fixed)
{
    QFont f = Memo->font();
    if (fixed) {
        f.setFamily(fixedFontFamily());
        f.setStyleHint(QFont::TypeWriter);
        f.setFixedPitch(true);
    } else {
        f.setFamily(font().family());
        f.setStyleHint(font().styleHint());
        f.setFixedPitch(font().fixedPitch());
    }
    Memo->setFont(f);
}

void TdlgTextViewer::setPrinterSource(PrinterSource source) { printerSource() = std::move(source); }

std::unique_ptr<QPrinter> TdlgTextViewer::defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

void TdlgTextViewer::Print()
{
    const std::unique_ptr<QPrinter> printer = printerSource() ? printerSource()() : defaultPrinter();
    if (!printer)
        throw Exception(msg::NoDefaultPrinter);
    PrintTo(*printer);
}

void TdlgTextViewer::PrintTo(QPrinter& printer)
{
    printer.setDocName(windowTitle());
    Memo->print(&printer);
}

void TdlgTextViewer::btnPrintClick()
{
    // reported here, after the exception has been left behind: it must not unwind through the
    // button's signal, and the handler may open a window of its own
    std::optional<Exception> error;
    try {
        Print();
    } catch (const EAbort&) {
        return;
    } catch (const Exception& e) {
        error = e;
    } catch (const std::exception& e) {
        error = Exception(QString::fromLocal8Bit(e.what()));
    }
    if (error)
        errors::report(*error);
}

void TdlgTextViewer::mitmCopyClick() { QGuiApplication::clipboard()->setText(Memo->toPlainText()); }

void TdlgTextViewer::mitmSelectAllClick() { Memo->selectAll(); }

void TdlgTextViewer::PopupActionBarExPopup() { mitmCopy->setEnabled(Memo->textCursor().hasSelection()); }

void TdlgTextViewer::pnlBottomResize()
{
    pnlButtons->move(pnlBottom->width() / 2 - pnlButtons->width() / 2,
                     pnlBottom->height() / 2 - pnlButtons->height() / 2);
}

void TdlgTextViewer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    pnlBottom->setGeometry(0, h - BottomStripHeight, w, BottomStripHeight);
    Memo->setGeometry(Margin, Margin, std::max(0, w - 2 * Margin), std::max(0, h - Margin - BottomStripHeight));
}

bool TdlgTextViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pnlBottom && event->type() == QEvent::Resize)
        pnlBottomResize();
    return QDialog::eventFilter(watched, event);
}

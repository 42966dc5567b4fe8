#include "dialogs/ErrorListDlg.h"

#include "common/Messages.h"
#include "dialogs/Prompts.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int ClientWidth = 449;
constexpr int ClientHeight = 157;
constexpr int Margin = 10;
constexpr int BottomStripHeight = 54;
constexpr int CountLeft = 12;
constexpr int CountTop = 20;
constexpr int ButtonTop = 16;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
}  // namespace

TfrmErrorList::TfrmErrorList(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    resize(ClientWidth, ClientHeight);
    setSizeGripEnabled(false);

    memErrorText = new QPlainTextEdit(this);
    memErrorText->setObjectName(QStringLiteral("memErrorText"));
    memErrorText->setReadOnly(true);
    memErrorText->setFrameShape(QFrame::NoFrame);
    memErrorText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memErrorText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memErrorText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // coloured like the dialog, so that the messages read as the window's own text
    QPalette palette = memErrorText->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    memErrorText->setPalette(palette);

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->installEventFilter(this);

    lblErrorCount = new QLabel(pnlBottom);
    lblErrorCount->setObjectName(QStringLiteral("lblErrorCount"));
    lblErrorCount->move(CountLeft, CountTop);

    btnOK = new QPushButton(QString::fromUtf8(msg::ErrorListOK), pnlBottom);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    btnOK->setGeometry(0, ButtonTop, ButtonWidth, ButtonHeight);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmErrorList::AddMessage(const QString& text)
{
    // every line of the text, then one empty line
    memErrorText->appendPlainText(text);
    memErrorText->appendPlainText(QString());
    ++m_messageCount;
    lblErrorCount->setText(m_messageCount >= 2 ? QString::fromUtf8(msg::ErrorListCount).arg(m_messageCount)
                                               : QString());
    lblErrorCount->adjustSize();
    Prompts::current().exclamationBeep();
}

void TfrmErrorList::pnlBottomResize() { btnOK->move(pnlBottom->width() / 2 - btnOK->width() / 2, ButtonTop); }

void TfrmErrorList::showEvent(QShowEvent* event)
{
    setWindowTitle(QApplication::applicationDisplayName());
    const QRect over = m_centreOver && m_centreOver->isVisible() ? m_centreOver->frameGeometry()
                                                                 : (screen() ? screen()->availableGeometry() : QRect());
    if (over.isValid()) {
        QRect frame = frameGeometry();
        frame.moveCenter(over.center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void TfrmErrorList::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    pnlBottom->setGeometry(0, h - BottomStripHeight, w, BottomStripHeight);
    memErrorText->setGeometry(Margin, Margin, std::max(0, w - 2 * Margin), std::max(0, h - Margin - BottomStripHeight));
}

bool TfrmErrorList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pnlBottom && event->type() == QEvent::Resize)
        pnlBottomResize();
    return QDialog::eventFilter(watched, event);
}

#include "dialogs/ProgressDlg.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"

#include <QApplication>
#include <QShowEvent>

#include <optional>

namespace {
constexpr int kClientWidth = 416;
constexpr int kClientHeight = 79;
constexpr int kBarLeft = 12, kBarTop = 12, kBarWidth = 393, kBarHeight = 16;
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kStartupDelayMs = 50;
}  // namespace

TdlgProgress::TdlgProgress(QWidget* parent) : QDialog(parent), ProgressBar(this), btnAbort(this), TimerStartup(this)
{
    setWindowTitle(QString::fromUtf8(msg::ProgressCaption));
    // a title, but no title-bar buttons: the dialog cannot be closed from the title bar
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    ProgressBar.setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar.setGeometry(kBarLeft, kBarTop, kBarWidth, kBarHeight);
    ProgressBar.setOrientation(Qt::Horizontal);
    ProgressBar.setTextVisible(false);
    ProgressBar.setRange(0, 100);
    ProgressBar.setValue(0);

    btnAbort.setObjectName(QStringLiteral("btnAbort"));
    btnAbort.setText(QString::fromUtf8(msg::ProgressAbort));
    const int below = kBarTop + kBarHeight;
    btnAbort.setGeometry((kClientWidth - kButtonWidth) / 2, below + (kClientHeight - below - kButtonHeight) / 2,
                         kButtonWidth, kButtonHeight);
    btnAbort.setAutoDefault(false);
    connect(&btnAbort, &QPushButton::clicked, this, [this] { btnAbortClick(); });

    TimerStartup.setObjectName(QStringLiteral("TimerStartup"));
    TimerStartup.setSingleShot(true);
    TimerStartup.setInterval(kStartupDelayMs);
    connect(&TimerStartup, &QTimer::timeout, this, [this] { TimerStartupTimer(); });
}

TProgressCallback TdlgProgress::progressCallback()
{
    return [this](QObject* sender, int max, int position) { SetProgress(sender, max, position); };
}

void TdlgProgress::SetProgress(QObject* /*sender*/, int max, int position)
{
    ProgressBar.setRange(0, max);
    ProgressBar.setValue(position);
    QCoreApplication::processEvents();
}

void TdlgProgress::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_started || event->spontaneous())
        return;
    m_started = true;
    // centred over the main window
    QWidget* main = QApplication::activeWindow();
    if (main && main != this) {
        QRect frame = frameGeometry();
        frame.moveCenter(main->frameGeometry().center());
        move(frame.topLeft());
    }
    TimerStartup.start();
}

void TdlgProgress::TimerStartupTimer()
{
    TimerStartup.stop();
    if (!OnExecute)
        return;  // open until Abort
    std::optional<Exception> error;
    bool aborted = false;
    m_working = true;
    try {
        OnExecute();
    } catch (const EAbort&) {
        aborted = true;
    } catch (const Exception& e) {
        error = e;
    } catch (const std::exception& e) {
        error = Exception(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        error = Exception(msg::ProgressWorkFailedUnknown);
    }
    m_working = false;
    if (aborted) {
        // the work ended itself silently: so does the dialog
        QDialog::reject();
        return;
    }
    if (error) {
        // reported outside the catch block; the dialog stays open until Abort
        errors::report(*error);
        return;
    }
    accept();
}

void TdlgProgress::btnAbortClick() { reject(); }

void TdlgProgress::reject()
{
    if (m_working) {
        // taken, but the work goes on, and its end sets OK
        setResult(QDialog::Rejected);
        return;
    }
    QDialog::reject();
}

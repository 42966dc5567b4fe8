#pragma once
// The progress dialog: runs one task of its owner (OnExecute) inside its modal loop, shortly
// after it has appeared, with a progress bar that the task moves through SetProgress.
//
// exec() returns QDialog::Accepted (OK) when the task has run to its end, QDialog::Rejected
// (abort) when Abort closed the dialog: before the task started, after it failed (the error
// goes to the application's error reporting and the dialog stays open), or when no task is
// set. A press of Abort while the task runs does not stop it; the dialog then ends with OK.

#include "common/ProgressInterfaces.h"

#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <functional>

class TdlgProgress : public QDialog {
    Q_OBJECT
public:
    explicit TdlgProgress(QWidget* parent = nullptr);

    // The work; a result it returns is ignored. May stay unset.
    std::function<void()> OnExecute;

    // Range 0..max, the position, then every pending event (a repaint, a press of Abort).
    void SetProgress(QObject* sender, int max, int position);
    // SetProgress bound to this dialog, to hand to the work.
    TProgressCallback progressCallback();

    QProgressBar ProgressBar;
    QPushButton btnAbort;
    QTimer TimerStartup;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void TimerStartupTimer();
    void btnAbortClick();

    bool m_started = false;  // the startup timer runs once
    bool m_working = false;
};

#pragma once
// TMultiExceptionHandler: the application's handler of unhandled errors. It shows each error in an
// error list window; while that window is open (it is modal, and timers go on ticking in its
// loop), further errors are added to it instead of opening another window.

#include <QPointer>

class Exception;
class QObject;
class QWidget;
class TfrmErrorList;

class TMultiExceptionHandler {
public:
    // centreOver: the window over which the error list opens (normally the main window).
    explicit TMultiExceptionHandler(QWidget* centreOver = nullptr);
    ~TMultiExceptionHandler();
    TMultiExceptionHandler(const TMultiExceptionHandler&) = delete;
    TMultiExceptionHandler& operator=(const TMultiExceptionHandler&) = delete;

    // Sender is not used; only the message of E is shown.
    void HandleApplicationException(QObject* sender, const Exception& e);

    // The error list shown now, or none between reports.
    TfrmErrorList* ErrorList() const { return m_errorList; }

private:
    QPointer<QWidget> m_centreOver;
    TfrmErrorList* m_errorList = nullptr;
};

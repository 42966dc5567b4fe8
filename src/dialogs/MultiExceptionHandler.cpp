#include "dialogs/MultiExceptionHandler.h"

#include "common/Exception.h"
#include "dialogs/ErrorListDlg.h"

#include <QWidget>

#include <memory>

TMultiExceptionHandler::TMultiExceptionHandler(QWidget* centreOver) : m_centreOver(centreOver) {}

TMultiExceptionHandler::~TMultiExceptionHandler() = default;

void TMultiExceptionHandler::HandleApplicationException(QObject* /*sender*/, const Exception& e)
{
    if (m_errorList) {
        // reached from the open list's own modal loop: the list stays where it is, unshown again
        m_errorList->AddMessage(e.message());
        return;
    }
    // without an owner, so that it opens whichever window is closing or failing
    auto list = std::make_unique<TfrmErrorList>();
    m_errorList = list.get();
    // forgotten when the window has closed, however the modal loop ends
    struct Forget {
        TfrmErrorList*& ref;
        ~Forget() { ref = nullptr; }
    } forget{m_errorList};
    list->setCentreOver(m_centreOver);
    list->AddMessage(e.message());
    list->exec();
}

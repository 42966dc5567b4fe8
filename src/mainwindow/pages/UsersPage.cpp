#include "mainwindow/pages/UsersPage.h"

#include "common/Messages.h"
#include "mainwindow/MainIcons.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/ControlCommand.h"
#include "monitor/QuillmereDM.h"
#include "monitor/RowState.h"

#include <QAction>

namespace {
// the state is not looked at: any connection can be cancelled or shut down
bool anyState(RowState) { return true; }

const ControlCommand AttachmentCancel{
    ControlOperation::CancelAttachment,
    [](const Snapshot& s, int row) { return questionAbout(msg::ConfirmCancelAttachment, userName(s, row)); },
    msg::ConfirmCancelAttachments, msg::FailedAttachment, anyState};
const ControlCommand AttachmentShutdown{
    ControlOperation::ShutdownAttachment,
    [](const Snapshot& s, int row) { return questionAbout(msg::ConfirmShutdownAttachment, userName(s, row)); },
    msg::ConfirmShutdownAttachments, msg::FailedAttachment, anyState};
}  // namespace

UsersPage::UsersPage(const PageContext& context) : MonitorPage(PageId::Users, context)
{
    // Disconnect and Shutdown share a picture, so do the two Cancel commands
    actAttachmentCancel =
        addAction("actAttachmentCancel", msg::ActAttachmentCancel, nullptr, true, mainicons::cancel());
    actAttachmentShutdown =
        addAction("actAttachmentShutdown", msg::ActAttachmentShutdown, nullptr, true, mainicons::disconnect());
    addToolBar("tlbAttachments", {actAttachmentCancel, actAttachmentShutdown});
    onTriggered(actAttachmentCancel, [this] { actAttachmentCancelExecute(); });
    onTriggered(actAttachmentShutdown, [this] { actAttachmentShutdownExecute(); });
}

void UsersPage::updateActions()
{
    actAttachmentCancel->setEnabled(controllable() && actsOnChosenRows(*this, AttachmentCancel));
    actAttachmentShutdown->setEnabled(actAttachmentCancel->isEnabled());
}

bool UsersPage::selectAttachment(qint64 attachmentId) { return selectKey(attachmentId) && grid()->currentRowShown(); }

void UsersPage::actAttachmentCancelExecute() { runControlCommand(context().dm, *this, AttachmentCancel); }

void UsersPage::actAttachmentShutdownExecute() { runControlCommand(context().dm, *this, AttachmentShutdown); }

const char* UsersPage::chosenRowsEndedText() const { return msg::ChosenAttachmentsEnded; }

#include "mainwindow/pages/UsersPage.h"

#include "common/Messages.h"
#include "mainwindow/MainIcons.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "mainwindow/pages/ControlCommand.h"
#include "monitor/QuillmereDM.h"

#include <QAction>

namespace {
QString userQuestion(const char* lead, const Snapshot& s)
{
    return QString::fromUtf8(lead) + userName(s) + QString::fromUtf8(msg::ConfirmQuestionEnd);
}

const ControlCommand AttachmentCancel{
    ControlOperation::CancelAttachment,
    [](const Snapshot& s) { return userQuestion(msg::ConfirmCancelAttachment, s); }, msg::FailedAttachment};
const ControlCommand AttachmentShutdown{
    ControlOperation::ShutdownAttachment,
    [](const Snapshot& s) { return userQuestion(msg::ConfirmShutdownAttachment, s); }, msg::FailedAttachment};
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
    const Snapshot& users = *snapshot();
    actAttachmentCancel->setEnabled(users.isOpen() && !users.isEmpty());
    actAttachmentShutdown->setEnabled(actAttachmentCancel->isEnabled());
}

bool UsersPage::selectAttachment(qint64 attachmentId) { return selectKey(attachmentId) && grid()->currentRowShown(); }

void UsersPage::actAttachmentCancelExecute() { runControlCommand(context().dm, *grid(), AttachmentCancel); }

void UsersPage::actAttachmentShutdownExecute() { runControlCommand(context().dm, *grid(), AttachmentShutdown); }

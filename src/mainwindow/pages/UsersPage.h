#pragma once
// The Users tab: the attachments grid; Cancel Current Operation and Shutdown, enabled while a
// chosen row is in sight (the state is not looked at).

#include "mainwindow/pages/MonitorPage.h"

class UsersPage : public MonitorPage {
    Q_OBJECT
public:
    explicit UsersPage(const PageContext& context);

    void updateActions() override;
    // Makes the attachment's row current; false when it has gone or the grid's filters hide it.
    bool selectAttachment(qint64 attachmentId);

    void actAttachmentCancelExecute();
    void actAttachmentShutdownExecute();

    QAction* actAttachmentCancel;
    QAction* actAttachmentShutdown;

protected:
    const char* chosenRowsEndedText() const override;
};

#include "support/ConnectedWindow.h"

#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "mainwindow/MainForm.h"
#include "support/TestServer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>

std::unique_ptr<TfrmMain> connectedWindow(const QString& database, std::optional<QSize> size)
{
    TfrmMain::setConnectDialogRunner([](TdlgConnectToDB&) { return int(QDialog::Rejected); });
    auto form = std::make_unique<TfrmMain>();
    if (size)
        form->resize(*size);
    form->show();
    QCoreApplication::sendPostedEvents();  // the first show, with the connect dialog cancelled
    TdmServerProperties& server = form->dmServerProperties();
    server.SetDatabaseName(database);
    server.SetUserName(TestServer::userName());
    server.SetPassword(TestServer::password());
    server.SetConnected(true);
    form->actPaused->setChecked(true);
    form->UpdateRefreshTimer();
    QCoreApplication::processEvents();
    return form;
}

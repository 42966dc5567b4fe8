#pragma once
// The one database connection of the program and the Services clients of its server.

#include "common/Exception.h"
#include "connection/DatabaseName.h"
#include "connection/ServicesClient.h"
#include "ib/Database.h"

#include <QObject>
#include <QString>

#include <functional>

class EServerPropertiesDMError : public Exception {
public:
    using Exception::Exception;
};

class TdmServerProperties : public QObject {
    Q_OBJECT
public:
    explicit TdmServerProperties(QObject* owner = nullptr);
    ~TdmServerProperties() override;

    bool GetConnected() const;
    void SetConnected(bool connected);
    QString GetDatabaseName() const;
    void SetDatabaseName(const QString& name);
    void SetUserName(const QString& userName);
    void SetPassword(const QString& password);
    void SetRole(const QString& role);
    void SetCharacterSet(const QString& characterSet);

    int GetODSMajorVersion();
    QString GetServerName();
    void GetServerNameAndProtocol();
    void ConfigureServices();

    // Called after every connect and every disconnect, with the module.
    std::function<void(TdmServerProperties*)> OnConnectionChange;

    ib::Database IBDatabase;
    ServicesClient IBServerProperties;
    ServicesClient IBLogService;
    ServicesClient IBStatisticalService;

private:
    void IBDatabaseConnect();
    // SetParam on the connection (when toDatabase) and on the three Services clients, each
    // detached first.
    void setCredential(const QString& name, const QString& value);

    QString m_serverName;  // cached; empty means not yet computed
};

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
    // Whether the open connection has been found lost (IsConnectionLoss) since it opened; every
    // connect and every disconnect clears it.
    bool GetConnectionLost() const { return m_connectionLost; }
    void SetConnectionLost(bool lost) { m_connectionLost = lost; }
    // After a lost connection: attaches again with the same database name and parameters. The
    // lost attachment is let go only once the server has taken a new one; then OnConnectionChange
    // runs as after a disconnect and a connect. When the attach fails, everything stays as it was,
    // the lost mark too, and the error is raised. Without an open connection it connects.
    void Reconnect();
    // True for an error of the client library that says the connection is gone: the server can no
    // longer be reached over it, or it or its database was shut down.
    static bool IsConnectionLoss(const std::exception& error);
    QString GetDatabaseName() const;
    void SetDatabaseName(const QString& name);
    void SetUserName(const QString& userName);
    void SetPassword(const QString& password);
    void SetRole(const QString& role);
    void SetCharacterSet(const QString& characterSet);

    int GetODSMajorVersion();
    // For tests only: when set, GetODSMajorVersion (while connected) answers with it instead of
    // asking the server; every Firebird 3 file is ODS 12, so an older structure cannot be made.
    std::function<int()> ODSMajorVersionOverride;
    QString GetServerName();
    void GetServerNameAndProtocol();
    void ConfigureServices();

    // The server's reports through the Services clients. Each request configures and attaches
    // its client, starts the service, reads its whole output and detaches, also when it fails.
    QString GetServerLog();
    QString GetDatabaseStatistics(uint8_t options);
    void OpenLogService();
    // Refuses a database name without a database path before anything is sent.
    void OpenStatisticalService();

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
    void openService(ServicesClient& client);

    QString m_serverName;  // cached; empty means not yet computed
    bool m_connectionLost = false;
};

#pragma once
// The one database connection of the program and the Services clients of its server.

#include "common/Exception.h"
#include "connection/DatabaseName.h"
#include "connection/ServicesClient.h"
#include "ib/Database.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class EServerPropertiesDMError : public Exception {
public:
    using Exception::Exception;
};

// What a failure of the server or of the connection to it means for the user.
enum class ConnectionFailureKind {
    ServerNotAnswering,  // it cannot be reached, or it let a call wait beyond the bound
    DatabaseShutDown,
    ConnectionLost,
};

// A failure of the server or the connection, in words that say what happened; the client library's
// text (or the bound that passed) follows as the detail.
class EConnectionFailure : public EServerPropertiesDMError {
public:
    EConnectionFailure(ConnectionFailureKind kind, const QString& summary, const QString& detail);
    ConnectionFailureKind kind() const { return m_kind; }
    const QString& detail() const { return m_detail; }

private:
    ConnectionFailureKind m_kind;
    QString m_detail;
};

class TdmServerProperties : public QObject {
    Q_OBJECT
public:
    explicit TdmServerProperties(QObject* owner = nullptr);
    ~TdmServerProperties() override;

    bool GetConnected() const;
    // Opening checks the database name first (CheckDatabaseName). A failed attach raises the error
    // in the words of RaiseFailure.
    void SetConnected(bool connected);
    // Whether the open connection has been found lost (IsConnectionLoss) since it opened; every
    // connect, reconnect and disconnect clears it.
    bool GetConnectionLost() const { return m_connectionLost; }
    void SetConnectionLost(bool lost) { m_connectionLost = lost; }
    // After a lost connection: attaches again with the same database name and parameters. Once the
    // new attachment is there it takes the lost one's place (the transactions of the connection's
    // users end, their statements are prepared again on their next use), the lost mark clears and
    // OnConnectionChange runs as after a connect. When the attach fails, everything stays as it
    // was, the lost mark too, and the error is raised as from SetConnected. Without an open
    // connection it connects.
    void Reconnect();

    // True for an error that says the connection is gone: the server can no longer be reached over
    // it, or it or its database was shut down, or it let a call wait beyond the bound.
    static bool IsConnectionLoss(const std::exception& error);
    // What a failed call means, from the client library's codes (never its texts); none for the
    // failures that are not the server's or the connection's. While attaching, a server that
    // cannot be reached does not answer; later it has been lost.
    static std::optional<ConnectionFailureKind> FailureKind(const std::exception& error, bool attaching);
    // For a failed call on the open connection (a refresh, a logging pass, a command): when the
    // error says the connection is gone, marks it lost. True when this error is the one that found
    // it lost, so that a loss is reported once.
    bool NoteConnectionLoss(const std::exception& error);
    // Raises the error to report for a failed call, from inside its catch block: an
    // EConnectionFailure that says what happened, with the error's text as the detail, where
    // FailureKind names one; otherwise the error being handled, unchanged.
    [[noreturn]] void RaiseFailure(const std::exception& error, bool attaching = false) const;
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
    // The server's name as the texts give it: the server part of the database name.
    QString serverNameForTexts() const;
    // SetParam on the connection (when toDatabase) and on the three Services clients, each
    // detached first.
    void setCredential(const QString& name, const QString& value);
    void openService(ServicesClient& client);

    QString m_serverName;  // cached; empty means not yet computed
    bool m_connectionLost = false;
};

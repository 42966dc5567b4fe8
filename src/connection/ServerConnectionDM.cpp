#include "connection/ServerConnectionDM.h"

#include "common/Messages.h"

TdmServerProperties::TdmServerProperties(QObject* owner) : QObject(owner)
{
    IBDatabase.afterConnect = [this] { IBDatabaseConnect(); };
    IBDatabase.afterDisconnect = [this] { IBDatabaseConnect(); };
    for (ServicesClient* client : {&IBServerProperties, &IBLogService, &IBStatisticalService})
        client->setLoginPrompt(false);
}

TdmServerProperties::~TdmServerProperties()
{
    // The connection closes with the module, while every member is still alive; the owner hears
    // of it only if it still listens.
    try {
        IBDatabase.close();
    } catch (...) {
    }
    IBDatabase.afterConnect = nullptr;
    IBDatabase.afterDisconnect = nullptr;
}

bool TdmServerProperties::GetConnected() const { return IBDatabase.isConnected(); }

void TdmServerProperties::SetConnected(bool connected)
{
    if (connected == GetConnected())
        return;
    if (connected)
        IBDatabase.open();
    else
        IBDatabase.close();
}

QString TdmServerProperties::GetDatabaseName() const { return IBDatabase.databaseName(); }

void TdmServerProperties::SetDatabaseName(const QString& name) { IBDatabase.setDatabaseName(name); }

void TdmServerProperties::setCredential(const QString& name, const QString& value)
{
    SetParam(IBDatabase.params(), name, value);
    for (ServicesClient* client : {&IBServerProperties, &IBLogService, &IBStatisticalService}) {
        if (client->isAttached())
            client->detach();
        SetParam(client->params(), name, value);
    }
}

void TdmServerProperties::SetUserName(const QString& userName) { setCredential(QStringLiteral("user_name"), userName); }

void TdmServerProperties::SetPassword(const QString& password) { setCredential(QStringLiteral("password"), password); }

void TdmServerProperties::SetRole(const QString& role) { SetParam(IBDatabase.params(), QStringLiteral("sql_role_name"), role); }

void TdmServerProperties::SetCharacterSet(const QString& characterSet)
{
    SetParam(IBDatabase.params(), QStringLiteral("lc_ctype"), characterSet);
}

int TdmServerProperties::GetODSMajorVersion()
{
    if (!GetConnected())
        throw EServerPropertiesDMError(msg::DatabaseMustBeConnected);
    // the information requester is bound to the connection for this one request only
    return IBDatabase.attachment().odsMajorVersion();
}

QString TdmServerProperties::GetServerName()
{
    if (m_serverName.isEmpty())
        GetServerNameAndProtocol();
    return m_serverName;
}

void TdmServerProperties::GetServerNameAndProtocol()
{
    if (GetDatabaseName().isEmpty())
        throw Exception(msg::NotConnectedForServerName);
    m_serverName = ClassifyDatabaseName(GetDatabaseName()).serverName;
}

void TdmServerProperties::ConfigureServices()
{
    const DatabaseNameParts parts = ClassifyDatabaseName(GetDatabaseName());
    IBServerProperties.setProtocol(parts.protocol);
    if (parts.protocol != ServicesProtocol::Local)
        IBServerProperties.setServerName(parts.serverName);
    for (ServicesClient* client : {&IBLogService, &IBStatisticalService}) {
        client->setProtocol(IBServerProperties.protocol());
        client->setServerName(IBServerProperties.serverName());
    }
    IBStatisticalService.setDatabaseName(parts.databasePath);
}

void TdmServerProperties::IBDatabaseConnect()
{
    if (!GetConnected())
        m_serverName.clear();
    if (OnConnectionChange)
        OnConnectionChange(this);
}

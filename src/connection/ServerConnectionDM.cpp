#include "connection/ServerConnectionDM.h"

#include "common/Messages.h"
#include "connection/ServiceRequest.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"

#include <iberror.h>

#include <algorithm>
#include <array>

namespace {
// Detaches a Services client when the request ends, however it ends.
class DetachAtEnd {
public:
    explicit DetachAtEnd(ServicesClient& client) : m_client(client) {}
    ~DetachAtEnd() { m_client.detach(); }
    DetachAtEnd(const DetachAtEnd&) = delete;
    DetachAtEnd& operator=(const DetachAtEnd&) = delete;

private:
    ServicesClient& m_client;
};

QString reportText(const std::string& output) { return QString::fromLocal8Bit(output.data(), static_cast<qsizetype>(output.size())); }
}  // namespace

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

void TdmServerProperties::Reconnect()
{
    if (GetConnected()) {
        // the server must take a new attachment before the lost one is let go
        ib::Attachment probe;
        probe.attach(ib::toClientText(IBDatabase.databaseName()), ib::databaseParamBlock(IBDatabase.params()));
        probe.detach();
        SetConnected(false);
    }
    SetConnected(true);
}

bool TdmServerProperties::IsConnectionLoss(const std::exception& error)
{
    // the network failures, then a shut-down server, database or attachment
    static constexpr std::array<ISC_STATUS, 8> LostConnection = {
        isc_network_error, isc_net_read_err,        isc_net_write_err, isc_conn_lost,
        isc_lost_db_connection, isc_net_server_shutdown, isc_shutdown,  isc_att_shutdown};
    const auto* e = dynamic_cast<const ib::EIBError*>(&error);
    return e && std::find(LostConnection.begin(), LostConnection.end(), e->engineCode()) != LostConnection.end();
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
    if (ODSMajorVersionOverride)
        return ODSMajorVersionOverride();
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

void TdmServerProperties::openService(ServicesClient& client)
{
    // a missing user name or password is never asked for
    client.setLoginPrompt(false);
    client.attach();
}

void TdmServerProperties::OpenLogService()
{
    ConfigureServices();
    openService(IBLogService);
}

void TdmServerProperties::OpenStatisticalService()
{
    ConfigureServices();
    // Only a named-pipe name can lack the path (two backslashes and the server, with nothing after
    // the next backslash); such a request is not sent.
    if (IBStatisticalService.databaseName().isEmpty())
        throw EServerPropertiesDMError(msg::StatisticsPathEmpty);
    openService(IBStatisticalService);
}

QString TdmServerProperties::GetServerLog()
{
    OpenLogService();
    DetachAtEnd detach(IBLogService);
    IBLogService.start(ServerLogRequest());
    return reportText(IBLogService.readToEnd());
}

QString TdmServerProperties::GetDatabaseStatistics(uint8_t options)
{
    IBStatisticalService.setOptions(options);
    OpenStatisticalService();
    DetachAtEnd detach(IBStatisticalService);
    IBStatisticalService.start(DatabaseStatisticsRequest(ib::toClientText(IBStatisticalService.databaseName()),
                                                         IBStatisticalService.options()));
    return reportText(IBStatisticalService.readToEnd());
}

void TdmServerProperties::IBDatabaseConnect()
{
    m_connectionLost = false;
    if (!GetConnected())
        m_serverName.clear();
    if (OnConnectionChange)
        OnConnectionChange(this);
}

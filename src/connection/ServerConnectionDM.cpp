#include "connection/ServerConnectionDM.h"

#include "common/Messages.h"
#include "connection/ServiceRequest.h"
#include "ib/BoundedCall.h"
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

// The reasons that Firebird 4 and later put after isc_att_shutdown (Firebird 3 gives none).
constexpr ISC_STATUS AttachmentKilled = 335545130;      // isc_att_shut_killed
constexpr ISC_STATUS AttachmentIdle = 335545131;        // isc_att_shut_idle
constexpr ISC_STATUS AttachmentDatabaseDown = 335545132;  // isc_att_shut_db_down
constexpr ISC_STATUS AttachmentEngineDown = 335545133;  // isc_att_shut_engine

// The network's failures: the server cannot be reached, or stopped talking over the connection.
constexpr std::array<ISC_STATUS, 8> NetworkFailures = {isc_network_error, isc_net_connect_err, isc_connect_reject,
                                                       isc_net_read_err,  isc_net_write_err,   isc_conn_lost,
                                                       isc_lost_db_connection, isc_net_server_shutdown};
}  // namespace

EConnectionFailure::EConnectionFailure(ConnectionFailureKind kind, const QString& summary, const QString& detail)
    : EServerPropertiesDMError(QString::fromUtf8(msg::ConnectionFailureText).arg(summary, detail)), m_kind(kind),
      m_detail(detail)
{
}

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
    if (!connected) {
        IBDatabase.close();
        return;
    }
    CheckDatabaseName(GetDatabaseName());
    try {
        IBDatabase.attach();
    } catch (const std::exception& e) {
        RaiseFailure(e, true);
    }
    IBDatabaseConnect();
}

void TdmServerProperties::Reconnect()
{
    if (!GetConnected()) {
        SetConnected(true);
        return;
    }
    CheckDatabaseName(GetDatabaseName());
    try {
        IBDatabase.reattach();
    } catch (const std::exception& e) {
        RaiseFailure(e, true);
    }
    IBDatabaseConnect();
}

std::optional<ConnectionFailureKind> TdmServerProperties::FailureKind(const std::exception& error, bool attaching)
{
    using Kind = ConnectionFailureKind;
    if (const auto* described = dynamic_cast<const EConnectionFailure*>(&error))
        return described->kind();
    if (dynamic_cast<const ib::ENoAnswer*>(&error))
        return Kind::ServerNotAnswering;
    const auto* e = dynamic_cast<const ib::EIBError*>(&error);
    if (!e)
        return std::nullopt;
    if (e->abortedByWatchdog())
        return Kind::ServerNotAnswering;
    if (e->hasCode(isc_shutdown) || e->hasCode(AttachmentDatabaseDown))
        return Kind::DatabaseShutDown;
    if (e->hasCode(isc_att_shutdown)) {
        // without a reason (Firebird 3) most often a database shutdown, as when gfix shuts it
        const bool other = e->hasCode(AttachmentKilled) || e->hasCode(AttachmentIdle) || e->hasCode(AttachmentEngineDown);
        return other ? Kind::ConnectionLost : Kind::DatabaseShutDown;
    }
    // an unknown host is no failure of a server: the library's text says it well
    if (e->hasCode(isc_net_lookup_err))
        return std::nullopt;
    for (const ISC_STATUS code : NetworkFailures)
        if (e->hasCode(code))
            return attaching ? Kind::ServerNotAnswering : Kind::ConnectionLost;
    return std::nullopt;
}

bool TdmServerProperties::IsConnectionLoss(const std::exception& error) { return FailureKind(error, false).has_value(); }

bool TdmServerProperties::NoteConnectionLoss(const std::exception& error)
{
    if (!GetConnected() || m_connectionLost || !IsConnectionLoss(error))
        return false;
    m_connectionLost = true;
    return true;
}

void TdmServerProperties::RaiseFailure(const std::exception& error, bool attaching) const
{
    const std::optional<ConnectionFailureKind> kind = FailureKind(error, attaching);
    if (!kind || dynamic_cast<const EConnectionFailure*>(&error))
        throw;
    QString summary;
    switch (*kind) {
    case ConnectionFailureKind::ServerNotAnswering:
        summary = QString::fromUtf8(msg::ServerNotAnswering).arg(serverNameForTexts());
        break;
    case ConnectionFailureKind::DatabaseShutDown: summary = QString::fromUtf8(msg::DatabaseShutDown); break;
    case ConnectionFailureKind::ConnectionLost: summary = QString::fromUtf8(msg::ConnectionLostToServer); break;
    }
    const auto* e = dynamic_cast<const Exception*>(&error);
    throw EConnectionFailure(*kind, summary, e ? e->message() : QString::fromLocal8Bit(error.what()));
}

QString TdmServerProperties::serverNameForTexts() const
{
    QString server;
    try {
        server = ClassifyDatabaseName(GetDatabaseName()).serverName;
    } catch (const Exception&) {
    }
    // a name without a server is opened by the library on this machine, or through its server here
    return server.isEmpty() ? QStringLiteral("localhost") : server;
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
    try {
        OpenLogService();
        DetachAtEnd detach(IBLogService);
        IBLogService.start(ServerLogRequest());
        return reportText(IBLogService.readToEnd());
    } catch (const std::exception& e) {
        RaiseFailure(e, true);
    }
}

QString TdmServerProperties::GetDatabaseStatistics(uint8_t options)
{
    try {
        IBStatisticalService.setOptions(options);
        OpenStatisticalService();
        DetachAtEnd detach(IBStatisticalService);
        IBStatisticalService.start(DatabaseStatisticsRequest(ib::toClientText(IBStatisticalService.databaseName()),
                                                             IBStatisticalService.options()));
        return reportText(IBStatisticalService.readToEnd());
    } catch (const std::exception& e) {
        RaiseFailure(e, true);
    }
}

void TdmServerProperties::IBDatabaseConnect()
{
    m_connectionLost = false;
    if (!GetConnected())
        m_serverName.clear();
    if (OnConnectionChange)
        OnConnectionChange(this);
}

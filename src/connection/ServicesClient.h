#pragma once
// A Services API client: protocol and server name (which make the service manager's name),
// the parameter list (user_name, password), and for statistics the database path and options.
// Protocol and server name may change only while it is detached.

#include "common/ParamList.h"
#include "connection/DatabaseName.h"
#include "ib/ParamBlock.h"

#include <ibase.h>

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class ServicesClient {
public:
    ServicesClient() = default;
    ~ServicesClient();
    ServicesClient(const ServicesClient&) = delete;
    ServicesClient& operator=(const ServicesClient&) = delete;

    ServicesProtocol protocol() const { return m_protocol; }
    // Setting the local protocol clears the server name.
    void setProtocol(ServicesProtocol protocol);
    const QString& serverName() const { return m_serverName; }
    void setServerName(const QString& name);
    ParamList& params() { return m_params; }
    const ParamList& params() const { return m_params; }
    bool loginPrompt() const { return m_loginPrompt; }
    void setLoginPrompt(bool on) { m_loginPrompt = on; }
    const QString& databaseName() const { return m_databaseName; }
    void setDatabaseName(const QString& path) { m_databaseName = path; }
    uint8_t options() const { return m_options; }
    void setOptions(uint8_t options) { m_options = options; }

    QString serviceManagerName() const { return ServiceManagerName(m_protocol, m_serverName); }

    // Every call of the client library runs on a thread of its own and is waited for at most the
    // call watchdog's bound (ib::BoundedCall): a server that falls silent raises ib::ENoAnswer, and
    // the client is detached from then on.

    // isc_service_attach with the SPB of the parameter list.
    void attach();
    // isc_service_detach; never raises (a lost server leaves nothing to detach from).
    void detach() noexcept;
    bool isAttached() const { return m_handle != 0; }

    // isc_service_start with a request block; the client must be attached.
    void start(const ib::ParamBlock& request);
    // The whole output of the started service: isc_service_query with isc_info_svc_to_eof,
    // repeated until the output has ended (ServiceOutputReader), the pieces joined unchanged.
    std::string readToEnd();
    // The size of the reply buffer of each query, kept between MinReplyBufferSize and 65535
    // bytes. The server puts at most the size less 5 bytes of text into one reply, so the
    // smallest size leaves room for some text in every reply.
    size_t replyBufferSize() const { return m_replyBufferSize; }
    void setReplyBufferSize(size_t bytes);
    static constexpr size_t DefaultReplyBufferSize = 16384;
    static constexpr size_t MinReplyBufferSize = 8;
    isc_svc_handle* handle() { return &m_handle; }

private:
    void requireDetached() const;
    struct Call;  // one call of the client library, on a thread of its own
    void callBounded(const std::shared_ptr<Call>& call, const std::function<void(Call&)>& work);
    void requireAttached() const;

    ServicesProtocol m_protocol = ServicesProtocol::Local;
    QString m_serverName;
    ParamList m_params;
    bool m_loginPrompt = false;
    QString m_databaseName;
    uint8_t m_options = 0;
    size_t m_replyBufferSize = DefaultReplyBufferSize;
    isc_svc_handle m_handle = 0;
};

#include "connection/ServicesClient.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/ServiceRequest.h"
#include "ib/BoundedCall.h"
#include "ib/ClientLibrary.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"

#include <algorithm>
#include <memory>
#include <vector>

ServicesClient::~ServicesClient() { detach(); }

void ServicesClient::requireDetached() const
{
    if (m_handle)
        throw Exception(msg::ServicesClientAttached);
}

void ServicesClient::requireAttached() const
{
    if (!m_handle)
        throw Exception(msg::ServicesClientNotAttached);
}

void ServicesClient::setReplyBufferSize(size_t bytes) { m_replyBufferSize = std::clamp<size_t>(bytes, MinReplyBufferSize, 65535); }

void ServicesClient::setProtocol(ServicesProtocol protocol)
{
    requireDetached();
    m_protocol = protocol;
    if (protocol == ServicesProtocol::Local)
        m_serverName.clear();
}

void ServicesClient::setServerName(const QString& name)
{
    requireDetached();
    m_serverName = name;
}

// One Services call on a thread of its own (ib::BoundedCall): what it works on is its own. When it
// is abandoned, its handle is detached on its thread once the call has returned.
struct ServicesClient::Call {
    ISC_STATUS_ARRAY status = {};
    isc_svc_handle handle = 0;
    std::string name;     // attach: the service manager's name
    std::string block;    // attach: the SPB; start: the request
    std::vector<char> reply;  // query: the reply buffer

    using Work = std::function<void(Call&)>;
    static ib::BoundedCall::Outcome run(const std::shared_ptr<Call>& call, Work work)
    {
        const auto detachEntry = ib::ClientLibrary::instance().isc_service_detach;
        return ib::BoundedCall::run([call, work = std::move(work)] { work(*call); },
                                    [call, detachEntry] {
                                        if (call->handle) {
                                            ISC_STATUS_ARRAY ignored;
                                            detachEntry(ignored, &call->handle);
                                        }
                                    });
    }
};

void ServicesClient::attach()
{
    if (m_handle)
        return;
    const auto call = std::make_shared<Call>();
    call->name = ib::toClientText(serviceManagerName());
    call->block = ib::serviceAttachBlock(m_params).bytes();
    const auto attachEntry = ib::ClientLibrary::instance().isc_service_attach;
    const ib::BoundedCall::Outcome outcome = Call::run(call, [attachEntry](Call& c) {
        attachEntry(c.status, static_cast<unsigned short>(c.name.size()), c.name.c_str(), &c.handle,
                    static_cast<unsigned short>(c.block.size()), c.block.data());
    });
    ib::BoundedCall::raise(outcome);
    if (ib::failed(call->status)) {
        ib::EIBError error = ib::errorFromStatus(call->status);
        if (call->handle) {
            ISC_STATUS_ARRAY ignored;
            ib::ClientLibrary::instance().isc_service_detach(ignored, &call->handle);
        }
        throw error;
    }
    m_handle = call->handle;
}

void ServicesClient::detach() noexcept
{
    if (!m_handle)
        return;
    const auto call = std::make_shared<Call>();
    call->handle = m_handle;
    m_handle = 0;
    const auto detachEntry = ib::ClientLibrary::instance().isc_service_detach;
    try {
        Call::run(call, [detachEntry](Call& c) { detachEntry(c.status, &c.handle); });
    } catch (...) {
        // a server that cannot be told leaves nothing to detach from
    }
}

// A call on the attached handle. When it is abandoned, the handle goes with it: the client is
// detached from then on.
void ServicesClient::callBounded(const std::shared_ptr<Call>& call, const std::function<void(Call&)>& work)
{
    requireAttached();
    call->handle = m_handle;
    const ib::BoundedCall::Outcome outcome = Call::run(call, work);
    if (outcome != ib::BoundedCall::Outcome::Returned)
        m_handle = 0;
    ib::BoundedCall::raise(outcome);
    ib::checkStatus(call->status);
}

void ServicesClient::start(const ib::ParamBlock& request)
{
    const auto call = std::make_shared<Call>();
    call->block = request.bytes();
    const auto startEntry = ib::ClientLibrary::instance().isc_service_start;
    callBounded(call, [startEntry](Call& c) {
        startEntry(c.status, &c.handle, nullptr, static_cast<unsigned short>(c.block.size()), c.block.data());
    });
}

std::string ServicesClient::readToEnd()
{
    requireAttached();
    const auto queryEntry = ib::ClientLibrary::instance().isc_service_query;
    ServiceOutputReader output;
    bool ended = false;
    do {
        const auto call = std::make_shared<Call>();
        call->reply.assign(m_replyBufferSize, '\0');
        callBounded(call, [queryEntry](Call& c) {
            static const char items[] = {isc_info_svc_to_eof};
            queryEntry(c.status, &c.handle, nullptr, 0, nullptr, sizeof items, items,
                       static_cast<unsigned short>(c.reply.size()), c.reply.data());
        });
        ended = output.add(call->reply.data(), call->reply.size());
    } while (!ended);
    return output.take();
}

#include "connection/ServicesClient.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "connection/ServiceRequest.h"
#include "ib/ClientLibrary.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"

#include <algorithm>
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

void ServicesClient::attach()
{
    if (m_handle)
        return;
    const std::string name = ib::toClientText(serviceManagerName());
    const ib::ParamBlock spb = ib::serviceAttachBlock(m_params);
    ISC_STATUS_ARRAY status;
    isc_svc_handle handle = 0;
    ib::ClientLibrary::instance().isc_service_attach(status, static_cast<unsigned short>(name.size()), name.c_str(),
                                                     &handle, static_cast<unsigned short>(spb.size()), spb.data());
    if (ib::failed(status)) {
        ib::EIBError error = ib::errorFromStatus(status);
        if (handle) {
            ISC_STATUS_ARRAY ignored;
            ib::ClientLibrary::instance().isc_service_detach(ignored, &handle);
        }
        throw error;
    }
    m_handle = handle;
}

void ServicesClient::detach() noexcept
{
    if (!m_handle)
        return;
    ISC_STATUS_ARRAY status;
    ib::ClientLibrary::instance().isc_service_detach(status, &m_handle);
    m_handle = 0;
}

void ServicesClient::start(const ib::ParamBlock& request)
{
    requireAttached();
    ISC_STATUS_ARRAY status;
    ib::ClientLibrary::instance().isc_service_start(status, &m_handle, nullptr,
                                                    static_cast<unsigned short>(request.size()), request.data());
    ib::checkStatus(status);
}

std::string ServicesClient::readToEnd()
{
    requireAttached();
    const char items[] = {isc_info_svc_to_eof};
    std::vector<char> reply(m_replyBufferSize);
    ServiceOutputReader output;
    do {
        ISC_STATUS_ARRAY status;
        std::fill(reply.begin(), reply.end(), '\0');
        ib::ClientLibrary::instance().isc_service_query(status, &m_handle, nullptr, 0, nullptr, sizeof items, items,
                                                        static_cast<unsigned short>(reply.size()), reply.data());
        ib::checkStatus(status);
    } while (!output.add(reply.data(), reply.size()));
    return output.take();
}

#include "connection/ServicesClient.h"

#include "common/Exception.h"
#include "ib/ClientLibrary.h"
#include "ib/IBError.h"
#include "ib/ParamBlock.h"

ServicesClient::~ServicesClient() { detach(); }

void ServicesClient::requireDetached() const
{
    if (m_handle)
        throw Exception(QStringLiteral("Internal error: a Services client was changed while attached."));
}

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

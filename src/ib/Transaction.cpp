#include "ib/Transaction.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "ib/Attachment.h"
#include "ib/ClientLibrary.h"
#include "ib/IBError.h"

namespace ib {

Transaction::~Transaction() { endQuietly(); }

void Transaction::start(Attachment& attachment, const ParamBlock& tpb)
{
    if (m_handle)
        throw Exception(msg::TransactionActive);
    if (!attachment.isAttached())
        throw Exception(msg::NotAttached);
    // the transaction existence block of isc_start_multiple
    struct {
        isc_db_handle* db_ptr;
        int tpb_len;
        const char* tpb_ptr;
    } teb;
    teb.db_ptr = attachment.handle();
    teb.tpb_len = tpb.size();
    teb.tpb_ptr = tpb.data();
    ISC_STATUS_ARRAY status;
    isc_tr_handle handle = 0;
    ClientLibrary::instance().isc_start_multiple(status, &handle, 1, &teb);
    checkStatus(status);
    m_handle = handle;
}

void Transaction::commit()
{
    if (!m_handle)
        throw Exception(msg::TransactionNotActive);
    ISC_STATUS_ARRAY status;
    ClientLibrary::instance().isc_commit_transaction(status, &m_handle);
    checkStatus(status);
    m_handle = 0;
}

void Transaction::commitRetaining()
{
    if (!m_handle)
        throw Exception(msg::TransactionNotActive);
    ISC_STATUS_ARRAY status;
    ClientLibrary::instance().isc_commit_retaining(status, &m_handle);
    checkStatus(status);
}

void Transaction::rollback()
{
    if (!m_handle)
        throw Exception(msg::TransactionNotActive);
    ISC_STATUS_ARRAY status;
    ClientLibrary::instance().isc_rollback_transaction(status, &m_handle);
    if (failed(status)) {
        // A transaction that the server can no longer end (a lost connection) is gone for us too.
        m_handle = 0;
        throw errorFromStatus(status);
    }
    m_handle = 0;
}

void Transaction::endQuietly() noexcept
{
    if (!m_handle)
        return;
    ClientLibrary& lib = ClientLibrary::instance();
    ISC_STATUS_ARRAY status;
    lib.isc_commit_transaction(status, &m_handle);
    if (failed(status))
        lib.isc_rollback_transaction(status, &m_handle);
    m_handle = 0;
}

ParamBlock readCommittedTpb(bool readOnly)
{
    ParamBlock tpb;
    tpb.addByte(isc_tpb_version3).addByte(isc_tpb_read_committed).addByte(isc_tpb_rec_version).addByte(isc_tpb_nowait);
    if (readOnly)
        tpb.addByte(isc_tpb_read);
    return tpb;
}

}  // namespace ib

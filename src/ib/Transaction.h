#pragma once
// A transaction on one attachment: owns the handle; rolls back on destruction when still active.

#include "ib/ParamBlock.h"

#include <ibase.h>

namespace ib {

class Attachment;

class Transaction {
public:
    Transaction() = default;
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void start(Attachment& attachment, const ParamBlock& tpb);
    void commit();
    void commitRetaining();
    void rollback();
    // Ends the transaction without raising: commit, else rollback, else drop the handle.
    void endQuietly() noexcept;
    bool isActive() const { return m_handle != 0; }
    isc_tr_handle* handle() { return &m_handle; }

private:
    isc_tr_handle m_handle = 0;
};

// read_committed, rec_version, nowait (and read when readOnly).
ParamBlock readCommittedTpb(bool readOnly);

}  // namespace ib

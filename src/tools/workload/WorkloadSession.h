#pragma once
// One attachment of the workload with the helpers its parts share: the database's SQL dialect,
// statements run in a transaction, and the transaction parameter blocks of the three isolations.

#include "ib/Attachment.h"
#include "ib/ParamBlock.h"
#include "ib/Transaction.h"

#include <QString>

#include <cstdint>
#include <string>

// The database and the credentials to attach with; empty values are not sent.
struct WorkloadConnection {
    QString database;
    QString user;
    QString password;
};

enum class Isolation { ReadCommitted, Snapshot, TableStability };

// isc_tpb_read_committed (rec_version), isc_tpb_concurrency or isc_tpb_consistency; wait or
// nowait; read or write.
ib::ParamBlock transactionBlock(Isolation isolation, bool readOnly, bool wait);
// "read committed", "snapshot", "table stability", for the texts.
const char* isolationText(Isolation isolation);

class WorkloadSession {
public:
    explicit WorkloadSession(const WorkloadConnection& connection);

    ib::Attachment& attachment() { return m_att; }
    unsigned dialect() const { return m_dialect; }
    // The server's number of this attachment (CURRENT_CONNECTION).
    int64_t attachmentId() const { return m_id; }

    // Prepares and runs one statement; a select's rows are fetched and dropped.
    void execute(ib::Transaction& tr, const std::string& sql);
    // The first column of the first row as an integer; 0 when there is no row or it is NULL.
    int64_t scalar(ib::Transaction& tr, const std::string& sql);

private:
    ib::Attachment m_att;
    unsigned m_dialect = 3;
    int64_t m_id = 0;
};

#pragma once
// An attachment to one database: owns the handle, detaches on destruction.

#include "ib/CallWatchdog.h"
#include "ib/ParamBlock.h"

#include <ibase.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ib {

// The major version in a server's isc_info_firebird_version texts ("LI-V5.0.4.1460 Firebird 5.0"
// gives 5); 0 when the text has none.
int releaseOfVersionText(std::string_view versionTexts);

class Attachment {
public:
    Attachment() = default;
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    // Attaches on a thread of its own, waiting at most the call watchdog's bound (BoundedCall):
    // raises ENoAnswer when the server has not answered by then, EAbort when the application quits
    // meanwhile, EIBError when the attach fails. Then readies the session for this
    // client library (see bindLegacyTimes); a session that cannot be readied is detached again and
    // the error raised.
    void attach(const std::string& databaseName, const ParamBlock& dpb);
    // Takes over the handle of other, which must be attached; this one must not be.
    void adopt(Attachment& other);
    // Detaches. When the server cannot be told (a lost connection), the handle is dropped all the
    // same and the error is raised, so that a later attach starts clean.
    void detach();
    bool isAttached() const { return m_handle != 0; }
    // From now until detached, a call of this thread that runs longer than the call watchdog's
    // bound aborts this attachment (CallWatchdog).
    void watchCalls();
    isc_db_handle* handle() { return &m_handle; }

    // isc_database_info with one item; the raw reply.
    std::vector<char> info(const std::vector<char>& items, size_t replySize = 256);
    // isc_info_ods_version
    int odsMajorVersion();
    // isc_info_firebird_version: the server's version texts; empty for servers that lack the item.
    std::string firebirdVersion();
    // The release of a Firebird server as learnt at the attach (3, 4, 5, ...); 0 for a server that
    // does not tell (InterBase).
    int firebirdMajorVersion() const { return m_firebirdMajor; }

    // CREATE DATABASE through isc_dsql_execute_immediate; the new database stays attached.
    void createDatabase(const std::string& createStatement, unsigned dialect);

private:
    // From Firebird 4 on, the monitoring tables' timestamps (and CURRENT_TIMESTAMP) are TIMESTAMP
    // WITH TIME ZONE, which Firebird 3's client library cannot describe ("Data type unknown"). On
    // such a server the session binds them to plain TIMESTAMP in the server's time zone, as
    // Firebird 3 gives them; nothing is sent to other servers.
    void bindLegacyTimes();

    isc_db_handle m_handle = 0;
    int m_firebirdMajor = 0;
    std::unique_ptr<CallWatchdog::Watch> m_watch;
};

}  // namespace ib

#pragma once
// An attachment to one database: owns the handle, detaches on destruction.

#include "ib/CallWatchdog.h"
#include "ib/ParamBlock.h"

#include <ibase.h>

#include <memory>
#include <string>
#include <vector>

namespace ib {

class Attachment {
public:
    Attachment() = default;
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    void attach(const std::string& databaseName, const ParamBlock& dpb);
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

    // CREATE DATABASE through isc_dsql_execute_immediate; the new database stays attached.
    void createDatabase(const std::string& createStatement, unsigned dialect);

private:
    isc_db_handle m_handle = 0;
    std::unique_ptr<CallWatchdog::Watch> m_watch;
};

}  // namespace ib

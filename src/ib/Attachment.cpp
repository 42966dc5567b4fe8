#include "ib/Attachment.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "ib/BoundedCall.h"
#include "ib/ClientLibrary.h"
#include "ib/IBError.h"
#include "ib/SessionSQL.h"
#include "ib/Values.h"

#include <cctype>
#include <memory>

namespace ib {

Attachment::~Attachment()
{
    if (m_handle) {
        ISC_STATUS_ARRAY status;
        ClientLibrary::instance().isc_detach_database(status, &m_handle);
        m_handle = 0;
    }
    m_watch.reset();
}

void Attachment::attach(const std::string& databaseName, const ParamBlock& dpb)
{
    // The attach runs on a thread of its own (BoundedCall): everything it works on is its own.
    struct Call {
        std::string name;
        std::string dpb;
        ISC_STATUS_ARRAY status = {};
        isc_db_handle handle = 0;
    };
    ClientLibrary& lib = ClientLibrary::instance();
    const auto attachEntry = lib.isc_attach_database;
    const auto detachEntry = lib.isc_detach_database.entry;
    const auto call = std::make_shared<Call>();
    call->name = databaseName;
    call->dpb = dpb.bytes();
    const auto detachHandle = [call, detachEntry] {
        if (call->handle) {
            ISC_STATUS_ARRAY ignored;
            detachEntry(ignored, &call->handle);
        }
    };
    const BoundedCall::Outcome outcome = BoundedCall::run(
        [call, attachEntry] {
            attachEntry(call->status, static_cast<short>(call->name.size()), call->name.c_str(), &call->handle,
                        static_cast<short>(call->dpb.size()), call->dpb.data());
        },
        // abandoned: an attach that succeeds after all is let go at once
        detachHandle);
    BoundedCall::raise(outcome);
    if (failed(call->status)) {
        EIBError error = errorFromStatus(call->status);
        detachHandle();
        throw error;
    }
    m_handle = call->handle;
    try {
        bindLegacyTimes();
    } catch (...) {
        ISC_STATUS_ARRAY ignored;
        lib.isc_detach_database(ignored, &m_handle);
        m_handle = 0;
        throw;
    }
}

int releaseOfVersionText(std::string_view versionTexts)
{
    // "LI-V5.0.4.1460 Firebird 5.0": platform, a dash, the kind of build (V release, T test, X
    // snapshot), then major.minor.release.build
    const size_t dash = versionTexts.find('-');
    if (dash == std::string_view::npos || dash + 2 >= versionTexts.size() ||
        !std::isalpha(static_cast<unsigned char>(versionTexts[dash + 1])))
        return 0;
    int major = 0;
    size_t i = dash + 2;
    for (; i < versionTexts.size() && std::isdigit(static_cast<unsigned char>(versionTexts[i])) && major < 1000; ++i)
        major = major * 10 + (versionTexts[i] - '0');
    return i < versionTexts.size() && versionTexts[i] == '.' ? major : 0;
}

void Attachment::bindLegacyTimes()
{
    m_firebirdMajor = releaseOfVersionText(firebirdVersion());
    if (m_firebirdMajor < 4)
        return;
    ISC_STATUS_ARRAY status;
    isc_tr_handle noTransaction = 0;
    ClientLibrary::instance().isc_dsql_execute_immediate(status, &m_handle, &noTransaction, 0,
                                                         sessionsql::BindLegacyTimeZones, 3, nullptr);
    checkStatus(status);
}

void Attachment::adopt(Attachment& other)
{
    if (m_handle)
        throw Exception(msg::AttachmentInUse);
    m_handle = other.m_handle;
    m_firebirdMajor = other.m_firebirdMajor;
    other.m_handle = 0;
    other.m_watch.reset();
}

void Attachment::detach()
{
    if (!m_handle)
        return;
    ISC_STATUS_ARRAY status;
    ClientLibrary::instance().isc_detach_database(status, &m_handle);
    m_handle = 0;
    // watched up to here: a detach from a silent server is bounded too
    m_watch.reset();
    checkStatus(status);
}

void Attachment::watchCalls()
{
    if (m_handle && !m_watch)
        m_watch = std::make_unique<CallWatchdog::Watch>(m_handle);
}

std::vector<char> Attachment::info(const std::vector<char>& items, size_t replySize)
{
    if (!m_handle)
        throw Exception(msg::NotAttached);
    std::vector<char> reply(replySize, 0);
    ISC_STATUS_ARRAY status;
    ClientLibrary::instance().isc_database_info(status, &m_handle, static_cast<short>(items.size()), items.data(),
                                                static_cast<short>(reply.size()), reply.data());
    checkStatus(status);
    return reply;
}

int Attachment::odsMajorVersion()
{
    const std::vector<char> reply = info({isc_info_ods_version, isc_info_end});
    // item, 2-byte length, value
    if (reply.size() < 3 || static_cast<unsigned char>(reply[0]) != isc_info_ods_version)
        throw Exception(msg::InfoReplyMalformed);
    const int length = static_cast<int>(readLittleEndian(reply.data() + 1, 2));
    if (length < 1 || length > 8 || 3 + static_cast<size_t>(length) > reply.size())
        throw Exception(msg::InfoReplyMalformed);
    return static_cast<int>(readLittleEndian(reply.data() + 3, length));
}

std::string Attachment::firebirdVersion()
{
    const std::vector<char> reply = info({isc_info_firebird_version, isc_info_end}, 1024);
    if (reply.empty() || static_cast<unsigned char>(reply[0]) != isc_info_firebird_version)
        return {};
    // item, 2-byte length, count, then count times (1-byte length, text)
    const size_t length = readLittleEndian(reply.data() + 1, 2);
    if (3 + length > reply.size() || length < 1)
        return {};
    std::string out;
    size_t pos = 4;
    const size_t end = 3 + length;
    for (int n = static_cast<unsigned char>(reply[3]); n > 0 && pos < end; --n) {
        const size_t l = static_cast<unsigned char>(reply[pos]);
        if (pos + 1 + l > end)
            break;
        if (!out.empty())
            out += '\n';
        out.append(reply.data() + pos + 1, l);
        pos += 1 + l;
    }
    return out;
}

void Attachment::createDatabase(const std::string& createStatement, unsigned dialect)
{
    if (m_handle)
        throw Exception(msg::AttachmentInUse);
    ISC_STATUS_ARRAY status;
    isc_tr_handle tr = 0;
    ClientLibrary::instance().isc_dsql_execute_immediate(status, &m_handle, &tr, 0, createStatement.c_str(),
                                                         static_cast<unsigned short>(dialect), nullptr);
    if (failed(status)) {
        m_handle = 0;
        throw errorFromStatus(status);
    }
    bindLegacyTimes();
}

}  // namespace ib

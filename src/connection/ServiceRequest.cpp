#include "connection/ServiceRequest.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <ibase.h>

namespace {
[[noreturn]] void malformed(const char* reason)
{
    throw Exception(QString::fromUtf8(msg::ServiceReplyMalformed).arg(QString::fromUtf8(reason)));
}
}  // namespace

ib::ParamBlock ServerLogRequest()
{
    ib::ParamBlock request;
    request.addByte(isc_action_svc_get_ib_log);
    return request;
}

ib::ParamBlock DatabaseStatisticsRequest(std::string_view databasePath, uint32_t options)
{
    ib::ParamBlock request;
    request.addByte(isc_action_svc_db_stats);
    request.addString2(isc_spb_dbname, databasePath);
    request.addInt4(isc_spb_options, options);
    return request;
}

ServiceOutputPiece ReadServiceOutputPiece(const char* reply, size_t size)
{
    const auto byte = [reply](size_t i) { return static_cast<unsigned char>(reply[i]); };
    if (size < 1 || byte(0) != isc_info_svc_to_eof)
        malformed(msg::ServiceReplyNotOutput);
    if (size < 3)
        malformed(msg::ServiceReplyShort);
    const size_t length = byte(1) | (static_cast<size_t>(byte(2)) << 8);
    if (length > size - 3)
        malformed(msg::ServiceReplyShort);
    const size_t tail = 3 + length;
    if (tail >= size)
        malformed(msg::ServiceReplyUnterminated);
    ServiceOutputPiece piece;
    piece.text = std::string_view(reply + 3, length);
    switch (byte(tail)) {
    case isc_info_end: piece.truncated = false; break;
    case isc_info_truncated: piece.truncated = true; break;
    default: malformed(msg::ServiceReplyUnterminated);
    }
    return piece;
}

bool ServiceOutputReader::add(const char* reply, size_t size)
{
    const ServiceOutputPiece piece = ReadServiceOutputPiece(reply, size);
    m_text.append(piece.text);
    m_ended = !piece.truncated && piece.text.empty();
    return m_ended;
}

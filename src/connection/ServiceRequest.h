#pragma once
// The Services requests of the server's reports and the reader of their output: the request
// blocks sent with isc_service_start, and the reply of isc_service_query with the one item
// isc_info_svc_to_eof.

#include "ib/ParamBlock.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The single action byte isc_action_svc_get_ib_log.
ib::ParamBlock ServerLogRequest();
// isc_action_svc_db_stats; isc_spb_dbname, 2-byte little-endian length and the path on the
// server; isc_spb_options and the options as a 4-byte little-endian value.
ib::ParamBlock DatabaseStatisticsRequest(std::string_view databasePath, uint32_t options);

// One reply to isc_info_svc_to_eof: isc_info_svc_to_eof, a 2-byte little-endian length, that
// many bytes of text, then isc_info_truncated (more follows) or isc_info_end.
struct ServiceOutputPiece {
    std::string_view text;   // points into the reply buffer
    bool truncated = false;  // isc_info_truncated; otherwise the reply ended with isc_info_end
};

// Reads one reply of `size` bytes; never reads outside them. Throws Exception naming what is
// wrong for a reply of any other form.
ServiceOutputPiece ReadServiceOutputPiece(const char* reply, size_t size);

// Joins the pieces of a service's output, reply by reply, and tells when the output has ended.
//
// isc_info_end closes every reply once the service has finished producing its output, also
// when the server still holds output that did not fit into the reply buffer (seen with
// Firebird 3: a 74-byte log read with a 64-byte buffer comes as 59 bytes and isc_info_end,
// then 15 bytes and isc_info_end, then no text and isc_info_end). So the output has ended only
// with a reply that ends with isc_info_end and carries no text; the text of every reply is
// kept, and nothing is added between the pieces.
class ServiceOutputReader {
public:
    // Adds one reply; true when the output has ended.
    bool add(const char* reply, size_t size);
    bool ended() const { return m_ended; }
    const std::string& text() const { return m_text; }
    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
    bool m_ended = false;
};

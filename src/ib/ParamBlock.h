#pragma once
// Builders of the parameter blocks and request blocks the server reads byte for byte:
// database (DPB), transaction (TPB), service attach (SPB) and service requests.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

class ParamList;

namespace ib {

class ParamBlock {
public:
    ParamBlock& addByte(uint8_t b);
    // tag, one-byte length, text. Throws when the text is longer than 255 bytes.
    ParamBlock& addString1(uint8_t tag, std::string_view text);
    // tag, two-byte little-endian length, text. Throws when longer than 65535 bytes.
    ParamBlock& addString2(uint8_t tag, std::string_view text);
    // tag, four-byte little-endian value (the numbers of a Services request).
    ParamBlock& addInt4(uint8_t tag, uint32_t value);
    // tag, the length 4, four-byte little-endian value (the numbers of a DPB or an SPB attach).
    ParamBlock& addInt4Item(uint8_t tag, uint32_t value);

    const std::string& bytes() const { return m_bytes; }
    const char* data() const { return m_bytes.data(); }
    short size() const { return static_cast<short>(m_bytes.size()); }
    bool empty() const { return m_bytes.empty(); }

private:
    std::string m_bytes;
};

// isc_dpb_version1, then user_name, password, sql_role_name and lc_ctype as present, in list order,
// then the connect timeout (CallWatchdog::connectTimeoutSeconds).
ParamBlock databaseParamBlock(const ParamList& params);
// isc_spb_version, isc_spb_current_version, then user_name and password in list order, then the
// connect timeout.
ParamBlock serviceAttachBlock(const ParamList& params);

// The texts handed to the client library: UTF-8, which is the file-name encoding on Linux.
std::string toClientText(const QString& text);

}  // namespace ib

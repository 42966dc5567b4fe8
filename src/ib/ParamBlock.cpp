#include "ib/ParamBlock.h"

#include "common/Exception.h"
#include "common/ParamList.h"
#include "ib/CallWatchdog.h"

#include <ibase.h>

namespace ib {

namespace {
[[noreturn]] void tooLong(std::string_view text)
{
    throw Exception(QStringLiteral("A parameter value is too long for the client library (%1 bytes).").arg(text.size()));
}
}  // namespace

ParamBlock& ParamBlock::addByte(uint8_t b)
{
    m_bytes.push_back(static_cast<char>(b));
    return *this;
}

ParamBlock& ParamBlock::addString1(uint8_t tag, std::string_view text)
{
    if (text.size() > 255)
        tooLong(text);
    addByte(tag);
    addByte(static_cast<uint8_t>(text.size()));
    m_bytes.append(text);
    return *this;
}

ParamBlock& ParamBlock::addString2(uint8_t tag, std::string_view text)
{
    if (text.size() > 65535)
        tooLong(text);
    addByte(tag);
    addByte(static_cast<uint8_t>(text.size() & 0xFF));
    addByte(static_cast<uint8_t>((text.size() >> 8) & 0xFF));
    m_bytes.append(text);
    return *this;
}

ParamBlock& ParamBlock::addInt4(uint8_t tag, uint32_t value)
{
    addByte(tag);
    for (int i = 0; i < 4; ++i)
        addByte(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
    return *this;
}

ParamBlock& ParamBlock::addInt4Item(uint8_t tag, uint32_t value)
{
    addByte(tag);
    addByte(4);
    for (int i = 0; i < 4; ++i)
        addByte(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
    return *this;
}

std::string toClientText(const QString& text) { return text.toStdString(); }

ParamBlock databaseParamBlock(const ParamList& params)
{
    ParamBlock dpb;
    dpb.addByte(isc_dpb_version1);
    for (const auto& [name, value] : params.entries()) {
        uint8_t tag = 0;
        if (name == QLatin1String("user_name"))
            tag = isc_dpb_user_name;
        else if (name == QLatin1String("password"))
            tag = isc_dpb_password;
        else if (name == QLatin1String("sql_role_name"))
            tag = isc_dpb_sql_role_name;
        else if (name == QLatin1String("lc_ctype"))
            tag = isc_dpb_lc_ctype;
        else
            continue;
        dpb.addString1(tag, toClientText(value));
    }
    // a listener that never answers ends the attach instead of holding it for minutes
    dpb.addInt4Item(isc_dpb_connect_timeout, CallWatchdog::connectTimeoutSeconds());
    return dpb;
}

ParamBlock serviceAttachBlock(const ParamList& params)
{
    ParamBlock spb;
    spb.addByte(isc_spb_version).addByte(isc_spb_current_version);
    for (const auto& [name, value] : params.entries()) {
        if (name == QLatin1String("user_name"))
            spb.addString1(isc_spb_user_name, toClientText(value));
        else if (name == QLatin1String("password"))
            spb.addString1(isc_spb_password, toClientText(value));
    }
    spb.addInt4Item(isc_spb_connect_timeout, CallWatchdog::connectTimeoutSeconds());
    return spb;
}

}  // namespace ib

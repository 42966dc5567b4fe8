#include "monitor/DisplayTexts.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

QString PoolTypeName(const QString& code)
{
    struct Name {
        const char* code;
        const char* text;
    };
    static constexpr Name names[] = {
        {"CCH", "CCH: Cache mgr/page buffers"}, {"DYN", "DYN: Internal DDL"},
        {"IRQ", "IRQ: Int. metadata queries"},  {"PRM", "PRM: Metadata structures"},
        {"REQ", "REQ: User queries"},           {"TRA", "TRA: Transaction manager"},
        {"TRG", "TRA: Trigger requests"},
    };
    for (const Name& n : names)
        if (code == QLatin1String(n.code))
            return QString::fromLatin1(n.text);
    return code;
}

QString ElapsedTimeText(double days)
{
    constexpr int64_t msPerDay = 86400000;
    const double scaled = std::round(days * static_cast<double>(msPerDay));
    int64_t t = 0;
    if (std::isfinite(scaled) && std::fabs(scaled) < 9.0e18) {
        t = static_cast<int64_t>(scaled) % msPerDay;
        if (t < 0)
            t += msPerDay;
    }
    const int64_t h = t / 3600000;
    const int64_t m = (t / 60000) % 60;
    const int64_t s = (t % 60000) / 1000;
    const int64_t ms = t % 1000;
    int64_t d = 0;
    if (std::isfinite(days) && std::fabs(days) < 9.0e15)
        d = static_cast<int64_t>(std::trunc(days));
    const auto hours = static_cast<uint16_t>(static_cast<uint64_t>(d * 24 + h) & 0xFFFF);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%4.1d:%2.2d:%2.2d.%3.3d", static_cast<int>(hours), static_cast<int>(m),
                  static_cast<int>(s), static_cast<int>(ms));
    return QString::fromLatin1(buffer);
}

#pragma once
// The health of the database's transactions, shown on the Database tab below its counters: three
// gaps between transaction numbers, each amber past one threshold and red past a higher one.
//
//  - Next - Oldest active: how many transactions have started since the oldest one still running
//    began; a transaction left open keeps it growing, and with it the record versions kept.
//  - Oldest active - Oldest interesting: transactions whose outcome the server must still look up;
//    a sweep closes it. By default amber past the database's sweep interval and red past ten times
//    it; with sweeping off (interval 0) or no interval known, past 20,000 (the servers' default
//    interval) and 200,000.
//  - Next - Oldest snapshot: how far garbage collection lags behind.
//
// The thresholds live in the settings file, section [TransactionHealth]; a key that is missing,
// not a number, or 0 or less takes the default.

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

class SettingsFile;

namespace health {

enum class Level { Normal, Amber, Red };

struct Thresholds {
    qint64 amber = 0;
    qint64 red = 0;
};

// Red past red, amber past amber, normal otherwise.
Level levelOf(qint64 gap, Thresholds thresholds);

enum Gap { ActiveGap, InterestingGap, SnapshotGap };
inline constexpr int GapCount = 3;

// A gap: its label (messages table) and the TMP$DATABASE columns it subtracts.
struct GapDecl {
    const char* label;
    const char* minuend;
    const char* subtrahend;
};
const std::array<GapDecl, GapCount>& gaps();

// minuend - subtrahend; nothing when either is missing.
std::optional<qint64> gapValue(std::optional<qint64> minuend, std::optional<qint64> subtrahend);

inline constexpr qint64 DefaultAmber = 10000;
inline constexpr qint64 DefaultRed = 100000;
inline constexpr qint64 DefaultSweepInterval = 20000;
inline constexpr qint64 InterestingRedFactor = 10;

// The thresholds as set in the settings file: 0 where the default applies.
struct Settings {
    std::array<qint64, GapCount> amber{};
    std::array<qint64, GapCount> red{};

    // The thresholds in force for a gap; the interesting gap follows the sweep interval of the
    // same read unless set.
    Thresholds thresholds(Gap gap, std::optional<qint64> sweepInterval) const;

    static Settings read(const SettingsFile& file);
    void write(SettingsFile& file) const;
};

// The section and its keys, for the help page and tests.
extern const QString SettingsSection;
QString amberKey(Gap gap);
QString redKey(Gap gap);

}  // namespace health

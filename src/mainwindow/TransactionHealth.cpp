#include "mainwindow/TransactionHealth.h"

#include "common/Messages.h"
#include "common/SettingsFile.h"

#include <algorithm>
#include <limits>

namespace health {

const QString SettingsSection = QStringLiteral("TransactionHealth");

namespace {
const char* const KeyStems[GapCount] = {"ActiveGap", "InterestingGap", "SnapshotGap"};
}  // namespace

QString amberKey(Gap gap) { return QLatin1String(KeyStems[gap]) + QLatin1String("Amber"); }
QString redKey(Gap gap) { return QLatin1String(KeyStems[gap]) + QLatin1String("Red"); }

Level levelOf(qint64 gap, Thresholds thresholds)
{
    if (gap > thresholds.red)
        return Level::Red;
    if (gap > thresholds.amber)
        return Level::Amber;
    return Level::Normal;
}

const std::array<GapDecl, GapCount>& gaps()
{
    static const std::array<GapDecl, GapCount> table{{
        {msg::TransactionGapLabels[ActiveGap], "TMP$NEXT_TRANSACTION", "TMP$OLDEST_ACTIVE"},
        {msg::TransactionGapLabels[InterestingGap], "TMP$OLDEST_ACTIVE", "TMP$OLDEST_INTERESTING"},
        {msg::TransactionGapLabels[SnapshotGap], "TMP$NEXT_TRANSACTION", "TMP$OLDEST_SNAPSHOT"},
    }};
    return table;
}

std::optional<qint64> gapValue(std::optional<qint64> minuend, std::optional<qint64> subtrahend)
{
    if (!minuend || !subtrahend)
        return std::nullopt;
    return *minuend - *subtrahend;
}

Thresholds Settings::thresholds(Gap gap, std::optional<qint64> sweepInterval) const
{
    Thresholds t;
    if (gap == InterestingGap) {
        const qint64 sweep = sweepInterval && *sweepInterval > 0 ? *sweepInterval : DefaultSweepInterval;
        t.amber = amber[gap] > 0 ? amber[gap] : sweep;
        t.red = red[gap] > 0 ? red[gap] : t.amber * InterestingRedFactor;
    } else {
        t.amber = amber[gap] > 0 ? amber[gap] : DefaultAmber;
        t.red = red[gap] > 0 ? red[gap] : DefaultRed;
    }
    return t;
}

Settings Settings::read(const SettingsFile& file)
{
    Settings s;
    for (int g = 0; g < GapCount; ++g) {
        s.amber[g] = std::max(0, file.readInteger(SettingsSection, amberKey(Gap(g)), 0));
        s.red[g] = std::max(0, file.readInteger(SettingsSection, redKey(Gap(g)), 0));
    }
    return s;
}

void Settings::write(SettingsFile& file) const
{
    constexpr qint64 most = std::numeric_limits<int>::max();
    for (int g = 0; g < GapCount; ++g) {
        file.writeInteger(SettingsSection, amberKey(Gap(g)), static_cast<int>(std::min(amber[g], most)));
        file.writeInteger(SettingsSection, redKey(Gap(g)), static_cast<int>(std::min(red[g], most)));
    }
}

}  // namespace health

#pragma once
// What the history tests against the private server share: a quick demo workload, and whether a
// pass saw one of its statements running.

#include "Workload.h"

#include "monitor/Snapshot.h"

#include <chrono>

inline bool anyRunning(const Snapshot& statements)
{
    for (int r = 0; r < statements.rowCount(); ++r)
        if (statements.plainText(r, statements.requireColumn(QStringLiteral("TMP$STATE"))).trimmed() == QLatin1String("ACTIVE"))
            return true;
    return false;
}

inline WorkloadOptions quickWorkload()
{
    using namespace std::chrono_literals;
    WorkloadOptions options;
    options.longQuerySize = 150;
    options.stockCheckLoops = 3'000'000;
    options.hold = 5s;
    options.orderInterval = 20ms;
    options.rest = 100ms;
    return options;
}

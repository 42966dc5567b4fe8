#pragma once
// What the refresh cycle hands the memory charts: one pair per pool type, in the pools
// snapshot's order.

#include <QString>

#include <vector>

struct PoolMemory {
    QString poolType;  // the pool type's display text, e.g. "REQ: User queries"
    qint64 bytes = 0;  // the type's pool memory; 0 when the server gave none
};

using PoolMemoryList = std::vector<PoolMemory>;

#pragma once
// The rows that Firebird keeps no table of, made from the tables it has as Quillmere's TMP$ views
// make them: the memory pools, and the stored procedures on the call stacks summed over their
// calls. Private to the Firebird source.

#include "monitor/FirebirdTables.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fbtables {

// One memory pool: a type code, its memory in use and what it holds beyond that.
struct Pool {
    const char* type;
    int64_t used, free;
};

// The page cache (CCH), the database's own memory (PRM), each attachment without its statements
// and transactions (ATT), each transaction (TRA) and each statement with the calls it runs (REQ).
std::vector<Pool> pools(Tables& base);

// One procedure on the call stacks, summed over its calls.
struct Procedure {
    std::optional<std::string> package;
    std::string name;
    OptInt id;
    std::string shownName;
    int64_t memory = 0, calls = 0;
    OptInt firstCall;
    std::vector<int64_t> statementIds;
    Counters counters;
};

// In the order of their first call on the stacks.
std::vector<Procedure> procedures(Tables& base);

}  // namespace fbtables

#pragma once
// The floor of a benchmark: a bare client of its own that reads a list of queries in one read-only
// read committed transaction and fetches every row, doing nothing with the values. Each text is
// prepared once (at its first read) and kept; integer parameters are set on each read. A query
// may be read only when the one before it gave rows (what the program reads only when there is
// something to read, such as the statistics of the procedure calls).

#include "ib/Attachment.h"
#include "ib/Statement.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class BareReader {
public:
    struct Query {
        const char* text;
        std::vector<int64_t> params;
        bool onlyAfterRows = false;  // read only when the query before it gave rows
    };

    BareReader(const QString& database, const QString& user, const QString& password);
    ~BareReader();
    BareReader(const BareReader&) = delete;
    BareReader& operator=(const BareReader&) = delete;

    // The queries in order, in one transaction; the rows fetched.
    int64_t read(const std::vector<Query>& queries);
    // One row of a text in a transaction of its own, started and committed around it (the bare
    // MON$ snapshot: SELECT 1 FROM MON$DATABASE).
    int64_t readAlone(const char* text);

private:
    ib::Statement& prepared(ib::Transaction& tr, const char* text);

    ib::Attachment m_att;
    std::map<std::string, std::unique_ptr<ib::Statement>> m_statements;
};

#pragma once
// The monitoring sources of a Firebird server, read straight from its monitoring tables (MON$) and
// system tables (RDB$) with queries of the program's own, and joined here. The snapshots get the
// same columns, types, texts and keys as through Quillmere's TMP$ views, so monitoring a Firebird
// database needs nothing installed in it, and each tick costs little more than reading the MON$
// rows themselves (Firebird cannot hash an outer join, so the views' joins cost a nested loop).
//
// Every MON$ table is read at most once between two calls of forget(): the refresh cycle reads the
// active tab's snapshot and the pools in one transaction, so both come from one MON$ snapshot of
// the server, and forgets when that transaction ends.
//
// Counters that Firebird does not keep (quantum, clone, commits, cache waits and the like) are
// NULL, not 0. Texts are kept as UTF-8.

#include "ib/Database.h"
#include "monitor/MonitoringCatalogue.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class RowStore;
class Snapshot;

class FirebirdSource {
public:
    FirebirdSource();
    ~FirebirdSource();
    FirebirdSource(const FirebirdSource&) = delete;
    FirebirdSource& operator=(const FirebirdSource&) = delete;

    // The statements the source runs, for the module to hand the connection to.
    std::array<ib::StatementComponent*, 14> statements();

    // Fills the store with the whole result of the snapshot's source, reading in the transaction
    // (which must be active) what this tick has not read yet.
    void fill(const Snapshot& snapshot, RowStore& rows, ib::TransactionComponent& transaction,
              bool showSystemTables);
    // Drops what the tick has read, so that the next fill reads the server again.
    void forget();
    // Drops that and what it has learnt of the server (which columns its release has), for a new
    // connection.
    void forgetServer() noexcept;
    // The database's oldest active transaction (MON$DATABASE) when this tick has read it.
    std::optional<int64_t> tickOldestActive() const;

    // The plan of one statement, or nothing when the statement has gone or has no plan. Read at
    // once, in the transaction.
    std::optional<std::string> statementPlan(qint64 statementId, ib::TransactionComponent& transaction);

    // What one tick has read, and the prepared queries (defined in FirebirdTables.h, private to
    // the implementation).
    struct Tick;
    struct Reader;

private:
    std::unique_ptr<Tick> m_tick;
    std::unique_ptr<Reader> m_reader;
};

// A name of a relation that the system owns (RDB$, TMP$, MON$, SEC$).
bool isSystemRelationName(std::string_view name);
// UTF-8 from the server's UNICODE_FSS bytes, where a character beyond the 16-bit range arrives as
// two three-byte halves; the halves become one four-byte character.
std::string fssToUtf8(std::string_view bytes);
// At most n characters of UTF-8 text, cut at a character boundary; padded with blanks to n
// characters when pad is true (the value of a CHAR(n) column).
std::string fitText(std::string_view utf8, int n, bool pad);

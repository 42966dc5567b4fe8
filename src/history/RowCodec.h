#pragma once
// The rows of a snapshot as the history store keeps them: a row is its columns in declaration
// order, each a tag and a value (integers as variable-length numbers, trailing blanks of a padded
// text as a count). Two values are never written at all:
//   - the elapsed time of a statement or transaction, where it equals the server's time of the
//     read less the row's start (the moment keeps that time once per snapshot);
//   - a long text (a statement's SQL), which the store keeps once and the row refers to.
// A version of a row is the columns that differ from its first row.

#include "monitor/MonitoringCatalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RowStore;
class Snapshot;

namespace history {

// Raised by decoding when a stored row is cut short or holds what no writer writes; the store turns
// it into its message.
struct DamagedRow {};

// How the store keeps a snapshot: a row set per moment, or objects with lifetimes.
enum class Keeping { PerMoment, Lifetimes };
Keeping keepingOf(catalogue::SnapshotId id);
// The column a source orders the snapshot's rows by (ties by the key column); nullptr for none.
const char* sortColumnOf(catalogue::SnapshotId id);

// A row in its stored form, with where each column's part begins.
struct EncodedRow {
    std::string bytes;
    std::vector<uint32_t> offsets;  // columns + 1
    std::string_view column(size_t c) const { return std::string_view(bytes).substr(offsets[c], offsets[c + 1] - offsets[c]); }
};

class RowCodec {
public:
    explicit RowCodec(const catalogue::SnapshotDecl& decl);

    const catalogue::SnapshotDecl& decl() const { return m_decl; }
    // The long text column (TMP$SQL), -1 when the snapshot has none.
    int longTextColumn() const { return m_longText; }
    int elapsedColumn() const { return m_elapsed; }

    // The server's time of the read as the rows tell it (start + elapsed of the first row that has
    // both), in ten-thousandths of a second; nothing when no row tells it.
    std::optional<int64_t> serverTime(const RowStore& rows) const;

    // Row r in stored form; `now` is the moment's server time for this snapshot.
    void encode(const RowStore& rows, int r, std::optional<int64_t> now, EncodedRow& out) const;
    // The columns of `current` that differ from `first`.
    static std::string delta(const EncodedRow& first, const EncodedRow& current);
    // Appends one row: the first row with the version applied; the long text for a referring column.
    void decode(std::string_view first, std::string_view version, std::optional<int64_t> now,
                std::string_view longText, RowStore& into) const;

    // A row set (per-moment snapshots): the count, then each row.
    std::string encodeAll(const RowStore& rows) const;
    void decodeAll(std::string_view bytes, RowStore& into) const;

private:
    const catalogue::SnapshotDecl& m_decl;
    int m_longText = -1;
    int m_elapsed = -1;
    int m_start = -1;  // the start time the elapsed time counts from
};

// The order the sources give: by the sort column (NULL first, then by bytes), ties by the key
// column's value. Indexes into the rows.
std::vector<int> sourceOrder(const catalogue::SnapshotDecl& decl, const RowStore& rows);

// An unsigned number in as few bytes as it needs (seven bits a byte, the high bit: more follows).
void putVarint(std::string& out, uint64_t v);

// The elapsed time in days as the server computes it from two times in ten-thousandths of a second.
double elapsedDays(int64_t now, int64_t start);
// Ten-thousandths of a second since the server's day zero, from a packed timestamp.
int64_t ticksOf(int64_t packedTimestamp);

}  // namespace history

#pragma once
// The rows of one snapshot, packed: per row a null bitmap, one 8-byte slot per column (integers,
// doubles, timestamps; for text an offset and a length) and the text bytes as the server sent
// them. Rows live in large blocks, so a 10,000-row result costs little more than its payload.

#include "monitor/MonitoringCatalogue.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class RowStore {
public:
    explicit RowStore(std::span<const catalogue::ColumnDecl> columns);
    RowStore(RowStore&&) noexcept = default;
    RowStore& operator=(RowStore&&) noexcept = default;

    int columnCount() const { return m_columnCount; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    void clear();

    // Building one row: beginRow, a set call per column (unset columns are NULL), endRow.
    void beginRow();
    void setNull(int column);
    void setInt(int column, int64_t value);
    void setDouble(int column, double value);
    void setTimestamp(int column, int64_t packed);
    void setText(int column, std::string_view bytes);
    void endRow();

    // A column that the source does not have (a release without it, relations without it): NULL
    // in every row, and left out of sight by the views.
    void setAbsent(int column);
    bool isAbsent(int column) const;

    bool isNull(int row, int column) const;
    int64_t intValue(int row, int column) const;
    double doubleValue(int row, int column) const;
    int64_t timestampValue(int row, int column) const;
    std::string_view text(int row, int column) const;
    // Whether a cell holds the same value as a cell of the same column in another store of the
    // same columns (both NULL, or equal values; texts byte for byte).
    bool sameCell(int row, int column, const RowStore& other, int otherRow) const;

    // Bytes held for the rows: blocks and row index.
    size_t memoryBytes() const;

private:
    const char* row(int r) const { return m_rows[static_cast<size_t>(r)]; }
    size_t slotOffset(int column) const { return m_slotsOffset + 8 * static_cast<size_t>(column); }
    char* allocate(size_t bytes);

    int m_columnCount = 0;
    std::vector<bool> m_absent;
    std::vector<bool> m_textColumns;
    size_t m_slotsOffset = 0;
    size_t m_fixedSize = 0;
    std::string m_scratch;
    std::vector<const char*> m_rows;
    struct Block {
        std::unique_ptr<char[]> data;
        size_t size = 0;
        size_t used = 0;
    };
    std::vector<Block> m_blocks;
};

#include "monitor/RowStore.h"

#include <cstring>

namespace {
constexpr size_t kBlockSize = 256 * 1024;
}

RowStore::RowStore(std::span<const catalogue::ColumnDecl> columns) : m_columnCount(static_cast<int>(columns.size()))
{
    for (const catalogue::ColumnDecl& c : columns)
        m_textColumns.push_back(c.type == catalogue::ColumnType::Char || c.type == catalogue::ColumnType::Varchar);
    const size_t bitmap = (static_cast<size_t>(m_columnCount) + 7) / 8;
    m_slotsOffset = (bitmap + 7) & ~size_t(7);
    m_fixedSize = m_slotsOffset + 8 * static_cast<size_t>(m_columnCount);
}

void RowStore::setAbsent(int column)
{
    if (m_absent.empty())
        m_absent.assign(static_cast<size_t>(m_columnCount), false);
    m_absent.at(static_cast<size_t>(column)) = true;
}

bool RowStore::isAbsent(int column) const
{
    return !m_absent.empty() && m_absent.at(static_cast<size_t>(column));
}

void RowStore::clear()
{
    m_rows.clear();
    m_blocks.clear();
}

void RowStore::beginRow()
{
    m_scratch.assign(m_fixedSize, '\0');
    // every column starts NULL
    std::memset(m_scratch.data(), 0xFF, m_slotsOffset);
}

void RowStore::setNull(int column)
{
    m_scratch[static_cast<size_t>(column) / 8] |= static_cast<char>(1u << (column % 8));
}

static inline void clearNull(std::string& s, int column)
{
    s[static_cast<size_t>(column) / 8] &= static_cast<char>(~(1u << (column % 8)));
}

void RowStore::setInt(int column, int64_t value)
{
    clearNull(m_scratch, column);
    std::memcpy(m_scratch.data() + slotOffset(column), &value, 8);
}

void RowStore::setDouble(int column, double value)
{
    clearNull(m_scratch, column);
    std::memcpy(m_scratch.data() + slotOffset(column), &value, 8);
}

void RowStore::setTimestamp(int column, int64_t packed) { setInt(column, packed); }

void RowStore::setText(int column, std::string_view bytes)
{
    clearNull(m_scratch, column);
    const uint32_t offset = static_cast<uint32_t>(m_scratch.size());
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    std::memcpy(m_scratch.data() + slotOffset(column), &offset, 4);
    std::memcpy(m_scratch.data() + slotOffset(column) + 4, &length, 4);
    m_scratch.append(bytes);
}

char* RowStore::allocate(size_t bytes)
{
    bytes = (bytes + 7) & ~size_t(7);
    if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < bytes) {
        const size_t size = bytes > kBlockSize / 4 ? bytes : kBlockSize;
        Block block;
        block.data = std::make_unique_for_overwrite<char[]>(size);
        block.size = size;
        if (size == bytes && !m_blocks.empty()) {
            // an outsized row gets a block of its own, kept before the current one so that the
            // current block's free space is still used
            char* p = block.data.get();
            block.used = size;
            m_blocks.insert(m_blocks.end() - 1, std::move(block));
            return p;
        }
        m_blocks.push_back(std::move(block));
    }
    Block& b = m_blocks.back();
    char* p = b.data.get() + b.used;
    b.used += bytes;
    return p;
}

void RowStore::endRow()
{
    char* p = allocate(m_scratch.size());
    std::memcpy(p, m_scratch.data(), m_scratch.size());
    m_rows.push_back(p);
}

bool RowStore::isNull(int r, int column) const
{
    return (static_cast<unsigned char>(row(r)[column / 8]) >> (column % 8)) & 1u;
}

int64_t RowStore::intValue(int r, int column) const
{
    int64_t v;
    std::memcpy(&v, row(r) + slotOffset(column), 8);
    return v;
}

double RowStore::doubleValue(int r, int column) const
{
    double v;
    std::memcpy(&v, row(r) + slotOffset(column), 8);
    return v;
}

int64_t RowStore::timestampValue(int r, int column) const { return intValue(r, column); }

std::string_view RowStore::text(int r, int column) const
{
    if (isNull(r, column))
        return {};
    uint32_t offset, length;
    std::memcpy(&offset, row(r) + slotOffset(column), 4);
    std::memcpy(&length, row(r) + slotOffset(column) + 4, 4);
    return std::string_view(row(r) + offset, length);
}

bool RowStore::sameCell(int r, int column, const RowStore& other, int otherRow) const
{
    const bool null = isNull(r, column);
    if (null != other.isNull(otherRow, column))
        return false;
    if (null)
        return true;
    if (m_textColumns[static_cast<size_t>(column)])
        return text(r, column) == other.text(otherRow, column);
    return std::memcmp(row(r) + slotOffset(column), other.row(otherRow) + other.slotOffset(column), 8) == 0;
}

size_t RowStore::memoryBytes() const
{
    size_t total = m_rows.capacity() * sizeof(const char*) + m_blocks.capacity() * sizeof(Block);
    for (const Block& b : m_blocks)
        total += b.size;
    return total;
}

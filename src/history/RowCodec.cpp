#include "history/RowCodec.h"

#include "monitor/RowStore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

using catalogue::ColumnType;
using catalogue::SnapshotId;

namespace history {

namespace {

enum Tag : char { TagNull = 0, TagInt = 1, TagDouble = 2, TagText = 3, TagPadded = 4, TagDerived = 5, TagLongText = 6 };

constexpr int64_t TicksPerDay = 864'000'000;  // ten-thousandths of a second
constexpr int LongTextLength = 1024;          // a text column at least this long is kept once

void putSigned(std::string& out, int64_t v)
{
    putVarint(out, (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63));
}

// Reads what the writer put; a row that ends early is a damaged store.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}
    bool atEnd() const { return m_p >= m_end; }
    char tag() { return take(1)[0]; }
    uint64_t varint()
    {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            const auto b = static_cast<unsigned char>(take(1)[0]);
            v |= static_cast<uint64_t>(b & 0x7F) << shift;
            if (!(b & 0x80))
                return v;
        }
        throw DamagedRow();
    }
    int64_t signedVarint()
    {
        const uint64_t v = varint();
        return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
    }
    std::string_view take(size_t n)
    {
        if (static_cast<size_t>(m_end - m_p) < n)
            throw DamagedRow();
        std::string_view out(m_p, n);
        m_p += n;
        return out;
    }
    // One column's tagged value, as bytes (for applying versions).
    std::string_view skipValue()
    {
        const char* start = m_p;
        switch (tag()) {
        case TagInt: varint(); break;
        case TagDouble: take(8); break;
        case TagText: take(varint()); break;
        case TagPadded:
            take(varint());
            varint();
            break;
        default: break;
        }
        return std::string_view(start, static_cast<size_t>(m_p - start));
    }

private:
    const char* m_p;
    const char* m_end;
};

}  // namespace

void putVarint(std::string& out, uint64_t v)
{
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

Keeping keepingOf(SnapshotId id)
{
    switch (id) {
    case SnapshotId::Database:
    case SnapshotId::Pools:
    case SnapshotId::PoolBlocks: return Keeping::PerMoment;
    default: return Keeping::Lifetimes;
    }
}

const char* sortColumnOf(SnapshotId id)
{
    switch (id) {
    case SnapshotId::Pools: return "TMP$TYPE";
    case SnapshotId::Procedures: return "TMP$PROCEDURE_NAME";
    case SnapshotId::Relations: return "TMP$RELATION_NAME";
    case SnapshotId::Statements:
    case SnapshotId::Transactions:
    case SnapshotId::Attachments: return "TMP$USER";
    default: return nullptr;
    }
}

int64_t ticksOf(int64_t packed)
{
    const int64_t date = static_cast<int32_t>(packed >> 32);
    const int64_t time = static_cast<uint32_t>(packed & 0xFFFFFFFF);
    return date * TicksPerDay + time;
}

double elapsedDays(int64_t now, int64_t start)
{
    return static_cast<double>(now - start) / static_cast<double>(TicksPerDay);
}

namespace {
int columnNamed(const catalogue::SnapshotDecl& decl, std::string_view name)
{
    for (size_t c = 0; c < decl.columns.size(); ++c)
        if (name == decl.columns[c].name)
            return static_cast<int>(c);
    return -1;
}
}  // namespace

RowCodec::RowCodec(const catalogue::SnapshotDecl& decl) : m_decl(decl)
{
    for (size_t c = 0; c < decl.columns.size(); ++c) {
        const catalogue::ColumnDecl& d = decl.columns[c];
        if (d.type == ColumnType::Varchar && d.length >= LongTextLength && m_longText < 0)
            m_longText = static_cast<int>(c);
        if (d.rule == catalogue::DisplayRule::ElapsedTime)
            m_elapsed = static_cast<int>(c);
    }
    if (m_elapsed >= 0)
        m_start = columnNamed(decl, "TMP$TIMESTAMP");
    if (m_start < 0)
        m_elapsed = -1;
}

std::optional<int64_t> RowCodec::serverTime(const RowStore& rows) const
{
    if (m_elapsed < 0)
        return std::nullopt;
    for (int r = 0; r < rows.rowCount(); ++r)
        if (!rows.isNull(r, m_elapsed) && !rows.isNull(r, m_start))
            return ticksOf(rows.timestampValue(r, m_start)) +
                   std::llround(rows.doubleValue(r, m_elapsed) * static_cast<double>(TicksPerDay));
    return std::nullopt;
}

void RowCodec::encode(const RowStore& rows, int r, std::optional<int64_t> now, EncodedRow& out) const
{
    out.bytes.clear();
    out.offsets.clear();
    const int n = rows.columnCount();
    for (int c = 0; c < n; ++c) {
        out.offsets.push_back(static_cast<uint32_t>(out.bytes.size()));
        if (rows.isNull(r, c)) {
            out.bytes += TagNull;
            continue;
        }
        if (c == m_longText) {
            out.bytes += TagLongText;
            continue;
        }
        switch (m_decl.columns[static_cast<size_t>(c)].type) {
        case ColumnType::Int16:
        case ColumnType::Int32:
        case ColumnType::Int64:
        case ColumnType::Timestamp:
            out.bytes += TagInt;
            putSigned(out.bytes, rows.intValue(r, c));
            break;
        case ColumnType::Double: {
            const double v = rows.doubleValue(r, c);
            if (c == m_elapsed && now && !rows.isNull(r, m_start)) {
                const double derived = elapsedDays(*now, ticksOf(rows.timestampValue(r, m_start)));
                if (std::memcmp(&derived, &v, sizeof v) == 0) {
                    out.bytes += TagDerived;
                    break;
                }
            }
            out.bytes += TagDouble;
            out.bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
            break;
        }
        case ColumnType::Char:
        case ColumnType::Varchar: {
            const std::string_view text = rows.text(r, c);
            const size_t kept = text.find_last_not_of(' ') + 1;  // npos + 1 == 0: all blanks
            const size_t blanks = text.size() - kept;
            if (blanks >= 2) {
                out.bytes += TagPadded;
                putVarint(out.bytes, kept);
                out.bytes.append(text.substr(0, kept));
                putVarint(out.bytes, blanks);
            } else {
                out.bytes += TagText;
                putVarint(out.bytes, text.size());
                out.bytes.append(text);
            }
            break;
        }
        }
    }
    out.offsets.push_back(static_cast<uint32_t>(out.bytes.size()));
}

std::string RowCodec::delta(const EncodedRow& first, const EncodedRow& current)
{
    std::string out;
    const size_t n = current.offsets.size() - 1;
    for (size_t c = 0; c < n; ++c) {
        const std::string_view now = current.column(c);
        if (now != first.column(c)) {
            putVarint(out, c);
            out.append(now);
        }
    }
    return out;
}

void RowCodec::decode(std::string_view first, std::string_view version, std::optional<int64_t> now,
                      std::string_view longText, RowStore& into) const
{
    const size_t n = m_decl.columns.size();
    // the column parts of the first row, with the version's parts in their place
    std::vector<std::string_view> parts(n);
    Reader full(first);
    for (size_t c = 0; c < n; ++c)
        parts[c] = full.skipValue();
    Reader changed(version);
    while (!changed.atEnd()) {
        const uint64_t c = changed.varint();
        const std::string_view part = changed.skipValue();
        if (c < n)
            parts[c] = part;
    }
    into.beginRow();
    for (size_t c = 0; c < n; ++c) {
        Reader v(parts[c]);
        const int column = static_cast<int>(c);
        switch (v.tag()) {
        case TagNull: break;
        case TagInt: into.setInt(column, v.signedVarint()); break;
        case TagDouble: {
            double d;
            std::memcpy(&d, v.take(8).data(), sizeof d);
            into.setDouble(column, d);
            break;
        }
        case TagText: into.setText(column, v.take(v.varint())); break;
        case TagPadded: {
            std::string text(v.take(v.varint()));
            text.append(v.varint(), ' ');
            into.setText(column, text);
            break;
        }
        case TagLongText: into.setText(column, longText); break;
        case TagDerived: break;  // below, once the start is set
        default: throw DamagedRow();
        }
    }
    if (m_elapsed >= 0 && !parts[static_cast<size_t>(m_elapsed)].empty() &&
        parts[static_cast<size_t>(m_elapsed)][0] == TagDerived) {
        // a row stored with a derived time has its start; a moment without a server time has none
        Reader start(parts[static_cast<size_t>(m_start)]);
        if (now && start.tag() == TagInt)
            into.setDouble(m_elapsed, elapsedDays(*now, ticksOf(start.signedVarint())));
    }
    into.endRow();
}

std::string RowCodec::encodeAll(const RowStore& rows) const
{
    std::string out;
    putVarint(out, static_cast<uint64_t>(rows.rowCount()));
    EncodedRow row;
    for (int r = 0; r < rows.rowCount(); ++r) {
        encode(rows, r, std::nullopt, row);
        out += row.bytes;
    }
    return out;
}

void RowCodec::decodeAll(std::string_view bytes, RowStore& into) const
{
    Reader all(bytes);
    const uint64_t count = all.varint();
    const size_t n = m_decl.columns.size();
    for (uint64_t r = 0; r < count; ++r) {
        const char* start = nullptr;
        size_t length = 0;
        for (size_t c = 0; c < n; ++c) {
            const std::string_view part = all.skipValue();
            if (c == 0)
                start = part.data();
            length = static_cast<size_t>(part.data() + part.size() - start);
        }
        decode(std::string_view(start, length), {}, std::nullopt, {}, into);
    }
}

std::vector<int> sourceOrder(const catalogue::SnapshotDecl& decl, const RowStore& rows)
{
    std::vector<int> order(static_cast<size_t>(rows.rowCount()));
    std::iota(order.begin(), order.end(), 0);
    const char* sortName = sortColumnOf(decl.id);
    const int sort = sortName ? columnNamed(decl, sortName) : -1;
    const int key = decl.keyColumn ? columnNamed(decl, decl.keyColumn) : -1;
    if (sort < 0)
        return order;
    const bool numericKey = key >= 0 && decl.columns[static_cast<size_t>(key)].type != ColumnType::Char &&
                            decl.columns[static_cast<size_t>(key)].type != ColumnType::Varchar;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const bool na = rows.isNull(a, sort), nb = rows.isNull(b, sort);
        if (na != nb)
            return na;
        if (!na)
            if (const int c = rows.text(a, sort).compare(rows.text(b, sort)); c != 0)
                return c < 0;
        if (!numericKey || key == sort)
            return false;
        const bool ka = rows.isNull(a, key), kb = rows.isNull(b, key);
        if (ka != kb)
            return ka;
        return !ka && rows.intValue(a, key) < rows.intValue(b, key);
    });
    return order;
}

}  // namespace history

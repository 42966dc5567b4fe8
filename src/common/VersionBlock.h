#pragma once
// The program's version block: what the version resource of an executable is elsewhere.
//
// The build generates, from the one version number of the project, a source file that encodes
// the block at compile time (encode below) and places it in the section ".qm_version" of the
// program file. The About box reads it back from the file (common/VersionResource.h).
//
// The block is a tree of nodes. Each node is laid out as
//
//   u32 length        bytes of the whole node: header, key, value and children (a multiple of 4)
//   u32 valueLength   bytes of the value; a text value counts its terminating NUL
//   u16 type          BinaryValue or TextValue
//   u16 reserved      0
//   key               UTF-8, NUL-terminated, padded with NULs to a multiple of 4
//   value             valueLength bytes, padded with NULs to a multiple of 4
//   children          nodes, one after the other
//
// with every integer little-endian. The tree of a program:
//
//   "QM_VERSION_INFO"            the root; its key is the block's magic, its value the fixed part
//     "StringFileInfo"
//       "040904E4"               a string table: language and code page as eight hex digits
//         "CompanyName" ...      text values
//     "VarFileInfo"
//       "Translation"            u16 pairs: language, code page
//
// The fixed part is thirteen u32: FixedSignature, FixedStructVersion, file version (major << 16 |
// minor, patch << 16 | build), product version (the same), flags mask, flags, operating system,
// file type, file subtype, date (high, low).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace versionblock {

inline constexpr std::string_view SectionName = ".qm_version";
inline constexpr std::string_view RootKey = "QM_VERSION_INFO";
inline constexpr std::string_view StringFileInfoKey = "StringFileInfo";
inline constexpr std::string_view VarFileInfoKey = "VarFileInfo";
inline constexpr std::string_view TranslationKey = "Translation";

inline constexpr std::uint16_t BinaryValue = 0;
inline constexpr std::uint16_t TextValue = 1;
inline constexpr std::size_t NodeHeaderSize = 12;

inline constexpr std::uint32_t FixedSignature = 0xFEEF04BDu;
inline constexpr std::uint32_t FixedStructVersion = 0x00010000u;
inline constexpr std::size_t FixedPartSize = 13 * 4;
inline constexpr std::uint32_t FixedFileTypeApplication = 1;

struct Version {
    std::uint16_t major = 0, minor = 0, patch = 0, build = 0;
};

struct StringEntry {
    std::string_view name;
    std::string_view value;
};

struct Description {
    Version fileVersion;
    Version productVersion;
    std::string_view stringTable;          // language and code page, e.g. "040904E4"
    std::span<const StringEntry> strings;  // in the order they are stored
    std::uint16_t language = 0;            // the translation entry
    std::uint16_t codePage = 0;
};

constexpr std::size_t align4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

namespace detail {

class Counter {
public:
    constexpr void put(unsigned char) { ++m_size; }
    constexpr void patch32(std::size_t, std::uint32_t) {}
    constexpr std::size_t size() const { return m_size; }

private:
    std::size_t m_size = 0;
};

template <std::size_t N>
class Writer {
public:
    constexpr void put(unsigned char b) { bytes[m_size++] = b; }
    constexpr void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
    constexpr std::size_t size() const { return m_size; }
    std::array<unsigned char, N> bytes{};

private:
    std::size_t m_size = 0;
};

template <class Sink>
constexpr void put16(Sink& s, std::uint16_t v)
{
    s.put(static_cast<unsigned char>(v));
    s.put(static_cast<unsigned char>(v >> 8));
}

template <class Sink>
constexpr void put32(Sink& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.put(static_cast<unsigned char>(v >> (8 * i)));
}

template <class Sink>
constexpr void pad(Sink& s)
{
    while (s.size() % 4 != 0)
        s.put(0);
}

template <class Sink>
constexpr void putText(Sink& s, std::string_view text)
{
    for (char c : text)
        s.put(static_cast<unsigned char>(c));
    s.put(0);
}

// One node: header, key, the value written by writeValue (valueLength bytes), the children
// written by writeChildren; the length is filled in afterwards.
template <class Sink, class WriteValue, class WriteChildren>
constexpr void node(Sink& s, std::string_view key, std::uint16_t type, std::uint32_t valueLength,
                    WriteValue writeValue, WriteChildren writeChildren)
{
    const std::size_t start = s.size();
    put32(s, 0);
    put32(s, valueLength);
    put16(s, type);
    put16(s, 0);
    putText(s, key);
    pad(s);
    writeValue(s);
    pad(s);
    writeChildren(s);
    pad(s);
    s.patch32(start, static_cast<std::uint32_t>(s.size() - start));
}

template <class Sink>
constexpr void encode(Sink& s, const Description& d)
{
    const auto none = [](Sink&) {};
    const auto fixedPart = [&d](Sink& out) {
        put32(out, FixedSignature);
        put32(out, FixedStructVersion);
        put32(out, std::uint32_t(d.fileVersion.major) << 16 | d.fileVersion.minor);
        put32(out, std::uint32_t(d.fileVersion.patch) << 16 | d.fileVersion.build);
        put32(out, std::uint32_t(d.productVersion.major) << 16 | d.productVersion.minor);
        put32(out, std::uint32_t(d.productVersion.patch) << 16 | d.productVersion.build);
        put32(out, 0x3F);  // flags mask
        put32(out, 0);     // flags
        put32(out, 0);     // operating system
        put32(out, FixedFileTypeApplication);
        put32(out, 0);  // file subtype
        put32(out, 0);  // date, high
        put32(out, 0);  // date, low
    };
    const auto stringTables = [&d, none](Sink& out) {
        node(out, d.stringTable, TextValue, 0, none, [&d, none](Sink& table) {
            for (const StringEntry& e : d.strings)
                node(
                    table, e.name, TextValue, static_cast<std::uint32_t>(e.value.size() + 1),
                    [&e](Sink& v) { putText(v, e.value); }, none);
        });
    };
    const auto translation = [&d, none](Sink& out) {
        node(
            out, TranslationKey, BinaryValue, 4,
            [&d](Sink& v) {
                put16(v, d.language);
                put16(v, d.codePage);
            },
            none);
    };
    node(s, RootKey, BinaryValue, static_cast<std::uint32_t>(FixedPartSize), fixedPart, [&](Sink& out) {
        node(out, StringFileInfoKey, TextValue, 0, none, stringTables);
        node(out, VarFileInfoKey, TextValue, 0, none, translation);
    });
}

}  // namespace detail

// The number of bytes the block of d takes.
constexpr std::size_t encodedSize(const Description& d)
{
    detail::Counter c;
    detail::encode(c, d);
    return c.size();
}

// The block of d; N must be encodedSize(d).
template <std::size_t N>
constexpr std::array<unsigned char, N> encode(const Description& d)
{
    detail::Writer<N> w;
    detail::encode(w, d);
    return w.bytes;
}

}  // namespace versionblock

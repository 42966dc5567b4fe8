#include "common/VersionResource.h"

#include "common/VersionBlock.h"

#include <QFile>

#include <cstring>
#include <elf.h>

namespace versionresource {
namespace {

struct SectionPlace {
    qint64 offset = 0;
    qint64 size = 0;
};

// Section header tables and name tables beyond these sizes are not of a program we built.
constexpr quint64 MaxSectionCount = 1u << 20;
constexpr qint64 MaxNameTableSize = 64 * 1024 * 1024;

// Whether size bytes from offset lie inside the file.
bool fits(const QFile& file, qint64 offset, qint64 size)
{
    return offset >= 0 && size >= 0 && offset <= file.size() && size <= file.size() - offset;
}

bool readAt(QFile& file, qint64 offset, void* into, qint64 size)
{
    return fits(file, offset, size) && file.seek(offset) && file.read(static_cast<char*>(into), size) == size;
}

template <class Ehdr, class Shdr>
std::optional<SectionPlace> findSection(QFile& file, std::string_view wanted)
{
    Ehdr header;
    if (!readAt(file, 0, &header, sizeof header))
        return std::nullopt;
    if (header.e_shoff == 0 || header.e_shentsize < sizeof(Shdr))
        return std::nullopt;

    Shdr first;
    if (!readAt(file, qint64(header.e_shoff), &first, sizeof first))
        return std::nullopt;
    // a file with very many sections keeps the count and the name table's index in section 0
    const quint64 count = header.e_shnum != 0 ? header.e_shnum : quint64(first.sh_size);
    const quint64 namesIndex = header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : quint64(first.sh_link);
    if (count == 0 || count > MaxSectionCount || namesIndex >= count)
        return std::nullopt;

    const qint64 entrySize = header.e_shentsize;
    if (!fits(file, qint64(header.e_shoff), qint64(count) * entrySize))
        return std::nullopt;
    QByteArray table(qsizetype(count * entrySize), Qt::Uninitialized);
    if (!readAt(file, qint64(header.e_shoff), table.data(), table.size()))
        return std::nullopt;
    const auto section = [&](quint64 i) {
        Shdr s;
        std::memcpy(&s, table.constData() + i * entrySize, sizeof s);
        return s;
    };

    const Shdr namesSection = section(namesIndex);
    if (namesSection.sh_type != SHT_STRTAB || qint64(namesSection.sh_size) > MaxNameTableSize ||
        !fits(file, qint64(namesSection.sh_offset), qint64(namesSection.sh_size)))
        return std::nullopt;
    QByteArray names(qsizetype(namesSection.sh_size), Qt::Uninitialized);
    if (!readAt(file, qint64(namesSection.sh_offset), names.data(), names.size()))
        return std::nullopt;

    for (quint64 i = 0; i < count; ++i) {
        const Shdr s = section(i);
        if (s.sh_name >= quint64(names.size()))
            continue;
        const char* name = names.constData() + s.sh_name;
        const auto length = qstrnlen(name, uint(names.size() - s.sh_name));
        if (std::string_view(name, length) != wanted || s.sh_type != SHT_PROGBITS)
            continue;
        if (!fits(file, qint64(s.sh_offset), qint64(s.sh_size)))
            return std::nullopt;
        return SectionPlace{qint64(s.sh_offset), qint64(s.sh_size)};
    }
    return std::nullopt;
}

std::optional<SectionPlace> findVersionSection(QFile& file)
{
    unsigned char ident[EI_NIDENT];
    if (!readAt(file, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return std::nullopt;
    // the block and the headers are read as little-endian
    if (ident[EI_DATA] != ELFDATA2LSB)
        return std::nullopt;
    if (ident[EI_CLASS] == ELFCLASS64)
        return findSection<Elf64_Ehdr, Elf64_Shdr>(file, versionblock::SectionName);
    if (ident[EI_CLASS] == ELFCLASS32)
        return findSection<Elf32_Ehdr, Elf32_Shdr>(file, versionblock::SectionName);
    return std::nullopt;
}

quint32 read32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

// One node of the block, checked against the bytes it may take.
struct Node {
    qsizetype begin = 0, end = 0;  // the whole node
    QByteArrayView key;
    qsizetype valueBegin = 0, valueLength = 0;
    qsizetype childrenBegin = 0;
};

std::optional<Node> nodeAt(const QByteArray& block, qsizetype at, qsizetype limit)
{
    if (at < 0 || limit > block.size() || at > limit || limit - at < qsizetype(versionblock::NodeHeaderSize))
        return std::nullopt;
    const quint32 length = read32(block.constData() + at);
    const quint32 valueLength = read32(block.constData() + at + 4);
    if (length < versionblock::NodeHeaderSize || length > quint64(limit - at))
        return std::nullopt;
    Node n;
    n.begin = at;
    n.end = at + qsizetype(length);
    const qsizetype keyBegin = at + qsizetype(versionblock::NodeHeaderSize);
    const char* keyStart = block.constData() + keyBegin;
    const void* nul = std::memchr(keyStart, 0, size_t(n.end - keyBegin));
    if (!nul)
        return std::nullopt;
    n.key = QByteArrayView(keyStart, static_cast<const char*>(nul) - keyStart);
    n.valueBegin = qsizetype(versionblock::align4(size_t(keyBegin + n.key.size() + 1)));
    if (n.valueBegin > n.end || valueLength > quint64(n.end - n.valueBegin))
        return std::nullopt;
    n.valueLength = qsizetype(valueLength);
    n.childrenBegin = std::min(n.end, qsizetype(versionblock::align4(size_t(n.valueBegin + n.valueLength))));
    return n;
}

std::optional<Node> rootNode(const QByteArray& block)
{
    auto root = nodeAt(block, 0, block.size());
    if (!root || root->key != QByteArrayView(versionblock::RootKey.data(), versionblock::RootKey.size()))
        return std::nullopt;
    return root;
}

}  // namespace

quint32 infoSize(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const auto place = findVersionSection(file);
    if (!place || place->size < qint64(versionblock::NodeHeaderSize))
        return 0;
    // the block is the root node at the start of the section
    QByteArray header(qsizetype(versionblock::NodeHeaderSize + versionblock::RootKey.size() + 1), '\0');
    if (place->size < header.size() || !readAt(file, place->offset, header.data(), header.size()))
        return 0;
    const quint32 length = read32(header.constData());
    if (length > place->size || length < header.size() ||
        QByteArrayView(header).sliced(versionblock::NodeHeaderSize) !=
            QByteArrayView(versionblock::RootKey.data(), qsizetype(versionblock::RootKey.size() + 1)))
        return 0;
    return length;
}

bool loadInfo(const QString& fileName, QByteArray& block)
{
    QFile file(fileName);
    if (block.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    const auto place = findVersionSection(file);
    if (!place || place->size < block.size())
        return false;
    return readAt(file, place->offset, block.data(), block.size()) && rootNode(block).has_value();
}

std::optional<QByteArray> queryValue(const QByteArray& block, QStringView subBlock)
{
    auto current = rootNode(block);
    if (!current)
        return std::nullopt;
    for (QStringView part : subBlock.split(u'\\', Qt::SkipEmptyParts)) {
        const QByteArray key = part.toUtf8();
        std::optional<Node> found;
        for (qsizetype at = current->childrenBegin; at < current->end;) {
            const auto child = nodeAt(block, at, current->end);
            if (!child)
                break;
            if (child->key == key) {
                found = child;
                break;
            }
            at = child->end;
        }
        if (!found)
            return std::nullopt;
        current = found;
    }
    return block.sliced(current->valueBegin, current->valueLength);
}

std::optional<QString> queryString(const QByteArray& block, QStringView subBlock)
{
    auto value = queryValue(block, subBlock);
    if (!value)
        return std::nullopt;
    const qsizetype nul = value->indexOf('\0');
    return QString::fromUtf8(nul < 0 ? *value : value->first(nul));
}

}  // namespace versionresource

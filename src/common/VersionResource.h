#pragma once
// Reading the version block (common/VersionBlock.h) out of a program file: the size of the block,
// the block itself, and the value at a path in it. The block is found through the file's ELF
// section headers; the file is read, never the running program's memory.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace versionresource {

// The size in bytes of the version block of the program file fileName; 0 when the file cannot be
// read, is no ELF file, has no version block or a block that does not begin with its root node.
quint32 infoSize(const QString& fileName);

// Fills block, which has the size infoSize gave, with the file's version block. False when the
// file holds no block of that size.
bool loadInfo(const QString& fileName, QByteArray& block);

// The value at subBlock, a path of keys separated by backslashes, below the root:
// "\" is the fixed part, "\StringFileInfo\040904E4\FileVersion" a text, "\VarFileInfo\Translation"
// the translation pairs. A leading backslash is optional; keys are compared exactly.
std::optional<QByteArray> queryValue(const QByteArray& block, QStringView subBlock);

// queryValue of a text value, without its terminating NUL, decoded from UTF-8.
std::optional<QString> queryString(const QByteArray& block, QStringView subBlock);

}  // namespace versionresource

#include "common/SettingsFile.h"

#include "common/Exception.h"
#include "common/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString fold(const QString& s) { return s.toCaseFolded(); }

bool isBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

QByteArrayView stripBlanks(QByteArrayView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

QString stripBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.sliced(b, e - b).toString();
}

// UTF-8 when the line is valid UTF-8, otherwise Latin-1 (which takes every byte).
QString decodeLine(QByteArrayView bytes)
{
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

// A value, key or section name on one line of the file.
QString singleLine(const QString& s)
{
    if (!s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r')))
        return s;
    QString out = s;
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return out;
}

[[noreturn]] void failWrite(const QString& fileName, const QString& reason)
{
    throw Exception(QString::fromUtf8(msg::SettingsFileNotWritten).arg(QDir::toNativeSeparators(fileName), reason));
}

[[noreturn]] void failRead(const QString& fileName, const QString& reason)
{
    throw Exception(QString::fromUtf8(msg::SettingsFileNotRead).arg(QDir::toNativeSeparators(fileName), reason));
}

#ifdef Q_OS_UNIX
QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Writes the bytes to a new file in the target's folder, flushes them to the disk and renames
// the new file over the target; on any failure the new file is removed and the target is as it
// was. The new file takes the target's permissions, or the default ones for a new file, or
// owner read/write only (from its creation on). Returns the reason of a failure, else empty.
// (QSaveFile is not used: it reports success after a short write, as when the disk fills up,
// and renames the truncated file over the old one.)
QString replaceFile(const QString& target, const QByteArray& bytes, bool ownerOnly)
{
    const QByteArray finalName = QFile::encodeName(target);
    struct stat old {};
    const bool exists = ::stat(finalName.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return QString::fromUtf8(msg::SettingsFileNotOrdinary);

    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempName = finalName + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            return errnoText(errno);
    }
    if (fd < 0)
        return errnoText(EEXIST);
    const auto fail = [&](int error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(tempName.constData());
        return errnoText(error);
    };

    if ((ownerOnly || exists) && ::fchmod(fd, ownerOnly ? (S_IRUSR | S_IWUSR) : (old.st_mode & 07777)) != 0)
        return fail(errno);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(written < 0 ? errno : EIO);
        data += written;
        left -= written;
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(errno);
    if (::rename(tempName.constData(), finalName.constData()) != 0)
        return fail(errno);
    // The rename itself is made durable too; a failure here no longer endangers either file.
    const int dir = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return QString();
}
#else
// QSaveFile writes a temporary file in the same folder and renames it over the old file.
QString replaceFile(const QString& target, const QByteArray& bytes, bool /*ownerOnly*/)
{
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : file.errorString();
}
#endif

QString& fileNameOverride()
{
    static QString name;
    return name;
}

}  // namespace

SettingsFile::SettingsFile(const QString& fileName) : m_fileName(fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return;
    if (!info.isFile())
        failRead(fileName, QString::fromUtf8(msg::SettingsFileNotOrdinary));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        failRead(fileName, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        failRead(fileName, file.errorString());
    load(bytes);
}

void SettingsFile::load(const QByteArray& bytes)
{
    QByteArrayView rest(bytes);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    qsizetype current = -1;  // the section the entries go to
    while (!rest.isEmpty()) {
        const qsizetype lf = rest.indexOf('\n');
        const QByteArrayView raw = lf < 0 ? rest : rest.first(lf);
        rest = lf < 0 ? QByteArrayView() : rest.sliced(lf + 1);

        const QByteArrayView line = stripBlanks(raw);
        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const QString name = stripBlanks(decodeLine(line.sliced(1, line.size() - 2)));
            const auto found = m_sectionIndex.constFind(fold(name));
            if (found != m_sectionIndex.constEnd()) {
                current = *found;
            } else {
                current = static_cast<qsizetype>(m_sections.size());
                m_sections.push_back(Section{name, {}, {}});
                m_sectionIndex.insert(fold(name), current);
            }
            continue;
        }
        if (current < 0)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QString text = decodeLine(line);
        // Blanks and "=" are ASCII, so the first "=" of the decoded text is the same one.
        const qsizetype at = text.indexOf(QLatin1Char('='));
        Section& section = m_sections[static_cast<size_t>(current)];
        const QString key = stripBlanks(QStringView(text).first(at));
        const QString folded = fold(key);
        if (section.index.contains(folded))
            continue;  // the first of duplicate keys is the one that counts
        section.index.insert(folded, static_cast<qsizetype>(section.entries.size()));
        section.entries.push_back(Entry{key, stripBlanks(QStringView(text).sliced(at + 1))});
    }
}

const SettingsFile::Entry* SettingsFile::find(const QString& section, const QString& key) const
{
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.constEnd())
        return nullptr;
    const Section& sec = m_sections[static_cast<size_t>(*s)];
    const auto k = sec.index.constFind(fold(key));
    if (k == sec.index.constEnd())
        return nullptr;
    return &sec.entries[static_cast<size_t>(*k)];
}

QString SettingsFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Entry* e = find(section, key);
    return e ? e->value : defaultValue;
}

int SettingsFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const Entry* e = find(section, key);
    if (!e)
        return defaultValue;
    return parseInteger(e->value).value_or(defaultValue);
}

bool SettingsFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    const Entry* e = find(section, key);
    if (!e)
        return defaultValue;
    const std::optional<int> v = parseInteger(e->value);
    return v ? *v != 0 : defaultValue;
}

std::optional<int> SettingsFile::parseInteger(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    int base = 10;
    if (text.startsWith(u'$') || text.startsWith(u'x') || text.startsWith(u'X')) {
        base = 16;
        text = text.sliced(1);
    } else if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
        base = 16;
        text = text.sliced(2);
    }
    if (text.isEmpty())
        return std::nullopt;
    const qint64 limit = negative ? qint64(2147483648) : qint64(2147483647);
    qint64 value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

SettingsFile::Section& SettingsFile::sectionFor(const QString& name)
{
    const QString folded = fold(name);
    const auto found = m_sectionIndex.constFind(folded);
    if (found != m_sectionIndex.constEnd())
        return m_sections[static_cast<size_t>(*found)];
    m_sectionIndex.insert(folded, static_cast<qsizetype>(m_sections.size()));
    m_sections.push_back(Section{name, {}, {}});
    return m_sections.back();
}

void SettingsFile::store(Section& section, const QString& key, const QString& value)
{
    const QString folded = fold(key);
    const auto found = section.index.constFind(folded);
    if (found != section.index.constEnd()) {
        section.entries[static_cast<size_t>(*found)].value = value;
        return;
    }
    section.index.insert(folded, static_cast<qsizetype>(section.entries.size()));
    section.entries.push_back(Entry{key, value});
}

void SettingsFile::writeString(const QString& section, const QString& key, const QString& value)
{
    store(sectionFor(singleLine(section)), singleLine(key), singleLine(value));
}

void SettingsFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void SettingsFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool SettingsFile::hasSection(const QString& section) const { return m_sectionIndex.contains(fold(section)); }

bool SettingsFile::hasKey(const QString& section, const QString& key) const { return find(section, key) != nullptr; }

QStringList SettingsFile::sections() const
{
    QStringList names;
    names.reserve(static_cast<qsizetype>(m_sections.size()));
    for (const Section& s : m_sections)
        names.append(s.name);
    return names;
}

QStringList SettingsFile::keys(const QString& section) const
{
    QStringList names;
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.constEnd())
        return names;
    for (const Entry& e : m_sections[static_cast<size_t>(*s)].entries)
        names.append(e.key);
    return names;
}

bool SettingsFile::holdsPasswords() const
{
    const auto s = m_sectionIndex.constFind(fold(QStringLiteral("Passwords")));
    if (s == m_sectionIndex.constEnd())
        return false;
    for (const Entry& e : m_sections[static_cast<size_t>(*s)].entries) {
        if (!e.value.isEmpty())
            return true;
    }
    return false;
}

QByteArray SettingsFile::text() const
{
    QByteArray out;
    for (const Section& s : m_sections) {
        out += '[';
        out += s.name.toUtf8();
        out += "]\r\n";
        for (const Entry& e : s.entries) {
            out += e.key.toUtf8();
            out += '=';
            out += e.value.toUtf8();
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

void SettingsFile::writeFile() const
{
    // Through a symbolic link to the file it points at, so that the link stays.
    QString target = m_fileName;
    const QFileInfo info(m_fileName);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        target = info.canonicalFilePath();
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        failWrite(m_fileName, QString::fromUtf8(msg::SettingsFolderNotCreated).arg(QDir::toNativeSeparators(folder)));
    const QString reason = replaceFile(target, text(), holdsPasswords());
    if (!reason.isEmpty())
        failWrite(m_fileName, reason);
}

QString SettingsFileNameBeside(const QString& executablePath)
{
    qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    slash = qMax(slash, executablePath.lastIndexOf(QLatin1Char('\\')));
#endif
    const qsizetype nameStart = slash + 1;
    const qsizetype dot = executablePath.lastIndexOf(QLatin1Char('.'));
    const qsizetype end = dot > nameStart ? dot : executablePath.size();
    return executablePath.left(end) + QStringLiteral(".ini");
}

namespace {
// A folder of an installed program: under /usr, or owned by another user.
bool isInstalledProgramsFolder(const QFileInfo& folder)
{
#ifdef Q_OS_UNIX
    const QString path = folder.canonicalFilePath().isEmpty() ? folder.absoluteFilePath() : folder.canonicalFilePath();
    if (path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/")))
        return true;
    return folder.exists() && folder.ownerId() != ::geteuid();
#else
    Q_UNUSED(folder);
    return false;
#endif
}
}  // namespace

QString SettingsFileNameFor(const QString& executablePath, const QString& configFolder)
{
    const QString beside = SettingsFileNameBeside(executablePath);
    const QFileInfo besideInfo(beside);
    if (configFolder.isEmpty())
        return beside;
    const QString inConfigFolder = QDir(configFolder).filePath(besideInfo.fileName());
    const QFileInfo folder(besideInfo.absolutePath());
    if (isInstalledProgramsFolder(folder))
        return inConfigFolder;
    if (besideInfo.exists() || (folder.isDir() && folder.isWritable()))
        return beside;
    return inConfigFolder;
}

QString SettingsFileName()
{
    if (!fileNameOverride().isEmpty())
        return fileNameOverride();
    return SettingsFileNameFor(QCoreApplication::applicationFilePath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

void setSettingsFileNameOverride(const QString& fileName) { fileNameOverride() = fileName; }

#pragma once
// The program's settings file: named sections of key=value entries in a text file, loaded whole
// into memory, read and changed there, and written back as a whole.
//
// Reading rules:
//  - the file is split at LF; every line is stripped of leading and trailing blanks (every
//    character up to and including the space, so a CR before the LF, tabs and NUL go too);
//  - empty lines and lines beginning with ";" are ignored;
//  - a line "[" name "]" starts a section, the name stripped of blanks; lines before the first
//    section are ignored;
//  - any other line is an entry when it holds "=": the key is the text before the first "=",
//    the value the text after it, each stripped of blanks. A line without "=" is ignored, and so
//    is a line that begins with "[" but does not end with "]": it is no header, so the entries
//    after it stay in the section before it;
//  - a section that appears again is merged into its first appearance (which keeps its place in
//    the order); of a key that appears again in one section only the first is kept, the later
//    ones are dropped (and so are gone after the next write);
//  - a line is read as UTF-8 when it is valid UTF-8, otherwise as Latin-1; a UTF-8 byte order
//    mark at the start of the file is skipped.
// Section names and keys are looked up without regard to letter case. Writing a key that exists
// in another letter case replaces its value and keeps the spelling that is stored.
// Keys are the program's own names: a key that holds "=" or begins with "[" or ";" would not
// read back.
//
// Writing back: UTF-8, lines ending in CR LF, each section as its header, its entries in stored
// order and one empty line, the sections in stored order (first met in the file or first
// written). Comments, ignored lines and the blanks around "=" are gone after a write. The new
// text goes to a temporary file in the same folder that is then renamed over the old file, so a
// failed write leaves the old file as it was. While the copy holds a password (a non-empty value
// in the section "Passwords") the file is readable and writable by its owner only; otherwise an
// existing file keeps its permissions.

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class SettingsFile {
public:
    // Loads the file whole. A missing file gives an empty copy; an existing file that cannot be
    // read raises Exception.
    explicit SettingsFile(const QString& fileName);

    const QString& fileName() const { return m_fileName; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal with an optional sign, or hexadecimal when the digits begin with "$", "x", "X",
    // "0x" or "0X" (a sign may stand before the prefix: "-$10" is -16); anything that is not a
    // 32-bit signed integer gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer: 0 is false, any other integer true; anything else gives the default.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Line breaks in a value are stored as blanks, so that no value can add lines to the file.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);  // in decimal
    void writeBool(const QString& section, const QString& key, bool value);    // "1" or "0"

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;                     // stored spelling, stored order
    QStringList keys(const QString& section) const;  // stored spelling, stored order

    // Replaces the file on disk by the whole copy (creating its folder when missing). A failure
    // raises Exception naming the file and the reason; the old file is then unchanged.
    void writeFile() const;

    // The integer rule of readInteger on a text; nullopt when it is not a valid 32-bit integer.
    static std::optional<int> parseInteger(QStringView text);

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, qsizetype> index;  // folded key -> position in entries
    };

    void load(const QByteArray& bytes);
    const Entry* find(const QString& section, const QString& key) const;
    Section& sectionFor(const QString& name);  // found or appended
    void store(Section& section, const QString& key, const QString& value);  // replace or append
    bool holdsPasswords() const;
    QByteArray text() const;

    QString m_fileName;
    std::vector<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex;  // folded name -> position in m_sections
};

// The settings file of an executable: its full path with the extension of the file name replaced
// by ".ini", or ".ini" appended when the file name has none ("quillmere" -> "quillmere.ini"). A
// leading dot does not begin an extension.
QString SettingsFileNameBeside(const QString& executablePath);

// Where the settings file of an executable lives. An installed program, one in a folder under /usr
// or in a folder that another user owns (root's, for a desktop user), keeps it in configFolder,
// under the same file name, also when it could write beside itself (as root), so that settings
// never land in a system folder. Any other program (the build tree, a copy in a folder of the
// user's own) keeps it beside itself; only when no file is there and the folder cannot be
// written does it go to configFolder as well.
QString SettingsFileNameFor(const QString& executablePath, const QString& configFolder);

// The settings file of the running program: SettingsFileNameFor the running executable and the
// user's configuration folder of the application (QStandardPaths::AppConfigLocation), or the
// override when one is set.
QString SettingsFileName();

// Points SettingsFileName at another file (used by tests); an empty path removes the override.
void setSettingsFileNameOverride(const QString& fileName);

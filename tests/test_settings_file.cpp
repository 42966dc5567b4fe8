// The settings file against real files in a temporary folder: the reading rules, the written
// form, hostile files, failed writes, the owner-only mode with passwords, and the file-name rule.

#include "common/Exception.h"
#include "common/SettingsFile.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
QByteArray get(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
int mode(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}
// Makes a folder read-only; false when that does not stop us writing (root ignores permissions).
bool makeReadOnly(const QString& folder)
{
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    QFile probe(folder + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return true;
    probe.remove();
    return false;
}
void makeWritable(const QString& folder) { ::chmod(QFile::encodeName(folder).constData(), 0755); }
}  // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
    QString path(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }
    SettingsFile fileWith(const QByteArray& bytes)
    {
        put(m_ini, bytes);
        return SettingsFile(m_ini);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_ini = path("quillmere.ini");
    }
    void cleanup() { makeWritable(m_dir->path()); }

    void noFileGivesDefaultsAndWritingCreatesIt()
    {
        SettingsFile ini(m_ini);
        QCOMPARE(ini.readInteger("MonitorOptions", "RefreshInterval", 10000), 10000);
        QCOMPARE(ini.readBool("MonitorOptions", "MemoryShowChart", true), true);
        QCOMPARE(ini.readString("LoggingSetup", "GeneratorName", "PERFORMANCE_LOG_G"), QString("PERFORMANCE_LOG_G"));
        ini.writeInteger("MonitorOptions", "RefreshInterval", 10000);
        ini.writeFile();
        QCOMPARE(get(m_ini), QByteArray("[MonitorOptions]\r\nRefreshInterval=10000\r\n\r\n"));
    }

    void readingRules()
    {
        const SettingsFile ini = fileWith("Before=1\n; comment\r\n  [ MonitorOptions ] \t\r\n"
                                          "\t RefreshInterval \t=  5000 \r\n\n"
                                          "paused=yes\n;ShowSystemTables=0\nno equals sign\nKey= a = b \nEmpty=\n"
                                          "[Broken\nAfterBroken=1\n[other]\nX=1\n[MONITOROPTIONS]\nPaused=1\nLate=2\n");
        QCOMPARE(ini.sections(), QStringList({"MonitorOptions", "other"}));
        QCOMPARE(ini.keys("monitoroptions"), QStringList({"RefreshInterval", "paused", "Key", "Empty", "AfterBroken", "Late"}));
        QCOMPARE(ini.readInteger("monitoroptions", "REFRESHINTERVAL", 0), 5000);
        QCOMPARE(ini.readBool("MonitorOptions", "Paused", false), false);  // "yes"; the later "Paused=1" is dropped
        QCOMPARE(ini.readString("MonitorOptions", "Key", "-"), QString("a = b"));
        QCOMPARE(ini.readString("MonitorOptions", "Empty", "-"), QString(""));
        QCOMPARE(ini.readString("MonitorOptions", "ShowSystemTables", "-"), QString("-"));
        QCOMPARE(ini.readInteger("Other", "x", 0), 1);
        QVERIFY(!ini.hasSection("Broken"));
        QVERIFY(!ini.hasKey("MonitorOptions", "Before"));
    }

    void integers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value");  // 77: not an integer, the default
        const QList<std::pair<const char*, int>> rows{
            {"1000", 1000}, {"+1000", 1000}, {"007", 7}, {"-2147483648", INT_MIN}, {"2147483647", INT_MAX},
            {"2147483648", 77}, {"-2147483649", 77}, {"99999999999999999999", 77}, {"$3E8", 1000}, {"x3E8", 1000},
            {"X3E8", 1000}, {"0x3E8", 1000}, {"0X3E8", 1000}, {"$3e8", 1000}, {"0x00000000003E8", 1000},
            {"-$3E8", -1000}, {"+0x10", 16}, {"-x80000000", INT_MIN}, {"$7FFFFFFF", INT_MAX}, {"$80000000", 77},
            {"$FFFFFFFF", 77}, {"0x-5", 77}, {"$+5", 77}, {"--5", 77}, {"0x", 77}, {"$", 77}, {"-", 77}, {"", 77},
            {"yes", 77}, {"12abc", 77}, {"1 000", 77}, {"1.5", 77}, {"0b101", 77}, {"3E8", 77},
            {"\xef\xbc\x91\xef\xbc\x92", 77} /* full-width digits */, {"0", 0}, {"-0", 0}};
        for (const auto& [text, value] : rows)
            QTest::newRow(*text ? text : "empty") << QByteArray(text) << value;
    }
    void integers()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        const SettingsFile ini = fileWith("[S]\r\nV= " + text + " \r\n");
        QCOMPARE(ini.readInteger("S", "V", 77), value);
        // Booleans are integers: 0 false, others true, anything else the default.
        QCOMPARE(ini.readBool("S", "V", true), value == 77 ? true : value != 0);
        QCOMPARE(ini.readBool("S", "V", false), value == 77 ? false : value != 0);
    }

    void writingKeepsStoredOrderAndSpellingInCrLf()
    {
        SettingsFile ini = fileWith("[B]\nk1 = v1\n; a comment\n[A]\nk2=v2\n[b]\nK1=shadowed\nk3=v3\n");
        ini.writeInteger("a", "new", -5);
        ini.writeString("A", "K2", "changed");
        ini.writeBool("C", "flag", true);
        ini.writeBool("C", "off", false);
        ini.writeFile();
        QCOMPARE(get(m_ini), QByteArray("[B]\r\nk1=v1\r\nk3=v3\r\n\r\n[A]\r\nk2=changed\r\nnew=-5\r\n\r\n"
                                        "[C]\r\nflag=1\r\noff=0\r\n\r\n"));
    }

    void textIsUtf8WhenValidElseLatin1AndLineBreaksCannotAddLines()
    {
        SettingsFile ini = fileWith("\xEF\xBB\xBF[\xC3\x84pfel]\nu=Gr\xC3\xBC\xC3\x9F" "e\nl=Gr\xFC\xDF" "e\n");
        QCOMPARE(ini.readString(QString::fromUtf8("\xC3\xA4PFEL"), "U", ""), QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e"));
        QCOMPARE(ini.readString(QString::fromUtf8("\xC3\x84pfel"), "l", ""), QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e"));
        ini.writeString("S", "K", "a\r\n[Passwords]\nPassword1=x");
        ini.writeFile();
        QCOMPARE(get(m_ini), QByteArray("[\xC3\x84pfel]\r\nu=Gr\xC3\xBC\xC3\x9F" "e\r\nl=Gr\xC3\xBC\xC3\x9F" "e\r\n\r\n"
                                        "[S]\r\nK=a  [Passwords] Password1=x\r\n\r\n"));
    }

    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QRandomGenerator random(6);
        QByteArray noise;
        for (int i = 0; i < 10000; ++i) {
            QByteArray line(int(random.bounded(120)), '\0');
            for (char& c : line)
                c = char(random.bounded(256));
            noise += line + (i % 2 ? "\r\n" : "\n");
        }
        QTest::newRow("10000 lines of noise") << noise;
        QByteArray binary;
        for (int i = 0; i < 256 * 64; ++i)
            binary += char(i % 256);
        QTest::newRow("binary bytes, NUL included") << binary + QByteArray("\n[S]\nV=\0\0\0\n", 11);
        const QByteArray mega(1 << 20, 'a');
        QTest::newRow("megabyte lines") << "[S]\n" + mega + "\nBig=" + mega + "\n" + mega + "=x\n[" + mega + "]\n[" + mega + "\n";
        QByteArray keys = "[S]\n", sections, duplicates;
        for (int i = 0; i < 50000; ++i) {
            keys += "Key" + QByteArray::number(i) + (i % 2 ? "=1\n" : "\n");
            sections += "[S" + QByteArray::number(i) + "]\nV=1\n";
            duplicates += "[S]\nV=" + QByteArray::number(i) + "\n[s]\nW" + QByteArray::number(i % 100) + "=1\n";
        }
        QTest::newRow("50000 keys, half without =") << keys;
        QTest::newRow("50000 sections") << sections;
        QTest::newRow("duplicate sections and keys") << duplicates;
        QTest::newRow("header without ]") << QByteArray("[Good\nValue=1\n");
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        SettingsFile ini = fileWith(bytes + "\n[Good]\nValue=42\n");
        QCOMPARE(ini.readInteger("Good", "Value", 0), 42);
        QCOMPARE(ini.readInteger("MonitorOptions", "RefreshInterval", 10000), 10000);
        ini.writeFile();
        const SettingsFile again(m_ini);
        QCOMPARE(again.sections(), ini.sections());
        QCOMPARE(again.readInteger("Good", "Value", 0), 42);
        if (ini.hasKey("S", "Big"))
            QCOMPARE(again.readString("S", "Big", "").size(), qsizetype(1 << 20));
    }

    void failedWriteKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("file size limit, as a full disk") << "limit";  // root is bound by it too
        QTest::newRow("target replaced by a non-empty folder") << "folder target";
    }
    void failedWriteKeepsThePreviousFile()
    {
        QFETCH(QString, how);
        const QByteArray before = "; kept as it is\n[S]\n V = 1 \n";
        SettingsFile ini = fileWith(before);
        ini.writeString("S", "Long", QString(4000, QLatin1Char('x')));
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        if (how == "folder" && !makeReadOnly(m_dir->path()))
            QSKIP("Folder permissions do not bind this user (root); the file size limit covers a failed write.");
        if (how == "limit") {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 100;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        if (how == "folder target") {  // rename cannot replace a non-empty folder, whoever runs it
            QVERIFY(QFile::rename(m_ini, path("aside")));
            QVERIFY(QDir().mkpath(path("quillmere.ini/inside")));
        }
        QString message;
        try {
            ini.writeFile();
        } catch (const Exception& e) {
            message = e.message();
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        makeWritable(m_dir->path());
        QVERIFY2(message.contains(m_ini) && message.size() > m_ini.size() + 45, qPrintable(message));
        QCOMPARE(get(how == "folder target" ? path("aside") : m_ini), before);
        QStringList expected{"quillmere.ini"};
        if (how == "folder target")
            expected.prepend("aside");
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), expected);
        QVERIFY(how != "folder target" || QFileInfo(path("quillmere.ini/inside")).isDir());
    }

    void writingThroughASymbolicLinkKeepsTheLink()
    {
        put(path("real.ini"), "[S]\nK=1\n");
        QVERIFY(QFile::link(path("real.ini"), m_ini));
        SettingsFile ini(m_ini);
        ini.writeInteger("S", "K", 2);
        ini.writeFile();
        QVERIFY(QFileInfo(m_ini).isSymLink());
        QCOMPARE(get(path("real.ini")), QByteArray("[S]\r\nK=2\r\n\r\n"));
    }

    void unreadableFileIsAnError()
    {
        QVERIFY(QDir().mkpath(m_ini));
        try {
            SettingsFile ini(m_ini);
            QFAIL("a folder was read as a settings file");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(m_ini), qPrintable(e.message()));
        }
    }

    void passwordsMakeTheFileOwnerOnly()
    {
        const mode_t mask = ::umask(022);
        put(m_ini, "[Passwords]\nPassword1=\n");
        ::chmod(QFile::encodeName(m_ini).constData(), 0644);
        SettingsFile ini(m_ini);
        ini.writeString("UserNames", "UserName1", "SYSDBA");
        ini.writeFile();
        QCOMPARE(mode(m_ini), 0644);  // an empty password is none
        ::chmod(QFile::encodeName(m_ini).constData(), 0640);
        ini.writeFile();
        QCOMPARE(mode(m_ini), 0640);  // the existing file's permissions are kept
        ini.writeString("passwords", "Password1", "masterkey");
        ini.writeFile();
        QCOMPARE(mode(m_ini), 0600);
        SettingsFile fresh(path("new.ini"));
        fresh.writeString("Passwords", "Password2", "x");
        fresh.writeFile();
        QCOMPARE(mode(path("new.ini")), 0600);
        SettingsFile plain(path("plain.ini"));
        plain.writeBool("S", "K", true);
        plain.writeFile();
        QCOMPARE(mode(path("plain.ini")), 0644);  // the default for new files under umask 022
        ::umask(mask);
    }

    void fileNameBesideTheExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("settings");
        QTest::newRow("with extension") << "/opt/q/Quillmere.exe" << "/opt/q/Quillmere.ini";
        QTest::newRow("without extension") << "/usr/bin/quillmere" << "/usr/bin/quillmere.ini";
        QTest::newRow("dot in the folder only") << "/opt/my.app/quillmere" << "/opt/my.app/quillmere.ini";
        QTest::newRow("last extension only") << "/opt/q/quillmere.bin.exe" << "/opt/q/quillmere.bin.ini";
        QTest::newRow("leading dot") << "/opt/q/.quillmere" << "/opt/q/.quillmere.ini";
        QTest::newRow("relative") << "quillmere" << "quillmere.ini";
    }
    void fileNameBesideTheExecutable()
    {
        QFETCH(QString, executable);
        QFETCH(QString, settings);
        QCOMPARE(SettingsFileNameBeside(executable), settings);
    }

    void fileLocationFallsBackToTheConfigFolder()
    {
        const QString config = path("config");
        QVERIFY(QDir().mkpath(path("bin")));
        QCOMPARE(SettingsFileNameFor(path("bin/quillmere"), config), path("bin/quillmere.ini"));
        QCOMPARE(SettingsFileNameFor(path("missing/quillmere"), config), path("config/quillmere.ini"));
        put(path("bin/quillmere.ini"), "[S]\n");
        const bool readOnly = makeReadOnly(path("bin"));
        QCOMPARE(SettingsFileNameFor(path("bin/quillmere"), config), path("bin/quillmere.ini"));  // precedence
        if (readOnly)
            QCOMPARE(SettingsFileNameFor(path("bin/other"), config), path("config/other.ini"));
        makeWritable(path("bin"));
        SettingsFile ini(SettingsFileNameFor(path("missing/quillmere"), config));
        ini.writeFile();  // creates the configuration folder
        QVERIFY(QFileInfo::exists(path("config/quillmere.ini")));
    }

    // An installed program keeps its settings in the configuration folder even where it could write
    // beside itself (as root in /usr/bin) and even when a file is there: never in a system folder.
    void installedProgramsKeepTheirSettingsInTheConfigFolder()
    {
        const QString config = path("config");
        QCOMPARE(SettingsFileNameFor(QStringLiteral("/usr/bin/quillmere"), config), path("config/quillmere.ini"));
        QCOMPARE(SettingsFileNameFor(QStringLiteral("/usr/local/bin/quillmere"), config), path("config/quillmere.ini"));
        if (::geteuid() != 0)
            QSKIP("a folder of another user's needs root to make");
        QVERIFY(QDir().mkpath(path("theirs")));
        put(path("theirs/quillmere.ini"), "[S]\n");
        QCOMPARE(::chown(QFile::encodeName(path("theirs")).constData(), 65534, 65534), 0);
        QCOMPARE(SettingsFileNameFor(path("theirs/quillmere"), config), path("config/quillmere.ini"));
    }

    void fileNameOfTheRunningProgramAndTheOverride()
    {
        const QString name = SettingsFileName();  // beside this program, or in the configuration folder
        QCOMPARE(QFileInfo(name).fileName(), QString("test_settings_file.ini"));
        QVERIFY2(QFileInfo(name).absolutePath() == QCoreApplication::applicationDirPath()
                     || QFileInfo(name).absolutePath() == QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                 qPrintable(name));
        setSettingsFileNameOverride(m_ini);
        QCOMPARE(SettingsFileName(), m_ini);
        setSettingsFileNameOverride(QString());
        QCOMPARE(SettingsFileName(), name);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"

// The About box and the version block: the block embedded in the built program, read back from the
// program file; a program without a block; a block of another string table; damaged files; the
// box's labels; the program's icon; and where the program finds its help pages.
//
// This test program carries the program's own block too (the build embeds it here as in the
// program), so that the box, reading the running program's file, shows the real values.

#include "app/ProgramIcon.h"
#include "app/QuillmereApplication.h"
#include "common/Messages.h"
#include "common/VersionBlock.h"
#include "common/VersionResource.h"
#include "dialogs/AboutDlg.h"
#include "mainwindow/MainForm.h"

#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

const QString Copyright = QString::fromUtf8("Copyright © 2026 The Quillmere developers");

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

QByteArray blockOf(const QString& program)
{
    QByteArray block(qsizetype(versionresource::infoSize(program)), '\0');
    if (block.isEmpty() || !versionresource::loadInfo(program, block))
        return {};
    return block;
}

QStringList versionInfoOf(const QString& program)
{
    TdlgAbout dlg;
    dlg.ReadVersionInfo(program);
    return dlg.VersionInfo;
}

}  // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void theProgramCarriesItsVersionBlock()
    {
        // the names the box asks for, in their order; "LegalTradeMarks" and "OriginalFileName" are
        // spelt unlike the block's "LegalTrademarks" and "OriginalFilename", so they are not found
        const QStringList expected = {
            QStringLiteral("CompanyName=The Quillmere developers"),
            QStringLiteral("FileDescription=Quillmere"),
            QStringLiteral("FileVersion=1.1.0.55"),
            QStringLiteral("InternalName=Quillmere"),
            QStringLiteral("LegalCopyright=") + Copyright,
            QStringLiteral("ProductName=Quillmere"),
            QStringLiteral("ProductVersion=1.1"),
            QStringLiteral("Comments=A monitor for InterBase-family database servers."),
        };
        QCOMPARE(versionInfoOf(QStringLiteral(QUILLMERE_EXECUTABLE)), expected);
        QCOMPARE(versionInfoOf(QCoreApplication::applicationFilePath()), expected);
    }

    void pathsInTheProgramsBlock()
    {
        const QByteArray block = blockOf(QStringLiteral(QUILLMERE_EXECUTABLE));
        QVERIFY(!block.isEmpty());
        QCOMPARE(quint32(block.size()), versionresource::infoSize(QStringLiteral(QUILLMERE_EXECUTABLE)));

        // the fixed part: file and product version 1.1.0.55
        const auto fixed = versionresource::queryValue(block, u"\\");
        QVERIFY(fixed);
        QCOMPARE(fixed->size(), qsizetype(versionblock::FixedPartSize));
        const auto word = [&](int i) { return qFromLittleEndian<quint32>(fixed->constData() + 4 * i); };
        QCOMPARE(word(0), versionblock::FixedSignature);
        QCOMPARE(word(2), 0x00010001u);  // 1.1
        QCOMPARE(word(3), 0x00000037u);  // 0.55
        QCOMPARE(word(4), 0x00010001u);
        QCOMPARE(word(5), 0x00000037u);

        // the translation entry 0x0409, 0x04E4
        QCOMPARE(versionresource::queryValue(block, u"\\VarFileInfo\\Translation"), QByteArray("\x09\x04\xE4\x04", 4));

        // keys are compared exactly; the leading backslash is optional
        QCOMPARE(versionresource::queryString(block, u"\\StringFileInfo\\040904E4\\OriginalFilename"),
                 QStringLiteral("quillmere"));
        QCOMPARE(versionresource::queryString(block, u"StringFileInfo\\040904E4\\FileVersion"), QStringLiteral("1.1.0.55"));
        QCOMPARE(versionresource::queryString(block, u"StringFileInfo\\040904E4\\OriginalFileName"), std::nullopt);
        QCOMPARE(versionresource::queryString(block, u"StringFileInfo\\040904e4\\FileVersion"), std::nullopt);
        QCOMPARE(versionresource::queryString(block, u"StringFileInfo\\040904E4\\Nothing"), std::nullopt);
        QCOMPARE(versionresource::queryString(block, u"StringFileInfo\\040904E4\\FileVersion\\deeper"), std::nullopt);
    }

    void aProgramWithoutABlock()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList files = {
            QStringLiteral(VERSION_PROBE_NONE),
            dir.filePath(QStringLiteral("missing")),
            writeFile(dir, QStringLiteral("empty"), {}),
            writeFile(dir, QStringLiteral("text"), "not a program file\n"),
            writeFile(dir, QStringLiteral("elf header only"), fileBytes(QStringLiteral(VERSION_PROBE_NONE)).first(64)),
            dir.path(),  // a folder
        };
        for (const QString& file : files) {
            QVERIFY(!file.isEmpty());
            QCOMPARE(versionresource::infoSize(file), 0u);
            QCOMPARE(versionInfoOf(file), QStringList());
        }
    }

    void aBlockOfAnotherLanguageShowsNoVersion()
    {
        const QString program = QStringLiteral(VERSION_PROBE_OTHER);
        QVERIFY(versionresource::infoSize(program) > 0);
        QCOMPARE(versionInfoOf(program), QStringList());
        // the block is read; its strings sit under their own table
        const QByteArray block = blockOf(program);
        QCOMPARE(versionresource::queryString(block, u"StringFileInfo\\040704B0\\FileVersion"), QStringLiteral("9.8.7.6"));
        QCOMPARE(versionresource::queryValue(block, u"VarFileInfo\\Translation"), QByteArray("\x07\x04\xB0\x04", 4));

        TdlgAbout dlg;
        dlg.FormShow(program);
        QCOMPARE(dlg.lblVersion->text(), QString());
        QCOMPARE(dlg.lblCopyright->text(), QString());
        QCOMPARE(dlg.lblApplicationName->text(), QStringLiteral("Quillmere"));
    }

    void damagedProgramFiles()
    {
        const QByteArray program = fileBytes(QStringLiteral(VERSION_PROBE_OTHER));
        const qsizetype root = program.indexOf(QByteArray(versionblock::RootKey.data()) + '\0');
        QVERIFY(root > qsizetype(versionblock::NodeHeaderSize));
        const qsizetype blockStart = root - qsizetype(versionblock::NodeHeaderSize);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        // cut off before the section headers at the file's end
        const QString cut = writeFile(dir, QStringLiteral("cut"), program.first(program.size() - 200));
        QCOMPARE(versionresource::infoSize(cut), 0u);

        // a root longer than its section
        QByteArray longRoot = program;
        qToLittleEndian<quint32>(0x7FFFFFF0u, longRoot.data() + blockStart);
        QCOMPARE(versionresource::infoSize(writeFile(dir, QStringLiteral("long root"), longRoot)), 0u);

        // another magic
        QByteArray otherMagic = program;
        otherMagic[root] = 'X';
        QCOMPARE(versionresource::infoSize(writeFile(dir, QStringLiteral("other magic"), otherMagic)), 0u);

        // section headers pointing far beyond the file
        QByteArray farHeaders = program;
        qToLittleEndian<quint64>(0x7FFFFFFFFFFF0000ull, farHeaders.data() + 0x28);  // e_shoff of a 64-bit file
        QCOMPARE(versionresource::infoSize(writeFile(dir, QStringLiteral("far headers"), farHeaders)), 0u);

        // every single damaged byte of the block: a query finds a value inside the block or none
        // (built with -DQUILLMERE_SANITIZE=ON, a read outside the block fails the test)
        const QByteArray block = blockOf(QStringLiteral(VERSION_PROBE_OTHER));
        QVERIFY(!block.isEmpty());
        const QList<QStringView> paths = {u"\\", u"StringFileInfo\\040704B0\\FileVersion",
                                          u"StringFileInfo\\040704B0\\Comments", u"VarFileInfo\\Translation"};
        for (qsizetype i = 0; i < block.size(); ++i) {
            for (const char damage : {char(0x00), char(0xFF), char(0x81)}) {
                QByteArray damaged = block;
                damaged[i] = damage;
                for (QStringView path : paths) {
                    const auto value = versionresource::queryValue(damaged, path);
                    QVERIFY(!value || value->size() < damaged.size());
                }
            }
        }
        // a block cut short anywhere holds nothing
        for (qsizetype n = 0; n < block.size(); ++n)
            for (QStringView path : paths)
                QCOMPARE(versionresource::queryValue(block.first(n), path), std::nullopt);
    }

    void theBoxShowsTitleVersionAndCopyright()
    {
        QPixmap icon(48, 48);
        icon.fill(Qt::darkCyan);
        QApplication::setWindowIcon(QIcon(icon));

        TdlgAbout dlg;
        QCOMPARE(dlg.VersionInfo, QStringList());  // filled when shown
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About"));
        QCOMPARE(dlg.size(), QSize(289, 184));
        QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
        QVERIFY(!(dlg.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QVERIFY(dlg.windowFlags() & Qt::WindowCloseButtonHint);

        QCOMPARE(dlg.lblApplicationName->text(), QStringLiteral("Quillmere"));
        QVERIFY(dlg.lblApplicationName->font().bold());
        QCOMPARE(dlg.lblVersion->text(), QStringLiteral("1.1.0.55"));
        QCOMPARE(dlg.lblCopyright->text(), Copyright);
        QCOMPARE(dlg.lblCopyright->size(), QSize(145, 29));
        QVERIFY(dlg.lblCopyright->wordWrap());
        QCOMPARE(dlg.lblInterBaseCopyright->text().count(u'\n'), 1);
        QVERIFY(dlg.lblInterBaseCopyright->text().contains(QStringLiteral("Embarcadero Technologies, Inc.")));
        QCOMPARE(dlg.imgIcon->pixmap().size(), QSize(32, 32));
        QCOMPARE(dlg.imgIcon->pixmap().toImage().pixelColor(16, 16), QColor(Qt::darkCyan));

        // the text is centred: each label's middle is the box's middle
        for (QLabel* label : {dlg.lblApplicationName, dlg.lblVersion, dlg.lblCopyright, dlg.lblInterBaseCopyright}) {
            QVERIFY(label->alignment() & Qt::AlignHCenter);
            QVERIFY(qAbs(label->geometry().center().x() - dlg.width() / 2) <= 1);
        }
        // top to bottom
        QVERIFY(dlg.lblApplicationName->y() < dlg.lblVersion->y());
        QVERIFY(dlg.lblVersion->geometry().bottom() < dlg.lblCopyright->y());
        QVERIFY(dlg.lblCopyright->geometry().bottom() < dlg.lblInterBaseCopyright->y());
        QVERIFY(dlg.lblInterBaseCopyright->geometry().bottom() < dlg.btnOK->y());

        QVERIFY(dlg.btnOK->isDefault());
        dlg.btnOK->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        // shown again, it reads the block anew and keeps one line per name
        const auto lines = dlg.VersionInfo.size();
        dlg.show();
        QCOMPARE(dlg.VersionInfo.size(), lines);
    }

    // Every size of the hicolor theme is built in at its own size, and the box shows the 32-pixel one.
    void theProgramsIconIsBuiltIn()
    {
        const QIcon icon = programIcon();
        QCOMPARE(programIconSizes().size(), 7);
        for (const int size : programIconSizes()) {
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
            const QImage png(QStringLiteral(":/icons/hicolor/%1x%1/apps/quillmere.png").arg(size));
            QCOMPARE(png.size(), QSize(size, size));
            QVERIFY(png.pixelColor(size / 2, size / 2).alpha() == 255);  // drawn, not an empty square
        }

        QApplication::setWindowIcon(icon);
        TdlgAbout dlg;
        dlg.show();
        QCOMPARE(dlg.imgIcon->pixmap().toImage(), QPixmap(QStringLiteral(":/icons/hicolor/32x32/apps/quillmere.png")).toImage());
    }

    void helpPagesBesideTheProgram()
    {
        // the main page is named like the program, with ".html"; the program finds it there
        const QFileInfo program(QStringLiteral(QUILLMERE_EXECUTABLE));
        const QString help = program.absolutePath() + QStringLiteral("/Help/");
        QCOMPARE(TfrmMain::GetHelpFileName(program.filePath()), help + program.completeBaseName() + QStringLiteral(".html"));
        for (const QString& page : {program.completeBaseName() + QStringLiteral(".html"), QStringLiteral("Logging.html")}) {
            const QByteArray html = fileBytes(help + page);
            QVERIFY2(html.contains("</html>"), qPrintable(help + page));
            // a page for an offline workstation: nothing fetched from elsewhere
            for (const char* external : {"src=", "<link", "@import", "url("})
                QVERIFY2(!html.contains(external), external);
        }
    }

    // An installed program (prefix/bin/quillmere) finds its pages in prefix/share/quillmere/help;
    // pages beside it win, and with none anywhere the page beside it is named.
    void helpPagesOfAnInstalledProgram()
    {
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        QDir root(prefix.path());
        const QString program = root.filePath(QStringLiteral("bin/quillmere"));
        const QString beside = root.filePath(QStringLiteral("bin/Help/quillmere.html"));
        const QString installed = root.filePath(QStringLiteral("share/quillmere/help/quillmere.html"));
        QVERIFY(root.mkpath(QStringLiteral("bin")));
        QCOMPARE(TfrmMain::GetHelpFileName(program), beside);

        QVERIFY(root.mkpath(QStringLiteral("share/quillmere/help")));
        QVERIFY(!writeFile(prefix, QStringLiteral("share/quillmere/help/quillmere.html"), "<html></html>").isEmpty());
        QCOMPARE(TfrmMain::GetHelpFileName(program), installed);

        QVERIFY(root.mkpath(QStringLiteral("bin/Help")));
        QVERIFY(!writeFile(prefix, QStringLiteral("bin/Help/quillmere.html"), "<html></html>").isEmpty());
        QCOMPARE(TfrmMain::GetHelpFileName(program), beside);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    TestAbout test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_about.moc"

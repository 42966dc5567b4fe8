// The connect dialog: window and controls, the remembered connections against real settings files
// in a temporary folder, filling the boxes from them (list, focus, Enter, Browse), a failing save.

#include "app/QuillmereApplication.h"
#include "common/Exception.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "dialogs/Prompts.h"
#include "support/CutCaptions.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

namespace {
const char* const kSections[] = {"DatabaseNames", "UserNames", "Passwords", "Roles", "CharacterSets"};
const char* const kPrefixes[] = {"Database", "UserName", "Password", "Role", "CharacterSet"};
const QString kOptions = QStringLiteral("ConnectDialogOptions");

QStringList boxes(const TdlgConnectToDB& d)
{
    return {d.DatabaseName(), d.UserName(), d.Password(), d.Role(), d.CharacterSet()};
}
void type(QWidget* box, const char* text) { QTest::keyClicks(box, QLatin1String(text)); }
}  // namespace

class TestConnectDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
    // name, user, password, role, character set
    const QList<QStringList> kThree = {{"c:/data/One.gdb", "ALICE", "pw1", "R1", "ISO8859_1"},
                                       {"c:/data/Two.gdb", "", "", "", "DOS850"},
                                       {"server:/db/three.ib", "CAROL", "pw3", "R3", "NONE"}};

    // Shows a new dialog modally and, once it is active, runs work in it; a dialog that work
    // leaves open is cancelled. After OK the values connect (as the main window's connecting does
    // when they work), and the dialog saves the remembered connections. Returns the result; the
    // five values go to values.
    template <class Work>
    int run(Work work, QStringList* values = nullptr, bool connects = true)
    {
        TdlgConnectToDB dlg;
        QTimer::singleShot(0, &dlg, [&] {
            [&] {
                QVERIFY(QTest::qWaitForWindowActive(&dlg));
                QCOMPARE(QApplication::activeModalWidget(), &dlg);
                work(dlg);
            }();
            if (dlg.isVisible())
                dlg.reject();
        });
        const int result = dlg.exec();
        if (values)
            *values = boxes(dlg);
        if (result == QDialog::Accepted && connects)
            dlg.SaveRememberedConnections();
        return result;
    }

    void remember(const QList<QStringList>& entries, bool rememberDatabase, bool rememberUsername)
    {
        SettingsFile f(m_file);
        for (int n = 1; n <= entries.size(); ++n)
            for (int k = 0; k < 5; ++k)
                f.writeString(QLatin1String(kSections[k]), QLatin1String(kPrefixes[k]) + QString::number(n),
                              entries[n - 1][k]);
        f.writeBool(kOptions, QStringLiteral("RememberDatabase"), rememberDatabase);
        f.writeBool(kOptions, QStringLiteral("RememberUsername"), rememberUsername);
        f.writeFile();
    }
    // The five stored values of entry n, "-" for a missing key.
    QStringList entry(int n) const
    {
        const SettingsFile f(m_file);
        QStringList values;
        for (int k = 0; k < 5; ++k) {
            const QString section = QLatin1String(kSections[k]), key = QLatin1String(kPrefixes[k]) + QString::number(n);
            values << (f.hasKey(section, key) ? f.readString(section, key, QString()) : QStringLiteral("-"));
        }
        return values;
    }
    QStringList storedNames() const
    {
        QStringList names;
        for (int n = 1; entry(n)[0] != QLatin1String("-"); ++n)
            names << entry(n)[0];
        return names;
    }
    QByteArray fileBytes() const
    {
        QFile f(m_file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_file = m_dir->filePath(QStringLiteral("quillmere.ini"));
        setSettingsFileNameOverride(m_file);
    }
    void cleanup()
    {
        setSettingsFileNameOverride(QString());
        TdlgConnectToDB::setDatabaseFileChooser({});
        QuillmereApplication::setErrorHandler({});
    }

    void firstRunWindowAndControls()
    {
        QStringList values;
        run([](TdlgConnectToDB& dlg) {
            QCOMPARE(dlg.windowTitle(), QStringLiteral("Connect to Database"));
            QVERIFY(!(dlg.windowFlags() & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)));
            QCOMPARE(QApplication::focusWidget(), dlg.edtDatabaseName);
            QCOMPARE(dlg.RememberedCount(), 0);
            QVERIFY(!dlg.chkRememberDatabase->isChecked() && !dlg.chkRememberUsername->isChecked());
            QVERIFY(!dlg.chkRememberUsername->isEnabled());
            QCOMPARE(boxes(dlg), (QStringList{"", "", "", "", "NONE"}));
            QStringList sets;
            for (int i = 0; i < dlg.cboCharacterSet->count(); ++i)
                sets << dlg.cboCharacterSet->itemText(i);
            QCOMPARE(sets.join(QLatin1Char(' ')), QStringLiteral("ASCII BIG_5 CYRL DOS437 DOS850 DOS852 DOS857 DOS860 "
                "DOS861 DOS863 DOS865 EUCJ_0208 GB_2312 ISO8859_1 KSC_5601 NEXT NONE OCTETS SJIS_0208 UNICODE_FSS"));
            // each label stands above its field, and its accelerator moves the focus there
            for (QLabel* label : {dlg.lblUserName, dlg.lblPassword, dlg.lblRole, dlg.lblCharacterSet, dlg.lblDatabaseName}) {
                QVERIFY(label->geometry().bottom() < label->buddy()->y());
                QTest::keyClick(&dlg, QKeySequence::mnemonic(label->text())[0].key(), Qt::AltModifier);
                QCOMPARE(QApplication::focusWidget(), label->buddy());
            }
            // the tab order; the disabled check box is passed over
            QList<QWidget*> order;
            for (int i = 0; i < 8; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                order << QApplication::focusWidget();
            }
            QCOMPARE(order, (QList<QWidget*>{dlg.btnBrowse, dlg.edtUserName, dlg.edtPassword, dlg.edtRole,
                                dlg.cboCharacterSet, dlg.chkRememberDatabase, dlg.btnOK, dlg.btnCancel}));
            dlg.chkRememberDatabase->setFocus();
            dlg.chkRememberDatabase->click();
            QTest::keyClick(dlg.chkRememberDatabase, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), dlg.chkRememberUsername);

            // capitals as typed, the caret kept; the password as stars; no length limit
            type(dlg.edtUserName, "sysdba");
            dlg.edtUserName->setCursorPosition(3);
            type(dlg.edtUserName, "q");
            QCOMPARE(dlg.UserName(), QStringLiteral("SYSQDBA"));
            QCOMPARE(dlg.edtUserName->cursorPosition(), 4);
            type(dlg.edtPassword, " key ");
            QCOMPARE(dlg.edtPassword->displayText(), QStringLiteral("*****"));
            dlg.edtRole->setText(QString(40000, QLatin1Char('r')));
            QCOMPARE(dlg.Role().size(), 40000);
            dlg.btnCancel->click();
        }, &values);
        QCOMPARE(values[2], QStringLiteral(" key "));  // nothing trimmed
        QVERIFY(!QFile::exists(m_file));
    }

    void layoutAndPlacement()
    {
        QMainWindow main;
        main.setGeometry(200, 150, 1000, 700);
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        run([&](TdlgConnectToDB& dlg) {
            QCOMPARE(dlg.frameGeometry().center(), main.frameGeometry().center());
            QCOMPARE(dlg.minimumSize(), QSize(480, 250));
            QCOMPARE(dlg.maximumHeight(), 250);
            for (int width : {700, 480}) {
                dlg.resize(width, 400);
                QCOMPARE(dlg.size(), QSize(width, 250));
                const QRect browse = dlg.btnBrowse->geometry(), ok = dlg.btnOK->geometry(),
                            cancel = dlg.btnCancel->geometry(), box = dlg.edtDatabaseName->geometry();
                QCOMPARE(browse.x(), width - browse.width() - (2 * browse.height()) / 3);
                QCOMPARE(box.x() + box.width(), browse.x() - box.height() / 3);
                QCOMPARE(dlg.bvlSeparator->x() + dlg.bvlSeparator->width(), width);
                QCOMPARE(cancel.x() + cancel.width(), browse.x() + browse.width());
                QCOMPARE(cancel.x() - (ok.x() + ok.width()), 250 - ok.y() - ok.height());
                QVERIFY(dlg.chkRememberUsername->geometry().bottom() < dlg.bvlSeparator->y());
                QVERIFY(dlg.bvlSeparator->geometry().bottom() < ok.y());
                QCOMPARE(cutCaptions(dlg), QStringList());  // "Remember User name and Password" was cut
            }
        });
    }

    void loadingAndTheWarning()
    {
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[DatabaseNames]\nDatabase1=a.gdb\ndatabase2 = b.gdb\nDatabase4=d.gdb\n[CharacterSets]\n"
                "CharacterSet1=CYRL\n[ConnectDialogOptions]\nRememberDatabase=1\nRememberUsername=7\n");
        f.close();
        ScriptedPrompts prompts;
        prompts.answers = {QMessageBox::No, QMessageBox::Yes};
        run([&](TdlgConnectToDB& dlg) {
            // up to the first missing name; a missing character set is NONE; nothing preselected
            QCOMPARE(dlg.RememberedCount(), 2);
            QCOMPARE(dlg.RememberedEntry(0).CharacterSet, QStringLiteral("CYRL"));
            QCOMPARE(dlg.RememberedEntry(1).DatabaseName, QStringLiteral("b.gdb"));
            QCOMPARE(dlg.RememberedEntry(1).CharacterSet, QStringLiteral("NONE"));
            QCOMPARE(boxes(dlg), (QStringList{"", "", "", "", "NONE"}));
            // both checked from the file, without the warning; unchecking asks nothing
            QVERIFY(dlg.chkRememberDatabase->isChecked() && dlg.chkRememberUsername->isChecked());
            dlg.chkRememberUsername->click();
            QCOMPARE(prompts.requests.size(), size_t(0));
            // No unchecks, Yes keeps the check
            dlg.chkRememberUsername->click();
            QVERIFY(!dlg.chkRememberUsername->isChecked());
            QTest::keyClick(dlg.chkRememberUsername, Qt::Key_Space);
            QVERIFY(dlg.chkRememberUsername->isChecked());
            QCOMPARE(prompts.requests.size(), size_t(2));
            const Prompts::Confirmation& c = prompts.requests[0].confirmation;
            QCOMPARE(c.caption, QStringLiteral("Confirm"));
            QCOMPARE(c.icon, QMessageBox::Question);
            QCOMPARE(c.buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(c.text, QStringLiteral("Warning: The remembered User Names and Passwords are stored in a plain "
                "text file.  You should use this option only if you are certain that your local filesystem is "
                "secure.\n\r\n\rAre you sure you wish to enable this option?"));
            // disabled with Remember Database, keeping its check
            dlg.chkRememberDatabase->click();
            QVERIFY(!dlg.chkRememberUsername->isEnabled() && dlg.chkRememberUsername->isChecked());
            dlg.chkRememberDatabase->click();
            // Yes and OK: the password in plain text, the file for its owner only
            type(dlg.edtDatabaseName, "/data/p.gdb");
            type(dlg.edtUserName, "dba");
            type(dlg.edtPassword, "S3cret pw");
            type(dlg.edtRole, "admin");
            dlg.btnOK->click();
        });
        QVERIFY(fileBytes().contains("[Passwords]\r\nPassword1=S3cret pw\r\n"));
        QCOMPARE(entry(1), (QStringList{"/data/p.gdb", "DBA", "S3cret pw", "admin", "NONE"}));
        // three entries written; the old number 4 behind the gap was left alone and now follows them
        QCOMPARE(storedNames(), (QStringList{"/data/p.gdb", "a.gdb", "b.gdb", "d.gdb"}));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
    }

    void elevenDatabasesKeepTheLatestTen()
    {
        for (int i = 1; i <= 11; ++i) {
            QStringList values;
            QCOMPARE(run([i](TdlgConnectToDB& dlg) {
                QCOMPARE(dlg.RememberedCount(), qMin(i - 1, 10));
                if (i == 1)
                    dlg.chkRememberDatabase->click();
                QTest::keyClicks(dlg.edtDatabaseName, QStringLiteral("db%1.gdb").arg(i));
                type(dlg.edtUserName, "u");
                if (i % 2)
                    dlg.btnOK->click();
                else  // Enter adds no item of its own to the list
                    QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Return);
            }, &values), int(QDialog::Accepted));
            QCOMPARE(values, (QStringList{QStringLiteral("db%1.gdb").arg(i), "U", "", "", "NONE"}));
        }
        QStringList expected;
        for (int i = 11; i >= 2; --i)
            expected << QStringLiteral("db%1.gdb").arg(i);
        QCOMPARE(storedNames(), expected);
        for (int n = 1; n <= 10; ++n)  // all five keys, credentials not remembered
            QCOMPARE(entry(n), (QStringList{expected[n - 1], "", "", "", "NONE"}));
        QVERIFY(fileBytes().contains("[ConnectDialogOptions]\r\nRememberDatabase=1\r\nRememberUsername=0\r\n"));
    }

    void rememberedEntriesOnOK()
    {
        remember(kThree, true, false);
        // another letter case: the remembered spelling, moved to the top, credentials blanked for
        // it only, its character set kept although another one is handed on
        QStringList values;
        run([](TdlgConnectToDB& dlg) {
            type(dlg.edtDatabaseName, "SERVER:/DB/THREE.IB");
            QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Tab);
            dlg.cboCharacterSet->setCurrentIndex(dlg.cboCharacterSet->findText(QStringLiteral("UNICODE_FSS")));
            dlg.btnOK->click();
        }, &values);
        QCOMPARE(values, (QStringList{"server:/db/three.ib", "CAROL", "pw3", "R3", "UNICODE_FSS"}));
        QCOMPARE(storedNames(), (QStringList{"server:/db/three.ib", "c:/data/One.gdb", "c:/data/Two.gdb"}));
        QCOMPARE(entry(1), (QStringList{"server:/db/three.ib", "", "", "", "NONE"}));
        QCOMPARE(entry(2), kThree[0]);

        // Remember Database unchecked: the typed spelling, nothing written, checked next time
        const QByteArray before = fileBytes();
        run([](TdlgConnectToDB& dlg) {
            dlg.chkRememberDatabase->click();
            type(dlg.edtDatabaseName, "C:/DATA/TWO.GDB");
            dlg.btnOK->click();
        }, &values);
        QCOMPARE(values[0], QStringLiteral("C:/DATA/TWO.GDB"));
        QCOMPARE(fileBytes(), before);
        // Cancel and Esc write nothing either; OK without a name rewrites entries and options
        for (int i = 0; i < 2; ++i)
            run([i](TdlgConnectToDB& dlg) {
                QVERIFY(dlg.chkRememberDatabase->isChecked());
                type(dlg.edtDatabaseName, "new.gdb");
                i ? dlg.btnCancel->click() : QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Escape);
            });
        QCOMPARE(fileBytes(), before);
        ScriptedPrompts prompts;
        prompts.answers = {QMessageBox::Yes};
        run([](TdlgConnectToDB& dlg) {
            dlg.chkRememberUsername->click();
            dlg.btnOK->click();
        }, &values);
        QCOMPARE(values[0], QString());
        QCOMPARE(storedNames(), (QStringList{"server:/db/three.ib", "c:/data/One.gdb", "c:/data/Two.gdb"}));
        QCOMPARE(entry(2), kThree[0]);
        QCOMPARE(SettingsFile(m_file).readString(kOptions, QStringLiteral("RememberUsername"), {}), QStringLiteral("1"));
    }

    // Enter right after typing a remembered name fills nothing, and with both options on the save
    // must not take the empty boxes for a choice: the entry keeps its credentials and the creator
    // gets them. Credentials the user has seen and cleared are saved as cleared.
    void enterKeepsTheRememberedCredentials()
    {
        remember(kThree, true, true);
        QStringList values;
        run([](TdlgConnectToDB& dlg) {
            type(dlg.edtDatabaseName, "C:/DATA/ONE.GDB");
            QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Return);
        }, &values);
        QCOMPARE(values, (QStringList{"c:/data/One.gdb", "ALICE", "pw1", "R1", "NONE"}));
        QCOMPARE(entry(1), kThree[0]);

        run([](TdlgConnectToDB& dlg) {
            type(dlg.edtDatabaseName, "c:/data/one.gdb");
            QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Tab);
            dlg.edtPassword->clear();
            dlg.edtDatabaseName->setFocus();
            QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Return);
        }, &values);
        QCOMPARE(entry(1), (QStringList{"c:/data/One.gdb", "ALICE", "", "R1", "ISO8859_1"}));
    }

    void fillingTheBoxes()
    {
        remember(kThree, false, false);
        // Enter right after typing a remembered name: the other boxes keep what they hold
        QStringList values;
        run([](TdlgConnectToDB& dlg) {
            type(dlg.edtUserName, "bob");
            dlg.edtDatabaseName->setFocus();
            type(dlg.edtDatabaseName, "c:/data/one.gdb");
            QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Return);
        }, &values);
        QCOMPARE(values, (QStringList{"c:/data/one.gdb", "BOB", "", "", "NONE"}));

        QString chosen = QStringLiteral("C:/data/two.GDB");
        TdlgConnectToDB::setDatabaseFileChooser([&](QWidget*) { return chosen; });
        run([&](TdlgConnectToDB& dlg) {
            // leaving the box fills all four; an unknown name changes nothing
            type(dlg.edtDatabaseName, "C:/Data/ONE.gdb");
            QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Tab);
            QCOMPARE(boxes(dlg), (QStringList{"C:/Data/ONE.gdb", "ALICE", "pw1", "R1", "ISO8859_1"}));
            dlg.edtDatabaseName->setFocus();
            dlg.edtDatabaseName->setEditText(QStringLiteral("elsewhere.gdb"));
            QTest::keyClick(dlg.edtDatabaseName, Qt::Key_Tab);
            QCOMPARE(dlg.UserName(), QStringLiteral("ALICE"));

            // Browse from within the box (as its accelerator does): user name and password only
            dlg.edtDatabaseName->setFocus();
            dlg.btnBrowse->click();
            QCOMPARE(QApplication::focusWidget(), dlg.edtUserName);
            QCOMPARE(boxes(dlg), (QStringList{"C:/data/two.GDB", "", "", "R1", "ISO8859_1"}));
            chosen.clear();  // cancelled
            dlg.btnBrowse->click();
            QCOMPARE(dlg.DatabaseName(), QStringLiteral("C:/data/two.GDB"));

            // picked from the list: an entry without credentials empties them, sets its set
            dlg.edtDatabaseName->setEditText(QStringLiteral("server:/db/three.ib"));
            dlg.edtDatabaseName->showPopup();
            QAbstractItemView* list = dlg.edtDatabaseName->view();
            list->setCurrentIndex(list->model()->index(1, 0));
            QTest::keyClick(list, Qt::Key_Return);
            QCoreApplication::processEvents();
            QCOMPARE(boxes(dlg), (QStringList{"c:/data/Two.gdb", "", "", "", "DOS850"}));
            // a name typed over the picked one is looked up by its text
            dlg.edtDatabaseName->setEditText(QStringLiteral("SERVER:/db/three.ib"));
            QCOMPARE(dlg.FindRememberedEntry(), 2);
            dlg.edtDatabaseName->setEditText(QStringLiteral("new.gdb"));
            QCOMPARE(dlg.FindRememberedEntry(), -1);
        });

        // the system's dialog: filters, default extension, an existing file
        TdlgConnectToDB::setDatabaseFileChooser({});
        const QString file = m_dir->filePath(QStringLiteral("emp.gdb"));
        QFile(file).open(QIODevice::WriteOnly);
        run([&](TdlgConnectToDB& dlg) {
            QTimer::singleShot(0, [&] {
                auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(fd);
                QCOMPARE(fd->nameFilters(), (QStringList{"InterBase database (*.ib *.gdb)", "All files (*)"}));
                QCOMPARE(fd->defaultSuffix(), QStringLiteral("gdb"));
                QCOMPARE(fd->fileMode(), QFileDialog::ExistingFile);
                QVERIFY(fd->isSizeGripEnabled());
                fd->setDirectory(m_dir->path());
                fd->selectFile(QStringLiteral("emp"));
                QMetaObject::invokeMethod(fd, "accept");
            });
            dlg.btnBrowse->click();
            QCOMPARE(dlg.DatabaseName(), file);
        });
    }

    // quillmere DATABASE: the dialog opens with the name and the remembered connection's values
    void aNameFromTheCommandLine()
    {
        remember(kThree, true, true);
        TdlgConnectToDB dlg;
        dlg.SetDatabaseName(QStringLiteral("server:/db/three.ib"));
        dlg.show();
        QCOMPARE(boxes(dlg), kThree[2]);
        dlg.reject();
    }

    // A name is remembered only once it has connected: names that failed push no entry out, and
    // a settings file that cannot be written raises the error to the caller, who reports it.
    void onlyConnectedNamesAreRemembered()
    {
        remember(kThree, true, true);
        const QByteArray before = fileBytes();
        for (int i = 1; i <= 11; ++i)
            QCOMPARE(run([i](TdlgConnectToDB& dlg) {
                QTest::keyClicks(dlg.edtDatabaseName, QStringLiteral("failed%1.gdb").arg(i));
                dlg.btnOK->click();
            }, nullptr, false), int(QDialog::Accepted));
        QCOMPARE(fileBytes(), before);

        // the settings file's place taken by a folder, which cannot be replaced (nor read: the
        // dialog reports that as it opens)
        QStringList reported;
        QuillmereApplication::setErrorHandler([&](const Exception& e) { reported << e.message(); });
        QVERIFY(QFile::remove(m_file) && QDir().mkpath(m_file + QStringLiteral("/inside")));
        try {
            run([](TdlgConnectToDB& dlg) {
                dlg.chkRememberDatabase->click();
                type(dlg.edtDatabaseName, "kept.gdb");
                dlg.btnOK->click();
            });
            QFAIL("a save over a folder succeeded");
        } catch (const Exception& e) {
            QVERIFY2(e.message().contains(QStringLiteral("quillmere.ini")), qPrintable(e.message()));
        }
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    TestConnectDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_connect_dialog.moc"

// The demo's remembered connection (src/tools/workload/DemoSettings) as the connect dialog reads
// it back: picked, it fills every field; the user's other entries and settings stay.

#include "DemoSettings.h"

#include "app/QuillmereApplication.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const WorkloadConnection kDemo{QStringLiteral("127.0.0.1/40123:/home/u/quillmere/build/demo/server/db/demo.fdb"),
                               QStringLiteral("sysdba"), QStringLiteral("quillmere")};

}  // namespace

class TestDemoSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;

    void writeEntries(const QStringList& names)
    {
        SettingsFile f(m_file);
        for (int n = 1; n <= names.size(); ++n) {
            f.writeString(QStringLiteral("DatabaseNames"), QStringLiteral("Database%1").arg(n), names[n - 1]);
            f.writeString(QStringLiteral("UserNames"), QStringLiteral("UserName%1").arg(n), QStringLiteral("USER%1").arg(n));
            f.writeString(QStringLiteral("Passwords"), QStringLiteral("Password%1").arg(n), QStringLiteral("pw%1").arg(n));
            f.writeString(QStringLiteral("Roles"), QStringLiteral("Role%1").arg(n), QStringLiteral("R%1").arg(n));
            f.writeString(QStringLiteral("CharacterSets"), QStringLiteral("CharacterSet%1").arg(n), QStringLiteral("DOS850"));
        }
        f.writeFile();
    }

    // The dialog's remembered entries after it has been shown, and its two options.
    struct Shown {
        QList<RememberedConnection> entries;
        bool rememberDatabase = false, rememberUsername = false;
    };
    Shown show()
    {
        TdlgConnectToDB dlg;
        dlg.show();
        Shown s;
        for (int i = 0; i < dlg.RememberedCount(); ++i)
            s.entries << dlg.RememberedEntry(i);
        s.rememberDatabase = dlg.chkRememberDatabase->isChecked();
        s.rememberUsername = dlg.chkRememberUsername->isChecked();
        dlg.reject();
        return s;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_file = m_dir->filePath(QStringLiteral("quillmere.ini"));
        setSettingsFileNameOverride(m_file);
    }
    void cleanup() { setSettingsFileNameOverride(QString()); }

    // Into a file that does not exist yet: picking the entry fills database, user name and
    // password, and OK keeps them remembered.
    void pickingTheEntryFillsEveryField()
    {
        rememberConnection(m_file, kDemo);
        TdlgConnectToDB dlg;
        dlg.show();
        QCOMPARE(dlg.RememberedCount(), 1);
        QVERIFY(dlg.chkRememberDatabase->isChecked());
        QVERIFY(dlg.chkRememberUsername->isChecked());
        QVERIFY(dlg.chkRememberUsername->isEnabled());
        dlg.edtDatabaseName->setCurrentIndex(0);
        dlg.FillFromRememberedEntry();
        QCOMPARE(dlg.DatabaseName(), kDemo.database);
        QCOMPARE(dlg.UserName(), QStringLiteral("SYSDBA"));
        QCOMPARE(dlg.Password(), kDemo.password);
        QCOMPARE(dlg.Role(), QString());
        QCOMPARE(dlg.CharacterSet(), QStringLiteral("NONE"));
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const SettingsFile f(m_file);
        QCOMPARE(f.readString(QStringLiteral("Passwords"), QStringLiteral("Password1"), QString()), kDemo.password);
        QCOMPARE(f.readString(QStringLiteral("DatabaseNames"), QStringLiteral("Database2"), QString()), QString());
    }

    // The user's entries follow the demo's in their order, with all their values; an earlier demo
    // entry of the same file on another port goes; other sections are untouched.
    void otherEntriesAndSettingsStay()
    {
        const QString oldDemo = QStringLiteral("127.0.0.1/39999:/home/u/quillmere/build/demo/server/db/demo.fdb");
        writeEntries({QStringLiteral("/data/one.fdb"), oldDemo, QStringLiteral("server:/db/three.fdb")});
        {
            SettingsFile f(m_file);
            f.writeInteger(QStringLiteral("MonitorOptions"), QStringLiteral("RefreshInterval"), 7);
            f.writeFile();
        }
        rememberConnection(m_file, kDemo);
        const Shown s = show();
        QCOMPARE(s.entries.size(), 3);
        QCOMPARE(s.entries[0].DatabaseName, kDemo.database);
        QCOMPARE(s.entries[1].DatabaseName, QStringLiteral("/data/one.fdb"));
        QCOMPARE(s.entries[1].UserName, QStringLiteral("USER1"));
        QCOMPARE(s.entries[1].Password, QStringLiteral("pw1"));
        QCOMPARE(s.entries[1].Role, QStringLiteral("R1"));
        QCOMPARE(s.entries[1].CharacterSet, QStringLiteral("DOS850"));
        QCOMPARE(s.entries[2].DatabaseName, QStringLiteral("server:/db/three.fdb"));
        QCOMPARE(s.entries[2].Password, QStringLiteral("pw3"));
        QVERIFY(s.rememberDatabase && s.rememberUsername);
        QCOMPARE(SettingsFile(m_file).readInteger(QStringLiteral("MonitorOptions"), QStringLiteral("RefreshInterval"), 0), 7);
    }

    // Ten entries at most: the oldest falls off.
    void tenAtMost()
    {
        QStringList names;
        for (int n = 1; n <= 10; ++n)
            names << QStringLiteral("/data/db%1.fdb").arg(n);
        writeEntries(names);
        rememberConnection(m_file, kDemo);
        const Shown s = show();
        QCOMPARE(s.entries.size(), 10);
        QCOMPARE(s.entries.first().DatabaseName, kDemo.database);
        QCOMPARE(s.entries.last().DatabaseName, QStringLiteral("/data/db9.fdb"));
    }

    void fileOfADatabaseName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("local") << "/db/a.fdb" << "/db/a.fdb";
        QTest::newRow("host") << "server:/db/a.fdb" << "/db/a.fdb";
        QTest::newRow("host and port") << "127.0.0.1/3050:/db/a.fdb" << "/db/a.fdb";
        QTest::newRow("colon in a local path") << "/db/a:b.fdb" << "/db/a:b.fdb";
        QTest::newRow("alias") << "employee" << "employee";
    }
    void fileOfADatabaseName()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QCOMPARE(databaseFileOf(name), file);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    TestDemoSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_demo_settings.moc"

#pragma once
// The main window as the program creates it, for GUI tests against a database with the monitoring
// tables, and the rows those tests put into the tables.

#include "app/QuillmereApplication.h"
#include "common/Messages.h"
#include "common/SettingsFile.h"
#include "connectdialog/ConnectDlg.h"
#include "connection/ServerConnectionDM.h"
#include "dialogs/Prompts.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/pages/DatabasePage.h"
#include "mainwindow/pages/MemoryPage.h"
#include "mainwindow/pages/StatementsPage.h"
#include "mainwindow/pages/TransactionsPage.h"
#include "mainwindow/pages/UsersPage.h"
#include "monitor/QuillmereDM.h"
#include "support/TestDatabase.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

inline QString statementRow(int id, int attachment, const QString& state, const QString& sql)
{
    return QStringLiteral("INSERT INTO TMP$STATEMENTS (TMP$STATEMENT_ID, TMP$ATTACHMENT_ID, TMP$STATE, TMP$SQL, "
                          "TMP$TIMESTAMP) VALUES (%1, %2, '%3', '%4', '2020-05-06 07:08:09')")
        .arg(id)
        .arg(attachment)
        .arg(state, sql);
}

inline QString attachmentRow(int id, const QString& user)
{
    return QStringLiteral("INSERT INTO TMP$ATTACHMENTS (TMP$ATTACHMENT_ID, TMP$USER, TMP$STATE) VALUES (%1, '%2', 'ACTIVE')")
        .arg(id)
        .arg(user);
}

inline QString transactionRow(int id, int attachment, const QString& state)
{
    return QStringLiteral("INSERT INTO TMP$TRANSACTIONS (TMP$TRANSACTION_ID, TMP$ATTACHMENT_ID, TMP$STATE) "
                          "VALUES (%1, %2, '%3')")
        .arg(id)
        .arg(attachment)
        .arg(state);
}

inline QString poolRow(int id, const char* type, qint64 bytes)
{
    return QStringLiteral("INSERT INTO TMP$POOLS (TMP$POOL_ID, TMP$TYPE, TMP$POOL_MEMORY) VALUES (%1, '%2', %3)")
        .arg(id)
        .arg(QLatin1String(type))
        .arg(bytes);
}

// The window as the program creates it, with the connect dialog answered: connected to the
// database when there is one, cancelled otherwise.
struct Window {
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmMain> form;

    explicit Window(const TestDatabase* db)
        : Window(db ? db->path() : QString(), QStringLiteral("SYSDBA"), QString())
    {
    }
    // A database by name (empty: the dialog is cancelled), as the user enters it.
    Window(const QString& databaseName, const QString& userName, const QString& password)
    {
        // every window starts from the built-in options
        QFile::remove(SettingsFileName());
        TfrmMain::setConnectDialogRunner([=](TdlgConnectToDB& dialog) {
            if (databaseName.isEmpty())
                return int(QDialog::Rejected);
            dialog.edtDatabaseName->setCurrentText(databaseName);
            dialog.edtUserName->setText(userName);
            dialog.edtPassword->setText(password);
            return int(QDialog::Accepted);
        });
        form = std::make_unique<TfrmMain>();
    }
    ~Window()
    {
        form.reset();
        TfrmMain::setConnectDialogRunner({});
    }
    // The first show: the Database tab, the disconnected state, then the connect dialog.
    void show()
    {
        form->show();
        QCoreApplication::sendPostedEvents();
    }
    TdmQuillmere& dm() const { return form->dmQuillmere(); }
    bool connected() const { return form->dmServerProperties().GetConnected(); }
    // The key of a page's current row, and the rows its grid shows.
    qint64 current(PageId id) const { return form->page(id).currentKey().toLongLong(); }
    int rows(PageId id) const { return int(form->page(id).shownRows().size()); }
};

// The main of a test of the main window: the offscreen platform, the application as the program
// names it, and a settings file and a data folder (the history stores) of the test's own in a
// temporary folder.
#define QUILLMERE_MAIN_WINDOW_TEST_MAIN(TestClass)                                                     \
    int main(int argc, char** argv)                                                                    \
    {                                                                                                  \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                       \
        QuillmereApplication app(argc, argv);                                                          \
        QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));            \
        QTemporaryDir settingsFolder;                                                                  \
        setSettingsFileNameOverride(settingsFolder.filePath(QStringLiteral("quillmere.ini")));         \
        /* the history stores of Record History there too, not in the user's data folder */          \
        qputenv("XDG_DATA_HOME", QFile::encodeName(settingsFolder.path()));                            \
        TestClass test;                                                                                \
        const int result = QTest::qExec(&test, argc, argv);                                            \
        setSettingsFileNameOverride(QString());                                                        \
        return result;                                                                                 \
    }

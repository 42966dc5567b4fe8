#pragma once
// TdlgConnectToDB: asks for the five parameters of the connection and keeps the remembered
// connections, the ten most recently used databases, in the settings file. The caller creates
// one for each use without an owner, shows it modally once and, after OK, reads the five values
// (the current texts of the boxes; nothing is trimmed or checked).
//
// When the dialog is first shown it opens the settings file and lists the remembered databases;
// picking one (closing its drop-down list, or leaving the box) fills the other boxes from it.
// Closing with OK shows a remembered database in its remembered spelling. Only once the caller
// has connected with the values does it call SaveRememberedConnections: with Remember Database
// checked, the database then becomes the most recent entry and the entries and both options are
// written back. A name that was refused or failed is never remembered, so it never pushes a
// working entry out of the ten. Closing with OK never blanks remembered credentials the user has
// not seen: Enter right after typing a name fills nothing, so the boxes left empty then take the
// entry's values.

#include "common/RememberedConnections.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class SettingsFile;

class TdlgConnectToDB : public QDialog {
    Q_OBJECT
public:
    explicit TdlgConnectToDB(QWidget* parent = nullptr);
    ~TdlgConnectToDB() override;

    QString DatabaseName() const;
    // Shows name in the database name box when the dialog opens (the program's command line), with
    // the other values of the remembered connection to it.
    void SetDatabaseName(const QString& name);
    QString UserName() const;
    QString Password() const;
    QString Role() const;
    QString CharacterSet() const;

    // The remembered connections as the dialog holds them, most recent first.
    int RememberedCount() const;
    RememberedConnection RememberedEntry(int position) const;

    // Fills the lists from the settings file: entries 1 to 10, up to the first missing or empty
    // database name.
    void LoadRememberedConnections();
    // The selected item of the database name box (an item counts as selected while the box shows
    // its text), else the first item equal to the box's text with letter case ignored, else -1.
    int FindRememberedEntry() const;
    // Sets user name, password, role and character set from the entry FindRememberedEntry finds;
    // nothing when it finds none.
    void FillFromRememberedEntry();
    // For the caller, once it has connected with the dialog's values. With the result OK and
    // Remember Database checked: makes the current database the most recent entry and writes the
    // entries and both options to the settings file. Raises Exception when the file cannot be
    // written.
    void SaveRememberedConnections();

    // The open-file dialog of Browse: returns the chosen file's full path, or an empty text when
    // the user cancels. Replaceable (tests); none restores the system's dialog.
    using DatabaseFileChooser = std::function<QString(QWidget* parent)>;
    static void setDatabaseFileChooser(DatabaseFileChooser chooser);

    // Closing with OK takes the remembered entry of the database (TakeRememberedEntry).
    void done(int result) override;

    QLabel* lblDatabaseName = nullptr;
    QComboBox* edtDatabaseName = nullptr;
    QPushButton* btnBrowse = nullptr;
    QLabel* lblUserName = nullptr;
    QLineEdit* edtUserName = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* edtPassword = nullptr;
    QLabel* lblRole = nullptr;
    QLineEdit* edtRole = nullptr;
    QLabel* lblCharacterSet = nullptr;
    QComboBox* cboCharacterSet = nullptr;
    QCheckBox* chkRememberDatabase = nullptr;
    QCheckBox* chkRememberUsername = nullptr;
    QFrame* bvlSeparator = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void FormResize();
    void btnBrowseClick();
    void chkRememberDatabaseChange();
    void chkRememberUsernameClick(bool checked);
    void edtDatabaseNameCloseUp();
    void edtDatabaseNameExit();
    void edtUserNameChange();

    // On OK with Remember Database checked: a remembered database is shown in its remembered
    // spelling, and with Remember User name and Password checked the boxes the user left empty
    // take the entry's credentials (completeFromEntry).
    void TakeRememberedEntry();
    void placeControls();
    void setCharacterSetText(const QString& text);
    void moveToTop(int position);
    void completeFromEntry(int position);
    SettingsFile& settings();

    std::unique_ptr<SettingsFile> m_settings;  // from the first show until the dialog is gone
    bool m_shown = false;
    QString m_presetDatabaseName;
    // set while the dialog closes with OK: leaving the database name box then fills nothing
    bool m_closingWithOK = false;
    // set while Browse moves the focus, which fills only user name and password
    bool m_browsing = false;
    // the entry whose values the boxes were last filled from; -1 when none has been since the
    // database name last changed
    int m_filledFrom = -1;
    // parallel to the items of edtDatabaseName
    QStringList m_userNames;
    QStringList m_passwords;
    QStringList m_roles;
    QStringList m_characterSets;
};

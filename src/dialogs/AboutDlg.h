#pragma once
// TdlgAbout: the program's icon, title, version and copyright notice. Title and icon come from the
// running application, version and copyright from the version block of the program file
// (common/VersionBlock.h), so the box needs no edit when the version changes. The caller creates
// it (with the main window as parent, so that it is centred over it), runs exec() and destroys it.

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QPushButton;

class TdlgAbout : public QDialog {
    Q_OBJECT
public:
    explicit TdlgAbout(QWidget* parent = nullptr);

    // The names looked up in the string table "040904E4", in this order.
    static const QStringList VersionStringNames;

    // Fills VersionInfo from the version block of the running program's file.
    void ReadVersionInfo();
    // Fills VersionInfo from the version block of the program file fileName: one line
    // name=value for each of VersionStringNames found; empty when the file has no block.
    void ReadVersionInfo(const QString& fileName);
    // The value VersionInfo holds for name (letter case ignored); empty when it holds none.
    QString VersionValue(const QString& name) const;

    // The steps run when the box is shown, with the version block of programFile.
    void FormShow(const QString& programFile);

    QStringList VersionInfo;

    QLabel* imgIcon;
    QLabel* lblApplicationName;
    QLabel* lblVersion;
    QLabel* lblCopyright;
    QLabel* lblInterBaseCopyright;
    QFrame* bvlSeparator;
    QPushButton* btnOK;

protected:
    void showEvent(QShowEvent* event) override;
};

#include "dialogs/AboutDlg.h"

#include "common/Messages.h"
#include "common/VersionResource.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int ClientWidth = 289;
constexpr int ClientHeight = 184;
constexpr int IconSize = 32;
constexpr int TextLeft = 8;
constexpr int TextWidth = ClientWidth - 2 * TextLeft;
constexpr int CopyrightWidth = 145;
constexpr int CopyrightHeight = 29;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

const QString StringTablePath = QStringLiteral("StringFileInfo\\040904E4\\");

QLabel* centredLabel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

const QStringList TdlgAbout::VersionStringNames = {
    QStringLiteral("CompanyName"),    QStringLiteral("FileDescription"), QStringLiteral("FileVersion"),
    QStringLiteral("InternalName"),   QStringLiteral("LegalCopyright"),  QStringLiteral("LegalTradeMarks"),
    QStringLiteral("OriginalFileName"), QStringLiteral("ProductName"),   QStringLiteral("ProductVersion"),
    QStringLiteral("Comments"),
};

TdlgAbout::TdlgAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("dlgAbout"));
    setWindowTitle(QString::fromUtf8(msg::AboutCaption));
    setFixedSize(ClientWidth, ClientHeight);

    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setGeometry(TextLeft, TextLeft, IconSize, IconSize);

    lblApplicationName = centredLabel(this, "lblApplicationName", QRect(TextLeft + IconSize, 16, TextWidth - 2 * IconSize, 17));
    QFont bold = lblApplicationName->font();
    bold.setBold(true);
    lblApplicationName->setFont(bold);

    lblVersion = centredLabel(this, "lblVersion", QRect(TextLeft, 40, TextWidth, 16));
    lblCopyright = centredLabel(this, "lblCopyright",
                                QRect((ClientWidth - CopyrightWidth) / 2, 60, CopyrightWidth, CopyrightHeight));
    lblCopyright->setWordWrap(true);
    lblInterBaseCopyright = centredLabel(this, "lblInterBaseCopyright", QRect(TextLeft, 95, TextWidth, 32));
    lblInterBaseCopyright->setWordWrap(true);
    lblInterBaseCopyright->setText(QString::fromUtf8(msg::InterBaseTrademarkNotice));

    bvlSeparator = new QFrame(this);
    bvlSeparator->setObjectName(QStringLiteral("bvlSeparator"));
    bvlSeparator->setFrameShape(QFrame::HLine);
    bvlSeparator->setFrameShadow(QFrame::Sunken);
    bvlSeparator->setGeometry(TextLeft, 135, TextWidth, 2);

    btnOK = new QPushButton(QString::fromUtf8(msg::AboutOK), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry((ClientWidth - ButtonWidth) / 2, 148, ButtonWidth, ButtonHeight);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TdlgAbout::ReadVersionInfo() { ReadVersionInfo(QCoreApplication::applicationFilePath()); }

void TdlgAbout::ReadVersionInfo(const QString& fileName)
{
    VersionInfo.clear();
    const quint32 size = versionresource::infoSize(fileName);
    if (size == 0)
        return;
    QByteArray buffer(qsizetype(size), '\0');
    if (!versionresource::loadInfo(fileName, buffer))
        return;
    for (const QString& name : VersionStringNames) {
        if (const auto value = versionresource::queryString(buffer, QString(StringTablePath + name)))
            VersionInfo.append(name + u'=' + *value);
    }
    // the buffer is released here
}

QString TdlgAbout::VersionValue(const QString& name) const
{
    for (const QString& line : VersionInfo) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0 && QStringView(line).first(equals).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return {};
}

void TdlgAbout::FormShow(const QString& programFile)
{
    imgIcon->setPixmap(QApplication::windowIcon().pixmap(IconSize, IconSize));
    lblApplicationName->setText(QGuiApplication::applicationDisplayName());
    ReadVersionInfo(programFile);
    lblVersion->setText(VersionValue(QStringLiteral("FileVersion")));
    lblCopyright->setText(VersionValue(QStringLiteral("LegalCopyright")));
}

void TdlgAbout::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow(QCoreApplication::applicationFilePath());
    QDialog::showEvent(event);
}

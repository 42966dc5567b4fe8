#include "connectdialog/ConnectDlg.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/Messages.h"
#include "common/RememberedConnections.h"
#include "common/SettingsFile.h"
#include "dialogs/Prompts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProxyStyle>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>

#include <limits>
#include <optional>

namespace {

// The dialog's frame: fixed height, widened at will.
constexpr int kMinimumWidth = 480;
constexpr int kHeight = 250;
// The design: margins, the gap between the rows and the columns, and a label's distance from
// its field.
constexpr int kMargin = 8;
constexpr int kRowGap = 6;
constexpr int kLabelGap = 2;
constexpr int kButtonWidth = 75;

QString T(const char* text) { return QString::fromUtf8(text); }

// The database name box; reports the closing of its drop-down list.
class TDatabaseNameBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnCloseUp;

    void hidePopup() override
    {
        const bool shown = view()->isVisible();
        QComboBox::hidePopup();
        if (shown && OnCloseUp)
            OnCloseUp();
    }
};

// The password box's style: every character shows as "*", at once.
class TPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// The system's open-file dialog for a database file.
QString BrowseForDatabase(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);  // only a file that exists can be chosen
    dialog.setNameFilter(T(msg::ConnectBrowseFilter));
    dialog.setDefaultSuffix(QStringLiteral("gdb"));
    dialog.setSizeGripEnabled(true);
    // (the dialog has no read-only check box to hide)
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

TdlgConnectToDB::DatabaseFileChooser& fileChooser()
{
    static TdlgConnectToDB::DatabaseFileChooser chooser;
    return chooser;
}

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

TdlgConnectToDB::TdlgConnectToDB(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(T(msg::ConnectCaption));

    auto* databaseNameBox = new TDatabaseNameBox(this);
    databaseNameBox->OnCloseUp = [this] {
        // the item picked from the list becomes current only after the list has closed
        QMetaObject::invokeMethod(this, [this] { edtDatabaseNameCloseUp(); }, Qt::QueuedConnection);
    };
    edtDatabaseName = named(databaseNameBox, "edtDatabaseName");
    edtDatabaseName->setEditable(true);
    // the texts are exactly what was typed or picked: no completion, no items added on Enter
    edtDatabaseName->setCompleter(nullptr);
    edtDatabaseName->setInsertPolicy(QComboBox::NoInsert);
    edtDatabaseName->installEventFilter(this);
    btnBrowse = named(new QPushButton(T(msg::ConnectBrowse), this), "btnBrowse");
    edtUserName = named(new QLineEdit(this), "edtUserName");
    edtPassword = named(new QLineEdit(this), "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    edtRole = named(new QLineEdit(this), "edtRole");
    cboCharacterSet = named(new QComboBox(this), "cboCharacterSet");
    cboCharacterSet->setEditable(true);
    cboCharacterSet->setCompleter(nullptr);
    cboCharacterSet->setInsertPolicy(QComboBox::NoInsert);
    for (const char* name : msg::ConnectCharacterSets)
        cboCharacterSet->addItem(QLatin1String(name));
    setCharacterSetText(QLatin1String(msg::ConnectDefaultCharacterSet));
    chkRememberDatabase = named(new QCheckBox(T(msg::ConnectRememberDatabase), this), "chkRememberDatabase");
    chkRememberUsername = named(new QCheckBox(T(msg::ConnectRememberUsername), this), "chkRememberUsername");
    bvlSeparator = named(new QFrame(this), "bvlSeparator");
    bvlSeparator->setFrameShape(QFrame::HLine);
    bvlSeparator->setFrameShadow(QFrame::Sunken);
    btnOK = named(new QPushButton(T(msg::ConnectOK), this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = named(new QPushButton(T(msg::ConnectCancel), this), "btnCancel");

    const auto label = [this](const char* caption, QWidget* field, const char* name) {
        auto* l = named(new QLabel(T(caption), this), name);
        l->setBuddy(field);
        return l;
    };
    lblDatabaseName = label(msg::ConnectDatabaseName, edtDatabaseName, "lblDatabaseName");
    lblUserName = label(msg::ConnectUserName, edtUserName, "lblUserName");
    lblPassword = label(msg::ConnectPassword, edtPassword, "lblPassword");
    lblRole = label(msg::ConnectRole, edtRole, "lblRole");
    lblCharacterSet = label(msg::ConnectCharacterSet, cboCharacterSet, "lblCharacterSet");

    // Created after the password box, so that the box is gone before its style.
    auto* passwordStyle = new TPasswordStyle;
    passwordStyle->setParent(this);
    edtPassword->setStyle(passwordStyle);

    // No field has a length limit.
    for (QLineEdit* edit : {edtDatabaseName->lineEdit(), edtUserName, edtPassword, edtRole, cboCharacterSet->lineEdit()})
        edit->setMaxLength(std::numeric_limits<int>::max());

    QWidget* order[] = {edtDatabaseName, btnBrowse, edtUserName, edtPassword, edtRole, cboCharacterSet,
                        chkRememberDatabase, chkRememberUsername, btnOK, btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(btnBrowse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });
    connect(edtDatabaseName, &QComboBox::editTextChanged, this, [this] { m_filledFrom = -1; });
    connect(edtUserName, &QLineEdit::textChanged, this, [this] { edtUserNameChange(); });
    connect(chkRememberDatabase, &QCheckBox::toggled, this, [this] { chkRememberDatabaseChange(); });
    connect(chkRememberUsername, &QCheckBox::clicked, this, [this](bool checked) { chkRememberUsernameClick(checked); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);  // and Esc, as in every dialog
    chkRememberDatabaseChange();

    setMinimumSize(kMinimumWidth, kHeight);
    setMaximumSize(QWIDGETSIZE_MAX, kHeight);
    resize(kMinimumWidth, kHeight);
    placeControls();
}

TdlgConnectToDB::~TdlgConnectToDB() = default;

QString TdlgConnectToDB::DatabaseName() const { return edtDatabaseName->currentText(); }
void TdlgConnectToDB::SetDatabaseName(const QString& name)
{
    m_presetDatabaseName = name;
    edtDatabaseName->setEditText(name);
}
QString TdlgConnectToDB::UserName() const { return edtUserName->text(); }
QString TdlgConnectToDB::Password() const { return edtPassword->text(); }
QString TdlgConnectToDB::Role() const { return edtRole->text(); }
QString TdlgConnectToDB::CharacterSet() const { return cboCharacterSet->currentText(); }

int TdlgConnectToDB::RememberedCount() const { return edtDatabaseName->count(); }

RememberedConnection TdlgConnectToDB::RememberedEntry(int position) const
{
    return {edtDatabaseName->itemText(position), m_userNames.value(position), m_passwords.value(position),
            m_roles.value(position), m_characterSets.value(position)};
}

void TdlgConnectToDB::setDatabaseFileChooser(DatabaseFileChooser chooser) { fileChooser() = std::move(chooser); }

// The layout: every control at its place for the narrowest width; FormResize places the ones
// that follow the width.
void TdlgConnectToDB::placeControls()
{
    const int columnWidth = (kMinimumWidth - 3 * kMargin) / 2;
    const int leftColumn = kMargin;
    const int rightColumn = 2 * kMargin + columnWidth;
    const auto buttonSize = [](QPushButton* b) { return QSize(qMax(kButtonWidth, b->sizeHint().width()), b->sizeHint().height()); };
    const auto place = [](QWidget* w, int x, int y, int width) { w->setGeometry(x, y, width, w->sizeHint().height()); };
    // a label and its field below it; returns the field's bottom
    const auto labelled = [&](QLabel* label, QWidget* field, int x, int y, int width) {
        place(label, x, y, width);
        place(field, x, label->geometry().bottom() + 1 + kLabelGap, width);
        return field->geometry().bottom() + 1;
    };

    int y = kMargin;
    y = labelled(lblDatabaseName, edtDatabaseName, leftColumn, y, kMinimumWidth - 2 * kMargin);
    btnBrowse->setGeometry(QRect(QPoint(0, edtDatabaseName->y()), buttonSize(btnBrowse)));
    y = qMax(y, btnBrowse->geometry().bottom() + 1) + kRowGap;
    const int userBottom = labelled(lblUserName, edtUserName, leftColumn, y, columnWidth);
    y = qMax(userBottom, labelled(lblPassword, edtPassword, rightColumn, y, columnWidth)) + kRowGap;
    const int roleBottom = labelled(lblRole, edtRole, leftColumn, y, columnWidth);
    y = qMax(roleBottom, labelled(lblCharacterSet, cboCharacterSet, rightColumn, y, columnWidth)) + kRowGap;
    // Each check box shows its caption whole: the right one starts in the right column, or as far
    // left as its caption needs, though never over the left one's.
    const int rightEdge = kMinimumWidth - kMargin;
    const int leftHint = chkRememberDatabase->sizeHint().width();
    const int rightHint = chkRememberUsername->sizeHint().width();
    const int rightBoxLeft = qMax(leftColumn + leftHint + kMargin, qMin(rightColumn, rightEdge - rightHint));
    place(chkRememberDatabase, leftColumn, y, rightBoxLeft - kMargin - leftColumn);
    place(chkRememberUsername, rightBoxLeft, y, qMax(rightHint, rightEdge - rightBoxLeft));

    // from the bottom up: the buttons, the separator line above them
    const QSize okSize = buttonSize(btnOK);
    const QSize cancelSize = buttonSize(btnCancel);
    const int buttonHeight = qMax(okSize.height(), cancelSize.height());
    const int buttonTop = kHeight - kMargin - buttonHeight;
    btnOK->setGeometry(0, buttonTop, okSize.width(), buttonHeight);
    btnCancel->setGeometry(0, buttonTop, cancelSize.width(), buttonHeight);
    bvlSeparator->setGeometry(0, buttonTop - kMargin - 2, kMinimumWidth, 2);
    FormResize();
}

// The controls that follow the width (integer division throughout).
void TdlgConnectToDB::FormResize()
{
    const int clientWidth = width();
    const int clientHeight = height();
    btnBrowse->move(clientWidth - btnBrowse->width() - (2 * btnBrowse->height()) / 3, btnBrowse->y());
    edtDatabaseName->resize(btnBrowse->x() - edtDatabaseName->x() - edtDatabaseName->height() / 3,
                            edtDatabaseName->height());
    bvlSeparator->resize(clientWidth - bvlSeparator->x(), bvlSeparator->height());
    btnCancel->move(btnBrowse->x() + btnBrowse->width() - btnCancel->width(), btnCancel->y());
    // the gap between OK and Cancel is OK's distance from the bottom
    btnOK->move(btnCancel->x() - btnOK->width() - (clientHeight - btnOK->y() - btnOK->height()), btnOK->y());
}

void TdlgConnectToDB::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TdlgConnectToDB::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown || event->spontaneous())
        return;
    m_shown = true;
    FormShow();
}

void TdlgConnectToDB::FormShow()
{
    // centred over the main window: the window that was active when the dialog was shown
    QWidget* over = QApplication::activeWindow();
    if (!over || over == this) {
        over = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(w) && w->isVisible()) {
                over = w;
                break;
            }
    }
    const QRect area = over ? over->frameGeometry() : screen()->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());

    edtDatabaseName->setFocus(Qt::OtherFocusReason);

    std::optional<Exception> error;
    try {
        LoadRememberedConnections();
        const SettingsFile& file = settings();
        chkRememberDatabase->setChecked(remembered::readRememberDatabase(file));
        // set without the plain-text warning (it follows a click only)
        chkRememberUsername->setChecked(remembered::readRememberUsername(file));
    } catch (const Exception& e) {
        error = e;
    }
    if (!m_presetDatabaseName.isEmpty()) {
        edtDatabaseName->setEditText(m_presetDatabaseName);
        FillFromRememberedEntry();
    }
    // reported outside the catch block; the dialog opens with the defaults
    if (error)
        errors::report(*error);
}

SettingsFile& TdlgConnectToDB::settings()
{
    if (!m_settings)
        m_settings = std::make_unique<SettingsFile>(SettingsFileName());
    return *m_settings;
}

void TdlgConnectToDB::LoadRememberedConnections()
{
    const SettingsFile& file = settings();
    edtDatabaseName->clear();
    m_userNames.clear();
    m_passwords.clear();
    m_roles.clear();
    m_characterSets.clear();
    for (const RememberedConnection& entry : remembered::readEntries(file)) {
        edtDatabaseName->addItem(entry.DatabaseName);
        m_userNames.append(entry.UserName);
        m_passwords.append(entry.Password);
        m_roles.append(entry.Role);
        m_characterSets.append(entry.CharacterSet);
    }
    // no entry preselected, the name empty (adding the first item made it current)
    edtDatabaseName->setCurrentIndex(-1);
}

int TdlgConnectToDB::FindRememberedEntry() const
{
    // The box keeps its current item while its text is edited; the item counts as selected only
    // while the box shows it, so that a name typed over a picked one is looked up by its text.
    const QString text = edtDatabaseName->currentText();
    const int current = edtDatabaseName->currentIndex();
    if (current >= 0 && edtDatabaseName->itemText(current) == text)
        return current;
    for (int i = 0; i < edtDatabaseName->count(); ++i)
        if (edtDatabaseName->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TdlgConnectToDB::FillFromRememberedEntry()
{
    const int position = FindRememberedEntry();
    if (position < 0)
        return;
    edtUserName->setText(m_userNames.at(position));
    edtPassword->setText(m_passwords.at(position));
    edtRole->setText(m_roles.at(position));
    setCharacterSetText(m_characterSets.at(position));
    m_filledFrom = position;
}

// The boxes the user left empty take the values of an entry they were never filled from, unless
// the user name box names another user: a password and a role belong to their user.
void TdlgConnectToDB::completeFromEntry(int position)
{
    const QString storedUser = m_userNames.at(position);
    if (!edtUserName->text().isEmpty() && edtUserName->text().compare(storedUser, Qt::CaseInsensitive) != 0)
        return;
    if (edtUserName->text().isEmpty())
        edtUserName->setText(storedUser);
    if (edtPassword->text().isEmpty())
        edtPassword->setText(m_passwords.at(position));
    if (edtRole->text().isEmpty())
        edtRole->setText(m_roles.at(position));
}

void TdlgConnectToDB::setCharacterSetText(const QString& text)
{
    const int item = cboCharacterSet->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (item >= 0)
        cboCharacterSet->setCurrentIndex(item);
    else
        cboCharacterSet->setEditText(text);
}

void TdlgConnectToDB::moveToTop(int position)
{
    const QString name = edtDatabaseName->itemText(position);
    edtDatabaseName->removeItem(position);
    edtDatabaseName->insertItem(0, name);
    m_userNames.move(position, 0);
    m_passwords.move(position, 0);
    m_roles.move(position, 0);
    m_characterSets.move(position, 0);
}

void TdlgConnectToDB::TakeRememberedEntry()
{
    if (!chkRememberDatabase->isChecked())
        return;
    const int position = FindRememberedEntry();
    if (position < 0)
        return;
    // Enter right after typing a remembered name has filled nothing: empty boxes there are no
    // choice of the user's and must not blank the credentials the entry holds
    if (chkRememberUsername->isChecked() && position != m_filledFrom)
        completeFromEntry(position);
    // the box shows the remembered spelling, which the creator reads
    edtDatabaseName->setCurrentIndex(position);
}

void TdlgConnectToDB::SaveRememberedConnections()
{
    if (result() != QDialog::Accepted || !chkRememberDatabase->isChecked())
        return;
    if (!m_settings) {
        // the file could not be read when the dialog opened: its entries join the lists now
        const QString typed = edtDatabaseName->currentText();
        LoadRememberedConnections();
        edtDatabaseName->setEditText(typed);
    }
    SettingsFile& file = settings();

    const bool credentials = chkRememberUsername->isChecked();
    const int position = FindRememberedEntry();
    const QString user = credentials ? edtUserName->text() : QString();
    const QString password = credentials ? edtPassword->text() : QString();
    const QString role = credentials ? edtRole->text() : QString();
    if (position < 0 && !DatabaseName().isEmpty()) {
        edtDatabaseName->insertItem(0, DatabaseName());
        m_userNames.prepend(user);
        m_passwords.prepend(password);
        m_roles.prepend(role);
        m_characterSets.prepend(CharacterSet());
        edtDatabaseName->setCurrentIndex(0);
    } else if (position >= 0) {
        moveToTop(position);
        edtDatabaseName->setCurrentIndex(0);
        m_userNames[0] = user;
        m_passwords[0] = password;
        m_roles[0] = role;
        // the entry's character set stays as remembered
    }

    const int count = qMin(remembered::MaxEntries, edtDatabaseName->count());
    for (int i = 0; i < count; ++i)
        remembered::writeEntry(file, i + 1,
                               {edtDatabaseName->itemText(i), m_userNames.at(i), m_passwords.at(i), m_roles.at(i),
                                m_characterSets.at(i)});
    remembered::writeOptions(file, chkRememberDatabase->isChecked(), chkRememberUsername->isChecked());
    file.writeFile();
}

void TdlgConnectToDB::done(int result)
{
    setResult(result);
    m_closingWithOK = result == QDialog::Accepted;
    if (m_closingWithOK)
        TakeRememberedEntry();
    QDialog::done(result);
}

bool TdlgConnectToDB::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edtDatabaseName && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // the list dropping down, or another window becoming active, leaves the focus in the box
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            edtDatabaseNameExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TdlgConnectToDB::edtDatabaseNameCloseUp() { FillFromRememberedEntry(); }

void TdlgConnectToDB::edtDatabaseNameExit()
{
    // Enter closes the dialog through the default button before the focus leaves the box (if it
    // leaves it at all): the boxes keep what they hold.
    if (m_closingWithOK || m_browsing)
        return;
    FillFromRememberedEntry();
}

void TdlgConnectToDB::btnBrowseClick()
{
    const QString chosen = fileChooser() ? fileChooser()(this) : BrowseForDatabase(this);
    if (chosen.isEmpty())
        return;
    edtDatabaseName->setEditText(QDir::toNativeSeparators(chosen));
    if (edtUserName->isVisible() && edtUserName->isEnabled() && edtUserName->focusPolicy() != Qt::NoFocus) {
        // leaving the database name box here fills nothing: only user name and password follow
        const QScopedValueRollback quiet(m_browsing, true);
        edtUserName->setFocus(Qt::OtherFocusReason);
    }
    const int position = FindRememberedEntry();
    if (position < 0)
        return;
    edtUserName->setText(m_userNames.at(position));
    edtPassword->setText(m_passwords.at(position));
    m_filledFrom = position;
}

void TdlgConnectToDB::chkRememberDatabaseChange()
{
    // disabled, the box keeps its check mark
    chkRememberUsername->setEnabled(chkRememberDatabase->isChecked());
}

void TdlgConnectToDB::chkRememberUsernameClick(bool checked)
{
    if (!checked)
        return;
    Prompts::Confirmation warning;
    warning.caption = T(msg::ConnectConfirmCaption);
    warning.text = T(msg::ConnectPlainTextWarning);
    warning.icon = QMessageBox::Question;
    warning.buttons = QMessageBox::Yes | QMessageBox::No;
    warning.defaultButton = QMessageBox::Yes;
    if (Prompts::current().confirm(warning) != QMessageBox::Yes)
        chkRememberUsername->setChecked(false);
}

void TdlgConnectToDB::edtUserNameChange()
{
    // every letter in upper case, the caret where it was
    const QString text = edtUserName->text();
    const QString upper = text.toUpper();
    if (upper == text)
        return;
    const int caret = edtUserName->cursorPosition();
    edtUserName->setText(upper);
    edtUserName->setCursorPosition(qMin(caret, int(upper.size())));
}

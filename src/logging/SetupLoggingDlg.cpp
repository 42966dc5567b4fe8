#include "logging/SetupLoggingDlg.h"

#include "common/ErrorReporting.h"
#include "common/Exception.h"
#include "common/HelpPages.h"
#include "common/Messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

QString T(const char* text) { return QString::fromUtf8(text); }

constexpr int kClientWidth = 581, kClientHeight = 361;
constexpr int kNameLength = 67;  // a name in the server's system tables
constexpr int kColumnWidth = 280, kLeftColumn = 8, kRightColumn = 293;
constexpr int kGroupHeight = 46, kMemoryGroupHeight = 66;
constexpr int kButtonWidth = 75, kButtonHeight = 25, kButtonGap = 8;

constexpr uint32_t kMsPerSecond = 1000, kMsPerMinute = 60000, kMsPerHour = 3600000, kMsPerDay = 86400000;

QFont dialogFont()
{
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    if (!QFontInfo(font).exactMatch()) {
        font = QApplication::font();
        font.setPointSize(8);
    }
    return font;
}

QSpinBox* spinBox(QWidget* parent, const char* name, int maximum, QRect geometry)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, maximum);
    box->setGeometry(geometry);
    return box;
}

// A check box on the line of the given geometry, at least as wide and high as its caption needs in
// the dialog's font (17 pixels cut its letters' lower parts).
void placeCheckBox(QCheckBox* box, QRect line)
{
    const QSize hint = box->sizeHint();
    const int height = std::max(line.height(), hint.height());
    box->setGeometry(line.x(), line.y() + (line.height() - height) / 2, std::max(line.width(), hint.width()), height);
}

QLabel* label(QWidget* parent, const char* text, QRect geometry, QWidget* buddy = nullptr)
{
    auto* l = new QLabel(T(text), parent);
    l->setGeometry(geometry);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

}  // namespace

TfrmLoggingSetup::TfrmLoggingSetup(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(T(msg::LoggingSetupCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(dialogFont());

    lblInstructions = new QLabel(T(msg::LoggingSetupInstructions), this);
    lblInstructions->setObjectName(QStringLiteral("lblInstructions"));
    lblInstructions->setWordWrap(true);
    lblInstructions->setGeometry(8, 6, kClientWidth - 16, 30);

    // left column: Database, Procedures, Tables / Views, Users
    gboDatabase = itemGroup(TLogItem::Database, msg::LoggingGroupDatabase, kLeftColumn, 42, kGroupHeight);
    gboProcedures = itemGroup(TLogItem::Procedures, msg::LoggingGroupProcedures, kLeftColumn, 92, kGroupHeight);
    gboRelations = itemGroup(TLogItem::Relations, msg::LoggingGroupRelations, kLeftColumn, 142, kGroupHeight);
    gboAttachments = itemGroup(TLogItem::Attachments, msg::LoggingGroupUsers, kLeftColumn, 192, kGroupHeight);
    // right column: Memory, Statements, Transactions, Generator
    gboPools = itemGroup(TLogItem::Pools, msg::LoggingGroupMemory, kRightColumn, 42, kMemoryGroupHeight);
    chkPoolsSummarized = new QCheckBox(T(msg::LoggingSummarized), gboPools);
    chkPoolsSummarized->setObjectName(QStringLiteral("chkPoolsSummarized"));
    placeCheckBox(chkPoolsSummarized, QRect(10, 41, 90, 17));
    chkPoolsSummarized->setChecked(true);
    chkPoolsSummarized->setEnabled(false);
    gboStatements = itemGroup(TLogItem::Statements, msg::LoggingGroupStatements, kRightColumn, 112, kGroupHeight);
    gboTransactions =
        itemGroup(TLogItem::Transactions, msg::LoggingGroupTransactions, kRightColumn, 162, kGroupHeight);

    gboGenerator = new QGroupBox(T(msg::LoggingGroupGenerator), this);
    gboGenerator->setObjectName(QStringLiteral("gboGenerator"));
    gboGenerator->setGeometry(kRightColumn, 212, kColumnWidth, kGroupHeight);
    edtGeneratorName = new QLineEdit(TdmPerformanceLog::DefaultGeneratorName(), gboGenerator);
    edtGeneratorName->setObjectName(QStringLiteral("edtGeneratorName"));
    edtGeneratorName->setMaxLength(kNameLength);
    edtGeneratorName->setGeometry(55, 17, 215, 21);
    label(gboGenerator, msg::LoggingGeneratorName, QRect(10, 21, 40, 13), edtGeneratorName);

    buildIntervalGroup();

    const int buttonsLeft = (kClientWidth - 3 * kButtonWidth - 2 * kButtonGap) / 2;
    const int buttonsTop = 326;
    btnOK = new QPushButton(T(msg::LoggingOK), this);
    btnCancel = new QPushButton(T(msg::LoggingCancel), this);
    btnHelp = new QPushButton(T(msg::LoggingHelp), this);
    int x = buttonsLeft;
    for (QPushButton* b : {btnOK, btnCancel, btnHelp}) {
        b->setGeometry(x, buttonsTop, kButtonWidth, kButtonHeight);
        b->setAutoDefault(false);
        x += kButtonWidth + kButtonGap;
    }
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });

    connect(chkAttachmentsEnabled, &QCheckBox::toggled, this, [this] { chkAttachmentsEnabledClick(); });
    connect(chkDatabaseEnabled, &QCheckBox::toggled, this, [this] { chkDatabaseEnabledClick(); });
    connect(chkPoolsEnabled, &QCheckBox::toggled, this, [this] { chkPoolsEnabledClick(); });
    connect(chkProceduresEnabled, &QCheckBox::toggled, this, [this] { chkProceduresEnabledClick(); });
    connect(chkRelationsEnabled, &QCheckBox::toggled, this, [this] { chkRelationsEnabledClick(); });
    connect(chkStatementsEnabled, &QCheckBox::toggled, this, [this] { chkStatementsEnabledClick(); });
    connect(chkTransactionsEnabled, &QCheckBox::toggled, this, [this] { chkTransactionsEnabledClick(); });

    setTabOrder();
}

QGroupBox* TfrmLoggingSetup::itemGroup(TLogItem item, const char* title, int left, int top, int height)
{
    auto* group = new QGroupBox(T(title), this);
    group->setGeometry(left, top, kColumnWidth, height);
    auto* enabled = new QCheckBox(T(msg::LoggingEnabled), group);
    placeCheckBox(enabled, QRect(10, 19, 75, 17));
    auto* table = new QLineEdit(TdmPerformanceLog::DefaultLogTableName(item), group);
    table->setMaxLength(kNameLength);
    table->setGeometry(135, 17, 135, 21);
    table->setEnabled(false);
    label(group, msg::LoggingTable, QRect(100, 21, 32, 13), table);

    const char* name = nullptr;
    switch (item) {
    case TLogItem::Attachments: name = "Attachments"; chkAttachmentsEnabled = enabled; edtAttachmentsTable = table; break;
    case TLogItem::Database: name = "Database"; chkDatabaseEnabled = enabled; edtDatabaseTable = table; break;
    case TLogItem::Pools: name = "Pools"; chkPoolsEnabled = enabled; edtPoolsTable = table; break;
    case TLogItem::Procedures: name = "Procedures"; chkProceduresEnabled = enabled; edtProceduresTable = table; break;
    case TLogItem::Relations: name = "Relations"; chkRelationsEnabled = enabled; edtRelationsTable = table; break;
    case TLogItem::Statements: name = "Statements"; chkStatementsEnabled = enabled; edtStatementsTable = table; break;
    case TLogItem::Transactions:
        name = "Transactions";
        chkTransactionsEnabled = enabled;
        edtTransactionsTable = table;
        break;
    }
    const QString n = QLatin1String(name);
    group->setObjectName(QStringLiteral("gbo") + n);
    enabled->setObjectName(QStringLiteral("chk") + n + QStringLiteral("Enabled"));
    table->setObjectName(QStringLiteral("edt") + n + QStringLiteral("Table"));
    return group;
}

void TfrmLoggingSetup::buildIntervalGroup()
{
    constexpr int minimumWidth = 440, boxTop = 19, boxHeight = 21, edge = 10, gap = 4;
    gboLogInterval = new QGroupBox(T(msg::LoggingGroupInterval), this);
    gboLogInterval->setObjectName(QStringLiteral("gboLogInterval"));
    // box, its unit, box, its unit ... from left to right; each unit as wide and as high as its
    // text needs in the dialog's font, so that none is cut ("seconds" was)
    int x = edge;
    const auto unit = [&](QSpinBox* box, int boxWidth, const char* text) {
        box->move(x, boxTop);
        box->resize(boxWidth, boxHeight);
        x += boxWidth + gap;
        QLabel* l = label(gboLogInterval, text, QRect(), box);
        const QSize hint = l->sizeHint();
        l->setGeometry(x, boxTop + (boxHeight - hint.height()) / 2, hint.width(), hint.height());
        x += hint.width() + gap;
    };
    edtDays = spinBox(gboLogInterval, "edtDays", 1000000000, QRect());
    unit(edtDays, 90, msg::LoggingDays);
    edtHours = spinBox(gboLogInterval, "edtHours", 23, QRect());
    unit(edtHours, 45, msg::LoggingHours);
    edtMinutes = spinBox(gboLogInterval, "edtMinutes", 59, QRect());
    unit(edtMinutes, 45, msg::LoggingMinutes);
    edtSeconds = spinBox(gboLogInterval, "edtSeconds", 59, QRect());
    unit(edtSeconds, 45, msg::LoggingSeconds);
    const int width = std::min(kClientWidth - 2 * kLeftColumn, std::max(minimumWidth, x - gap + edge));
    gboLogInterval->setGeometry((kClientWidth - width) / 2, 264, width, 50);
}

void TfrmLoggingSetup::setTabOrder()
{
    // Database, Memory, Procedures, Statements, Tables / Views, Transactions, Users, Generator,
    // Log Interval, OK, Cancel, Help; in Memory "Summarized" last
    const QWidget* order[] = {chkDatabaseEnabled,   edtDatabaseTable,     chkPoolsEnabled,      edtPoolsTable,
                              chkPoolsSummarized,   chkProceduresEnabled, edtProceduresTable,   chkStatementsEnabled,
                              edtStatementsTable,   chkRelationsEnabled,  edtRelationsTable,    chkTransactionsEnabled,
                              edtTransactionsTable, chkAttachmentsEnabled, edtAttachmentsTable, edtGeneratorName,
                              edtDays,              edtHours,             edtMinutes,           edtSeconds,
                              btnOK,                btnCancel,            btnHelp};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

QCheckBox* TfrmLoggingSetup::enabledBox(TLogItem item) const
{
    switch (item) {
    case TLogItem::Attachments: return chkAttachmentsEnabled;
    case TLogItem::Database: return chkDatabaseEnabled;
    case TLogItem::Pools: return chkPoolsEnabled;
    case TLogItem::Procedures: return chkProceduresEnabled;
    case TLogItem::Relations: return chkRelationsEnabled;
    case TLogItem::Statements: return chkStatementsEnabled;
    case TLogItem::Transactions: return chkTransactionsEnabled;
    }
    Q_UNREACHABLE();
}

QLineEdit* TfrmLoggingSetup::tableBox(TLogItem item) const
{
    switch (item) {
    case TLogItem::Attachments: return edtAttachmentsTable;
    case TLogItem::Database: return edtDatabaseTable;
    case TLogItem::Pools: return edtPoolsTable;
    case TLogItem::Procedures: return edtProceduresTable;
    case TLogItem::Relations: return edtRelationsTable;
    case TLogItem::Statements: return edtStatementsTable;
    case TLogItem::Transactions: return edtTransactionsTable;
    }
    Q_UNREACHABLE();
}

bool TfrmLoggingSetup::ItemEnabled(TLogItem item) const { return enabledBox(item)->isChecked(); }
void TfrmLoggingSetup::SetItemEnabled(TLogItem item, bool enabled) { enabledBox(item)->setChecked(enabled); }
QString TfrmLoggingSetup::ItemLogTableName(TLogItem item) const { return tableBox(item)->text(); }
void TfrmLoggingSetup::SetItemLogTableName(TLogItem item, const QString& name) { tableBox(item)->setText(name); }
bool TfrmLoggingSetup::PoolsSummarized() const { return chkPoolsSummarized->isChecked(); }
void TfrmLoggingSetup::SetPoolsSummarized(bool summarized) { chkPoolsSummarized->setChecked(summarized); }
QString TfrmLoggingSetup::GeneratorName() const { return edtGeneratorName->text(); }
void TfrmLoggingSetup::SetGeneratorName(const QString& name) { edtGeneratorName->setText(name); }

uint32_t TfrmLoggingSetup::LogInterval() const
{
    // 32-bit arithmetic, as the timer counts; ValidateEntries refuses what does not fit
    return static_cast<uint32_t>(edtDays->value()) * kMsPerDay + static_cast<uint32_t>(edtHours->value()) * kMsPerHour +
           static_cast<uint32_t>(edtMinutes->value()) * kMsPerMinute +
           static_cast<uint32_t>(edtSeconds->value()) * kMsPerSecond;
}

void TfrmLoggingSetup::SetLogInterval(uint32_t milliseconds)
{
    const uint32_t s = milliseconds / 1000;
    edtSeconds->setValue(static_cast<int>(s % 60));
    edtMinutes->setValue(static_cast<int>((s / 60) % 60));
    edtHours->setValue(static_cast<int>((s / 3600) % 24));
    edtDays->setValue(static_cast<int>(s / 86400));
}

void TfrmLoggingSetup::chkAttachmentsEnabledClick() { edtAttachmentsTable->setEnabled(chkAttachmentsEnabled->isChecked()); }
void TfrmLoggingSetup::chkDatabaseEnabledClick() { edtDatabaseTable->setEnabled(chkDatabaseEnabled->isChecked()); }
void TfrmLoggingSetup::chkPoolsEnabledClick()
{
    edtPoolsTable->setEnabled(chkPoolsEnabled->isChecked());
    chkPoolsSummarized->setEnabled(chkPoolsEnabled->isChecked());
}
void TfrmLoggingSetup::chkProceduresEnabledClick() { edtProceduresTable->setEnabled(chkProceduresEnabled->isChecked()); }
void TfrmLoggingSetup::chkRelationsEnabledClick() { edtRelationsTable->setEnabled(chkRelationsEnabled->isChecked()); }
void TfrmLoggingSetup::chkStatementsEnabledClick() { edtStatementsTable->setEnabled(chkStatementsEnabled->isChecked()); }
void TfrmLoggingSetup::chkTransactionsEnabledClick()
{
    edtTransactionsTable->setEnabled(chkTransactionsEnabled->isChecked());
}

QUrl TfrmLoggingSetup::HelpUrl()
{
    // beside the program, or in the installed data folder
    return QUrl::fromLocalFile(helpPagePath(QCoreApplication::applicationFilePath(), T(msg::LoggingHelpFile)));
}

void TfrmLoggingSetup::btnHelpClick() { emit HelpRequested(HelpUrl()); }

void TfrmLoggingSetup::ValidateEntries() const
{
    const uint64_t total = static_cast<uint64_t>(edtDays->value()) * kMsPerDay +
                           static_cast<uint64_t>(edtHours->value()) * kMsPerHour +
                           static_cast<uint64_t>(edtMinutes->value()) * kMsPerMinute +
                           static_cast<uint64_t>(edtSeconds->value()) * kMsPerSecond;
    // an interval the 32-bit timer cannot count is never let through to wrap around
    if (total > UINT32_MAX)
        throw EInvalidEntry(msg::LoggingIntervalTooLong);
    bool anyEnabled = false;
    for (TLogItem item : AllLogItems)
        anyEnabled = anyEnabled || ItemEnabled(item);
    if (!anyEnabled)
        return;
    for (TLogItem item : AllLogItems)
        if (ItemEnabled(item) && ItemLogTableName(item).trimmed().isEmpty())
            throw EInvalidEntry(msg::LoggingNamesMissing);
    if (GeneratorName().isEmpty())
        throw EInvalidEntry(msg::LoggingNamesMissing);
    if (LogInterval() == 0)
        throw EInvalidEntry(msg::LoggingIntervalZero);
}

void TfrmLoggingSetup::FormCloseQuery(bool& canClose)
{
    std::optional<Exception> error;
    try {
        ValidateEntries();
    } catch (const Exception& e) {
        error = e;
    }
    if (error) {
        canClose = false;
        // reported outside the catch block; the entries stay as they are
        errors::report(*error);
    }
}

void TfrmLoggingSetup::done(int result)
{
    // Only entries that are about to be used are checked: Cancel, Esc and the close box drop them,
    // so they always close (a check there could keep the user in the dialog).
    bool canClose = true;
    if (result == QDialog::Accepted)
        FormCloseQuery(canClose);
    if (canClose)
        QDialog::done(result);
}

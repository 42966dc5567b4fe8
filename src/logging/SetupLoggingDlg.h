#pragma once
// The logging setup dialog: which monitoring tables are logged, into which log tables, with
// which generator and at which interval. It only edits values; its caller fills it from the log
// module, shows it modally and copies the values back after OK. Before it closes with OK it checks
// its entries; an entry error is reported through the application's error reporting and the
// dialog stays open. Cancel, Esc and the close box always close it.

#include "logging/IBPerformanceLogDM.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TfrmLoggingSetup : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLoggingSetup(QWidget* parent = nullptr);

    // Per item: its "Enabled" box and its "Table" text exactly as typed.
    bool ItemEnabled(TLogItem item) const;
    void SetItemEnabled(TLogItem item, bool enabled);
    QString ItemLogTableName(TLogItem item) const;
    void SetItemLogTableName(TLogItem item, const QString& name);

    bool AttachmentsEnabled() const { return ItemEnabled(TLogItem::Attachments); }
    void SetAttachmentsEnabled(bool v) { SetItemEnabled(TLogItem::Attachments, v); }
    bool DatabaseEnabled() const { return ItemEnabled(TLogItem::Database); }
    void SetDatabaseEnabled(bool v) { SetItemEnabled(TLogItem::Database, v); }
    bool PoolsEnabled() const { return ItemEnabled(TLogItem::Pools); }
    void SetPoolsEnabled(bool v) { SetItemEnabled(TLogItem::Pools, v); }
    bool ProceduresEnabled() const { return ItemEnabled(TLogItem::Procedures); }
    void SetProceduresEnabled(bool v) { SetItemEnabled(TLogItem::Procedures, v); }
    bool RelationsEnabled() const { return ItemEnabled(TLogItem::Relations); }
    void SetRelationsEnabled(bool v) { SetItemEnabled(TLogItem::Relations, v); }
    bool StatementsEnabled() const { return ItemEnabled(TLogItem::Statements); }
    void SetStatementsEnabled(bool v) { SetItemEnabled(TLogItem::Statements, v); }
    bool TransactionsEnabled() const { return ItemEnabled(TLogItem::Transactions); }
    void SetTransactionsEnabled(bool v) { SetItemEnabled(TLogItem::Transactions, v); }

    QString AttachmentsLogTableName() const { return ItemLogTableName(TLogItem::Attachments); }
    void SetAttachmentsLogTableName(const QString& v) { SetItemLogTableName(TLogItem::Attachments, v); }
    QString DatabaseLogTableName() const { return ItemLogTableName(TLogItem::Database); }
    void SetDatabaseLogTableName(const QString& v) { SetItemLogTableName(TLogItem::Database, v); }
    QString PoolsLogTableName() const { return ItemLogTableName(TLogItem::Pools); }
    void SetPoolsLogTableName(const QString& v) { SetItemLogTableName(TLogItem::Pools, v); }
    QString ProceduresLogTableName() const { return ItemLogTableName(TLogItem::Procedures); }
    void SetProceduresLogTableName(const QString& v) { SetItemLogTableName(TLogItem::Procedures, v); }
    QString RelationsLogTableName() const { return ItemLogTableName(TLogItem::Relations); }
    void SetRelationsLogTableName(const QString& v) { SetItemLogTableName(TLogItem::Relations, v); }
    QString StatementsLogTableName() const { return ItemLogTableName(TLogItem::Statements); }
    void SetStatementsLogTableName(const QString& v) { SetItemLogTableName(TLogItem::Statements, v); }
    QString TransactionsLogTableName() const { return ItemLogTableName(TLogItem::Transactions); }
    void SetTransactionsLogTableName(const QString& v) { SetItemLogTableName(TLogItem::Transactions, v); }

    bool PoolsSummarized() const;
    void SetPoolsSummarized(bool summarized);
    QString GeneratorName() const;
    void SetGeneratorName(const QString& name);

    // Milliseconds from the four boxes, computed in 32 bits; written back spread over them (the
    // milliseconds below a whole second are dropped).
    uint32_t LogInterval() const;
    void SetLogInterval(uint32_t milliseconds);

    // The entry check; raises EInvalidEntry.
    void ValidateEntries() const;
    // "Logging.html" in the folder "Help" beside the executable.
    static QUrl HelpUrl();

    // Every way of closing comes here; OK closes only when the entries pass the check.
    void done(int result) override;

    QLabel* lblInstructions;
    QGroupBox *gboDatabase, *gboProcedures, *gboRelations, *gboAttachments;
    QGroupBox *gboPools, *gboStatements, *gboTransactions, *gboGenerator, *gboLogInterval;
    QCheckBox *chkDatabaseEnabled, *chkPoolsEnabled, *chkPoolsSummarized, *chkProceduresEnabled,
        *chkStatementsEnabled, *chkRelationsEnabled, *chkTransactionsEnabled, *chkAttachmentsEnabled;
    QLineEdit *edtDatabaseTable, *edtPoolsTable, *edtProceduresTable, *edtStatementsTable, *edtRelationsTable,
        *edtTransactionsTable, *edtAttachmentsTable, *edtGeneratorName;
    QSpinBox *edtDays, *edtHours, *edtMinutes, *edtSeconds;
    QPushButton *btnOK, *btnCancel, *btnHelp;

private:
    QGroupBox* itemGroup(TLogItem item, const char* title, int left, int top, int height);
    QCheckBox* enabledBox(TLogItem item) const;
    QLineEdit* tableBox(TLogItem item) const;
    void buildIntervalGroup();
    void setTabOrder();

    void chkAttachmentsEnabledClick();
    void chkDatabaseEnabledClick();
    void chkPoolsEnabledClick();
    void chkProceduresEnabledClick();
    void chkRelationsEnabledClick();
    void chkStatementsEnabledClick();
    void chkTransactionsEnabledClick();
    void btnHelpClick();
    void FormCloseQuery(bool& canClose);
};

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

signals:
    // Help was pressed: its creator shows page (HelpUrl) in a help window.
    void HelpRequested(const QUrl& page);

public:

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

#include "mainwindow/pages/ControlCommand.h"

#include "common/Messages.h"
#include "dialogs/Prompts.h"
#include "mainwindow/grid/MonitorGrid.h"
#include "monitor/QuillmereDM.h"

void runControlCommand(TdmQuillmere& dm, const TMonitorGrid& grid, const ControlCommand& command)
{
    const Snapshot& snapshot = grid.snapshot();
    // Nothing to act on: no rows, or the current row is filtered out of the grid, so the user
    // cannot see which row the command would act on.
    if (!snapshot.isOpen() || snapshot.isEmpty() || !grid.currentRowShown()) {
        Prompts::current().beep();
        return;
    }
    // Taken now: the refresh timer keeps running while the question is open.
    const auto id = static_cast<qint32>(snapshot.value(QString::fromLatin1(snapshot.decl().keyColumn)).toLongLong());
    Prompts::Confirmation question;
    question.caption = QString::fromUtf8(msg::ConfirmCaption);
    question.text = command.question(snapshot);
    question.icon = QMessageBox::Warning;
    question.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    // Cancel is the default button so that Enter alone never kills anything
    question.defaultButton = QMessageBox::Cancel;
    if (Prompts::current().confirm(question) != QMessageBox::Ok)
        return;
    if (!dm.control(command.operation, id))
        Prompts::current().information(QString::fromUtf8(command.failure));
}

QString statementText(const Snapshot& s) { return s.asText(QStringLiteral("TMP$SQL")); }

QString transactionNumber(const Snapshot& s)
{
    return QString::number(s.value(QStringLiteral("TMP$TRANSACTION_ID")).toLongLong());
}

// CHAR user names come padded with blanks
QString userName(const Snapshot& s) { return s.asText(QStringLiteral("TMP$USER")).trimmed(); }

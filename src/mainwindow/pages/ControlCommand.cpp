#include "mainwindow/pages/ControlCommand.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "dialogs/Prompts.h"
#include "mainwindow/pages/MonitorPage.h"
#include "monitor/MonitoringCatalogue.h"
#include "monitor/QuillmereDM.h"
#include "monitor/RowState.h"

#include <QStringList>

namespace {
QString T(const char* text) { return QString::fromUtf8(text); }

// The SQL of a question about one statement, and of a line about one of several.
constexpr int SqlStartLength = 300;
constexpr int SqlInLineLength = 60;
// Rows listed by name in a question about several; the rest are counted.
constexpr int ListedRows = 15;

// A column's text in the row without CHAR padding; empty where the snapshot has no such column or
// the row no value.
QString textOf(const Snapshot& s, int row, const char* column)
{
    const int c = s.columnIndex(QLatin1String(column));
    return c < 0 || s.isNull(row, c) ? QString() : s.plainText(row, c).trimmed();
}

// The first of the columns that has a value.
QString firstOf(const Snapshot& s, int row, std::initializer_list<const char*> columns)
{
    for (const char* column : columns)
        if (QString text = textOf(s, row, column); !text.isEmpty())
            return text;
    return {};
}

QString cut(const QString& text, int length)
{
    return text.size() <= length ? text : text.left(length) + T(msg::ControlTargetCut);
}

// What a question names of a row: its id, its user, its client and, for a statement, the start
// of its SQL (in a question about one row on lines of its own, as written; in a list on one line).
QString describe(const Snapshot& s, int row, bool withSql, bool inList)
{
    QString text = T(msg::ControlTargetId).arg(s.plainText(row, s.keyColumn()).trimmed());
    if (const QString user = textOf(s, row, catalogue::column::User); !user.isEmpty())
        text += T(msg::ControlTargetUser).arg(user);
    const QString program = textOf(s, row, catalogue::column::ClientProgram);
    const QString host = firstOf(s, row, {catalogue::column::ClientHost, catalogue::column::UserHost});
    const QString process = firstOf(s, row, {catalogue::column::ClientProcess, catalogue::column::UserProcess});
    QString client = program.isEmpty() || host.isEmpty() ? program + host
                                                         : T(msg::ControlTargetProgramOnHost).arg(program, host);
    if (!process.isEmpty())
        client += T(msg::ControlTargetProcess).arg(process);
    if (!client.isEmpty())
        text += T(msg::ControlTargetClient).arg(client.trimmed());
    if (withSql) {
        const int c = s.columnIndex(QLatin1String(catalogue::column::SqlText));
        const QString sql = c < 0 ? QString() : s.plainText(row, c);
        if (inList)
            text += T(msg::ControlTargetSqlInLine).arg(cut(sql.simplified(), SqlInLineLength));
        else
            text += T(msg::ConfirmTargetLineEnd) + cut(sql, SqlStartLength);
    }
    return text;
}

// The question about the rows, with each of them named.
QString question(const Snapshot& s, const std::vector<int>& rows, const ControlCommand& command)
{
    if (rows.size() == 1)
        return command.question(s, rows.front()) + T(msg::ConfirmTargetsSeparator) +
               describe(s, rows.front(), command.withSql, false);
    QStringList lines;
    for (size_t i = 0; i < rows.size() && i < size_t(ListedRows); ++i)
        lines << describe(s, rows[i], command.withSql, true);
    if (rows.size() > size_t(ListedRows))
        lines << T(msg::ControlTargetsMore).arg(rows.size() - size_t(ListedRows));
    return T(command.questionSeveral).arg(rows.size()) + T(msg::ConfirmTargetsSeparator) +
           lines.join(T(msg::ConfirmTargetLineEnd));
}

std::vector<int> rowsActedOn(const MonitorPage& page, const ControlCommand& command)
{
    std::vector<int> rows;
    const Snapshot& s = *page.snapshot();
    for (const int row : page.chosenRows())
        if (command.actsOn(rowState(s, row)))
            rows.push_back(row);
    return rows;
}
}  // namespace

bool actsOnChosenRows(const MonitorPage& page, const ControlCommand& command)
{
    return !rowsActedOn(page, command).empty();
}

void runControlCommand(TdmQuillmere& dm, const MonitorPage& page, const ControlCommand& command)
{
    const Snapshot& s = *page.snapshot();
    // Nothing to act on: no rows, the chosen row has ended or is filtered out of the grid, so the
    // user cannot see which row the command would act on.
    const std::vector<int> rows = rowsActedOn(page, command);
    if (rows.empty()) {
        Prompts::current().beep();
        return;
    }
    // Taken now: the refresh timer keeps running while the question is open.
    struct Target {
        qint64 id;
        QString idText;
    };
    std::vector<Target> targets;
    for (const int row : rows)
        targets.push_back({s.intValue(row, s.keyColumn()), s.plainText(row, s.keyColumn()).trimmed()});
    Prompts::Confirmation asked;
    asked.caption = T(msg::ConfirmCaption);
    asked.text = question(s, rows, command);
    asked.icon = QMessageBox::Warning;
    asked.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    // Cancel is the default button so that Enter alone never kills anything
    asked.defaultButton = QMessageBox::Cancel;
    if (Prompts::current().confirm(asked) != QMessageBox::Ok)
        return;
    if (targets.size() == 1) {
        if (!dm.control(command.operation, targets.front().id))
            Prompts::current().information(T(command.failure));
        return;
    }
    // Each row on its own: one that has ended or that the server refuses does not stop the others.
    QStringList results;
    int done = 0;
    for (const Target& target : targets) {
        try {
            if (dm.control(command.operation, target.id)) {
                ++done;
                results << T(msg::ControlResultDone).arg(target.idText);
            } else {
                results << T(msg::ControlResultFailed).arg(target.idText, T(command.failure));
            }
        } catch (const Exception& e) {
            results << T(msg::ControlResultFailed).arg(target.idText, e.message());
        }
    }
    Prompts::current().information(T(msg::ControlResultsSummary).arg(done).arg(targets.size()) +
                                   T(msg::ConfirmTargetsSeparator) + results.join(T(msg::ConfirmTargetLineEnd)));
}

QString questionAbout(const char* lead, const QString& subject)
{
    return T(lead) + subject + T(msg::ConfirmQuestionEnd);
}

QString transactionNumber(const Snapshot& s, int row) { return s.plainText(row, s.keyColumn()).trimmed(); }

// CHAR user names come padded with blanks
QString userName(const Snapshot& s, int row) { return textOf(s, row, catalogue::column::User); }

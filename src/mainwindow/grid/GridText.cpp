#include "mainwindow/grid/GridText.h"

#include "common/Exception.h"
#include "common/Messages.h"
#include "mainwindow/grid/GridHeader.h"
#include "mainwindow/grid/GridProxyModel.h"
#include "mainwindow/grid/MonitorGrid.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QSaveFile>
#include <QTreeView>

#include <functional>

namespace gridtext {

namespace {

// The visible sections in displayed order.
QList<int> shownSections(const TMonitorGrid& grid)
{
    QList<int> sections;
    const TGridHeader* header = grid.header();
    for (int v = 0; v < header->count(); ++v) {
        const int s = header->logicalIndex(v);
        if (!header->isSectionHidden(s))
            sections << s;
    }
    return sections;
}

// Every leaf below parent in displayed order whose row, or a group above it, is chosen.
void collectLeaves(const TGridProxyModel& proxy, const QModelIndex& parent, bool chosenAbove,
                   const std::function<bool(const QModelIndex&)>& chosen, std::vector<QModelIndex>& leaves)
{
    const int n = proxy.rowCount(parent);
    for (int r = 0; r < n; ++r) {
        const QModelIndex row = proxy.index(r, 0, parent);
        const bool take = chosenAbove || chosen(row);
        if (proxy.isGroup(row))
            collectLeaves(proxy, row, take, chosen, leaves);
        else if (take)
            leaves.push_back(row);
    }
}

// In double quotes with the quotes doubled when the text holds one of the characters.
void appendField(QString& line, const QString& text, QStringView special)
{
    bool quote = false;
    for (const QChar c : special)
        quote = quote || text.contains(c);
    if (!quote) {
        line += text;
        return;
    }
    line += QLatin1Char('"');
    line += QString(text).replace(QLatin1Char('"'), QLatin1String("\"\""));
    line += QLatin1Char('"');
}

QString joined(const ShownRows& rows, QChar separator, QStringView special, QLatin1String lineEnd)
{
    QString text;
    auto appendLine = [&](const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += separator;
            appendField(text, fields[i], special);
        }
        text += lineEnd;
    };
    appendLine(rows.captions);
    for (const QStringList& row : rows.rows)
        appendLine(row);
    return text;
}

}  // namespace

ShownRows shownRows(const TMonitorGrid& grid, Rows which)
{
    grid.proxyModel()->flush();  // a source change not yet arranged
    const TGridProxyModel& proxy = *grid.proxyModel();
    const QList<int> sections = shownSections(grid);
    ShownRows shown;
    for (const int s : sections)
        shown.captions << proxy.headerData(s, Qt::Horizontal).toString();

    std::function<bool(const QModelIndex&)> chosen = [](const QModelIndex&) { return false; };
    const QItemSelectionModel* selection = grid.view()->selectionModel();
    if (which == Rows::All) {
        chosen = [](const QModelIndex&) { return true; };
    } else if (selection->hasSelection()) {
        chosen = [selection](const QModelIndex& row) { return selection->isSelected(row); };
    } else {
        const QModelIndex current = grid.view()->currentIndex();
        if (current.isValid())
            chosen = [current = current.siblingAtColumn(0)](const QModelIndex& row) { return row == current; };
    }
    std::vector<QModelIndex> leaves;
    collectLeaves(proxy, {}, false, chosen, leaves);

    shown.rows.reserve(leaves.size());
    for (const QModelIndex& leaf : leaves) {
        QStringList fields;
        fields.reserve(sections.size());
        for (const int s : sections)
            fields << leaf.siblingAtColumn(s).data(Qt::DisplayRole).toString();  // CHAR padding gone
        shown.rows.push_back(std::move(fields));
    }
    return shown;
}

QString tabSeparated(const ShownRows& rows)
{
    return joined(rows, QLatin1Char('\t'), u"\t\r\n\"", QLatin1String("\n"));
}

QByteArray csv(const ShownRows& rows) { return joined(rows, QLatin1Char(','), u",\"\r\n", QLatin1String("\r\n")).toUtf8(); }

void writeCsvFile(const TMonitorGrid& grid, const QString& fileName)
{
    const QByteArray text = csv(shownRows(grid, Rows::All));
    QSaveFile file(fileName);
    auto fail = [&] {
        throw Exception(
            QString::fromUtf8(msg::GridExportFailed).arg(QDir::toNativeSeparators(fileName), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    if (file.write(text) != text.size())
        fail();
    if (!file.commit())
        fail();
}

}  // namespace gridtext

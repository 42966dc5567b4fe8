#include "mainwindow/DatabaseValueList.h"

#include "common/Messages.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int LineReach = 3;         // pixels either side of a column line that grab it
constexpr int SmallestColumn = 20;   // a dragged column keeps at least this width
constexpr int LevelRole = Qt::UserRole + 1;
// the value column holds up to 64-bit counters
constexpr const char* WidestValue = "9999999999999";
}  // namespace

TDatabaseValueList::TDatabaseValueList(QWidget* parent) : QTableWidget(0, ColumnCount, parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setMinimumSectionSize(SmallestColumn);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    viewport()->setMouseTracking(true);
    setColumnWidth(ValueColumn, fontMetrics().horizontalAdvance(QLatin1String(WidestValue)) + 8);
}

void TDatabaseValueList::setLabels(const QStringList& labels)
{
    setRowCount(0);
    setRowCount(static_cast<int>(labels.size()));
    for (int row = 0; row < rowCount(); ++row) {
        auto* label = new QTableWidgetItem(labels[row]);
        // the label column is fixed: shown like a heading, never selected as a value
        label->setFlags(Qt::ItemIsEnabled);
        label->setBackground(palette().brush(QPalette::Button));
        setItem(row, LabelColumn, label);
        setItem(row, ValueColumn, new QTableWidgetItem(QString()));
        setItem(row, RateColumn, new QTableWidgetItem(QString()));
    }
    fitLabelColumn();
}

void TDatabaseValueList::fitLabelColumn()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    for (int row = 0; row < rowCount(); ++row)
        widest = std::max(widest, itemDelegate()->sizeHint(option, model()->index(row, LabelColumn)).width());
    // the grid line takes one pixel of the column
    setColumnWidth(LabelColumn, widest + (showGrid() ? 1 : 0));
}

QString TDatabaseValueList::cellText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void TDatabaseValueList::setCellText(int row, int column, const QString& text)
{
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
}

void TDatabaseValueList::setRate(int row, const QString& text)
{
    setCellText(row, RateColumn, text);
    if (QTableWidgetItem* cell = item(row, RateColumn))
        cell->setToolTip(text.isEmpty() ? QString() : QString::fromUtf8(msg::DatabaseRateHint));
}

QColor TDatabaseValueList::levelColor(health::Level level)
{
    switch (level) {
    case health::Level::Amber: return QColor(255, 200, 90);
    case health::Level::Red: return QColor(240, 90, 80);
    case health::Level::Normal: break;
    }
    return {};
}

void TDatabaseValueList::setLevel(int row, health::Level level, const QString& hint)
{
    for (int column : {ValueColumn, RateColumn}) {
        QTableWidgetItem* cell = item(row, column);
        if (!cell)
            continue;
        cell->setData(LevelRole, static_cast<int>(level));
        if (level == health::Level::Normal) {
            cell->setData(Qt::BackgroundRole, QVariant());
            cell->setData(Qt::ForegroundRole, QVariant());
        } else {
            cell->setBackground(levelColor(level));
            cell->setForeground(QColor(Qt::black));
        }
        if (column == ValueColumn)
            cell->setToolTip(hint);
    }
}

health::Level TDatabaseValueList::level(int row) const
{
    const QTableWidgetItem* cell = item(row, ValueColumn);
    return cell ? static_cast<health::Level>(cell->data(LevelRole).toInt()) : health::Level::Normal;
}

void TDatabaseValueList::clearValues()
{
    for (int row = 0; row < rowCount(); ++row) {
        setValue(row, QString());
        setRate(row, QString());
        setLevel(row, health::Level::Normal);
    }
}

int TDatabaseValueList::columnLineAt(int x) const
{
    // the lines between the columns; the last column runs to the edge
    for (int column = LabelColumn; column < ColumnCount - 1; ++column) {
        const int line = columnViewportPosition(column) + columnWidth(column);
        if (std::abs(x - line) <= LineReach)
            return column;
    }
    return -1;
}

bool TDatabaseValueList::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int x = static_cast<int>(mouse->position().x());
        if (m_dragged >= 0) {
            setColumnWidth(m_dragged, std::max(SmallestColumn, x - columnViewportPosition(m_dragged)));
            return true;
        }
        if (mouse->buttons() == Qt::NoButton) {
            if (columnLineAt(x) >= 0)
                viewport()->setCursor(Qt::SplitHCursor);
            else
                viewport()->unsetCursor();
        }
        break;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_dragged = columnLineAt(static_cast<int>(mouse->position().x()));
            if (m_dragged >= 0)
                return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (m_dragged >= 0) {
            m_dragged = -1;
            return true;
        }
        break;
    case QEvent::Leave:
        if (m_dragged < 0)
            viewport()->unsetCursor();
        break;
    default: break;
    }
    return QTableWidget::viewportEvent(event);
}

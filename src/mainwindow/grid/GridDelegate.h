#pragma once
// Draws the grid's cells; a group row, which spans the whole row from the first column, keeps its
// text in sight when the grid is scrolled sideways past the first column. Rows are the font's full
// height and a margin above and below, so that accented capitals (É, Å) keep their marks: many
// fonts draw those above the ascent, and a row of exactly the line height cuts them.

#include <QStyledItemDelegate>

class TGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int RowMargin = 2;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

#pragma once
// Draws the grid's cells; a group row, which spans the whole row from the first column, keeps its
// text in sight when the grid is scrolled sideways past the first column.

#include <QStyledItemDelegate>

class TGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

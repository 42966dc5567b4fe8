#include "mainwindow/grid/GridDelegate.h"

#include "mainwindow/grid/GridProxyModel.h"

#include <algorithm>

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.data(TGridProxyModel::GroupLevelRole).isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem visible(option);
    visible.rect.setLeft(std::clamp(0, option.rect.left(), option.rect.right()));
    QStyledItemDelegate::paint(painter, visible, index);
}

QSize TGridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), opt.fontMetrics.height() + 2 * RowMargin));
    return size;
}

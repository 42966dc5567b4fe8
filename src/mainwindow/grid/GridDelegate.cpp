#include "mainwindow/grid/GridDelegate.h"

#include "mainwindow/grid/GridProxyModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {
// Texts kept at most; a tick brings new numbers, so the store is emptied now and then.
constexpr qsizetype KeptTexts = 20000;

// One line the style would draw as it stands: line breaks, tabs and other control characters are
// the style's to handle.
bool singleLine(const QString& text)
{
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}

QStaticText prepared(const QString& text, const QFont& font)
{
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);  // a value is never markup
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    laid.prepare(QTransform(), font);
    return laid;
}
}  // namespace

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.data(TGridProxyModel::GroupLevelRole).isValid()) {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        if (!paintPlain(painter, cell))
            QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem visible(option);
    visible.rect.setLeft(std::clamp(0, option.rect.left(), option.rect.right()));
    QStyledItemDelegate::paint(painter, visible, index);
}

bool TGridDelegate::paintPlain(QPainter* painter, const QStyleOptionViewItem& option) const
{
    constexpr auto ownDrawing = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasCheckIndicator |
                                QStyleOptionViewItem::WrapText;
    if ((option.features & ownDrawing) || (option.state & (QStyle::State_HasFocus | QStyle::State_Editing)) ||
        option.direction != Qt::LeftToRight || !singleLine(option.text))
        return false;
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    painter->save();
    painter->setClipRect(option.rect);
    // the background, the selection and the marked row's colour, as the style draws them
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);
    if (!option.text.isEmpty()) {
        QPalette::ColorGroup group = (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(option.palette.color(
            group, (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        // the style's text margin on either side
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect room = option.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText& text = laidOut(option, room.width());
        // as the style places a line: whole pixels down, the exact width across
        const QSizeF size = text.size();
        const int top = QStyle::alignedRect(option.direction, option.displayAlignment & Qt::AlignVertical_Mask,
                                            size.toSize(), room)
                            .top();
        qreal left = room.left();
        if (option.displayAlignment & Qt::AlignRight)
            left += room.width() - size.width();
        else if (option.displayAlignment & Qt::AlignHCenter)
            left += (room.width() - size.width()) / 2;
        painter->drawStaticText(QPointF(left, top), text);
    }
    painter->restore();
    return true;
}

const QStaticText& TGridDelegate::laidOut(const QStyleOptionViewItem& option, int width) const
{
    if (option.font != m_font || m_texts.size() >= KeptTexts) {
        m_texts.clear();
        m_font = option.font;
    }
    auto it = m_texts.find(option.text);
    if (it == m_texts.end())
        it = m_texts.insert(option.text, LaidOut{prepared(option.text, m_font)});
    LaidOut& laid = it.value();
    if (laid.whole.size().width() <= width)
        return laid.whole;
    if (laid.elidedFor != width) {
        laid.elided = prepared(QFontMetrics(m_font).elidedText(option.text, option.textElideMode, width), m_font);
        laid.elidedFor = width;
    }
    return laid.elided;
}

QSize TGridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), opt.fontMetrics.height() + 2 * RowMargin));
    return size;
}

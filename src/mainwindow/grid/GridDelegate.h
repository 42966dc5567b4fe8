#pragma once
// Draws the grid's cells; a group row, which spans the whole row from the first column, keeps its
// text in sight when the grid is scrolled sideways past the first column. Rows are the font's full
// height and a margin above and below, so that accented capitals (É, Å) keep their marks: many
// fonts draw those above the ascent, and a row of exactly the line height cuts them.
//
// A plain cell (one line of text, no icon, not the focused one) is drawn from a laid-out text kept
// between paints: a refresh repaints every cell in sight, and laying each text out afresh (shaping,
// measuring, eliding) was most of what a repaint cost. Other cells are drawn by the style as usual.

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

class TGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int RowMargin = 2;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // Draws a plain cell; false (nothing drawn) for a cell the style must draw.
    bool paintPlain(QPainter* painter, const QStyleOptionViewItem& option) const;
    // The text laid out for a width: whole when it fits, else elided as the cell says.
    const QStaticText& laidOut(const QStyleOptionViewItem& option, int width) const;

    struct LaidOut {
        QStaticText whole;
        int elidedFor = -1;  // the width the elided text was made for
        QStaticText elided;
    };
    mutable QHash<QString, LaidOut> m_texts;  // for m_font
    mutable QFont m_font;
};

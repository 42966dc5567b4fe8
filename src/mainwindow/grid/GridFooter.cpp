#include "mainwindow/grid/GridFooter.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TGridFooter::TGridFooter(QHeaderView* header, QList<int> sections, TextOf textOf, QWidget* parent)
    : QWidget(parent), m_header(header), m_sections(std::move(sections)), m_textOf(std::move(textOf))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    auto repaint = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, repaint);
    connect(header, &QHeaderView::sectionMoved, this, repaint);
    connect(header, &QHeaderView::geometriesChanged, this, repaint);
}

QSize TGridFooter::sizeHint() const { return {100, fontMetrics().height() + 8}; }

void TGridFooter::invalidate()
{
    m_valid = false;
    update();
}

QString TGridFooter::text(int section) const
{
    if (!m_valid) {
        m_texts.clear();
        for (int s : m_sections)
            m_texts[s] = m_textOf(s);
        m_valid = true;
    }
    auto it = m_texts.find(section);
    return it == m_texts.end() ? QString() : it->second;
}

void TGridFooter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, 0, width(), 0);
    // where the header's sections start, in this widget's coordinates
    const int origin = m_header->viewport()->mapTo(window(), QPoint(0, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
    p.setClipRect(QRect(origin, 0, m_header->viewport()->width(), height()));
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    for (int s : m_sections) {
        if (m_header->isSectionHidden(s))
            continue;
        const QRect cell(origin + m_header->sectionViewportPosition(s), 1, m_header->sectionSize(s), height() - 1);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(cell.adjusted(1, 1, -2, -2));
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(cell.adjusted(margin, 0, -margin, 0), Qt::AlignRight | Qt::AlignVCenter, text(s));
    }
}

#include "mainwindow/charts/PieLegend.h"

#include <QPainter>

namespace {
constexpr int kMargin = 6;
constexpr int kSwatch = 10;
constexpr int kGap = 6;
}  // namespace

TPieLegend::TPieLegend(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void TPieLegend::setEntries(std::vector<Entry> entries)
{
    m_entries = std::move(entries);
    updateGeometry();
    update();
}

int TPieLegend::lineHeight() const { return std::max(fontMetrics().height(), kSwatch) + 2; }

QSize TPieLegend::sizeHint() const
{
    return {200, 2 * kMargin + lineHeight() * static_cast<int>(m_entries.size())};
}

void TPieLegend::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const int line = lineHeight();
    int y = kMargin;
    for (const Entry& e : m_entries) {
        const QRect swatch(kMargin, y + (line - kSwatch) / 2, kSwatch, kSwatch);
        p.setPen(e.color.darker(150));
        p.setBrush(e.color);
        p.drawRect(swatch.adjusted(0, 0, -1, -1));
        const int valueWidth = fm.horizontalAdvance(e.value);
        const QRect valueRect(width() - kMargin - valueWidth, y, valueWidth, line);
        const int labelLeft = swatch.right() + kGap;
        const QRect labelRect(labelLeft, y, std::max(0, valueRect.left() - kGap - labelLeft), line);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(e.label, Qt::ElideRight, labelRect.width()));
        p.drawText(valueRect, Qt::AlignRight | Qt::AlignVCenter, e.value);
        y += line;
    }
}

#include "mainwindow/charts/PieLegend.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <climits>

namespace {
constexpr int kMargin = 6;
constexpr int kSwatch = 10;
constexpr int kGap = 6;
constexpr int kLabelFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
}  // namespace

TPieLegend::TPieLegend(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void TPieLegend::setEntries(std::vector<Entry> entries)
{
    const int height = heightForWidth(width());
    m_entries = std::move(entries);
    // new values every refresh: the window lays itself out again only when the legend needs
    // another height, else the whole window would be painted afresh with it
    if (heightForWidth(width()) != height)
        updateGeometry();
    update();
}

int TPieLegend::lineHeight() const { return std::max(fontMetrics().height(), kSwatch) + 2; }

std::vector<TPieLegend::Placement> TPieLegend::placements(int width) const
{
    const QFontMetrics fm = fontMetrics();
    const int line = lineHeight();
    const int labelLeft = kMargin + kSwatch + kGap;
    const int right = std::max(labelLeft + 1, width - kMargin);
    std::vector<Placement> placed;
    placed.reserve(m_entries.size());
    int y = kMargin;
    for (const Entry& e : m_entries) {
        Placement p;
        p.swatch = QRect(kMargin, y + (line - kSwatch) / 2, kSwatch, kSwatch);
        const int labelWidth = fm.horizontalAdvance(e.label);
        const int valueWidth = fm.horizontalAdvance(e.value);
        if (labelLeft + labelWidth + kGap + valueWidth <= right) {
            p.label = QRect(labelLeft, y, labelWidth, line);
            p.value = QRect(right - valueWidth, y, valueWidth, line);
            y += line;
        } else {
            // the label on a line of its own, the value right-aligned below it
            const int room = right - labelLeft;
            const int height = std::max(line, fm.boundingRect(QRect(0, 0, room, INT_MAX), kLabelFlags, e.label).height());
            p.label = QRect(labelLeft, y, room, height);
            y += height;
            p.value = QRect(right - valueWidth, y, valueWidth, line);
            y += line;
        }
        placed.push_back(p);
    }
    return placed;
}

int TPieLegend::heightForWidth(int width) const
{
    const std::vector<Placement> placed = placements(width);
    return placed.empty() ? 2 * kMargin : placed.back().value.bottom() + 1 + kMargin;
}

// The height for the width the legend has: all of it is needed to show every name whole.
QSize TPieLegend::sizeHint() const { return {200, heightForWidth(width())}; }

void TPieLegend::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        updateGeometry();
}

void TPieLegend::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const std::vector<Placement> placed = placements(width());
    for (size_t i = 0; i < placed.size(); ++i) {
        const Entry& e = m_entries[i];
        p.setPen(e.color.darker(150));
        p.setBrush(e.color);
        p.drawRect(placed[i].swatch.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(placed[i].label, kLabelFlags, e.label);
        p.drawText(placed[i].value, Qt::AlignRight | Qt::AlignVCenter, e.value);
    }
}

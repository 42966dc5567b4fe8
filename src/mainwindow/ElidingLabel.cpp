#include "mainwindow/ElidingLabel.h"

#include <QPainter>
#include <QStyle>

namespace {
// The shortest a part is cut to: its first and last characters and the ellipsis between.
const QString ShortestPart = QStringLiteral("xx\u2026xx");
}  // namespace

void ElidingLabel::setText(const QString& form, const QString& part)
{
    m_form = form;
    m_part = part;
    const QString whole = form.arg(part);
    QLabel::setText(whole);
    setToolTip(whole);
    updateGeometry();
}

QString ElidingLabel::shownText() const
{
    const QString whole = text();
    const QFontMetrics metrics = fontMetrics();
    const int width = contentsRect().width() - 2 * margin();
    if (metrics.horizontalAdvance(whole) <= width || m_part.isEmpty() || whole != m_form.arg(m_part))
        return whole;
    const int room = width - metrics.horizontalAdvance(m_form.arg(QString()));
    return m_form.arg(metrics.elidedText(m_part, Qt::ElideMiddle, std::max(room, 0)));
}

QSize ElidingLabel::minimumSizeHint() const
{
    // the sentence around the part always has room
    QSize hint = QLabel::minimumSizeHint();
    const QFontMetrics metrics = fontMetrics();
    const QString shortest = m_part.isEmpty() ? text() : m_form.arg(ShortestPart);
    hint.setWidth(std::min(hint.width(), metrics.horizontalAdvance(shortest) + 2 * margin() +
                                             contentsMargins().left() + contentsMargins().right()));
    return hint;
}

void ElidingLabel::paintEvent(QPaintEvent* event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
}

#include "mainwindow/grid/GridHeader.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

#include <algorithm>

const char* const TGridHeader::ColumnMimeType = "application/x-quillmere-grid-column";
const char* const TGridHeader::GroupedColumnMimeType = "application/x-quillmere-grouped-column";

namespace {
constexpr int kButtonWidth = 14;
constexpr int kArrowWidth = 9;
}  // namespace

TGridHeader::TGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // a band spans several sections: repaint it whole when one of them changes
    connect(this, &QHeaderView::sectionResized, viewport(), qOverload<>(&QWidget::update));
    connect(this, &QHeaderView::sectionCountChanged, viewport(), qOverload<>(&QWidget::update));
}

void TGridHeader::setBands(std::vector<Band> bands)
{
    m_bands = std::move(bands);
    updateGeometry();
    viewport()->update();
}

void TGridHeader::setSortIndicators(std::vector<grid::OrderedColumn> sorts)
{
    m_sorts = std::move(sorts);
    viewport()->update();
}

void TGridHeader::setFilterableSections(QList<int> sections)
{
    m_filterable = std::move(sections);
    viewport()->update();
}

void TGridHeader::setFilteredSections(QList<int> sections)
{
    m_filtered = std::move(sections);
    viewport()->update();
}

QSize TGridHeader::sizeHint() const
{
    QSize s = QHeaderView::sizeHint();
    if (!m_bands.empty())
        s.setHeight(2 * s.height());
    return s;
}

int TGridHeader::bandHeight() const { return m_bands.empty() ? 0 : height() / 2; }

QRect TGridHeader::bandRect(int band) const
{
    const Band& b = m_bands.at(static_cast<size_t>(band));
    int first = -1, last = -1;
    for (int s = b.first; s <= b.last && s < count(); ++s) {
        if (isSectionHidden(s))
            continue;
        if (first < 0)
            first = s;
        last = s;
    }
    if (first < 0)
        return {};
    const int left = sectionViewportPosition(first);
    const int right = sectionViewportPosition(last) + sectionSize(last);
    return QRect(left, 0, right - left, bandHeight());
}

QRect TGridHeader::filterButtonRect(int section) const
{
    if (!isFilterable(section) || isSectionHidden(section))
        return {};
    const int top = bandHeight();
    const int rowHeight = height() - top;
    const int h = std::min(kButtonWidth, rowHeight - 4);
    const int right = sectionViewportPosition(section) + sectionSize(section) - 3;
    return QRect(right - kButtonWidth, top + (rowHeight - h) / 2, kButtonWidth, h);
}

int TGridHeader::captionWidth(int section) const
{
    const QString caption = model() ? model()->headerData(section, Qt::Horizontal).toString() : QString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    // room for the caption in bold (while filtered), the sort arrow and its order number
    QFont bold = font();
    bold.setBold(true);
    int width = QFontMetrics(bold).horizontalAdvance(caption) + 2 * margin + kArrowWidth + 20;
    if (isFilterable(section))
        width += kButtonWidth + 4;
    return width;
}

void TGridHeader::paintEvent(QPaintEvent* event)
{
    QHeaderView::paintEvent(event);
    if (m_bands.empty())
        return;
    QPainter painter(viewport());
    paintBands(painter);
}

void TGridHeader::paintBands(QPainter& painter) const
{
    for (size_t b = 0; b < m_bands.size(); ++b) {
        const QRect r = bandRect(static_cast<int>(b));
        if (r.isEmpty())
            continue;
        QStyleOptionHeader opt;
        opt.initFrom(this);
        opt.state |= QStyle::State_Raised | QStyle::State_Horizontal;
        opt.orientation = Qt::Horizontal;
        opt.rect = r;
        opt.section = static_cast<int>(b);
        opt.position = QStyleOptionHeader::Middle;
        painter.save();
        style()->drawControl(QStyle::CE_HeaderSection, &opt, &painter, this);
        // the caption in the middle of the band's visible part, so that it stays in sight
        opt.rect = r.intersected(viewport()->rect());
        opt.text = m_bands[b].caption;
        opt.textAlignment = Qt::AlignCenter;
        style()->drawControl(QStyle::CE_HeaderLabel, &opt, &painter, this);
        painter.restore();
    }
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    QRect r = rect;
    r.setTop(rect.top() + bandHeight());
    QStyleOptionHeader opt;
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = r;
    opt.sortIndicator = QStyleOptionHeader::None;
    const QString caption = opt.text;
    opt.text.clear();
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this);
    QRect text = r.adjusted(margin, 0, -margin, 0);
    const QColor ink = opt.palette.color(QPalette::ButtonText);

    if (isFilterable(logicalIndex)) {
        const QRect b = filterButtonRect(logicalIndex);
        const bool active = isFiltered(logicalIndex);
        painter->setPen(opt.palette.color(QPalette::Mid));
        painter->setBrush(active ? opt.palette.color(QPalette::Highlight) : opt.palette.color(QPalette::Button));
        painter->drawRect(b.adjusted(0, 0, -1, -1));
        // a small funnel while filtered, a drop-down triangle otherwise
        QPainterPath mark;
        const QPointF c = QRectF(b).center();
        if (active) {
            mark.moveTo(c.x() - 4, c.y() - 3);
            mark.lineTo(c.x() + 4, c.y() - 3);
            mark.lineTo(c.x() + 1, c.y());
            mark.lineTo(c.x() + 1, c.y() + 4);
            mark.lineTo(c.x() - 1, c.y() + 4);
            mark.lineTo(c.x() - 1, c.y());
        } else {
            mark.moveTo(c.x() - 3.5, c.y() - 1.5);
            mark.lineTo(c.x() + 3.5, c.y() - 1.5);
            mark.lineTo(c.x(), c.y() + 2.5);
        }
        mark.closeSubpath();
        painter->setPen(Qt::NoPen);
        painter->setBrush(active ? opt.palette.color(QPalette::HighlightedText) : ink);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->drawPath(mark);
        painter->setRenderHint(QPainter::Antialiasing, false);
        text.setRight(b.left() - 3);
    }

    auto sorted = std::find_if(m_sorts.begin(), m_sorts.end(),
                               [&](const grid::OrderedColumn& o) { return o.column == logicalIndex; });
    if (sorted != m_sorts.end()) {
        QString number;
        if (m_sorts.size() > 1)
            number = QString::number(sorted - m_sorts.begin() + 1);
        QFont small = font();
        small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.75));
        const int numberWidth = number.isEmpty() ? 0 : QFontMetrics(small).horizontalAdvance(number) + 1;
        const int right = text.right();
        const QPointF c(right - numberWidth - kArrowWidth / 2.0, text.center().y() + 0.5);
        QPainterPath arrow;
        if (sorted->order == Qt::AscendingOrder) {
            arrow.moveTo(c.x() - 4, c.y() + 2);
            arrow.lineTo(c.x() + 4, c.y() + 2);
            arrow.lineTo(c.x(), c.y() - 2.5);
        } else {
            arrow.moveTo(c.x() - 4, c.y() - 2);
            arrow.lineTo(c.x() + 4, c.y() - 2);
            arrow.lineTo(c.x(), c.y() + 2.5);
        }
        arrow.closeSubpath();
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->drawPath(arrow);
        painter->setRenderHint(QPainter::Antialiasing, false);
        if (!number.isEmpty()) {
            painter->setFont(small);
            painter->setPen(ink);
            painter->drawText(QRect(right - numberWidth, text.top(), numberWidth, text.height()),
                              Qt::AlignLeft | Qt::AlignVCenter, number);
            painter->setFont(font());
        }
        text.setRight(right - numberWidth - kArrowWidth - 3);
    }

    QFont captionFont = font();
    if (isFiltered(logicalIndex))
        captionFont.setBold(true);
    painter->setFont(captionFont);
    painter->setPen(ink);
    const QString shown = QFontMetrics(captionFont).elidedText(caption, Qt::ElideRight, std::max(0, text.width()));
    painter->drawText(text, static_cast<int>(opt.textAlignment), shown);
    painter->restore();
}

bool TGridHeader::onGrip(const QPoint& pos) const
{
    const int s = logicalIndexAt(pos);
    if (s < 0)
        return false;
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    const int left = sectionViewportPosition(s);
    const int right = left + sectionSize(s);
    return pos.x() - left < grip || right - pos.x() <= grip;
}

void TGridHeader::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QHeaderView::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (pos.y() < bandHeight()) {  // the bands are captions only
        event->accept();
        return;
    }
    const int s = logicalIndexAt(pos);
    if (s >= 0 && filterButtonRect(s).contains(pos)) {
        const QRect b = filterButtonRect(s);
        emit filterRequested(s, viewport()->mapToGlobal(QPoint(b.left(), b.bottom() + 1)));
        event->accept();
        return;
    }
    m_pressed = onGrip(pos) ? -1 : s;
    m_pressPos = pos;
    QHeaderView::mousePressEvent(event);
}

void TGridHeader::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_pressed >= 0 && m_dragOut && (event->buttons() & Qt::LeftButton) &&
        (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        const int section = m_pressed;
        m_pressed = -1;
        startDrag(section);
        // the drag took the button's release: end the press without a click
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QHeaderView::mouseReleaseEvent(&release);
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void TGridHeader::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_pressed >= 0 && logicalIndexAt(pos) == m_pressed &&
        pos.y() >= bandHeight())
        emit sortRequested(m_pressed, event->modifiers().testFlag(Qt::ControlModifier));
    m_pressed = -1;
    QHeaderView::mouseReleaseEvent(event);
}

void TGridHeader::startDrag(int section)
{
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(ColumnMimeType), QByteArray::number(section));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QRect r(sectionViewportPosition(section), bandHeight(), sectionSize(section), height() - bandHeight());
    if (r.width() > 0 && r.height() > 0) {
        QPixmap picture(r.size() * devicePixelRatioF());
        picture.setDevicePixelRatio(devicePixelRatioF());
        viewport()->render(&picture, QPoint(), QRegion(r));
        drag->setPixmap(picture);
        drag->setHotSpot(m_pressPos - r.topLeft());
    }
    drag->exec(Qt::MoveAction);
}

void TGridHeader::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(GroupedColumnMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGridHeader::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(GroupedColumnMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGridHeader::dropEvent(QDropEvent* event)
{
    const QByteArray data = event->mimeData()->data(QString::fromLatin1(GroupedColumnMimeType));
    bool ok = false;
    const int section = data.toInt(&ok);
    if (!ok) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit ungroupRequested(section);
}

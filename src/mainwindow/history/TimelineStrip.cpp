#include "mainwindow/history/TimelineStrip.h"

#include "common/Messages.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
constexpr int LaneCount = 5;
constexpr int LaneHeight = 18;
constexpr int LabelWidth = 180;
constexpr int Margin = 4;

// A lane's value at a point, as a number; nothing where the moment has none.
std::optional<double> laneValue(const history::TimelinePoint& p, int lane)
{
    auto number = [](const std::optional<int64_t>& v) { return v ? std::optional<double>(double(*v)) : std::nullopt; };
    switch (lane) {
    case 0: return number(p.attachments);
    case 1: return number(p.activeStatements);
    case 2: return number(p.activeGap);
    case 3: return p.pageReadsPerSecond;
    default: return number(p.memory);
    }
}
}  // namespace

TTimelineLanes::TTimelineLanes(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TimelineLanes"));
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QString::fromUtf8(msg::HistoryStripHint));
    setMinimumHeight(sizeHint().height());
}

QSize TTimelineLanes::sizeHint() const { return {600, LaneCount * LaneHeight + 2 * Margin}; }

void TTimelineLanes::setPoints(std::vector<history::TimelinePoint> points)
{
    m_points = std::move(points);
    m_mark.reset();
    update();
}

void TTimelineLanes::appendPoints(const std::vector<history::TimelinePoint>& points)
{
    m_points.insert(m_points.end(), points.begin(), points.end());
    update();
}

void TTimelineLanes::setCurrent(int index)
{
    m_current = index;
    update();
}

void TTimelineLanes::setMark(std::optional<int> index)
{
    m_mark = index;
    update();
}

double TTimelineLanes::xOf(int index) const
{
    const double left = LabelWidth, width = std::max(1, this->width() - LabelWidth - Margin);
    if (m_points.size() < 2)
        return left + width / 2;
    // by time, so that a break in the recording shows as a gap
    const qint64 first = m_points.front().taken.toMSecsSinceEpoch(), last = m_points.back().taken.toMSecsSinceEpoch();
    const qint64 at = m_points[static_cast<size_t>(index)].taken.toMSecsSinceEpoch();
    return left + (last > first ? width * double(at - first) / double(last - first) : width / 2);
}

int TTimelineLanes::indexAt(int x) const
{
    if (m_points.empty())
        return -1;
    // the moment nearest to x (the points are in time order, so x grows with the index)
    int lo = 0, hi = static_cast<int>(m_points.size()) - 1;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (xOf(mid) < x)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo > 0 && std::abs(xOf(lo - 1) - x) <= std::abs(xOf(lo) - x))
        --lo;
    return lo;
}

void TTimelineLanes::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QColor ink = palette().color(QPalette::Text);
    const QColor colours[LaneCount] = {QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c), QColor(0xd6, 0x27, 0x28),
                                       QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b)};
    if (m_mark && m_current >= 0) {
        const double a = xOf(*m_mark), b = xOf(m_current);
        painter.fillRect(QRectF(std::min(a, b), 0, std::abs(b - a) + 1, height()), palette().color(QPalette::AlternateBase).darker(110));
    }
    const int n = static_cast<int>(m_points.size());
    for (int lane = 0; lane < LaneCount; ++lane) {
        const int top = Margin + lane * LaneHeight;
        painter.setPen(ink);
        painter.drawText(QRect(Margin, top, LabelWidth - 2 * Margin, LaneHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         QString::fromUtf8(msg::HistoryLaneLabels[lane]));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(LabelWidth, top + LaneHeight - 1, width() - Margin, top + LaneHeight - 1);
        double largest = 0;
        for (const auto& p : m_points)
            largest = std::max(largest, laneValue(p, lane).value_or(0));
        if (largest <= 0)
            continue;
        QPainterPath path;
        bool drawing = false;
        for (int i = 0; i < n; ++i) {
            const std::optional<double> v = laneValue(m_points[static_cast<size_t>(i)], lane);
            if (!v) {
                drawing = false;
                continue;
            }
            const QPointF at(xOf(i), top + LaneHeight - 2 - (LaneHeight - 4) * (*v / largest));
            if (drawing)
                path.lineTo(at);
            else
                path.moveTo(at);
            drawing = true;
        }
        painter.setPen(QPen(colours[lane], 1.2));
        painter.drawPath(path);
    }
    if (m_current >= 0 && m_current < n) {
        painter.setPen(QPen(Qt::red, 2));
        const double x = xOf(m_current);
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TTimelineLanes::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    const int index = indexAt(qRound(event->position().x()));
    if (index < 0)
        return;
    if (event->modifiers() & Qt::ShiftModifier)
        emit marked(index);
    else
        emit chosen(index);
}

void TTimelineLanes::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: emit step(-1); break;
    case Qt::Key_Right: emit step(1); break;
    case Qt::Key_Home: emit toEnd(false); break;
    case Qt::Key_End: emit toEnd(true); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

TTimelineStrip::TTimelineStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TimelineStrip"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    auto* row = new QHBoxLayout;
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("lblHistoryMoment"));
    QFont bold = m_time->font();
    bold.setBold(true);
    m_time->setFont(bold);
    row->addWidget(m_time, 1);
    auto button = [&](const char* name, const char* caption, void (TTimelineStrip::*signal)()) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, signal);
        row->addWidget(b);
    };
    button("btnHistoryRange", msg::HistoryRangeButton, &TTimelineStrip::rangeRequested);
    button("btnHistoryCharts", msg::HistoryChartsButton, &TTimelineStrip::chartsRequested);
    button("btnHistoryLive", msg::HistoryLiveButton, &TTimelineStrip::liveRequested);
    column->addLayout(row);
    m_lanes = new TTimelineLanes(this);
    column->addWidget(m_lanes);
}

void TTimelineStrip::setCurrent(int index, const QString& timeText)
{
    m_lanes->setCurrent(index);
    m_time->setText(timeText);
}

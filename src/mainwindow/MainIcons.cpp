#include "mainwindow/MainIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace mainicons {
namespace {

// One picture at 16 and 24 pixels, drawn on a 16-unit grid.
QIcon drawn(const std::function<void(QPainter&)>& draw)
{
    QIcon icon;
    for (int size : {16, 24}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.scale(size / 16.0, size / 16.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon themed(const char* name, const std::function<void(QPainter&)>& draw)
{
    const QIcon theme = QIcon::fromTheme(QString::fromLatin1(name));
    return theme.isNull() ? drawn(draw) : theme;
}

QPen outline(const QColor& c, double width = 1.0) { return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A plug with its cable, whole (connected) or pulled apart.
void plug(QPainter& p, bool apart)
{
    const double gap = apart ? 2.5 : 0.0;
    p.setPen(outline(QColor(40, 40, 40)));
    p.setBrush(QColor(250, 200, 60));
    p.drawRoundedRect(QRectF(2.5 - gap, 6, 5, 5), 1, 1);  // plug body
    p.drawLine(QPointF(7.5 - gap, 7), QPointF(9.5 - gap, 7));
    p.drawLine(QPointF(7.5 - gap, 10), QPointF(9.5 - gap, 10));
    p.setBrush(QColor(120, 170, 230));
    p.drawRoundedRect(QRectF(9.5 + gap, 5.5, 4.5, 6), 1, 1);  // socket
    p.setPen(outline(QColor(40, 40, 40), 1.5));
    p.drawLine(QPointF(0.5, 8.5), QPointF(2.5 - gap, 8.5));
    p.drawLine(QPointF(14 + gap, 8.5), QPointF(16, 8.5));
}

void pageWithLines(QPainter& p, const QColor& fold)
{
    p.setPen(outline(QColor(70, 70, 70)));
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(3, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(13, 4.5);
    page.lineTo(13, 14.5);
    page.lineTo(3, 14.5);
    page.closeSubpath();
    p.drawPath(page);
    p.setBrush(fold);
    p.drawPolygon(QPolygonF({QPointF(10, 1.5), QPointF(10, 4.5), QPointF(13, 4.5)}));
    p.setPen(outline(QColor(120, 120, 120)));
    for (double y = 7; y <= 12.5; y += 2)
        p.drawLine(QPointF(5, y), QPointF(11, y));
}

void circleWithSign(QPainter& p, const QColor& fill, const QString& sign)
{
    p.setPen(outline(fill.darker(150)));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, sign);
}

}  // namespace

QIcon connect()
{
    return themed("network-connect", [](QPainter& p) { plug(p, false); });
}

QIcon disconnect()
{
    static const QIcon* const icon = new QIcon(themed("network-disconnect", [](QPainter& p) {
        plug(p, true);
        p.setPen(outline(QColor(200, 30, 30), 1.5));
        p.drawLine(QPointF(7, 2), QPointF(9, 4));
        p.drawLine(QPointF(9, 13), QPointF(7, 15));
    }));
    return *icon;
}

QIcon cancel()
{
    static const QIcon* const icon = new QIcon(themed("process-stop", [](QPainter& p) {
        p.setPen(outline(QColor(140, 20, 20)));
        p.setBrush(QColor(215, 45, 40));
        p.drawPolygon(QPolygonF({QPointF(5.5, 1.5), QPointF(10.5, 1.5), QPointF(14.5, 5.5), QPointF(14.5, 10.5),
                                 QPointF(10.5, 14.5), QPointF(5.5, 14.5), QPointF(1.5, 10.5), QPointF(1.5, 5.5)}));
        p.setPen(outline(Qt::white, 2.0));
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    }));
    return *icon;
}

QIcon commit()
{
    return themed("dialog-ok-apply", [](QPainter& p) {
        p.setPen(outline(QColor(30, 120, 30), 2.5));
        p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
    });
}

QIcon rollback()
{
    return themed("edit-undo", [](QPainter& p) {
        p.setPen(outline(QColor(30, 80, 160), 2.0));
        p.setBrush(Qt::NoBrush);
        QPainterPath arc;
        arc.moveTo(4, 6.5);
        arc.cubicTo(9, 3, 15, 6, 12.5, 12.5);
        p.drawPath(arc);
        p.setBrush(QColor(30, 80, 160));
        p.setPen(outline(QColor(30, 80, 160)));
        p.drawPolygon(QPolygonF({QPointF(1.5, 6.5), QPointF(6, 2.5), QPointF(6.5, 9)}));
    });
}

QIcon refresh()
{
    return themed("view-refresh", [](QPainter& p) {
        p.setPen(outline(QColor(30, 130, 60), 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 280 * 16);
        p.setBrush(QColor(30, 130, 60));
        p.setPen(outline(QColor(30, 130, 60)));
        p.drawPolygon(QPolygonF({QPointF(10, 1), QPointF(15, 2.5), QPointF(12, 6.5)}));
    });
}

QIcon paused()
{
    return themed("media-playback-pause", [](QPainter& p) {
        p.setPen(outline(QColor(60, 60, 60)));
        p.setBrush(QColor(90, 110, 140));
        p.drawRoundedRect(QRectF(3.5, 2.5, 3.5, 11), 1, 1);
        p.drawRoundedRect(QRectF(9, 2.5, 3.5, 11), 1, 1);
    });
}

QIcon setupLogging()
{
    return themed("document-properties", [](QPainter& p) { pageWithLines(p, QColor(250, 200, 60)); });
}

QIcon databaseStatistics()
{
    return themed("x-office-spreadsheet", [](QPainter& p) {
        p.setPen(outline(QColor(60, 60, 60)));
        p.setBrush(QColor(120, 170, 230));
        p.drawRect(QRectF(2.5, 8.5, 3, 6));
        p.setBrush(QColor(250, 200, 60));
        p.drawRect(QRectF(6.5, 4.5, 3, 10));
        p.setBrush(QColor(120, 200, 120));
        p.drawRect(QRectF(10.5, 1.5, 3, 13));
    });
}

QIcon serverLog()
{
    return themed("text-x-generic", [](QPainter& p) { pageWithLines(p, QColor(200, 200, 200)); });
}

QIcon helpContents()
{
    return themed("help-contents", [](QPainter& p) { circleWithSign(p, QColor(40, 110, 200), QStringLiteral("?")); });
}

QIcon helpWeb()
{
    return themed("applications-internet", [](QPainter& p) {
        p.setPen(outline(QColor(30, 80, 160)));
        p.setBrush(QColor(150, 200, 240));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
        p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
    });
}

QIcon helpAbout()
{
    return themed("help-about", [](QPainter& p) { circleWithSign(p, QColor(40, 140, 90), QStringLiteral("i")); });
}

}  // namespace mainicons

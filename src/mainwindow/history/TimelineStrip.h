#pragma once
// The timeline strip below the tabs while history is shown: the recorded span as five lanes
// (attachments, active statements, the gap between the next and the oldest active transaction,
// page reads per second, memory), each scaled to its own largest value, with the moment shown as
// a line across them and a marked range shaded. A click chooses the nearest moment, Shift+click
// marks the start of a range; Left and Right step one recorded moment, Home and End go to the
// first and the last. Above the lanes: the moment's time, the range view, the rate charts and
// Live.

#include "history/HistoryReader.h"

#include <QWidget>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;

class TTimelineLanes : public QWidget {
    Q_OBJECT
public:
    explicit TTimelineLanes(QWidget* parent = nullptr);
    void setPoints(std::vector<history::TimelinePoint> points);
    void appendPoints(const std::vector<history::TimelinePoint>& points);
    const std::vector<history::TimelinePoint>& points() const { return m_points; }
    void setCurrent(int index);
    void setMark(std::optional<int> index);
    std::optional<int> mark() const { return m_mark; }
    QSize sizeHint() const override;

signals:
    void chosen(int index);
    void marked(int index);
    void step(int delta);     // Left, Right
    void toEnd(bool last);    // Home, End

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int indexAt(int x) const;
    double xOf(int index) const;

    std::vector<history::TimelinePoint> m_points;
    int m_current = -1;
    std::optional<int> m_mark;
};

class TTimelineStrip : public QWidget {
    Q_OBJECT
public:
    explicit TTimelineStrip(QWidget* parent = nullptr);
    TTimelineLanes& lanes() const { return *m_lanes; }
    // The moment shown: its index and the text of its time.
    void setCurrent(int index, const QString& timeText);

signals:
    void rangeRequested();
    void chartsRequested();
    void liveRequested();

private:
    TTimelineLanes* m_lanes;
    QLabel* m_time;
};

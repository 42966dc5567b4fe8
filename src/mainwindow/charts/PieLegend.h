#pragma once
// The legend under the pool types pie: one entry per slice, its colour, its label on the left and
// its value right-aligned. Every label is shown whole: an entry whose label and value do not fit
// on one line gives the label its own line (wrapped at blanks where even that is too narrow) and
// puts the value, still right-aligned, on the line below. Its height follows its width; the pie
// above it gives way to it.

#include <QColor>
#include <QRect>
#include <QWidget>

#include <vector>

class TPieLegend : public QWidget {
    Q_OBJECT
public:
    struct Entry {
        QColor color;
        QString label;
        QString value;
    };
    // Where an entry is drawn, in the legend's coordinates.
    struct Placement {
        QRect swatch;
        QRect label;
        QRect value;
    };

    explicit TPieLegend(QWidget* parent = nullptr);

    void setEntries(std::vector<Entry> entries);
    const std::vector<Entry>& entries() const { return m_entries; }
    // The entries laid out for a width.
    std::vector<Placement> placements(int width) const;

    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int lineHeight() const;

    std::vector<Entry> m_entries;
};

#pragma once
// The grid's column header: an optional row of bands, each spanning a group of columns, above the
// column captions; several sort columns shown by arrow and order number; a drop-down button in
// the sections that offer a value filter, highlighted while a filter is in force; and column
// headers that can be dragged out (to the group panel) and grouped columns dropped back in.

#include "mainwindow/grid/RowArrangement.h"

#include <QHeaderView>

#include <vector>

class TGridHeader : public QHeaderView {
    Q_OBJECT
public:
    struct Band {
        QString caption;
        int first = 0;  // sections, in order
        int last = 0;
    };

    // The drag formats: a column header dragged out, a grouped column dragged back.
    static const char* const ColumnMimeType;
    static const char* const GroupedColumnMimeType;

    explicit TGridHeader(QWidget* parent = nullptr);

    void setBands(std::vector<Band> bands);
    const std::vector<Band>& bands() const { return m_bands; }
    void setSortIndicators(std::vector<grid::OrderedColumn> sorts);
    void setFilterableSections(QList<int> sections);
    bool isFilterable(int section) const { return m_filterable.contains(section); }
    void setFilteredSections(QList<int> sections);
    bool isFiltered(int section) const { return m_filtered.contains(section); }
    void setDragOutEnabled(bool enabled) { m_dragOut = enabled; }

    int bandHeight() const;
    // Viewport rectangles: a band across its visible sections (empty when none is visible), a
    // section's filter button.
    QRect bandRect(int band) const;
    QRect filterButtonRect(int section) const;
    // The width a section needs for its caption, sort mark and filter button.
    int captionWidth(int section) const;

    QSize sizeHint() const override;

signals:
    void sortRequested(int section, bool addToSort);
    void filterRequested(int section, const QPoint& globalPos);
    void ungroupRequested(int section);

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool onGrip(const QPoint& pos) const;
    void startDrag(int section);
    void paintBands(QPainter& painter) const;

    std::vector<Band> m_bands;
    std::vector<grid::OrderedColumn> m_sorts;
    QList<int> m_filterable;
    QList<int> m_filtered;
    bool m_dragOut = false;
    int m_pressed = -1;
    QPoint m_pressPos;
};

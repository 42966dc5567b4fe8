#pragma once
// The area above a grid's header that holds its groupings: column headers dropped here group the
// rows, outermost first. Each grouping is a chip: a click reverses its order, its context menu
// (or the Delete key) removes it, and dragging it back onto the header removes it too; chips can
// be dragged to another place in the row to nest the groupings differently.

#include <QFrame>
#include <QList>

#include <vector>

class QHBoxLayout;
class QMimeData;
class QToolButton;

class TGroupPanel : public QFrame {
    Q_OBJECT
public:
    struct Chip {
        int section = -1;
        QString caption;
        Qt::SortOrder order = Qt::AscendingOrder;
    };

    explicit TGroupPanel(QWidget* parent = nullptr);

    void setChips(const std::vector<Chip>& chips);
    QList<QToolButton*> chipButtons() const { return m_buttons; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // A column is grouped at a position among the groupings (a header dropped in, a chip moved).
    void groupRequested(int section, int position);
    void ungroupRequested(int section);
    void orderToggled(int section);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int positionAt(int x) const;
    static int sectionIn(const QMimeData* mime);

    QHBoxLayout* m_layout;
    QList<QToolButton*> m_buttons;
};

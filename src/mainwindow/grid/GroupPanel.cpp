#include "mainwindow/grid/GroupPanel.h"

#include "common/Messages.h"
#include "mainwindow/grid/GridHeader.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QToolButton>

namespace {

// One grouping: click to reverse, drag to move or to remove, menu or Delete to remove.
class TGroupChip : public QToolButton {
public:
    TGroupChip(int section, TGroupPanel* panel) : QToolButton(panel), m_section(section), m_panel(panel)
    {
        setFocusPolicy(Qt::StrongFocus);
        setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        setAutoRaise(false);
        setContextMenuPolicy(Qt::CustomContextMenu);
        connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
            QMenu menu(this);
            QAction* remove = menu.addAction(QString::fromUtf8(msg::GridRemoveGrouping));
            if (menu.exec(mapToGlobal(pos)) == remove)
                emit m_panel->ungroupRequested(m_section);
        });
        connect(this, &QToolButton::clicked, this, [this] { emit m_panel->orderToggled(m_section); });
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressPos = event->position().toPoint();
        QToolButton::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if ((event->buttons() & Qt::LeftButton) &&
            (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            setDown(false);
            auto* mime = new QMimeData;
            mime->setData(QString::fromLatin1(TGridHeader::GroupedColumnMimeType), QByteArray::number(m_section));
            auto* drag = new QDrag(this);
            drag->setMimeData(mime);
            drag->setPixmap(grab());
            drag->setHotSpot(m_pressPos);
            drag->exec(Qt::MoveAction);
            return;
        }
        QToolButton::mouseMoveEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Delete) {
            emit m_panel->ungroupRequested(m_section);
            return;
        }
        QToolButton::keyPressEvent(event);
    }

private:
    int m_section;
    TGroupPanel* m_panel;
    QPoint m_pressPos;
};

}  // namespace

TGroupPanel::TGroupPanel(QWidget* parent) : QFrame(parent), m_layout(new QHBoxLayout(this))
{
    setFrameShape(QFrame::StyledPanel);
    setAcceptDrops(true);
    setBackgroundRole(QPalette::Mid);
    m_layout->setContentsMargins(6, 4, 6, 4);
    m_layout->setSpacing(8);
    m_layout->addStretch(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize TGroupPanel::sizeHint() const
{
    QToolButton probe;
    probe.setText(QStringLiteral("Xg"));
    probe.setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    probe.setArrowType(Qt::UpArrow);
    const int h = std::max(probe.sizeHint().height(), fontMetrics().height() + 6);
    return {200, h + 8 + 2 * frameWidth()};
}

void TGroupPanel::setChips(const std::vector<Chip>& chips)
{
    for (QToolButton* b : m_buttons) {
        m_layout->removeWidget(b);
        b->hide();
        b->deleteLater();  // a chip may be the sender of the change
    }
    m_buttons.clear();
    for (const Chip& c : chips) {
        auto* chip = new TGroupChip(c.section, this);
        chip->setText(c.caption);
        chip->setArrowType(c.order == Qt::AscendingOrder ? Qt::UpArrow : Qt::DownArrow);
        chip->setProperty("section", c.section);
        m_layout->insertWidget(static_cast<int>(m_buttons.size()), chip);
        m_buttons << chip;
    }
    update();
}

void TGroupPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (!m_buttons.isEmpty())
        return;
    QPainter p(this);
    QFont f = font();
    f.setItalic(true);
    p.setFont(f);
    p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    p.drawText(contentsRect().adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8(msg::GridGroupPanelHint));
}

int TGroupPanel::sectionIn(const QMimeData* mime)
{
    for (const char* type : {TGridHeader::ColumnMimeType, TGridHeader::GroupedColumnMimeType}) {
        if (!mime->hasFormat(QString::fromLatin1(type)))
            continue;
        bool ok = false;
        const int s = mime->data(QString::fromLatin1(type)).toInt(&ok);
        return ok ? s : -1;
    }
    return -1;
}

int TGroupPanel::positionAt(int x) const
{
    int position = 0;
    for (QToolButton* b : m_buttons)
        if (b->geometry().center().x() < x)
            ++position;
    return position;
}

void TGroupPanel::dragEnterEvent(QDragEnterEvent* event)
{
    if (sectionIn(event->mimeData()) >= 0)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGroupPanel::dragMoveEvent(QDragMoveEvent* event)
{
    if (sectionIn(event->mimeData()) >= 0)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGroupPanel::dropEvent(QDropEvent* event)
{
    const int section = sectionIn(event->mimeData());
    if (section < 0) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit groupRequested(section, positionAt(event->position().toPoint().x()));
}

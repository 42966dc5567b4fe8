#pragma once
// The line under a grid that shows column sums, each under its column and following the
// header's section widths (the grid repaints it when the view scrolls sideways). The texts come from the grid; they are asked
// for again after every change (invalidate) and at most once per paint.

#include <QWidget>

#include <functional>
#include <map>

class QHeaderView;

class TGridFooter : public QWidget {
    Q_OBJECT
public:
    using TextOf = std::function<QString(int section)>;

    TGridFooter(QHeaderView* header, QList<int> sections, TextOf textOf, QWidget* parent = nullptr);

    QList<int> sections() const { return m_sections; }
    QString text(int section) const;
    void invalidate();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHeaderView* m_header;
    QList<int> m_sections;
    TextOf m_textOf;
    mutable std::map<int, QString> m_texts;
    mutable bool m_valid = false;
};

#pragma once
// The legend under the pool types pie: one line per slice, its colour, its label on the left and
// its value right-aligned.

#include <QColor>
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

    explicit TPieLegend(QWidget* parent = nullptr);

    void setEntries(std::vector<Entry> entries);
    const std::vector<Entry>& entries() const { return m_entries; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lineHeight() const;

    std::vector<Entry> m_entries;
};

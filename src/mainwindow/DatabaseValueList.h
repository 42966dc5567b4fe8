#pragma once
// The Database tab's value list: labels on the left (fixed, shown like headings), values, and the
// values' rates per second on the right; no title row. The label column fits its longest label
// when the labels are set. The lines between the columns can be dragged anywhere along the list
// to resize them, as in a value-list editor without a title row. A row can be highlighted amber or
// red (its value and rate cells), with a hint.

#include "mainwindow/TransactionHealth.h"

#include <QStringList>
#include <QTableWidget>

class TDatabaseValueList : public QTableWidget {
    Q_OBJECT
public:
    enum Column { LabelColumn, ValueColumn, RateColumn, ColumnCount };

    explicit TDatabaseValueList(QWidget* parent = nullptr);

    // One row per label, with empty values; then the label column fits the longest label.
    void setLabels(const QStringList& labels);
    void fitLabelColumn();

    QString label(int row) const { return cellText(row, LabelColumn); }
    QString value(int row) const { return cellText(row, ValueColumn); }
    QString rate(int row) const { return cellText(row, RateColumn); }
    void setValue(int row, const QString& text) { setCellText(row, ValueColumn, text); }
    void setRate(int row, const QString& text);
    void setLevel(int row, health::Level level, const QString& hint = QString());
    health::Level level(int row) const;
    // Empties every value and rate and removes the highlights; the labels stay.
    void clearValues();

    // The background of a highlighted row.
    static QColor levelColor(health::Level level);

protected:
    bool viewportEvent(QEvent* event) override;

private:
    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);
    // The column whose right-hand line lies within reach of x (viewport coordinates), or -1.
    int columnLineAt(int x) const;

    int m_dragged = -1;  // the column being resized by dragging its line
};

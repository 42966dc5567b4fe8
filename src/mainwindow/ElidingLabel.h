#pragma once
// A status bar label whose sentence always shows whole: where the width is short, the one part
// that may be long (a database's name or path) loses its middle instead of the sentence its end.
// text() and the tool tip keep the whole text.

#include <QLabel>

class ElidingLabel : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    // The text is form with %1 taken by part; part alone for a form of "%1".
    void setText(const QString& form, const QString& part);
    using QLabel::setText;

    // What fits the label's width now: the whole text, or the sentence with part shortened.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_form = QStringLiteral("%1");
    QString m_part;
};

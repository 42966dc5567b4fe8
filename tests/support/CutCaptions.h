#pragma once
// The captions of a window that are not shown whole: every visible label and check box narrower
// or lower than its text needs, or reaching out of the widget it sits in.

#include <QCheckBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>

inline QStringList cutCaptions(const QWidget& window)
{
    QStringList cut;
    const auto check = [&](const QWidget* w, const QString& text) {
        if (!w->isVisibleTo(&window) || text.isEmpty())
            return;
        const QSize need = w->sizeHint();
        const bool inside = w->parentWidget()->rect().contains(w->geometry());
        if (w->width() < need.width() || w->height() < need.height() || !inside)
            cut << text;
    };
    for (const QLabel* l : window.findChildren<QLabel*>())
        if (!l->wordWrap())
            check(l, l->text());
    for (const QCheckBox* b : window.findChildren<QCheckBox*>())
        check(b, b->text());
    return cut;
}

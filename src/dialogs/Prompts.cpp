#include "dialogs/Prompts.h"

#include <QApplication>

#include <algorithm>

namespace {
Prompts*& installed()
{
    static Prompts* p = nullptr;
    return p;
}
}  // namespace

Prompts& Prompts::current()
{
    static QtPrompts qt;
    return installed() ? *installed() : qt;
}

Prompts* Prompts::install(Prompts* prompts) { return std::exchange(installed(), prompts); }

QMessageBox::StandardButton QtPrompts::confirm(const Confirmation& c)
{
    QMessageBox box(c.icon, c.caption, c.text, c.buttons, QApplication::activeWindow());
    box.setDefaultButton(c.defaultButton);
    if (c.buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    else if (c.buttons.testFlag(QMessageBox::No))
        box.setEscapeButton(QMessageBox::No);
    box.exec();
    const QMessageBox::StandardButton answer = box.standardButton(box.clickedButton());
    return answer == QMessageBox::NoButton ? c.defaultButton : answer;
}

void QtPrompts::information(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void QtPrompts::beep() { QApplication::beep(); }

// The X11 and Wayland desktops have one system beep; it stands for the exclamation sound too.
void QtPrompts::exclamationBeep() { QApplication::beep(); }

ScriptedPrompts::ScriptedPrompts() : m_previous(Prompts::install(this)) {}

ScriptedPrompts::~ScriptedPrompts() { Prompts::install(m_previous); }

int ScriptedPrompts::count(Kind kind) const
{
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [kind](const Request& r) { return r.kind == kind; }));
}

QMessageBox::StandardButton ScriptedPrompts::confirm(const Confirmation& c)
{
    requests.push_back({Kind::Confirm, c});
    if (answers.empty())
        return c.defaultButton;
    const QMessageBox::StandardButton answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedPrompts::information(const QString& text)
{
    Confirmation c;
    c.text = text;
    requests.push_back({Kind::Information, c});
}

void ScriptedPrompts::beep() { requests.push_back({Kind::Beep, {}}); }

void ScriptedPrompts::exclamationBeep() { requests.push_back({Kind::ExclamationBeep, {}}); }

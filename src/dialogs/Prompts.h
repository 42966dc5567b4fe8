#pragma once
// The one way the program asks and tells the user in a message box, and sounds a beep. Commands
// and windows call Prompts::current(); the Qt implementation shows real message boxes with exactly
// the caption, icon, buttons and default button asked for. Tests install a ScriptedPrompts, which
// records every request and answers it without a window.

#include <QMessageBox>
#include <QString>

#include <deque>
#include <vector>

class Prompts {
public:
    struct Confirmation {
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok | QMessageBox::Cancel;
        QMessageBox::StandardButton defaultButton = QMessageBox::Cancel;
    };

    virtual ~Prompts() = default;

    // A modal box with the given caption, text, icon and buttons; the answer is the button chosen
    // (the escape button, or the default one, when the box is closed otherwise).
    virtual QMessageBox::StandardButton confirm(const Confirmation& confirmation) = 0;
    // The program's information box: the application's title as caption, the text, one OK button
    // and no icon.
    virtual void information(const QString& text) = 0;
    // The system's default beep, and the exclamation beep (where the system has one).
    virtual void beep() = 0;
    virtual void exclamationBeep() = 0;

    // The implementation in use; the Qt one unless another is installed.
    static Prompts& current();
    // Installs an implementation (not owned); nullptr restores the Qt one. Returns the previous.
    static Prompts* install(Prompts* prompts);
};

class QtPrompts : public Prompts {
public:
    QMessageBox::StandardButton confirm(const Confirmation& confirmation) override;
    void information(const QString& text) override;
    void beep() override;
    void exclamationBeep() override;
};

// For tests: installed for its lifetime; records what was asked and answers from a script.
class ScriptedPrompts : public Prompts {
public:
    enum class Kind { Confirm, Information, Beep, ExclamationBeep };
    struct Request {
        Kind kind;
        Confirmation confirmation;  // for Confirm; for Information only the text is set
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // The answers of the next confirmations, in order; without one, a confirmation is answered
    // with its default button.
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<Request> requests;

    int count(Kind kind) const;
    void clear() { requests.clear(); }

    QMessageBox::StandardButton confirm(const Confirmation& confirmation) override;
    void information(const QString& text) override;
    void beep() override;
    void exclamationBeep() override;

private:
    Prompts* m_previous;
};

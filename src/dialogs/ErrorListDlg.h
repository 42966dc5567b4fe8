#pragma once
// TfrmErrorList: the small window that lists the error messages of one report cycle. The first
// message shows alone; from the second on, a count tells how many have come in. Each message
// sounds the exclamation beep once.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TfrmErrorList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmErrorList(QWidget* parent = nullptr);

    // Appends the text (one or more lines) and one empty line, counts it and beeps.
    void AddMessage(const QString& text);
    int MessageCount() const { return m_messageCount; }

    // The window over which it opens centred (normally the main window); none: the screen.
    void setCentreOver(QWidget* widget) { m_centreOver = widget; }

    QPlainTextEdit* memErrorText;
    QWidget* pnlBottom;
    QLabel* lblErrorCount;
    QPushButton* btnOK;

    void pnlBottomResize();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_messageCount = 0;
    QWidget* m_centreOver = nullptr;
};

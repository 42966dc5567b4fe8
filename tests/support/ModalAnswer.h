#pragma once
// Answers a modal window from inside its own modal loop, for GUI tests.

#include <QApplication>
#include <QObject>
#include <QTimer>

#include <functional>

// Runs the answer on the first modal window of type W that opens, from inside its modal loop.
template <class W>
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(W*)> answer)
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, answer = std::move(answer)] {
            if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                ++m_answered;
                answer(window);
            }
        });
        m_timer.start();
    }
    int answered() const { return m_answered; }

private:
    QTimer m_timer;
    int m_answered = 0;
};

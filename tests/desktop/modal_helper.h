#pragma once

// Answers the next modal window a test opens: a message box or a file
// dialog runs its own loop, so the test reaches it from a timer.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace torvane::test {

// Runs `answer` on the next modal window of type W as soon as it is up,
// looking every few milliseconds; `answered` tells the test it came.
template <typename W>
void AnswerNextModal(std::function<void(W*)> answer, bool* answered = nullptr) {
    auto* timer = new QTimer(qApp);  // owned by the application, freed once it has answered
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, answered] {
        W* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        if (answered) *answered = true;
        answer(window);
    });
    timer->start();
}

}  // namespace torvane::test

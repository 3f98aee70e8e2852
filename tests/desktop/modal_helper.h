// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Answers the next modal window a test opens: a message box or a file
// dialog runs its own loop, so the test reaches it from a timer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace torvane::test {

// Runs `answer` on the next modal window of type W as soon as it is up,
// looking every few milliseconds; `answered` tells the test it came. A test
// must never hang on a window: one that does not come up within
// kModalDeadlineMs, or that an answer left open that long, fails the test
// and is closed, so its loop returns. A window that never came up by the
// end of the scope of the returned guard fails the test too.
class ModalAnswerer {
public:
    static constexpr qint64 kModalDeadlineMs = 20000;

    template <typename W>
    static std::unique_ptr<ModalAnswerer> Start(std::function<void(W*)> answer, bool* answered,
                                                qint64 deadline_ms) {
        std::unique_ptr<ModalAnswerer> answerer(
            new ModalAnswerer(W::staticMetaObject.className(), deadline_ms));
        ModalAnswerer* self = answerer.get();
        QObject::connect(&self->timer_, &QTimer::timeout, [self, answer, answered] {
            if (self->came_) return self->WaitForTheEnd();
            W* window = qobject_cast<W*>(QApplication::activeModalWidget());
            if (!window || !window->isVisible()) return self->WaitForTheWindow();
            self->window_ = window;
            self->came_ = true;
            self->since_.restart();
            if (answered) *answered = true;
            answer(window);
        });
        return answerer;
    }

    ~ModalAnswerer() {
        if (!came_ && !failed_) ADD_FAILURE() << "no " << type_ << " came up";
    }
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

private:
    ModalAnswerer(const char* type, qint64 deadline_ms) : type_(type), deadline_ms_(deadline_ms) {
        timer_.setInterval(5);
        timer_.start();
        since_.start();
    }

    void WaitForTheWindow() {
        if (since_.elapsed() < deadline_ms_) return;
        failed_ = true;
        timer_.stop();
        ADD_FAILURE() << "no " << type_ << " came up within " << deadline_ms_ << " ms";
        CloseModal(QApplication::activeModalWidget());
    }

    // An answer may close the window at once or take a few rounds of the
    // loop (a file dialog reads its folder first).
    void WaitForTheEnd() {
        if (!window_ || !window_->isVisible()) {
            timer_.stop();
            return;
        }
        if (since_.elapsed() < deadline_ms_) return;
        failed_ = true;
        timer_.stop();
        ADD_FAILURE() << "the " << type_ << " stayed open " << deadline_ms_ << " ms after its answer";
        CloseModal(window_);
    }

    static void CloseModal(QWidget* window) {
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->done(QDialog::Rejected);
        else if (window)
            window->close();
    }

    const char* type_;
    qint64 deadline_ms_;
    QTimer timer_;
    QElapsedTimer since_;
    QPointer<QWidget> window_;
    bool came_ = false;
    bool failed_ = false;
};

template <typename W>
[[nodiscard]] std::unique_ptr<ModalAnswerer> AnswerNextModal(
    std::function<void(W*)> answer, bool* answered = nullptr,
    qint64 deadline_ms = ModalAnswerer::kModalDeadlineMs) {
    return ModalAnswerer::Start<W>(std::move(answer), answered, deadline_ms);
}

// Chooses `path` in a file dialog as a user does: its folder, its name typed
// into the name field, then Open (or Save). QFileDialog::selectFile would
// not do: it leaves the name field alone while that field has the focus,
// which it has as soon as the dialog is the active window, and the dialog
// then has no file to accept and stays open. Whether the answer came before
// or after the activation was a race, lost in optimised builds.
inline void ChooseFile(QFileDialog* dialog, const QString& path) {
    const QFileInfo file(path);
    dialog->setDirectory(file.absolutePath());
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(file.fileName());
    static_cast<QDialog*>(dialog)->accept();  // as the Open button does
}

}  // namespace torvane::test

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <exception>
#include <string>

namespace torvane {

// The application with its error display: a failure that reaches the loop,
// from a window's handler or from the core's, is shown in a message box
// titled "Torvane" and the loop goes on.
class TorvaneApplication final : public QApplication {
    Q_OBJECT

public:
    TorvaneApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

protected:
    bool event(QEvent* event) override;

public:
    // The window the message boxes belong to.
    void SetMainWindow(QWidget* window) { main_window_ = window; }

    // Shows `message` without stopping the loop: the box waits for the user
    // while sockets and timers go on.
    void ShowError(const std::string& message);
    void ShowError(std::exception_ptr error);

private:
    QPointer<QWidget> main_window_;
    QList<QPointer<QMessageBox>> error_boxes_;  // the ones still open
};

// The text of a failure, whatever was thrown.
std::string FailureText(std::exception_ptr error);

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/application.h"

#include <QMessageBox>

#include "desktop/toolkit/errorbox.h"
#include "desktop/toolkit/text.h"
#include "platform/version.h"

namespace torvane {

std::string FailureText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown failure";
    }
}

TorvaneApplication::TorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // No display name: Qt would add it to every window's caption.
    setApplicationName("torvane");
    setApplicationVersion(kTorvaneVersion);
    setDesktopFileName("torvane");
    // Torvane lives in the tray: hiding its last window does not end it.
    setQuitOnLastWindowClosed(false);
}

// The desktop's request to end (the session ends) ends the loop at once:
// the windows are not asked, the shutdown after the loop saves and logs.
bool TorvaneApplication::event(QEvent* event) {
    if (event->type() == QEvent::Quit) {
        exit(0);
        return true;
    }
    return QApplication::event(event);
}

bool TorvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowError(std::current_exception());
        return false;
    }
}

void TorvaneApplication::ShowError(std::exception_ptr error) {
    ShowError(FailureText(error));
}

void TorvaneApplication::ShowError(const std::string& message) {
    // A failure that repeats (a timer's, every tick) brings its box to the
    // front again instead of piling up boxes.
    const QString text = QText(message);
    error_boxes_.removeIf([](const QPointer<QMessageBox>& box) { return box.isNull(); });
    for (const QPointer<QMessageBox>& open : error_boxes_) {
        if (open->text() != text) continue;
        open->raise();
        return;
    }
    QMessageBox* box = NewErrorBox(message, main_window_.data());
    error_boxes_.append(box);
    // Owned by the main window when there is one, and by itself once closed.
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/shellwindows.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace torvane {

namespace {

// A window the user has never seen has no place of its own yet: it keeps
// the one last loaded.
bool HasBeenShown(const QWidget& window) {
    return window.windowHandle() != nullptr;
}

void SetOnTop(QWidget& window, bool on_top) {
    if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on_top) return;
    const bool visible = window.isVisible();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on_top);
    if (visible) window.show();  // a change of flags hides the window
}

}  // namespace

DesktopWindows::DesktopWindows(TMainForm& main, UsersWindow& users) : main_(main), users_(users) {
    qApp->installEventFilter(this);
}

void DesktopWindows::PlaceWindows(const WindowGeometry& geometry) {
    places_ = geometry;
    main_.Place(geometry);
    users_.Place(geometry);
}

WindowGeometry DesktopWindows::WindowPlaces() const {
    WindowGeometry places = places_;
    if (HasBeenShown(main_)) {
        main_.TakePlace(places);
    }
    if (HasBeenShown(users_)) users_.TakePlace(places);
    return places;
}

void DesktopWindows::SetStayOnTop(bool main, bool users) {
    SetOnTop(main_, main);
    SetOnTop(users_, users);
}

bool DesktopWindows::eventFilter(QObject* watched, QEvent* event) {
    if (!hints_ && event->type() == QEvent::ToolTip) return true;
    return QObject::eventFilter(watched, event);
}

}  // namespace torvane

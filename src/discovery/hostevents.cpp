// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/hostevents.h"

#include "discovery/trayicon.h"

namespace torvane {

namespace {
int IconOf(EventKind kind) {
    switch (kind) {
        case EventKind::NewHost:
            return kIconNewHost;
        case EventKind::NewPlayer:
            return kIconNewPlayer;
        case EventKind::NotFull:
            return kIconNotFull;
        case EventKind::NewMap:
            return kIconNewMap;
    }
    return kIconIdle;
}
}  // namespace

void HostEvents::Announce(const std::string& text, bool log) {
    view_.SetStatusText(1, text);
    if (log) view_.AddLogLine(text);
}

void HostEvents::SetIcon(EventKind kind) {
    SetTrayIcon(view_, search_, IconOf(kind));
}

void HostEvents::RunActions(EventKind kind, const TQuakeServer& server) {
    if (kind != EventKind::NewHost && settings_.BusyChecked()) return;
    const EventAction action = settings_.Action(kind);
    if (action.Popup) PopUp();
    if (action.Launch) LaunchOnEvent(server);
    if (action.Play) game_.PlayEventSound(action.Sound);
}

void HostEvents::PopUp() {
    // The game is asked first, every time: a running game must never lose
    // the foreground to us.
    const bool running = game_.IsGameRunning();
    if (running || search_.FirstSearch || settings_.BusyChecked()) return;
    view_.ShowMainWindow();
    view_.RestoreApplication();
    view_.BringToFront();
}

void HostEvents::LaunchOnEvent(const TQuakeServer& server) {
    if (asking_ != Asking::OwnQuery || search_.AutoLaunched) return;
    // The process scan is the costly test, so it comes last.
    if (settings_.BusyChecked() || search_.FirstSearch || game_.IsGameRunning()) return;
    search_.AutoLaunched = true;
    game_.LaunchGame(server);
}

}  // namespace torvane

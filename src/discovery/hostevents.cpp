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
    services_.status.SetStatusText(1, text);
    if (log) services_.log.AddLogLine(text);
}

void HostEvents::SetIcon(EventKind kind) {
    SetTrayIcon(window_, search_, IconOf(kind));
}

void HostEvents::RunActions(EventKind kind, const TQuakeServer& server) {
    if (kind != EventKind::NewHost && services_.busy.BusyChecked()) return;
    const EventAction action = settings_.Action(kind);
    if (action.Popup) PopUp();
    if (action.Launch) LaunchOnEvent(server);
    if (action.Play) services_.sounds.PlayEventSound(action.Sound);
}

void HostEvents::PopUp() {
    // The game is asked first, every time: a running game must never lose
    // the foreground to us.
    const bool running = services_.game.IsGameRunning();
    if (running || search_.FirstSearch || services_.busy.BusyChecked()) return;
    window_.ShowMainWindow();
    window_.RestoreApplication();
    window_.BringToFront();
}

void HostEvents::LaunchOnEvent(const TQuakeServer& server) {
    if (asking_ != Asking::OwnQuery || search_.AutoLaunched) return;
    // The process scan is the costly test, so it comes last.
    if (services_.busy.BusyChecked() || search_.FirstSearch || services_.game.IsGameRunning()) return;
    search_.AutoLaunched = true;
    services_.game.LaunchGame(server);
}

}  // namespace torvane

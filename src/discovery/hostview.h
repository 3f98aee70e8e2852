// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "model/quakeserver.h"
#include "notify/eventaction.h"

namespace torvane {

// The main window as the host table uses it: the status bar, the icon, the
// selection and the pop-up. What happens to the servers themselves reaches
// the faces as announcements (see HostTableListener), never as commands.
class HostWindow {
public:
    virtual ~HostWindow() = default;

    // Panel 0 tells the state of the search, panel 1 the last event.
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    // Shows icon image `image` (0 to 5) in the tray and as the window icon.
    virtual void ShowIconImage(int image) = 0;

    // The index of the record the user selected in the host list, or -1
    // when none is selected.
    virtual int SelectedHostRow() const = 0;

    // The three steps of showing the main window.
    virtual void ShowMainWindow() = 0;
    virtual void RestoreApplication() = 0;  // only acts when minimised
    virtual void BringToFront() = 0;
};

// What the host table shows: the main window and the log.
class HostView : public HostWindow {
public:
    virtual void AddLogLine(const std::string& text) = 0;
};

// The game and the sound player, as the host table uses them.
class GameActions {
public:
    virtual ~GameActions() = default;
    virtual bool IsGameRunning() = 0;
    virtual void LaunchGame(const TQuakeServer& server) = 0;
    // The guarded event sound: silent during the first search and while busy.
    virtual void PlayEventSound(const std::string& path) = 0;
};

// The live settings the host table reads at the moment of use.
class HostSettings {
public:
    virtual ~HostSettings() = default;
    virtual std::string Retries() const = 0;
    virtual EventAction Action(EventKind kind) const = 0;
    virtual bool BusyChecked() const = 0;
};

}  // namespace torvane

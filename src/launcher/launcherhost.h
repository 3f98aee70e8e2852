// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "model/status.h"

namespace torvane {

// The settings the launcher reads, each at the moment of use.
class LauncherSettings {
public:
    virtual ~LauncherSettings() = default;

    virtual std::string Quake2BaseDir() const = 0;
    virtual std::string Quake2Command() const = 0;
};

// What the launcher uses of the rest of the program: the main window's Busy
// box, status bar and search timers, the peer status and announcement, the
// log and the search cycle.
class LauncherHost {
public:
    virtual ~LauncherHost() = default;

    virtual bool BusyChecked() const = 0;
    // Unticks the Busy box and the Busy menu entry; the box's click handling
    // runs just as for a user's click.
    virtual void UncheckBusy() = 0;

    virtual PeerStatus OwnStatus() const = 0;
    virtual void SetOwnStatus(PeerStatus status) = 0;
    // Announces this copy to the others ("TVNINFO"); may decide OwnStatus anew.
    virtual void SendInfo() = 0;

    // The end-of-search timer (the 2-second search window) and the interval
    // search timer.
    virtual void SetSearchWindowTimerEnabled(bool enabled) = 0;
    virtual void SetIntervalTimerEnabled(bool enabled) = 0;

    virtual void StartSearch() = 0;
    // The status bar's panel for the last event.
    virtual void SetStatusPanel1(const std::string& text) = 0;
    virtual void AddLogLine(const std::string& text) = 0;
    // A launch failed: a message box that says what was tried and where to
    // change it.
    virtual void ShowLaunchFailure(const std::string& message) = 0;
};

}  // namespace torvane

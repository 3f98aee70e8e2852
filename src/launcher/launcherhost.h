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

// What the launcher uses of the rest of the program beyond the shared
// services: the peer status and announcement, the search timers and the
// search cycle, and the message box of a failed launch.
class LauncherHost {
public:
    virtual ~LauncherHost() = default;

    virtual PeerStatus OwnStatus() const = 0;
    virtual void SetOwnStatus(PeerStatus status) = 0;
    // Announces this copy to the others ("TVNINFO"); may decide OwnStatus anew.
    virtual void SendInfo() = 0;

    // The end-of-search timer (the 2-second search window) and the interval
    // search timer.
    virtual void SetSearchWindowTimerEnabled(bool enabled) = 0;
    virtual void SetIntervalTimerEnabled(bool enabled) = 0;

    virtual void StartSearch() = 0;
    // A launch failed: a message box that says what was tried and where to
    // change it.
    virtual void ShowLaunchFailure(const std::string& message) = 0;
};

}  // namespace torvane

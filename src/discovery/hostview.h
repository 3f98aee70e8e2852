// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "model/numbertext.h"
#include "notify/eventaction.h"

namespace torvane {

// The main window as the host table uses it: the icon and the pop-up. The status bar and the log are shared
// services (see model/services.h); what happens to the servers themselves reaches the faces as announcements
// (see HostTableListener), never as commands.
class HostWindow {
public:
    virtual ~HostWindow() = default;

    // Shows icon image `image` (0 to 5) in the tray and as the window icon.
    virtual void ShowIconImage(int image) = 0;

    // The three steps of showing the main window.
    virtual void ShowMainWindow() = 0;
    virtual void RestoreApplication() = 0;  // only acts when minimised
    virtual void BringToFront() = 0;
};

// The live settings the host table reads at the moment of use.
class HostSettings {
public:
    virtual ~HostSettings() = default;
    // Silent searches in a row after which a server counts as closed.
    virtual NumberText Retries() const = 0;
    virtual EventAction Action(EventKind kind) const = 0;
};

}  // namespace torvane

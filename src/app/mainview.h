// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "app/notices.h"
#include "discovery/hostview.h"
#include "discovery/searchcycle.h"
#include "model/services.h"

namespace torvane {

// The main window as the core drives it: the status bar, what the host
// table shows (see HostWindow), the tray tip, the Busy pair, and the parts
// of the window that only the shell touches. Notifications go through it
// as well.
class MainView : public SearchView, public HostWindow, public NoticeView, public StatusLine {
public:
    // The index of the record the user selected in the host list, or -1
    // when none is selected.
    virtual int SelectedHostRow() const = 0;

    // The Busy box on the window and the Busy entry of the tray menu.
    virtual void ShowBusy(bool box_checked, bool menu_checked) = 0;
    // Busy was turned on: the options dialog comes up on its Info page with
    // the busy message selected, ready to be typed over.
    virtual void ShowOptionsOnInfoPage() = 0;

    // A launch failed: a message box with `message`, titled "Torvane", that
    // leaves the program running while it is open.
    virtual void ShowLaunchFailure(const std::string& message) = 0;

    // At exit: the tray icon leaves the notification area.
    virtual void RemoveTrayIcon() = 0;
};

}  // namespace torvane

#pragma once

#include <string>

#include "discovery/hostview.h"
#include "discovery/searchcycle.h"

namespace torvane {

// The main window as the core drives it: status bar, tray icon and tip, host
// rows, tray host entries, player list (all of HostView), and the parts of
// the window that only the shell touches. Its AddLogLine receives each line
// after it has been stamped and written, for the log window to show.
class MainView : public HostView, public SearchView {
public:
    // The Busy box on the window and the Busy entry of the tray menu.
    virtual void ShowBusy(bool box_checked, bool menu_checked) = 0;
    // Busy was turned on: the options dialog comes up on its Info page with
    // the busy message selected, ready to be typed over.
    virtual void ShowOptionsOnInfoPage() = 0;
};

}  // namespace torvane

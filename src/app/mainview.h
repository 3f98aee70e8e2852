#pragma once

#include <string>

#include "discovery/searchcycle.h"

namespace torvane {

// The main window as the core drives it: status bar, tray icon and tip, host
// rows, tray host entries, player list, the Busy pair, and the parts of the
// window that only the shell touches. Row i of the host list and tray host
// entry i always belong to record i of the host table.
class MainView : public SearchView {
public:
    // Panel 0 tells the state of the search, panel 1 the last event.
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    // Shows icon image `image` (0 to 5) in the tray and as the window icon.
    virtual void ShowIconImage(int image) = 0;

    // Host list; a batch of changes between Begin and End repaints once.
    virtual void BeginHostUpdate() = 0;
    virtual void EndHostUpdate() = 0;
    virtual void AppendHostRow() = 0;
    // Sets the caption and replaces the sub-items with map and players.
    virtual void SetHostRow(int row, const std::string& host, const std::string& map,
                            const std::string& players) = 0;
    virtual void SetHostRowImage(int row, int image) = 0;
    virtual void DeleteHostRow(int row) = 0;
    // Index of the selected row, or -1 when none is selected.
    virtual int SelectedHostRow() const = 0;

    // Host entries of the tray menu, standing before its fixed items.
    virtual void InsertTrayHostEntry(int position) = 0;
    virtual void SetTrayHostEntryCaption(int position, const std::string& caption) = 0;
    virtual void DeleteTrayHostEntry(int position) = 0;

    // Player list of the selected server.
    virtual void BeginPlayersUpdate() = 0;
    virtual void EndPlayersUpdate() = 0;
    virtual void ClearPlayers() = 0;
    virtual void AddPlayerRow(const std::string& name, const std::string& frags) = 0;

    // The three steps of showing the main window.
    virtual void ShowMainWindow() = 0;
    virtual void RestoreApplication() = 0;  // only acts when minimised
    virtual void BringToFront() = 0;
    // An event has just popped the window up; `text` tells what happened.
    virtual void AnnounceEvent(const std::string& text) = 0;

    // The Busy box on the window and the Busy entry of the tray menu.
    virtual void ShowBusy(bool box_checked, bool menu_checked) = 0;
    // Busy was turned on: the options dialog comes up on its Info page with
    // the busy message selected, ready to be typed over.
    virtual void ShowOptionsOnInfoPage() = 0;

    // At exit: the tray icon leaves the notification area.
    virtual void RemoveTrayIcon() = 0;
};

}  // namespace torvane

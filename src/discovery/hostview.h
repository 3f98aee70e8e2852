#pragma once

#include <string>

#include "model/quakeserver.h"
#include "notify/eventaction.h"

namespace torvane {

// The main window as the host table fills it: status bar, icon, host list,
// tray host entries, player list, and its pop-up. Row i of the host list and
// tray host entry i always belong to record i of the table.
class HostWindow {
public:
    virtual ~HostWindow() = default;

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

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "notify/eventaction.h"
#include "platform/version.h"
#include "settings/limits.h"

namespace torvane {

// Items of the two radio groups of the options dialog, by index.
inline constexpr std::array<const char*, 3> kSkillItems = {"Cannonfodder", "Mean motherfucker", "Invincible"};
inline constexpr std::array<const char*, 3> kParanoiaItems = {"Tell all about me", "I'm a bit shy",
                                                              "I'm the invisible man"};

// One internet server the search queries directly.
struct WanServer {
    std::string Address;
    std::string Port = "27910";  // the text of its port field
    bool Enabled = false;
};

// Where the main and users windows are and how big the users window is. The
// windows copy themselves in here before a save and place themselves from it
// after a load when Placed is set; otherwise they keep the position the
// desktop gives them and these built-in sizes.
struct WindowGeometry {
    bool Placed = false;
    int32_t MainTop = 100;
    int32_t MainLeft = 100;
    int32_t UsersTop = 140;
    int32_t UsersLeft = 140;
    int32_t UsersWidth = 463;
    int32_t UsersHeight = 351;
    int32_t UserListWidth = 230;
    int32_t TopPanelHeight = 133;
    // The main window's size, its split between the host and the player
    // list, their column widths ("185,80,51": a width a column, from the
    // first; empty for the built-in ones) and sorts (a column, or -1 for
    // the host table's order).
    int32_t MainWidth = 446;
    int32_t MainHeight = 215;
    bool MainMaximized = false;
    int32_t HostListWidth = 320;
    std::string HostColumnWidths{};
    std::string PlayerColumnWidths{};
    int32_t HostSortColumn = -1;
    bool HostSortDescending = false;
    int32_t PlayerSortColumn = 1;  // Frags, highest first
    bool PlayerSortDescending = true;
    // Whether the host list shows the servers only a master server lists.
    bool ShowMasterListed = true;
    // Servers with buddies on them above the others, whatever the sort.
    bool HostBuddiesFirst = false;
};

// The live settings: what the options dialog shows and edits, read by every
// other part of Torvane at the moment of use. Field names are the names of
// the stored values. The numeric edit fields are kept as the text shown, and
// converted with StrToInt at each use, so a bad number is reported where it
// is used ("'27910x' is not a valid integer value").
struct Settings {
    // Network page.
    bool Broadcast = true;
    std::string BCInterval = "30";
    std::string Port = "27910";
    std::string Retries = "5";
    std::string Port2 = "27920";
    std::string Port3 = "27930";
    std::string Port4 = "27940";
    bool Port2Enable = false;
    bool Port3Enable = false;
    bool Port4Enable = false;
    std::array<WanServer, 4> Wan;  // Wan[0] is Wan1
    // Servers beyond the LAN: blank-separated HOST or HOST:PORT words. The
    // master servers are none by default: nothing is asked of the internet
    // until the user names a master.
    std::string Masters;
    std::string Favorites;
    // Status queries per second, at most, to the favourites and the servers
    // the masters list.
    std::string QueryRate = "1000";

    // Game page; the Quake (1) fields are shown disabled and never stored.
    // The game's defaults are where Debian puts the program and its data.
    std::string Quake2Command = "quake2";
    std::string Quake2BaseDir = "/usr/share/games/quake2";
    std::string QCommand = "quake";
    std::string QBaseDir = "/usr/share/games/quake";

    // General page.
    bool ShowHints = true;
    bool StartMinimized = true;
    bool NoSingle = true;
    bool StartBusy = false;
    bool AutoStart = false;
    bool MainStayOnTop = false;
    bool UsersStayOnTop = false;
    int32_t MaxChatLines = 20;  // the up-down position, kMinChatLines to kMaxChatLines

    // Info page. Skill and Paranoia are radio indexes, -1 when none is chosen.
    std::string PlayerName = "Player";
    std::string BusyMessage = "Sorry, reality calls";
    std::string ReadyMessage = "Ready to kick some ass";
    std::string PlayingMessage = "I'm wasting some loosers";
    int32_t Skill = 0;
    int32_t Paranoia = 0;

    // Events page, indexed by EventKind; then the chat sounds. ShoutPlay is
    // shown beside "On shout" but never stored.
    std::array<EventAction, 4> Events;
    bool ShoutPopUp = true;
    bool ShoutPlay = false;
    std::string ShoutSound;
    std::string SuggestSound;
    std::string MessageSound;
    // Players to hear about wherever they play: names separated by commas,
    // '*' for any run of characters.
    std::string Buddies;

    // Log page; the log window takes these over after a load and hands its
    // current file name back before a save.
    std::string LogFile;
    bool LogEnabled = true;

    WindowGeometry Windows;

    EventAction& Event(EventKind kind) { return Events[static_cast<size_t>(kind)]; }
    const EventAction& Event(EventKind kind) const { return Events[static_cast<size_t>(kind)]; }
};

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "settings/settings.h"

namespace torvane::test {

// A record in which every stored field differs from its default, so a value
// that is not saved or not loaded shows up as a difference. `tag` varies the
// texts (and their lengths).
inline Settings NonDefaultSettings(const std::string& tag = "x") {
    Settings s;
    s.Broadcast = false;
    s.BCInterval = "120";
    s.Port = "27911";
    s.Retries = "7";
    s.Port2 = "28000";
    s.Port3 = "28001";
    s.Port4 = "28002";
    s.Port2Enable = s.Port3Enable = s.Port4Enable = true;
    for (size_t i = 0; i < s.Wan.size(); ++i)
        s.Wan[i] = {"server" + std::to_string(i + 1) + "." + tag + ".example", std::to_string(27950 + i),
                    true};
    s.Masters = "master." + tag + ".example master2." + tag + ".example:27950";
    s.Favorites = "10.0.0.1:27910 fav." + tag + ".example:27911";
    s.QueryRate = "250";
    s.Quake2Command = "quake2 +set game " + tag;
    s.Quake2BaseDir = "/games/quake2-" + tag;
    s.ShowHints = s.StartMinimized = s.NoSingle = false;
    s.StartBusy = s.AutoStart = s.MainStayOnTop = s.UsersStayOnTop = true;
    s.MaxChatLines = 250;
    s.PlayerName = "Ranger " + tag;
    s.BusyMessage = "busy " + tag;
    s.ReadyMessage = "ready " + tag;
    s.PlayingMessage = "playing " + tag;
    s.Skill = 2;
    s.Paranoia = 1;
    for (size_t i = 0; i < s.Events.size(); ++i)
        s.Events[i] = {true, i % 2 == 0, true, "/sounds/event" + std::to_string(i) + tag + ".wav"};
    s.ShoutPopUp = false;
    s.ShoutSound = "/sounds/shout-" + tag + ".wav";
    s.SuggestSound = "/sounds/suggest-" + tag + ".wav";
    s.MessageSound = "/sounds/message-" + tag + ".wav";
    s.Buddies = "Ranger, Grunt*-" + tag;
    s.LogFile = "/var/tmp/tvnlog-" + tag + ".txt";
    s.LogEnabled = false;
    s.Windows = {true, 11, 12, 13, 14, 515, 416, 117, 218};
    s.Windows.MainWidth = 901;
    s.Windows.MainHeight = 502;
    s.Windows.MainMaximized = true;
    s.Windows.HostListWidth = 603;
    s.Windows.HostColumnWidths = "200,90,60,45,150-" + tag;
    s.Windows.PlayerColumnWidths = "80,41,30";
    s.Windows.HostSortColumn = 3;
    s.Windows.HostSortDescending = true;
    s.Windows.HostBuddiesFirst = true;
    s.Windows.PlayerSortColumn = 0;
    s.Windows.PlayerSortDescending = false;
    s.Windows.ShowMasterListed = false;
    return s;
}

}  // namespace torvane::test

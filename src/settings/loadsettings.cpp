// SPDX-License-Identifier: GPL-2.0-or-later
#include <algorithm>

#include "platform/convert.h"
#include "settings/flushafter.h"
#include "settings/settingsio.h"

namespace torvane {

namespace {

void ReadIfPresent(const Registry& store, const char* name, bool& field) {
    if (store.ValueExists(name)) field = store.ReadBool(name);
}

void ReadIfPresent(const Registry& store, const char* name, std::string& field) {
    if (store.ValueExists(name)) field = store.ReadString(name);
}

void ReadIfPresent(const Registry& store, const char* name, int32_t& field) {
    if (store.ValueExists(name)) field = store.ReadInteger(name);
}

// Numeric edit fields show the stored integer as decimal text.
void ReadNumberTextIfPresent(const Registry& store, const char* name, std::string& field) {
    if (store.ValueExists(name)) field = IntToStr(store.ReadInteger(name));
}

// A radio group takes any index: below -1 it selects nothing (-1), past the
// items it selects the last one.
void ReadRadioIfPresent(const Registry& store, const char* name, size_t items, int32_t& field) {
    if (store.ValueExists(name))
        field = std::clamp(store.ReadInteger(name), -1, static_cast<int32_t>(items) - 1);
}

// An obsolete Quake2Path means the command and directory were stored in an
// older layout: it is dropped and the defaults apply until the next save.
// Otherwise a stored command or directory is taken as it is, and a missing
// one keeps its default: an empty command could start nothing.
void ApplyQuake2PathRule(Registry& store, Settings& s) {
    if (store.ValueExists("Quake2Path")) {
        store.DeleteValue("Quake2Path");
        const Settings defaults;
        s.Quake2Command = defaults.Quake2Command;
        s.Quake2BaseDir = defaults.Quake2BaseDir;
        return;
    }
    ReadIfPresent(store, "Quake2Command", s.Quake2Command);
    ReadIfPresent(store, "Quake2BaseDir", s.Quake2BaseDir);
}

void ReadOptionalValues(const Registry& store, Settings& s) {
    ReadIfPresent(store, "ShowHints", s.ShowHints);
    ReadIfPresent(store, "StartMinimized", s.StartMinimized);
    ReadIfPresent(store, "NoSingle", s.NoSingle);
    ReadIfPresent(store, "ShoutPopUp", s.ShoutPopUp);
    ReadIfPresent(store, "PlayerName", s.PlayerName);
    ReadIfPresent(store, "BusyMessage", s.BusyMessage);
    ReadIfPresent(store, "ReadyMessage", s.ReadyMessage);
    ReadIfPresent(store, "PlayingMessage", s.PlayingMessage);
    ReadRadioIfPresent(store, "Skill", kSkillItems.size(), s.Skill);
    ReadIfPresent(store, "ShoutSound", s.ShoutSound);
    ReadIfPresent(store, "SuggestSound", s.SuggestSound);
    if (store.ValueExists("MaxChatLines"))
        s.MaxChatLines = std::clamp(store.ReadInteger("MaxChatLines"), kMinChatLines, kMaxChatLines);
    ReadIfPresent(store, "StartBusy", s.StartBusy);
    ReadRadioIfPresent(store, "Paranoia", kParanoiaItems.size(), s.Paranoia);
    ReadIfPresent(store, "AutoStart", s.AutoStart);
    ReadIfPresent(store, "MessageSound", s.MessageSound);
    ReadIfPresent(store, "LogFile", s.LogFile);
    ReadIfPresent(store, "LogEnabled", s.LogEnabled);
    ReadIfPresent(store, "MainStayOnTop", s.MainStayOnTop);
    ReadIfPresent(store, "UsersStayOnTop", s.UsersStayOnTop);
    ReadNumberTextIfPresent(store, "Port2", s.Port2);
    ReadNumberTextIfPresent(store, "Port3", s.Port3);
    ReadNumberTextIfPresent(store, "Port4", s.Port4);
    ReadIfPresent(store, "Port2Enable", s.Port2Enable);
    ReadIfPresent(store, "Port3Enable", s.Port3Enable);
    ReadIfPresent(store, "Port4Enable", s.Port4Enable);
    ReadIfPresent(store, "Buddies", s.Buddies);
    ReadIfPresent(store, "Masters", s.Masters);
    ReadIfPresent(store, "Favorites", s.Favorites);
    ReadNumberTextIfPresent(store, "QueryRate", s.QueryRate);
}

// A window value the file lacks keeps the built-in one.
void ReadWindows(Registry& store, WindowGeometry& w) {
    if (!store.OpenKey(kWindowsKey, false)) return;
    w.Placed = true;
    ReadIfPresent(store, "MainTop", w.MainTop);
    ReadIfPresent(store, "MainLeft", w.MainLeft);
    ReadIfPresent(store, "UsersTop", w.UsersTop);
    ReadIfPresent(store, "UsersLeft", w.UsersLeft);
    ReadIfPresent(store, "UsersWidth", w.UsersWidth);
    ReadIfPresent(store, "UsersHeight", w.UsersHeight);
    ReadIfPresent(store, "UserListWidth", w.UserListWidth);
    ReadIfPresent(store, "TopPanelHeight", w.TopPanelHeight);
    ReadIfPresent(store, "MainWidth", w.MainWidth);
    ReadIfPresent(store, "MainHeight", w.MainHeight);
    ReadIfPresent(store, "MainMaximized", w.MainMaximized);
    ReadIfPresent(store, "HostListWidth", w.HostListWidth);
    ReadIfPresent(store, "HostColumnWidths", w.HostColumnWidths);
    ReadIfPresent(store, "PlayerColumnWidths", w.PlayerColumnWidths);
    ReadIfPresent(store, "HostSortColumn", w.HostSortColumn);
    ReadIfPresent(store, "HostSortDescending", w.HostSortDescending);
    ReadIfPresent(store, "HostBuddiesFirst", w.HostBuddiesFirst);
    ReadIfPresent(store, "PlayerSortColumn", w.PlayerSortColumn);
    ReadIfPresent(store, "PlayerSortDescending", w.PlayerSortDescending);
    ReadIfPresent(store, "ShowMasterListed", w.ShowMasterListed);
}

void ReadWanServers(Registry& store, std::array<WanServer, 4>& servers) {
    for (size_t i = 0; i < servers.size(); ++i) {
        if (!store.OpenKey(WanKey(i), false)) continue;
        ReadIfPresent(store, "Address", servers[i].Address);
        ReadIfPresent(store, "Port", servers[i].Port);
        ReadIfPresent(store, "Enabled", servers[i].Enabled);
    }
}

void ReadEventActions(Registry& store, std::array<EventAction, 4>& actions) {
    for (size_t i = 0; i < actions.size(); ++i) {
        if (!store.OpenKey(EventKey(static_cast<EventKind>(i)), false)) continue;
        ReadIfPresent(store, "Popup", actions[i].Popup);
        ReadIfPresent(store, "Launch", actions[i].Launch);
        ReadIfPresent(store, "Play", actions[i].Play);
        ReadIfPresent(store, "Sound", actions[i].Sound);
    }
}

// Every value the file lacks keeps its default, so a file written by hand,
// or by an older or newer Torvane, loads; the next save writes them all. A
// value of the wrong kind still stops the load with the store's message.
void ReadAll(Registry& store, Settings& s) {
    if (!store.OpenKey(kMainKey, false)) return;
    ReadIfPresent(store, "Broadcast", s.Broadcast);
    ReadNumberTextIfPresent(store, "BCInterval", s.BCInterval);
    ReadNumberTextIfPresent(store, "Port", s.Port);
    ReadNumberTextIfPresent(store, "Retries", s.Retries);
    ApplyQuake2PathRule(store, s);
    ReadOptionalValues(store, s);
    ReadWindows(store, s.Windows);
    ReadWanServers(store, s.Wan);
    ReadEventActions(store, s.Events);
}

}  // namespace

void LoadSettings(Registry& store, Settings& settings) {
    FlushAfter(store, [&] { ReadAll(store, settings); });
}

}  // namespace torvane

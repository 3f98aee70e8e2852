// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/convert.h"
#include "settings/flushafter.h"
#include "settings/settingsio.h"

namespace torvane {

namespace {

void WriteNumberText(Registry& store, const char* name, const std::string& text) {
    store.WriteInteger(name, StrToInt(text));
}

void WriteMainValues(Registry& store, const Settings& s) {
    store.WriteString("Version", kTorvaneVersion);
    store.WriteBool("Broadcast", s.Broadcast);
    WriteNumberText(store, "BCInterval", s.BCInterval);
    WriteNumberText(store, "Port", s.Port);
    WriteNumberText(store, "Retries", s.Retries);
    store.WriteString("Quake2Command", s.Quake2Command);
    store.WriteString("Quake2BaseDir", s.Quake2BaseDir);
    store.WriteBool("ShowHints", s.ShowHints);
    store.WriteBool("StartMinimized", s.StartMinimized);
    store.WriteBool("NoSingle", s.NoSingle);
    store.WriteBool("ShoutPopUp", s.ShoutPopUp);
    store.WriteString("PlayerName", s.PlayerName);
    store.WriteString("BusyMessage", s.BusyMessage);
    store.WriteString("ReadyMessage", s.ReadyMessage);
    store.WriteString("PlayingMessage", s.PlayingMessage);
    store.WriteInteger("Skill", s.Skill);
    store.WriteInteger("MaxChatLines", s.MaxChatLines);
    store.WriteString("ShoutSound", s.ShoutSound);
    store.WriteString("SuggestSound", s.SuggestSound);
    store.WriteBool("StartBusy", s.StartBusy);
    store.WriteInteger("Paranoia", s.Paranoia);
    store.WriteBool("AutoStart", s.AutoStart);
    store.WriteString("MessageSound", s.MessageSound);
    store.WriteString("LogFile", s.LogFile);
    store.WriteBool("LogEnabled", s.LogEnabled);
    store.WriteBool("MainStayOnTop", s.MainStayOnTop);
    store.WriteBool("UsersStayOnTop", s.UsersStayOnTop);
    WriteNumberText(store, "Port2", s.Port2);
    WriteNumberText(store, "Port3", s.Port3);
    WriteNumberText(store, "Port4", s.Port4);
    store.WriteBool("Port2Enable", s.Port2Enable);
    store.WriteBool("Port3Enable", s.Port3Enable);
    store.WriteBool("Port4Enable", s.Port4Enable);
    store.WriteString("Buddies", s.Buddies);
    store.WriteString("Masters", s.Masters);
    store.WriteString("Favorites", s.Favorites);
    WriteNumberText(store, "QueryRate", s.QueryRate);
}

void WriteWindows(Registry& store, const WindowGeometry& w) {
    if (!store.OpenKey(kWindowsKey, true)) return;
    store.WriteInteger("MainTop", w.MainTop);
    store.WriteInteger("MainLeft", w.MainLeft);
    store.WriteInteger("UsersTop", w.UsersTop);
    store.WriteInteger("UsersLeft", w.UsersLeft);
    store.WriteInteger("UsersWidth", w.UsersWidth);
    store.WriteInteger("UsersHeight", w.UsersHeight);
    store.WriteInteger("UserListWidth", w.UserListWidth);
    store.WriteInteger("TopPanelHeight", w.TopPanelHeight);
    store.WriteInteger("MainWidth", w.MainWidth);
    store.WriteInteger("MainHeight", w.MainHeight);
    store.WriteBool("MainMaximized", w.MainMaximized);
    store.WriteInteger("HostListWidth", w.HostListWidth);
    store.WriteString("HostColumnWidths", w.HostColumnWidths);
    store.WriteString("PlayerColumnWidths", w.PlayerColumnWidths);
    store.WriteInteger("HostSortColumn", w.HostSortColumn);
    store.WriteBool("HostSortDescending", w.HostSortDescending);
    store.WriteBool("HostBuddiesFirst", w.HostBuddiesFirst);
    store.WriteInteger("PlayerSortColumn", w.PlayerSortColumn);
    store.WriteBool("PlayerSortDescending", w.PlayerSortDescending);
    store.WriteBool("ShowMasterListed", w.ShowMasterListed);
}

void WriteWanServers(Registry& store, const std::array<WanServer, 4>& servers) {
    for (size_t i = 0; i < servers.size(); ++i) {
        if (!store.OpenKey(WanKey(i), true)) continue;
        store.WriteString("Address", servers[i].Address);
        store.WriteString("Port", servers[i].Port);
        store.WriteBool("Enabled", servers[i].Enabled);
    }
}

void WriteEventActions(Registry& store, const std::array<EventAction, 4>& actions) {
    for (size_t i = 0; i < actions.size(); ++i) {
        if (!store.OpenKey(EventKey(static_cast<EventKind>(i)), true)) continue;
        store.WriteBool("Popup", actions[i].Popup);
        store.WriteBool("Launch", actions[i].Launch);
        store.WriteBool("Play", actions[i].Play);
        store.WriteString("Sound", actions[i].Sound);
    }
}

void WriteAll(Registry& store, const Settings& s) {
    if (!store.OpenKey(kMainKey, true)) return;
    WriteMainValues(store, s);
    WriteWindows(store, s.Windows);
    WriteWanServers(store, s.Wan);
    WriteEventActions(store, s.Events);
}

// A registration that cannot be made or removed is left as it is, silently:
// the settings themselves are saved.
void ApplyAutoStart(const Settings& s, Autostart& autostart, const std::string& program_path) {
    if (!s.AutoStart) {
        autostart.Unregister();
    } else if (!program_path.empty()) {
        autostart.Register(program_path);
    }
}

}  // namespace

void SaveSettings(const Settings& settings, Registry& store, Autostart& autostart,
                  const std::string& program_path) {
    FlushAfter(store, [&] { WriteAll(store, settings); });
    ApplyAutoStart(settings, autostart, program_path);
}

}  // namespace torvane

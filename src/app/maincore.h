// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/mainview.h"
#include "discovery/hostlistener.h"
#include "discovery/querysocket.h"
#include "net/messageloop.h"
#include "notify/logf.h"
#include "peers/suggest.h"
#include "peers/userform.h"
#include "platform/clock.h"
#include "platform/computername.h"
#include "platform/processes.h"
#include "platform/sound.h"
#include "platform/spawn.h"
#include "settings/settings.h"

namespace torvane {

class GameLauncher;
class HostTable;
class PeerProtocol;
class SearchCycle;
struct SearchState;

// The operating system as the core uses it.
struct CoreSeams {
    const Clock& clock;
    const ProcessList& processes;
    ProcessSpawner& spawner;
    SoundOutput& sound;
    const ComputerName& computer_name;
    // The nine sockets; the real network unless a test puts fakes here.
    SocketMaker& sockets = QuerySockets();
};

// The windows the core tells what to show.
struct CoreViews {
    MainView& main;
    UsersView& users;
    ChallengeListener& suggest;
    LogView& log;
};

// Torvane without its windows: the main window's run-time state and
// handlers, with every subsystem wired to the others. The search cycle with
// its host table and nine sockets, the two timers, the peer protocol with
// its user table, the launcher, the log and the sounds all live here; a
// window program or a headless one only shows what the views are told and
// forwards the user's actions.
class MainCore {
public:
    MainCore(MessageLoop& loop, Settings& settings, const CoreSeams& seams, const CoreViews& views);
    ~MainCore();
    MainCore(const MainCore&) = delete;
    MainCore& operator=(const MainCore&) = delete;

    // The main window's construction, before the settings are loaded: Busy
    // as the box says, the tray icon with image 0 and an empty tip, and the
    // socket that hears what is broadcast to the game port.
    void Create();
    // The main window's end, last of all at exit: the tray icon removed and
    // the broadcast socket closed.
    void FormDestroy();

    // Shows the main window, restores the application and brings it to the
    // front.
    void ShowAndBringToFront();

    // The main window's handlers.
    void ConnectButtonClick();
    void HostListViewDblClick();
    // The host menu's "&Play": the game into the selected server, as a
    // double-click does (the face shows its players first).
    void Play1Click();
    void TrayHostEntryClick(int index);
    // A join link: the game into that server, as a double-click does.
    void JoinServer(const std::string& host_name, const std::string& address, const std::string& port);
    // The user chose a button of a notification, or it closed.
    void NoticeActionInvoked(uint64_t id, const std::string& key);
    void NoticeClosed(uint64_t id);
    // Every change of the Busy box, by the user or by the program.
    void SetBusyCheck(bool checked);
    void Busy1Click();
    // The tray menu's Busy entry set from program code: runs nothing.
    void SetBusy1(bool checked);
    void Suggest1Click();
    // The options dialog: its interval check box, and its closing after a
    // save (a changed port closes the broadcast socket).
    void CheckBroadcastClick();
    void OptionsClosed();
    // The sound dialog's preview: plays at once, busy or not.
    void PreviewSound(const std::string& path);

    // Buddies: whether record `index` of the host table had a buddy on it
    // at the last change of the table, and who.
    bool HasBuddies(std::size_t index) const;
    std::vector<std::string> BuddiesOn(std::size_t index) const;
    const std::string& BuddiesSetting() const;
    // The player list's menu changed the list. The marks follow at once;
    // a player it names now is not announced as just come, since the user
    // is looking at them.
    void SetBuddies(const std::string& setting);

    // "Join when there's room": whether record `index` is waited for, the
    // host menu's entry for the selected server (none when it has room and
    // is not waited for), and that entry chosen. A server that has room by
    // the time the entry is chosen is joined at once.
    bool WaitingForRoom(std::size_t index) const;
    std::optional<std::string> RoomMenuEntry() const;
    void RoomMenuClick();

    // The host table's announcements go to `listener` too, after the
    // core's own.
    void Subscribe(HostTableListener& listener);

    bool BusyChecked() const;
    const HostTable& Hosts() const;
    const SearchState& Search() const;
    SearchCycle& Cycle();
    PeerProtocol& Peers();
    TUsers& UsersWindow();
    TSuggestForm& SuggestForm();
    GameLauncher& Launcher();
    TLogForm& LogForm();
    const TLogForm& LogForm() const;

private:
    struct Parts;
    std::unique_ptr<Parts> p_;
};

}  // namespace torvane

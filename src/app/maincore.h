#pragma once

#include <memory>
#include <string>

#include "app/mainview.h"
#include "net/messageloop.h"
#include "peers/suggest.h"
#include "peers/userform.h"
#include "platform/clock.h"
#include "platform/computername.h"
#include "platform/processes.h"
#include "platform/sound.h"
#include "platform/spawn.h"
#include "settings/settings.h"

namespace torvane {

class EventLog;
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
};

// Torvane without its windows: the main window's run-time state and
// handlers, with every subsystem wired to the others. The search cycle with
// its host table and nine sockets, the two timers, the peer protocol with
// its user table, the launcher, the log and the sounds all live here; a
// window program or a headless one only shows what the views are told and
// forwards the user's actions.
class MainCore {
public:
    MainCore(MessageLoop& loop, Settings& settings, const CoreSeams& seams, MainView& view,
             UsersView& users_view, SuggestView& suggest_view);
    ~MainCore();
    MainCore(const MainCore&) = delete;
    MainCore& operator=(const MainCore&) = delete;

    // Start-up, once the settings are loaded: the listening socket, the log
    // file, the start-up settings (shown or not, busy or not), the log line
    // "Torvane started" and the first search.
    void Start();
    // At exit: hands the log file back to the settings, logs "Torvane
    // closed" and closes the broadcast socket.
    void Stop();

    // The main window's handlers.
    void ConnectButtonClick();
    void HostListViewClick();
    void HostListViewDblClick();
    void TrayHostEntryClick(int index);
    // Every change of the Busy box, by the user or by the program.
    void SetBusyCheck(bool checked);
    void Busy1Click();
    void Suggest1Click();
    // The options dialog: its interval check box, and its closing after a
    // save (a changed port closes the broadcast socket).
    void CheckBroadcastClick();
    void OptionsClosed();

    bool BusyChecked() const;
    const HostTable& Hosts() const;
    const SearchState& Search() const;
    SearchCycle& Cycle();
    PeerProtocol& Peers();
    TUsers& UsersWindow();
    TSuggestForm& SuggestForm();
    GameLauncher& Launcher();
    EventLog& Log();

private:
    struct Parts;
    std::unique_ptr<Parts> p_;
};

}  // namespace torvane

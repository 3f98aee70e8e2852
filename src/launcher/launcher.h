#pragma once

#include <functional>
#include <string>

#include "launcher/launcherhost.h"
#include "platform/processes.h"
#include "platform/programlookup.h"
#include "platform/spawn.h"

namespace torvane {

// The server a launch connects to: only these three fields of a host record
// matter.
struct LaunchTarget {
    std::string HostName;
    std::string Address;  // dotted decimal
    std::string Port;     // decimal text
};

// Detects the running game and starts it into a server.
class GameLauncher {
public:
    // `search_path` answers the directories a program name is looked up in
    // (PATH) at the moment of a launch.
    GameLauncher(LauncherHost& host, const LauncherSettings& settings, const ProcessList& processes,
                 ProcessSpawner& spawner, std::function<std::string()> search_path = ProgramSearchPath);

    // Whether a game process runs now (see IsGameProcess). A scan that finds the game makes us
    // Playing, logging "Quake launch detected" when we were not Playing yet;
    // one that does not find it makes us Busy or Ready after the Busy box. A
    // process list that cannot be read counts as no game and changes nothing.
    bool IsGameRunning();

    // Starts the game connected to `target`. Returns whether it started.
    // A target whose address is not a plain dotted quad, or whose port is no
    // decimal port number, is refused with a log line before anything else
    // happens, so nothing from the network ever reaches the game's command
    // line unchecked; the port goes there as its plain number. A start that
    // fails tells why in the status bar and the log and leaves both search
    // timers alone: an open search window still ends at its own time.
    bool LaunchGame(const LaunchTarget& target);

private:
    LauncherHost& host_;
    const LauncherSettings& settings_;
    const ProcessList& processes_;
    ProcessSpawner& spawner_;
    std::function<std::string()> search_path_;
};

}  // namespace torvane

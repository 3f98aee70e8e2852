#pragma once

#include <string>

#include "launcher/launcherhost.h"
#include "platform/processes.h"
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
    GameLauncher(LauncherHost& host, const LauncherSettings& settings, const ProcessList& processes,
                 ProcessSpawner& spawner);

    // Whether a game process runs now. A scan that finds the game makes us
    // Playing, logging "Quake launch detected" when we were not Playing yet;
    // one that does not find it makes us Busy or Ready after the Busy box. A
    // process list that cannot be read counts as no game and changes nothing.
    bool IsGameRunning();

    // Starts the game connected to `target`. Returns whether it started.
    // A target whose address or port is not plainly numeric is refused with
    // a log line before anything else happens, so nothing from the network
    // ever reaches the game's command line unchecked. A start that fails
    // puts both search timers back as they were.
    bool LaunchGame(const LaunchTarget& target);

private:
    LauncherHost& host_;
    const LauncherSettings& settings_;
    const ProcessList& processes_;
    ProcessSpawner& spawner_;
};

}  // namespace torvane

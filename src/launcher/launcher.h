// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "launcher/launcherhost.h"
#include "model/services.h"
#include "platform/clock.h"
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
// The message box of a launch that failed: the system's reason, the program
// tried and the game directory, and that both are set in Options, Game.
std::string LaunchFailureText(const std::string& program, const std::string& base_dir,
                              const std::string& reason);

// The program's game service.
class GameLauncher final : public Game {
public:
    // A scan reads files of every process, and every shout, challenge and
    // status request asks for one: without a bound, a flood of them would
    // spend the program's whole time in /proc. With a clock, a process list
    // read less than this long ago is used again; a launch forgets it.
    static constexpr int64_t kScanReuseMs = 1000;

    // The services it uses: Busy (unticked by a launch, and the status when
    // the game is not running), the log and the status line.
    struct SharedServices {
        BusyFlag& busy;
        LogSink& log;
        StatusLine& status;
    };

    // `search_path` answers the directories a program name is looked up in
    // (PATH) at the moment of a launch. Without `clock` every question
    // scans the processes anew.
    GameLauncher(LauncherHost& host, const SharedServices& services, const LauncherSettings& settings,
                 const ProcessList& processes, ProcessSpawner& spawner,
                 std::function<std::string()> search_path = ProgramSearchPath, const Clock* clock = nullptr);

    // Whether a game process runs now (see IsGameProcess), from a process
    // list at most kScanReuseMs old. A scan that finds the game makes us
    // Playing, logging "Quake launch detected" when we were not Playing yet;
    // one that does not find it makes us Busy or Ready after the Busy box. A
    // process list that cannot be read counts as no game and changes nothing.
    bool IsGameRunning() override;

    // Starts the game connected to `target`. Returns whether it started.
    // A target whose address is not a plain dotted quad, or whose port is no
    // decimal port number, is refused with a log line before anything else
    // happens, so nothing from the network ever reaches the game's command
    // line unchecked; the port goes there as its plain number. A start that
    // fails tells why in the status bar and the log, and in a message box
    // the program tried, the game directory and where to change them
    // (LaunchFailureText); it leaves both search timers alone: an open
    // search window still ends at its own time.
    bool LaunchGame(const LaunchTarget& target);
    // The same into a host record's server.
    void LaunchGame(const TQuakeServer& server) override;
    // Runs after every launch that started the game, by whatever way.
    std::function<void()> OnLaunched;

private:
    const std::optional<std::vector<ProcessNames>>& RecentProcesses();

    LauncherHost& host_;
    SharedServices services_;
    const LauncherSettings& settings_;
    const ProcessList& processes_;
    ProcessSpawner& spawner_;
    std::function<std::string()> search_path_;
    const Clock* clock_;
    std::optional<std::vector<ProcessNames>> recent_;
    int64_t recent_ticks_ = 0;
};

}  // namespace torvane

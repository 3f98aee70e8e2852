// SPDX-License-Identifier: GPL-2.0-or-later
#include "launcher/launcher.h"

#include <algorithm>

#include "launcher/gamecommand.h"

namespace torvane {

GameLauncher::GameLauncher(LauncherHost& host, const SharedServices& services,
                           const LauncherSettings& settings, const ProcessList& processes,
                           ProcessSpawner& spawner, std::function<std::string()> search_path,
                           const Clock* clock)
    : host_(host),
      services_(services),
      settings_(settings),
      processes_(processes),
      spawner_(spawner),
      search_path_(std::move(search_path)),
      clock_(clock) {}

const std::optional<std::vector<ProcessNames>>& GameLauncher::RecentProcesses() {
    const int64_t now = clock_ ? clock_->SteadyTicks() : 0;
    const bool fresh =
        clock_ && recent_ && now >= recent_ticks_ && now - recent_ticks_ < kScanReuseMs * 10'000;
    if (!fresh) {
        recent_ = processes_.Snapshot();
        recent_ticks_ = now;
    }
    return recent_;
}

bool GameLauncher::IsGameRunning() {
    // Only the list is reused: the command it is matched against is read
    // anew at every question.
    const auto& snapshot = RecentProcesses();
    if (!snapshot) return false;
    const std::string command = settings_.Quake2Command();
    const bool found = std::any_of(snapshot->begin(), snapshot->end(),
                                   [&](const ProcessNames& names) { return IsGameProcess(names, command); });
    if (found) {
        if (host_.OwnStatus() != PeerStatus::Playing) {
            services_.log.AddLogLine("Quake launch detected");
            host_.SetOwnStatus(PeerStatus::Playing);
        }
    } else {
        host_.SetOwnStatus(services_.busy.BusyChecked() ? PeerStatus::Busy : PeerStatus::Ready);
    }
    return found;
}

std::string LaunchFailureText(const std::string& program, const std::string& base_dir,
                              const std::string& reason) {
    return "Quake could not be started: " + reason + ".\n\nProgram: " + program +
           "\nGame directory: " + base_dir +
           "\n\nThe command and the game directory are set in Options, Game.";
}

bool GameLauncher::LaunchGame(const LaunchTarget& target) {
    const std::optional<std::string> port = PlainPortText(target.Port);
    if (!IsDottedIPv4(target.Address) || !port) {
        services_.log.AddLogLine("Not launching quake to " + target.HostName + ": bad server address " +
                                 target.Address + ":" + target.Port);
        return false;
    }
    services_.busy.SetBusyCheck(false);
    host_.SetOwnStatus(PeerStatus::Playing);
    host_.SendInfo();
    services_.log.AddLogLine("Launching quake to " + target.HostName);

    const std::string base_dir = settings_.Quake2BaseDir();
    const std::string command = settings_.Quake2Command();
    const GameCommand game = BuildGameCommand(FindGameProgram(base_dir, command, search_path_()), base_dir,
                                              command, target.Address, *port);
    const SpawnResult started = spawner_.Spawn(game.Program, game.Arguments, base_dir);
    if (!started) {
        // Without a word the launch would look like a success. The timers
        // have not been touched, so searching goes on as before.
        const std::string reason = SystemErrorText(started.Error);
        const std::string why = "Quake could not be started: " + reason;
        services_.status.SetStatusText(1, why);
        services_.log.AddLogLine(why);
        // The status bar is narrow and soon overwritten; the box stays
        // until read, and says what to change.
        host_.ShowLaunchFailure(LaunchFailureText(game.Program, base_dir, reason));
        return false;
    }
    // The game is among the processes now: the next question must see it.
    recent_.reset();
    // The search that follows the launch gets a window of its own.
    host_.SetSearchWindowTimerEnabled(false);
    host_.SetIntervalTimerEnabled(false);
    host_.StartSearch();
    if (OnLaunched) OnLaunched();
    return true;
}

void GameLauncher::LaunchGame(const TQuakeServer& server) {
    LaunchGame(LaunchTarget{server.HostName, server.Address, server.Port});
}

}  // namespace torvane

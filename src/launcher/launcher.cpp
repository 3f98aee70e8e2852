#include "launcher/launcher.h"

#include <algorithm>

#include "launcher/gamecommand.h"

namespace torvane {

namespace {

bool IsGameProcess(const ProcessNames& names) {
    return IsGameExecutableName(names.Command) || IsGameExecutableName(names.FirstWord) ||
           IsGameExecutableName(names.Executable);
}

}  // namespace

GameLauncher::GameLauncher(LauncherHost& host, const LauncherSettings& settings, const ProcessList& processes,
                           ProcessSpawner& spawner)
    : host_(host), settings_(settings), processes_(processes), spawner_(spawner) {}

bool GameLauncher::IsGameRunning() {
    const auto snapshot = processes_.Snapshot();
    if (!snapshot) return false;
    const bool found = std::any_of(snapshot->begin(), snapshot->end(), IsGameProcess);
    if (found) {
        if (host_.OwnStatus() != PlayingStatus::Playing) {
            host_.AddLogLine("Quake launch detected");
            host_.SetOwnStatus(PlayingStatus::Playing);
        }
    } else {
        host_.SetOwnStatus(host_.BusyChecked() ? PlayingStatus::Busy : PlayingStatus::Ready);
    }
    return found;
}

bool GameLauncher::LaunchGame(const LaunchTarget& target) {
    if (!IsDottedIPv4(target.Address) || !IsPortText(target.Port)) {
        host_.AddLogLine("Not launching quake to " + target.HostName + ": bad server address " +
                         target.Address + ":" + target.Port);
        return false;
    }
    host_.UncheckBusy();
    host_.SetOwnStatus(PlayingStatus::Playing);
    const bool window_was_running = host_.SearchWindowTimerEnabled();
    const bool interval_was_running = host_.IntervalTimerEnabled();
    host_.SetSearchWindowTimerEnabled(false);
    host_.SetIntervalTimerEnabled(false);
    host_.SendInfo();
    host_.AddLogLine("Launching quake to " + target.HostName);

    const std::string base_dir = settings_.Quake2BaseDir();
    const GameCommand command =
        BuildGameCommand(base_dir, settings_.Quake2Command(), target.Address, target.Port);
    if (spawner_.Spawn(command.Program, command.Arguments, base_dir)) {
        host_.StartSearch();
        return true;
    }
    // Leaving the timers stopped would end all searching until the user
    // pressed Search; resume exactly what was running.
    host_.SetSearchWindowTimerEnabled(window_was_running);
    host_.SetIntervalTimerEnabled(interval_was_running);
    return false;
}

}  // namespace torvane

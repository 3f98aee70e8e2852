// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// A copy of torvane-headless on one host of a private LAN, for the
// whole-program tests.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "line_reader.h"
#include "platform/autostart.h"
#include "settings/fileregistry.h"
#include "settings/settingsio.h"
#include "support/lan_hosts.h"

namespace torvane::test {

namespace fs = std::filesystem;

inline const std::string kHeadless = std::string(TORVANE_BINARY_DIR) + "/torvane-headless";

// Writes the settings file of a copy kept in `dir` (dir/config/torvane/
// settings.json, logging to dir/torvane.log) as `program` would save them.
inline void WriteCopySettings(const fs::path& dir, const std::string& name, const std::string& program,
                              const std::function<void(Settings&)>& configure) {
    Settings settings;
    settings.PlayerName = name;
    settings.LogFile = (dir / "torvane.log").string();
    if (configure) configure(settings);
    fs::create_directories(dir / "config" / "torvane");
    FileRegistry store((dir / "config" / "torvane" / "settings.json").string());
    DesktopAutostart autostart((dir / "config").string());
    SaveSettings(settings, store, autostart, program);
}

// A copy of torvane-headless on one LAN host, with a settings folder and a
// stand-in game of its own; `configure` may change its settings before it
// starts, and `prepare` runs in the host's process just before the program
// (to set its environment, say). Commands go to its standard input; its
// output lines are read as they come.
//
// The stand-in game has a name of its own, so that no copy takes another
// test's stand-in "quake2" for its running game.
class Copy {
public:
    Copy(int host, const std::string& name, const fs::path& root,
         const std::function<void(Settings&)>& configure = {}, const std::function<void()>& prepare = {})
        : dir_(root / name) {
        fs::create_directories(GameDir());
        WriteStandInGame();
        WriteSettings(name, configure);
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        pid_ = StartLanHost(host, [&] {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
            if (prepare) prepare();
            execl(kHeadless.c_str(), kHeadless.c_str(), static_cast<char*>(nullptr));
            return 127;
        });
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
        output_lines_ = LineReader(output_);
    }
    ~Copy() {
        if (input_ >= 0) close(input_);
        if (output_ >= 0) close(output_);
        if (pid_ > 0) StopLanHost(pid_);
    }

    fs::path GameDir() const { return dir_ / "game dir"; }
    fs::path LaunchRecord() const { return dir_ / "launched"; }

    void Send(const std::string& command) {
        const std::string line = command + "\n";
        ASSERT_EQ(write(input_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }

    // Returns the first line of the output so far that contains `text`,
    // reading on until one comes; empty after `seconds` without one.
    std::string WaitFor(const std::string& text, int seconds = 10) {
        std::istringstream lines(seen_);
        for (std::string line; std::getline(lines, line);)
            if (line.find(text) != std::string::npos) return line;
        return WaitForNext(text, seconds);
    }

    // Like WaitFor, but only lines that come from now on count.
    std::string WaitForNext(const std::string& text, int seconds = 10) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (const auto line = output_lines_.Next(deadline)) {
            seen_ += *line + "\n";
            if (line->find(text) != std::string::npos) return *line;
        }
        return {};
    }
    const std::string& Seen() const { return seen_; }

    int Quit() {
        Send("quit");
        const int status = WaitLanHost(pid_);
        pid_ = -1;
        return status;
    }

private:
    void WriteStandInGame() {
        const fs::path game = GameDir() / "standin-quake2";
        std::ofstream(game) << "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > '" +
                                   LaunchRecord().string() + "'\n";
        fs::permissions(game, fs::perms::owner_all);
    }

    void WriteSettings(const std::string& name, const std::function<void(Settings&)>& configure) {
        WriteCopySettings(dir_, name, kHeadless, [&](Settings& settings) {
            settings.Quake2BaseDir = GameDir().string();
            settings.Quake2Command = "standin-quake2 +set deathmatch 1";
            if (configure) configure(settings);
        });
    }

    fs::path dir_;
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    LineReader output_lines_{-1};
    std::string seen_;
};

inline std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace torvane::test

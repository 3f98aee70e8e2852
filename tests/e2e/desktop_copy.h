// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// A copy of the desktop program, torvane, on one host of a private LAN, for
// the whole-program tests: the real program without a screen (Qt's offscreen
// platform), with a probe preloaded that answers questions about its windows
// and uses them as a user would (tests/e2e/desktop_probe/probe.cpp).

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "headless_copy.h"

namespace torvane::test {

inline const std::string kDesktop = std::string(TORVANE_BINARY_DIR) + "/torvane";
inline const std::string kProbe = std::string(TORVANE_BINARY_DIR) + "/libtorvane_probe.so";

inline bool DesktopProgramBuilt() {
    return fs::exists(kDesktop) && fs::exists(kProbe);
}

class DesktopCopy {
public:
    // `prepare` runs in the host's process just before the program, to set
    // its environment, say.
    DesktopCopy(int host, const std::string& name, const fs::path& root,
                const std::function<void(Settings&)>& configure = {},
                const std::function<void()>& prepare = {})
        : dir_(root / name) {
        WriteCopySettings(dir_, name, kDesktop, configure);
        int requests[2], answers[2];
        if (pipe2(requests, O_CLOEXEC) != 0 || pipe2(answers, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        const std::string output = (dir_ / "output.txt").string();
        pid_ = StartLanHost(host, [&] {
            // The probe reads on 3 and answers on 4, open across the exec.
            HandDown(requests[0], 3);
            HandDown(answers[1], 4);
            const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("TORVANE_PROBE", "1", 1);
            setenv("LD_PRELOAD", kProbe.c_str(), 1);
            // A sanitized build wants its runtime first among the libraries;
            // the probe is preloaded before it, which is harmless here.
            const char* asan = std::getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS",
                   (std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0")
                       .c_str(),
                   1);
            if (prepare) prepare();
            execl(kDesktop.c_str(), kDesktop.c_str(), static_cast<char*>(nullptr));
            return 127;
        });
        close(requests[0]);
        close(answers[1]);
        requests_ = requests[1];
        answers_ = answers[0];
        answers_lines_ = LineReader(answers_);
    }
    ~DesktopCopy() {
        if (requests_ >= 0) close(requests_);
        if (answers_ >= 0) close(answers_);
        if (pid_ > 0) StopLanHost(pid_);
    }
    DesktopCopy(const DesktopCopy&) = delete;
    DesktopCopy& operator=(const DesktopCopy&) = delete;

    fs::path Dir() const { return dir_; }
    // The program's process, in its host's network namespace.
    pid_t Pid() const { return pid_; }
    fs::path LogFile() const { return dir_ / "torvane.log"; }
    fs::path SettingsFile() const { return dir_ / "config" / "torvane" / "settings.json"; }

    // The probe's answer to `request`; empty when none comes within 10
    // seconds (the program is still starting, or gone).
    std::string Ask(const std::string& request) {
        const std::string line = request + "\n";
        if (write(requests_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return {};
        return answers_lines_.Next(std::chrono::steady_clock::now() + std::chrono::seconds(10)).value_or("");
    }

    // Asks until the answer holds `text` or `seconds` pass; returns the last
    // answer.
    std::string AskUntil(const std::string& request, const std::string& text, int seconds = 20) {
        std::string answer;
        for (int tries = 0; tries < seconds * 10; ++tries) {
            answer = Ask(request);
            if (answer.find(text) != std::string::npos) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return answer;
    }

    // Ends the program with `signal` as the system would and returns its exit
    // status.
    int Stop(int signal) {
        kill(pid_, signal);
        const int status = WaitLanHost(pid_);
        pid_ = -1;
        return status;
    }

    std::string Output() const {
        std::ifstream in(dir_ / "output.txt");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    // Makes `fd` the descriptor `target` of the program to come.
    static void HandDown(int fd, int target) {
        if (fd == target)
            fcntl(fd, F_SETFD, 0);
        else
            dup2(fd, target);  // the copy is open across exec
    }

    fs::path dir_;
    pid_t pid_ = -1;
    int requests_ = -1;
    int answers_ = -1;
    LineReader answers_lines_{-1};
};

// Waits until the file at `path` has a line ending in `text`; returns all its
// lines then (or after `seconds` without one).
inline std::vector<std::string> WaitForLogLine(const fs::path& path, const std::string& text,
                                               int seconds = 20) {
    std::vector<std::string> lines;
    for (int tries = 0; tries < seconds * 10; ++tries) {
        lines = Lines(path);
        for (const std::string& line : lines)
            if (line.ends_with(text)) return lines;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return lines;
}

}  // namespace torvane::test

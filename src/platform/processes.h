// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The names under which the system knows one running process.
struct ProcessNames {
    std::string Command;     // the short command name (/proc/PID/comm)
    std::string FirstWord;   // the first argument of its command line
    std::string Executable;  // the path of its executable, empty when hidden from us
    // Its whole command line, NUL-separated arguments as the system keeps
    // them; empty for kernel threads and when hidden from us.
    std::string CommandLine;
};

// The system's process list, behind a seam so tests can feed their own.
class ProcessList {
public:
    virtual ~ProcessList() = default;

    // The processes running now, or nothing when the list cannot be read.
    virtual std::optional<std::vector<ProcessNames>> Snapshot() const = 0;
};

// Reads the process list from a proc file system (normally /proc). Processes
// that have ended but not yet been reaped (zombies) are left out: their
// command name outlives them, and a game that has quit does not run.
class ProcProcessList final : public ProcessList {
public:
    explicit ProcProcessList(std::string root = "/proc");
    std::optional<std::vector<ProcessNames>> Snapshot() const override;

private:
    std::string root_;
};

// The first argument of a NUL-separated command line.
std::string_view FirstWordOfCommandLine(std::string_view cmdline);

// Whether a /proc/PID/stat text describes a zombie. The command name inside
// the parentheses may itself hold ')' and blanks, so the state is the first
// field after the last ')'.
bool IsZombieStat(std::string_view stat);

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

namespace torvane {

// The outcome of a start: the new process id, or the system's error number
// (an errno value) that kept the program from starting.
struct SpawnResult {
    int Pid = -1;
    int Error = 0;

    static SpawnResult Started(int pid) { return {pid, 0}; }
    static SpawnResult Failed(int error) { return {-1, error}; }
    explicit operator bool() const { return Error == 0; }
};

// The system's text for an error number ("No such file or directory").
std::string SystemErrorText(int error);

// Starts programs. No shell ever sees the arguments: each one reaches the new
// program exactly as given, blanks and quotes included.
class ProcessSpawner {
public:
    virtual ~ProcessSpawner() = default;

    // Starts `program` with the argument vector `argv` (argv[0] included) in
    // `working_directory`, with this process's environment, default signal
    // handling and no descriptor of ours beyond the standard three. Answers the
    // new process id, or the reason the program could not be started (it is
    // missing or not executable, or the directory cannot be entered). A relative
    // `program` is taken relative to our own working directory, not the new
    // one. The new process is reaped in the background when it ends, so it
    // never lingers as a zombie; nobody waits for it otherwise.
    virtual SpawnResult Spawn(const std::string& program, const std::vector<std::string>& argv,
                              const std::string& working_directory) = 0;
};

// posix_spawn with a change of directory among its file actions where the C
// library has one; otherwise the fork-and-exec spawner below.
class PosixSpawner final : public ProcessSpawner {
public:
    SpawnResult Spawn(const std::string& program, const std::vector<std::string>& argv,
                      const std::string& working_directory) override;
};

// fork, chdir and execve, with the exec failure reported back through a
// close-on-exec pipe so that a missing program is a failed start.
class ForkExecSpawner final : public ProcessSpawner {
public:
    SpawnResult Spawn(const std::string& program, const std::vector<std::string>& argv,
                      const std::string& working_directory) override;
};

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/spawn.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include "platform/uniquefd.h"

extern char** environ;

#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
#define TORVANE_HAVE_SPAWN_CHDIR 1
#endif
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
#define TORVANE_HAVE_SPAWN_CLOSEFROM 1
#endif

namespace torvane {

namespace {

// The child changes directory before it runs the program, so a relative
// program name must be made absolute against our own directory first.
std::string AbsoluteProgram(const std::string& program) {
    if (program.empty() || program.front() == '/') return program;
    std::string cwd(4096, '\0');
    if (getcwd(cwd.data(), cwd.size()) == nullptr) return program;
    cwd.resize(cwd.find('\0'));
    return cwd + "/" + program;
}

// execve wants mutable, NUL-terminated pointers into strings that outlive it.
std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Nobody waits for a started game, but an ended child must still be reaped,
// or it stays in the process list as a zombie under its old name.
void ReapInBackground(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

#ifdef TORVANE_HAVE_SPAWN_CHDIR
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
        // The game gets default signal handling and an empty mask, whatever
        // this program ignores or blocks for itself.
        sigset_t all;
        sigfillset(&all);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
    }
    posix_spawn_file_actions_t* Actions() { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};
#endif

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void ExecInChild(const char* program, char* const* argv, const char* directory, int report_fd) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &fallback, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // No descriptor of ours survives the exec; the report pipe stays usable
    // until then.
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < 65536; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    if (chdir(directory) == 0) execve(program, argv, environ);
    const int error = errno;
    [[maybe_unused]] ssize_t ignored = write(report_fd, &error, sizeof error);
    _exit(127);
}

}  // namespace

std::string SystemErrorText(int error) {
    char buffer[256];
    // The GNU form answers a pointer that may or may not be the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

SpawnResult PosixSpawner::Spawn(const std::string& program, const std::vector<std::string>& argv,
                                const std::string& working_directory) {
#ifdef TORVANE_HAVE_SPAWN_CHDIR
    const std::string path = AbsoluteProgram(program);
    std::vector<char*> args = ArgumentPointers(argv);
    SpawnSetup setup;
    if (const int error = posix_spawn_file_actions_addchdir_np(setup.Actions(), working_directory.c_str()))
        return SpawnResult::Failed(error);
#ifdef TORVANE_HAVE_SPAWN_CLOSEFROM
    // The game inherits no descriptor of ours: a socket it kept open would
    // hold our ports after we quit.
    if (const int error = posix_spawn_file_actions_addclosefrom_np(setup.Actions(), 3))
        return SpawnResult::Failed(error);
#else
    return ForkExecSpawner().Spawn(program, argv, working_directory);
#endif
    pid_t pid = 0;
    // The C library reports a failed change of directory or exec in the
    // child as the call's own result.
    if (const int error =
            posix_spawn(&pid, path.c_str(), setup.Actions(), setup.Attributes(), args.data(), environ))
        return SpawnResult::Failed(error);
    ReapInBackground(pid);
    return SpawnResult::Started(pid);
#else
    return ForkExecSpawner().Spawn(program, argv, working_directory);
#endif
}

SpawnResult ForkExecSpawner::Spawn(const std::string& program, const std::vector<std::string>& argv,
                                   const std::string& working_directory) {
    const std::string path = AbsoluteProgram(program);
    std::vector<char*> args = ArgumentPointers(argv);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return SpawnResult::Failed(errno);
    UniqueFd report_read(fds[0]);
    UniqueFd report_write(fds[1]);

    const pid_t pid = fork();
    if (pid < 0) return SpawnResult::Failed(errno);
    if (pid == 0) ExecInChild(path.c_str(), args.data(), working_directory.c_str(), report_write.Get());

    // A successful exec closes the child's end, so the read sees end of file;
    // a failed one sends its errno first.
    report_write.Reset();
    int error = 0;
    ssize_t n;
    while ((n = read(report_read.Get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (n > 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return SpawnResult::Failed(error);
    }
    ReapInBackground(pid);
    return SpawnResult::Started(pid);
}

}  // namespace torvane

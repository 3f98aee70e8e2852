// SPDX-License-Identifier: GPL-2.0-or-later
// measure: runs a program to its end and tells what it cost that process
// alone: wall time from start to exit, CPU time (user + system) and peak
// resident memory, from the kernel's accounting of the child.
//
//   measure PROGRAM [ARG...]
//
// Prints one line on standard error: "measure: WALL_S CPU_S PEAK_KB STATUS".
// Started from a large program (a Python script), a child would inherit that
// program's pages until it runs its own and report them as its peak; this
// small launcher stands between them so that only the measured program's
// memory is seen.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>

extern char** environ;

namespace {

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: measure PROGRAM [ARG...]\n", stderr);
        return 2;
    }
    const double start = Now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::perror(argv[1]);
        return 127;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 127;
    }
    const double wall = Now() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::fprintf(stderr, "measure: %.6f %.6f %ld %d\n", wall,
                 Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss, code);
    return code;
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/lan_hosts.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace torvane::test {
namespace {

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("LAN host: failed: " + command);
}

// A pipe whose ends close with it.
struct Pipe {
    Pipe() {
        if (pipe2(fds.data(), O_CLOEXEC) != 0) throw std::runtime_error("LAN host: pipe");
    }
    ~Pipe() {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
    void CloseEnd(int end) {
        close(fds[end]);
        fds[end] = -1;
    }
    bool Read() { return ReadByte(fds[0]); }
    void Write() { (void)!write(fds[1], "x", 1); }
    static bool ReadByte(int fd) {
        char byte;
        ssize_t n;
        while ((n = read(fd, &byte, 1)) < 0 && errno == EINTR) {
        }
        return n == 1;
    }
    std::array<int, 2> fds{-1, -1};
};

}  // namespace

std::string LanHostAddress(int k) {
    return "10.99.0." + std::to_string(10 + k);
}

pid_t StartLanHost(int k, std::function<int()> body) {
    Pipe unshared;  // host -> LAN: my namespace exists
    Pipe wired;     // LAN -> host: your end of the cable is in it
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("LAN host: fork");
    if (pid == 0) {
        // Only the other side holds the ends this side does not use, so a
        // side that fails and ends is seen as the end of its pipe instead of
        // leaving the other waiting for good.
        unshared.CloseEnd(0);
        wired.CloseEnd(1);
        int result = 2;
        try {
            if (unshare(CLONE_NEWNET) != 0) _exit(3);
            unshared.Write();
            if (!wired.Read()) _exit(4);
            std::string e = "e";
            e += std::to_string(k);
            Shell("ip link set lo up && ip addr add " + LanHostAddress(k) + "/24 dev " + e +
                  " && ip link set " + e + " up && ip route add default dev " + e);
            unshared.Write();
            result = body();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
        }
        std::fflush(nullptr);
        _exit(result);
    }
    unshared.CloseEnd(1);
    wired.CloseEnd(0);
    const std::string n = std::to_string(k);
    try {
        if (!unshared.Read()) throw std::runtime_error("LAN host " + n + " did not start");
        // An earlier host k that has ended leaves its cable on the bridge
        // until the kernel has taken its namespace down, which it does in the
        // background: unplugged here, so that host k can be started again at
        // once. Host k always has the same hardware address, so the other
        // hosts' address caches still reach it when it comes back.
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:00:0a:63:00:%02x", 10 + k);
        Shell("{ ip link del v" + n + " 2>/dev/null || true; } && ip link add v" + n +
              " type veth peer name e" + n + " address " + mac + " && ip link set v" + n +
              " master br0 && ip link set v" + n + " up && ip link set e" + n + " netns " +
              std::to_string(pid));
        wired.Write();
        if (!unshared.Read()) throw std::runtime_error("LAN host " + n + " could not bring its network up");
    } catch (...) {
        StopLanHost(pid);
        throw;
    }
    return pid;
}

int WaitLanHost(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

void StopLanHost(pid_t pid) {
    kill(pid, SIGKILL);
    WaitLanHost(pid);
}

std::string RunOnLanHost(int k, const std::string& command, int& status) {
    Pipe output;
    const pid_t pid = StartLanHost(k, [&] {
        output.CloseEnd(0);
        dup2(output.fds[1], STDOUT_FILENO);
        const int result = std::system(command.c_str());
        return WIFEXITED(result) ? WEXITSTATUS(result) : 1;
    });
    output.CloseEnd(1);
    std::string text;
    std::array<char, 4096> chunk;
    ssize_t n;
    while ((n = read(output.fds[0], chunk.data(), chunk.size())) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) text.append(chunk.data(), static_cast<std::size_t>(n));
    status = WaitLanHost(pid);
    return text;
}

}  // namespace torvane::test

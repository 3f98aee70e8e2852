// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/isolated_lan.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_bridge.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace torvane::test {
namespace {

constexpr char kBridge[] = "br0";
constexpr char kBridgeAddress[] = "10.99.0.1";
constexpr char kBridgeMask[] = "255.255.255.0";
// Set in a test program run again inside a fresh namespace (see below).
constexpr char kInsideVariable[] = "TORVANE_TEST_INSIDE_PRIVATE_LAN";

// Waits for a child and turns its end into one status number.
int WaitForChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// A datagram socket serves as the handle for the interface ioctls.
class ControlSocket {
public:
    ControlSocket() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        if (fd_ < 0) Fail("socket");
    }
    ~ControlSocket() { close(fd_); }
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    void Ioctl(unsigned long request, void* arg, const char* what) const {
        if (ioctl(fd_, request, arg) < 0) Fail(what);
    }

    [[noreturn]] static void Fail(const char* what) {
        throw std::runtime_error(std::string("isolated LAN: ") + what + ": " + std::strerror(errno));
    }

private:
    int fd_;
};

ifreq Request(const char* name) {
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    return request;
}

void SetAddressField(sockaddr* field, const char* dotted) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, dotted, &address.sin_addr);
    std::memcpy(field, &address, sizeof address);
}

void BringUp(const ControlSocket& control, const char* name) {
    ifreq request = Request(name);
    control.Ioctl(SIOCGIFFLAGS, &request, "read interface flags");
    request.ifr_flags |= IFF_UP;
    control.Ioctl(SIOCSIFFLAGS, &request, "bring interface up");
}

void BuildLan() {
    ControlSocket control;
    BringUp(control, "lo");

    char bridge[IFNAMSIZ] = {};
    std::strncpy(bridge, kBridge, IFNAMSIZ - 1);
    control.Ioctl(SIOCBRADDBR, bridge, "create bridge");

    ifreq address = Request(kBridge);
    SetAddressField(&address.ifr_addr, kBridgeAddress);
    control.Ioctl(SIOCSIFADDR, &address, "set bridge address");
    ifreq mask = Request(kBridge);
    SetAddressField(&mask.ifr_netmask, kBridgeMask);
    control.Ioctl(SIOCSIFNETMASK, &mask, "set bridge netmask");
    BringUp(control, kBridge);

    // Without a default route the limited broadcast has nowhere to go.
    rtentry route{};
    SetAddressField(&route.rt_dst, "0.0.0.0");
    SetAddressField(&route.rt_genmask, "0.0.0.0");
    route.rt_flags = RTF_UP;
    route.rt_dev = bridge;
    control.Ioctl(SIOCADDRT, &route, "add default route");
}

// The LAN has no name server, while the machine's resolver configuration
// names one that is out of reach from here: each lookup of a name would wait
// out the resolver's timeouts (some six seconds a name). An empty
// configuration, seen only by this LAN's processes, makes the resolver ask
// loopback, where nothing listens, so a name fails at once, as on a LAN
// without a name server.
void RefuseNameServers() {
    if (unshare(CLONE_NEWNS) < 0) ControlSocket::Fail("unshare mounts");
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) < 0) ControlSocket::Fail("private mounts");
    if (access("/etc/resolv.conf", F_OK) == 0 &&
        mount("/dev/null", "/etc/resolv.conf", nullptr, MS_BIND, nullptr) < 0)
        ControlSocket::Fail("empty resolver configuration");
}

// Builds the LAN in the namespace this process is in and runs the body;
// the status a child ends with.
int BuildLanAndRun(const std::function<void()>& body) {
    try {
        BuildLan();
        RefuseNameServers();
        body();
        return ::testing::Test::HasFailure() ? 1 : 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "isolated LAN: the body threw\n");
    }
    return 2;
}

[[noreturn]] void RunChild(const std::function<void()>& body) {
    int code = 2;
    if (unshare(CLONE_NEWNET) == 0)
        code = BuildLanAndRun(body);
    else
        std::perror("isolated LAN: unshare");
    std::fflush(nullptr);
    // _exit: the child must not run the test program's own exit handlers.
    _exit(code);
}

// Whether this process runs more threads than its main one. A forked child
// has only the thread that forked, so a lock another thread held (Qt's
// D-Bus or painting threads, once a window has been shown) stays locked in
// the child for good.
bool HasOtherThreads() {
    std::error_code error;
    std::size_t threads = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++threads;
    return threads > 1;
}

// Runs the current test again, alone, in a new process inside a fresh
// namespace. Everything the child needs is made before the fork: between
// fork and exec it makes only system calls.
int RunTestAgainInNamespace() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr) return 2;
    std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<char*> arguments = {program.data(), filter.data(), nullptr};
    std::string inside = std::string(kInsideVariable) + "=1";
    std::vector<char*> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) environment.push_back(*variable);
    environment.push_back(inside.data());
    environment.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (unshare(CLONE_NEWNET) == 0) execve(program.c_str(), arguments.data(), environment.data());
        _exit(2);
    }
    return WaitForChild(pid);
}

}  // namespace

bool CanCreateNetworkNamespace() {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) _exit(unshare(CLONE_NEWNET) == 0 ? 0 : 1);
    return WaitForChild(pid) == 0;
}

int RunInIsolatedLan(std::function<void()> body) {
    // The test run again by the branch below: already in its namespace.
    if (std::getenv(kInsideVariable) != nullptr) return BuildLanAndRun(body);
    if (HasOtherThreads()) return RunTestAgainInNamespace();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) RunChild(body);
    return WaitForChild(pid);
}

}  // namespace torvane::test

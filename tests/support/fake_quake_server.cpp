// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/fake_quake_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

#include "support/lan_hosts.h"

namespace torvane::test {

std::string StatusReplyDatagram(const std::string& host_name, const std::string& map, int max_clients,
                                const std::vector<FakePlayer>& players) {
    return StatusReplyWithInfo("gamename\\baseq2\\hostname\\" + host_name + "\\maxclients\\" +
                                   std::to_string(max_clients) + "\\mapname\\" + map +
                                   "\\fraglimit\\20\\timelimit\\15",
                               players);
}

std::string StatusReplyWithInfo(const std::string& info, const std::vector<FakePlayer>& players) {
    std::string reply = "\xFF\xFF\xFF\xFFprint\n\\" + info + "\n";
    for (const FakePlayer& player : players)
        reply +=
            std::to_string(player.frags) + " " + std::to_string(player.ping) + " \"" + player.name + "\"\n";
    return reply;
}

namespace {

bool IsStatusQuery(const char* data, ssize_t length) {
    return length >= 10 && std::memcmp(data, "\xFF\xFF\xFF\xFFstatus", 10) == 0;
}

int BoundSocket(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
    return fd;
}

using Replies = std::function<std::vector<std::string>()>;

// `second_socket`: answer from a second socket (on an ephemeral port) too.
int Serve(uint16_t port, const Replies& replies_now, bool second_socket, int ready_fd) {
    const int fd = BoundSocket(port);
    const int second = second_socket ? BoundSocket(0) : fd;
    if (fd < 0 || second < 0) return 5;
    (void)!write(ready_fd, "x", 1);
    close(ready_fd);
    std::array<char, 2048> query;
    for (;;) {
        sockaddr_in from{};
        socklen_t from_length = sizeof from;
        const ssize_t n =
            recvfrom(fd, query.data(), query.size(), 0, reinterpret_cast<sockaddr*>(&from), &from_length);
        if (!IsStatusQuery(query.data(), n)) continue;
        for (const std::string& reply : replies_now()) {
            sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), from_length);
            if (second != fd)
                sendto(second, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from),
                       from_length);
        }
    }
}

pid_t StartServer(int k, uint16_t port, Replies replies, bool second_socket) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("fake server: pipe");
    const pid_t pid = StartLanHost(k, [&] {
        close(ready[0]);
        return Serve(port, replies, second_socket, ready[1]);
    });
    close(ready[1]);
    char byte;
    const bool bound = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    if (!bound) {
        StopLanHost(pid);
        throw std::runtime_error("fake server on host " + std::to_string(k) + " could not bind its port");
    }
    return pid;
}

}  // namespace

pid_t StartFakeQuakeServer(int k, uint16_t port, std::vector<std::string> replies) {
    return StartServer(
        k, port, [replies] { return replies; }, false);
}

pid_t StartTwoSocketQuakeServer(int k, uint16_t port, std::vector<std::string> replies) {
    return StartServer(
        k, port, [replies] { return replies; }, true);
}

pid_t StartScriptedQuakeServer(int k, uint16_t port, const std::string& reply_file) {
    return StartServer(
        k, port,
        [reply_file] {
            std::ifstream in(reply_file, std::ios::binary);
            return std::vector<std::string>{std::string(std::istreambuf_iterator<char>(in), {})};
        },
        false);
}

}  // namespace torvane::test

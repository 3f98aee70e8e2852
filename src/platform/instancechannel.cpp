// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/instancechannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace torvane {

namespace {

// How long either side waits for the other before giving up: a copy that
// hangs must not hang the one that knocks, nor the other way round.
constexpr int kPatienceMs = 5000;

std::optional<sockaddr_un> AbstractAddress(const std::string& name, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // The first byte stays 0: the abstract namespace.
    if (name.empty() || name.size() + 1 > sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return address;
}

bool WaitFor(int fd, short events) {
    pollfd entry{fd, events, 0};
    int result;
    do {
        result = poll(&entry, 1, kPatienceMs);
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

bool SameUser(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == getuid();
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        if (!WaitFor(fd, POLLOUT)) return false;
        const ssize_t sent = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

// Reads up to the first line end; nothing when the line does not come, is
// too long or the other side goes first.
std::optional<std::string> ReadLine(int fd, std::size_t limit) {
    std::string line;
    char buffer[256];
    while (true) {
        if (!WaitFor(fd, POLLIN)) return std::nullopt;
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return std::nullopt;
        line.append(buffer, static_cast<std::size_t>(got));
        const std::size_t end = line.find('\n');
        if (end != std::string::npos) {
            if (end > limit) return std::nullopt;
            line.resize(end);
            return line;
        }
        if (line.size() > limit) return std::nullopt;
    }
}

}  // namespace

std::string InstanceChannel::SessionName() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string name = "torvane." + std::to_string(getuid());
    if (runtime && *runtime) name += std::string(".") + runtime;
    return name.substr(0, sizeof(sockaddr_un::sun_path) - 1);
}

std::optional<InstanceChannel> InstanceChannel::Claim(const std::string& name) {
    socklen_t length = 0;
    const std::optional<sockaddr_un> address = AbstractAddress(name, length);
    if (!address) return std::nullopt;
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid()) return std::nullopt;
    if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&*address), length) != 0) return std::nullopt;
    if (listen(fd.Get(), 8) != 0) return std::nullopt;
    return InstanceChannel(std::move(fd));
}

bool InstanceChannel::HandOver(const std::string& name, const std::string& request) {
    socklen_t length = 0;
    const std::optional<sockaddr_un> address = AbstractAddress(name, length);
    if (!address || request.find('\n') != std::string::npos || request.size() > kMaxRequest) return false;
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) return false;
    if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&*address), length) != 0) return false;
    if (!SameUser(fd.Get()) || !WriteAll(fd.Get(), request + "\n")) return false;
    const std::optional<std::string> answer = ReadLine(fd.Get(), 16);
    return answer && *answer == "taken";
}

std::optional<InstanceChannel::Request> InstanceChannel::Accept() {
    UniqueFd peer(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!peer.Valid() || !SameUser(peer.Get())) return std::nullopt;
    std::optional<std::string> text = ReadLine(peer.Get(), kMaxRequest);
    if (!text) return std::nullopt;
    return Request{std::move(*text), std::move(peer)};
}

void InstanceChannel::Request::Taken() {
    if (Peer.Valid()) WriteAll(Peer.Get(), "taken\n");
    Peer.Reset();
}

}  // namespace torvane

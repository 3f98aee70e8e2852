// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Helpers shared by the socket component's tests.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "net/messageloop.h"
#include "net/wsocket.h"
#include "platform/uniquefd.h"
#include "support/isolated_lan.h"

namespace torvane::test {

// Opens the component's internals to the tests.
class ProbeSocket : public TWSocket {
public:
    using TCustomWSocket::ChangeState;
    using TCustomWSocket::FAddrSet;
    using TCustomWSocket::FLocalPort;
    using TCustomWSocket::FPortNumber;
    using TCustomWSocket::FPortSet;
    using TCustomWSocket::FProtoNumber;
    using TCustomWSocket::FProtoSet;
    using TCustomWSocket::FQueueDrained;
    using TCustomWSocket::FReadCount;
    using TCustomWSocket::FSendQueue;
    using TCustomWSocket::FSocketHandle;
    using TCustomWSocket::FSocketKind;
    using TCustomWSocket::FTargetAddress;
    using TWSocket::TWSocket;
};

// Every event of a socket, in order, as short texts ("State 7>1",
// "Connected 0", "Error", ...).
struct EventLog {
    std::vector<std::string> events;

    void Attach(TCustomWSocket& socket) {
        socket.OnChangeState = [this](TCustomWSocket&, TSocketState from, TSocketState to) {
            events.push_back("State " + std::to_string(from) + ">" + std::to_string(to));
        };
        socket.OnSessionConnected = [this](TCustomWSocket&, uint16_t error) { Add("Connected", error); };
        socket.OnSessionClosed = [this](TCustomWSocket&, uint16_t error) { Add("Closed", error); };
        socket.OnDataSent = [this](TCustomWSocket&, uint16_t error) { Add("DataSent", error); };
        socket.OnSessionAvailable = [this](TCustomWSocket&, uint16_t error) { Add("Available", error); };
        socket.OnDnsLookupDone = [this](TCustomWSocket&, uint16_t error) { Add("DnsDone", error); };
        socket.OnError = [this](TCustomWSocket&) { events.push_back("Error"); };
    }
    void Add(const char* name, uint16_t error) {
        events.push_back(std::string(name) + " " + std::to_string(error));
    }
    int Count(const std::string& event) const {
        int count = 0;
        for (const std::string& e : events) count += e == event;
        return count;
    }
};

// Pumps until `done` holds; gives up after a generous limit instead of
// hanging the test run.
inline bool PumpUntil(MessageLoop& loop, const std::function<bool()>& done, int limitMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        loop.WaitAndProcessMessages(20);
    }
    return true;
}

// Dispatches everything that is pending now (readiness included).
inline void Drain(MessageLoop& loop) {
    for (int round = 0; round < 5; ++round) loop.WaitAndProcessMessages(0);
}

inline sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A plain UDP socket bound to `address` (an automatic loopback port by
// default), the independent end of the component's datagrams.
class BareUdp {
public:
    explicit BareUdp(sockaddr_in address = Loopback(0))
        : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        EXPECT_EQ(0, ::bind(fd_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address));
    }
    int Fd() const { return fd_.Get(); }
    uint16_t Port() const {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        ::getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }
    void SendTo(uint16_t port, const std::string& bytes) const {
        const sockaddr_in target = Loopback(port);
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()),
                  ::sendto(fd_.Get(), bytes.data(), bytes.size(), 0,
                           reinterpret_cast<const sockaddr*>(&target), sizeof target));
    }
    // The datagrams that arrive within `waitMs` of each other.
    std::vector<std::string> Receive(int waitMs = 500) const {
        std::vector<std::string> datagrams;
        pollfd ready{fd_.Get(), POLLIN, 0};
        while (::poll(&ready, 1, datagrams.empty() ? waitMs : 50) == 1) {
            char buffer[70000];
            const ssize_t length = ::recv(fd_.Get(), buffer, sizeof buffer, 0);
            if (length < 0) break;
            datagrams.emplace_back(buffer, static_cast<size_t>(length));
        }
        return datagrams;
    }

private:
    UniqueFd fd_;
};

// The text of the ESocketException that `action` throws.
template <typename Action>
std::string ThrownText(Action action) {
    try {
        action();
    } catch (const ESocketException& error) {
        return error.what();
    }
    return "<nothing thrown>";
}

// Tests that send broadcasts or look names up on a private LAN of their own.
class PrivateLanTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanCreateNetworkNamespace()) GTEST_SKIP() << "needs root to create a private network namespace";
    }
};

// A UDP socket component set up for `addr`:`port`.
inline void SetUdp(TCustomWSocket& socket, const std::string& addr, const std::string& port) {
    socket.SetProto("udp");
    socket.SetAddr(addr);
    socket.SetPort(port);
}

}  // namespace torvane::test

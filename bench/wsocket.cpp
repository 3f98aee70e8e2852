// SPDX-License-Identifier: GPL-2.0-or-later
// Receive rate of the socket component against a bare recvfrom loop, in the
// same run: each round floods a loopback socket with a burst of datagrams
// (untimed), then times how long it takes to take them all out, once through
// TWSocket (notification, receive loop, OnDataAvailable, ReceiveFrom) and
// once with plain non-blocking recvfrom calls. Compare items_per_second.

#include "net/wsocket.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <stdexcept>
#include <string>

#include "net/messageloop.h"
#include "platform/uniquefd.h"

namespace torvane {
namespace {

constexpr int kBurst = 512;      // datagrams per round
constexpr size_t kPayload = 64;  // bytes each, about a status query or a peer message
constexpr int kReceiveBuffer = 8 << 20;

sockaddr_in LoopbackPort(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

uint16_t LocalPort(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

// Room for a whole burst, so that none of it is dropped before it is read.
void WidenReceiveBuffer(int fd) {
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBuffer, sizeof kReceiveBuffer) != 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
    }
}

class Flood {
public:
    explicit Flood(uint16_t port)
        : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
          target_(LoopbackPort(port)),
          payload_(kPayload, 'f') {}

    void Burst() const {
        for (int i = 0; i < kBurst; ++i) {
            sendto(fd_.Get(), payload_.data(), payload_.size(), 0,
                   reinterpret_cast<const sockaddr*>(&target_), sizeof target_);
        }
    }

private:
    UniqueFd fd_;
    sockaddr_in target_;
    std::string payload_;
};

void BM_BareRecvfrom(benchmark::State& state) {
    UniqueFd fd(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const sockaddr_in any = LoopbackPort(0);
    if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0)
        throw std::runtime_error("bind");
    WidenReceiveBuffer(fd.Get());
    const Flood flood(LocalPort(fd.Get()));
    int64_t received = 0;
    char buffer[2048];
    for (auto _ : state) {
        state.PauseTiming();
        flood.Burst();
        state.ResumeTiming();
        for (;;) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            if (recvfrom(fd.Get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length) < 0)
                break;
            ++received;
        }
    }
    state.SetItemsProcessed(received);
    state.counters["lost"] = static_cast<double>(state.iterations() * kBurst - received);
}

void BM_WSocketReceive(benchmark::State& state) {
    MessageLoop loop;
    TWSocket socket(loop);
    socket.SetProto("udp");
    socket.SetAddr("127.0.0.1");
    socket.SetPort("0");
    if (socket.Listen() != 0) throw std::runtime_error("Listen");
    int64_t received = 0;
    char buffer[2048];
    socket.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        sockaddr_in from{};
        int length = sizeof from;
        if (sender.ReceiveFrom(buffer, sizeof buffer, from, length) >= 0) ++received;
    };
    WidenReceiveBuffer(socket.HSocket());  // the same room as the bare socket
    const uint16_t port = static_cast<uint16_t>(std::stoi(socket.GetXPort()));
    const Flood flood(port);
    int64_t expected = 0;
    for (auto _ : state) {
        state.PauseTiming();
        flood.Burst();
        expected = received + kBurst;
        state.ResumeTiming();
        // Everything of the burst that arrived is delivered by the first
        // dispatch; the second finds nothing and ends the round.
        while (loop.WaitAndProcessMessages(0) && received < expected) {
        }
    }
    state.SetItemsProcessed(received);
    state.counters["lost"] = static_cast<double>(state.iterations() * kBurst - received);
}

BENCHMARK(BM_BareRecvfrom)->UseRealTime();
BENCHMARK(BM_WSocketReceive)->UseRealTime();

}  // namespace
}  // namespace torvane

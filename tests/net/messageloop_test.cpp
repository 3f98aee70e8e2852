#include "net/messageloop.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/uniquefd.h"

namespace torvane {
namespace {

// A non-blocking UDP socket bound to an automatic loopback port.
UniqueFd LoopbackUdp() {
    UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    return fd;
}

sockaddr_in LocalAddress(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return addr;
}

void SendTo(int from, int to, const std::string& text) {
    sockaddr_in addr = LocalAddress(to);
    ASSERT_EQ(::sendto(from, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr),
              static_cast<ssize_t>(text.size()));
}

std::string ReceiveOne(int fd) {
    char buffer[2048];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    return n < 0 ? std::string("<none>") : std::string(buffer, static_cast<size_t>(n));
}

// Pumps until `done` holds, failing after a generous limit instead of
// hanging.
template <typename Pred>
bool PumpUntil(MessageLoop& loop, Pred done, int limit_ms = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        loop.WaitAndProcessMessages(20);
    }
    return true;
}

TEST(MessageLoopTest, PostedMessagesAndSocketNotificationsKeepQueueOrder) {
    MessageLoop loop;
    UniqueFd rx = LoopbackUdp();
    UniqueFd tx = LoopbackUdp();
    std::vector<std::string> log;
    WatchId id = loop.Watch(rx.Get(), kWatchRead, [&](int fd, uint32_t events, int) {
        ASSERT_EQ(events, kWatchRead);
        log.push_back("read:" + ReceiveOne(fd));
        loop.Reenable(id, kWatchRead);
    });
    ASSERT_NE(id, 0u);

    loop.Post([&] { log.push_back("first"); });
    SendTo(tx.Get(), rx.Get(), "ping");
    // The datagram is waiting, but its notification joins the queue only
    // when the loop polls, behind both posted messages.
    loop.Post([&] { log.push_back("second"); });
    loop.ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "read:ping"}));

    // A message posted by a handler goes behind the notification queued in
    // the same round.
    log.clear();
    loop.Post([&] {
        log.push_back("outer");
        loop.Post([&] { log.push_back("inner"); });
    });
    SendTo(tx.Get(), rx.Get(), "pong");
    ASSERT_TRUE(PumpUntil(loop, [&] { return log.size() == 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "read:pong", "inner"}));
    loop.Unwatch(id);
}

}  // namespace
}  // namespace torvane

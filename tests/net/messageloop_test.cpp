// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/messageloop.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
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

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

// Makes sure a timer of `ms` has expired at least once before the loop
// looks again; a lower bound only, never a measurement.
void OutlastInterval(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms * 5 + 10));
}

struct Recorder {
    std::vector<uint32_t> events;
    WatchHandler Handler() {
        return [this](int, uint32_t bits, int) { events.push_back(bits); };
    }
    size_t Count(uint32_t bit) const { return std::count(events.begin(), events.end(), bit); }
};

// A watched loopback datagram socket `rx` and a sender `tx`.
class WatchTest : public testing::Test {
protected:
    void Send(const std::string& text) { SendTo(tx.Get(), rx.Get(), text); }

    MessageLoop loop;
    UniqueFd tx = LoopbackUdp();
    UniqueFd rx = LoopbackUdp();
    Recorder rec;
};

TEST_F(WatchTest, PostedMessagesAndSocketNotificationsKeepQueueOrder) {
    std::vector<std::string> log;
    WatchId id = loop.Watch(rx.Get(), kWatchRead, [&](int fd, uint32_t events, int) {
        ASSERT_EQ(events, kWatchRead);
        log.push_back("read:" + ReceiveOne(fd));
        loop.Reenable(id, kWatchRead);
    });
    ASSERT_NE(id, 0u);

    loop.Post([&] { log.push_back("first"); });
    Send("ping");
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
    Send("pong");
    ASSERT_TRUE(PumpUntil(loop, [&] { return log.size() == 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "read:pong", "inner"}));
    loop.Unwatch(id);
}

TEST_F(WatchTest, ReadIsQueuedAgainOnlyAfterReenable) {
    WatchId id = loop.Watch(rx.Get(), kWatchRead, rec.Handler());
    ASSERT_NE(id, 0u);

    Send("a");
    Send("b");
    loop.ProcessMessages();
    loop.ProcessMessages();
    // Two datagrams wait, but one read notification until the socket reads.
    EXPECT_EQ(rec.events, (std::vector<uint32_t>{kWatchRead}));

    // Reading one and re-enabling: the other one still waits, so another
    // read is queued.
    EXPECT_EQ(ReceiveOne(rx.Get()), "a");
    loop.Reenable(id, kWatchRead);
    loop.ProcessMessages();
    EXPECT_EQ(rec.Count(kWatchRead), 2u);

    // Drained before re-enabling: nothing more is queued.
    EXPECT_EQ(ReceiveOne(rx.Get()), "b");
    loop.Reenable(id, kWatchRead);
    loop.ProcessMessages();
    EXPECT_EQ(rec.Count(kWatchRead), 2u);

    // Re-enabled while empty: the next datagram is reported.
    Send("c");
    loop.ProcessMessages();
    EXPECT_EQ(rec.Count(kWatchRead), 3u);
    loop.Unwatch(id);
}

TEST_F(WatchTest, WriteIsQueuedOnceAfterRegistrationThenOnlyWhenReenabled) {
    WatchId id = loop.Watch(rx.Get(), kWatchRead | kWatchWrite, rec.Handler());
    loop.ProcessMessages();
    loop.ProcessMessages();
    EXPECT_EQ(rec.events, (std::vector<uint32_t>{kWatchWrite}));

    loop.Reenable(id, kWatchWrite);  // as after a send that would block
    loop.ProcessMessages();
    EXPECT_EQ(rec.Count(kWatchWrite), 2u);

    // Registering anew arms everything afresh.
    ASSERT_TRUE(loop.Select(id, kWatchRead | kWatchWrite));
    loop.ProcessMessages();
    EXPECT_EQ(rec.Count(kWatchWrite), 3u);

    // Re-enabling an event outside the set does nothing.
    ASSERT_TRUE(loop.Select(id, kWatchRead));
    loop.Reenable(id, kWatchWrite);
    loop.ProcessMessages();
    EXPECT_EQ(rec.Count(kWatchWrite), 3u);
    loop.Unwatch(id);
}

TEST_F(WatchTest, EmptyEventSetStopsNotificationsUntilSelectedAgain) {
    WatchId id = loop.Watch(rx.Get(), kWatchRead, rec.Handler());
    ASSERT_TRUE(loop.Select(id, 0));
    Send("x");
    loop.Reenable(id, kWatchRead);
    loop.ProcessMessages();
    EXPECT_TRUE(rec.events.empty());

    ASSERT_TRUE(loop.Select(id, kWatchRead));
    loop.ProcessMessages();
    EXPECT_EQ(rec.events, (std::vector<uint32_t>{kWatchRead}));
    loop.Unwatch(id);
}

TEST_F(WatchTest, NotificationsOfARemovedWatchAreDroppedEvenWhenTheNumberIsReused) {
    int old_calls = 0;
    WatchId old_id = loop.Watch(rx.Get(), kWatchRead, [&](int, uint32_t, int) { ++old_calls; });
    Send("stale");
    // Queue the read and a posted notification, then drop the watch and
    // close the socket from a message that runs first.
    loop.Post([&] {
        loop.Unwatch(old_id);
        int number = rx.Get();
        rx.Reset();
        UniqueFd reused = LoopbackUdp();
        ASSERT_EQ(reused.Get(), number);  // the descriptor number is reused
        rx = std::move(reused);
    });
    loop.PostNotification(old_id, kWatchWrite, 0);
    loop.ProcessMessages();
    EXPECT_EQ(old_calls, 0);
    EXPECT_FALSE(loop.IsWatched(old_id));

    // The new socket on the same number gets only its own notifications.
    WatchId new_id = loop.Watch(rx.Get(), kWatchRead, rec.Handler());
    ASSERT_NE(new_id, old_id);
    loop.PostNotification(old_id, kWatchRead, 0);
    loop.ProcessMessages();
    EXPECT_TRUE(rec.events.empty());
    Send("fresh");
    loop.ProcessMessages();
    EXPECT_EQ(rec.events, (std::vector<uint32_t>{kWatchRead}));
    EXPECT_EQ(old_calls, 0);
    loop.Unwatch(new_id);
}

TEST_F(WatchTest, SelectAfterTheDescriptorWasClosedAndItsNumberReusedWatchesTheNewSocket) {
    WatchId id = loop.Watch(rx.Get(), kWatchRead, rec.Handler());
    int number = rx.Get();
    rx.Reset();  // closed without Unwatch: the kernel forgets it
    rx = LoopbackUdp();
    ASSERT_EQ(rx.Get(), number);
    ASSERT_TRUE(loop.Select(id, kWatchRead));
    Send("x");
    loop.ProcessMessages();
    EXPECT_EQ(rec.events, (std::vector<uint32_t>{kWatchRead}));
    loop.Unwatch(id);
}

TEST_F(WatchTest, PostedNotificationCarriesItsErrorAndKeepsItsPlace) {
    std::vector<std::string> log;
    WatchId id = loop.Watch(rx.Get(), kWatchWrite, [&](int got_fd, uint32_t events, int error) {
        EXPECT_EQ(got_fd, rx.Get());
        log.push_back("notify " + std::to_string(events) + "/" + std::to_string(error));
    });
    // Posted before the loop has polled the platform: it goes first, and
    // does not stand in for the platform's own write notification.
    loop.PostNotification(id, kWatchWrite, 10035);
    loop.Post([&] { log.push_back("posted"); });
    loop.ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"notify 2/10035", "posted", "notify 2/0"}));
    loop.Unwatch(id);
}

TEST(MessageLoopTest, HangupIsQueuedOncePerRegistration) {
    MessageLoop loop;
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair), 0);
    UniqueFd ours(pair[0]);
    UniqueFd peer(pair[1]);
    Recorder rec;
    WatchId id = loop.Watch(ours.Get(), kWatchRead | kWatchHangup, rec.Handler());
    peer.Reset();
    loop.ProcessMessages();
    loop.Reenable(id, kWatchRead | kWatchHangup);  // hang-up is not re-armed this way
    loop.ProcessMessages();
    EXPECT_EQ(rec.Count(kWatchHangup), 1u);
    EXPECT_EQ(rec.Count(kWatchRead), 2u);  // end of stream stays readable
    // Without anything armed the closed stream stays quiet.
    loop.ProcessMessages();
    EXPECT_EQ(rec.events.size(), 3u);
    loop.Unwatch(id);
}

TEST(MessageLoopTest, WatchReportsPlatformRefusal) {
    MessageLoop loop;
    errno = 0;
    EXPECT_EQ(loop.Watch(-1, kWatchRead, nullptr), 0u);
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(loop.Select(12345, kWatchRead));
}

class WindowTimerTest : public testing::Test {
protected:
    // Makes `t` count its ticks every `ms`.
    void Count(WindowTimer& t, uint32_t ms) {
        t.SetInterval(ms);
        t.SetOnTimer([this] { ++ticks; });
    }

    MessageLoop loop;
    WindowTimer timer{loop};
    int ticks = 0;
};

TEST_F(WindowTimerTest, TicksRepeatedlyWhileEnabled) {
    Count(timer, 2);
    EXPECT_TRUE(timer.Running());
    ASSERT_TRUE(PumpUntil(loop, [&] { return ticks >= 3; }));
}

// Periods of 50 ms where a test expects exactly one tick: a loaded machine
// may take longer than 1 ms to dispatch, and a re-armed 1 ms timer would tick
// again within the same call.
TEST_F(WindowTimerTest, MissedTicksAreNotMadeUp) {
    Count(timer, 50);
    OutlastInterval(50);  // five periods
    loop.ProcessMessages();
    EXPECT_EQ(ticks, 1);
}

TEST_F(WindowTimerTest, ZeroIntervalDisabledOrUnhandledTimersNeverTick) {
    Count(timer, 0);
    WindowTimer disabled(loop);
    disabled.SetEnabled(false);
    Count(disabled, 1);
    WindowTimer unhandled(loop);
    unhandled.SetInterval(1);
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(disabled.Running());
    EXPECT_FALSE(unhandled.Running());
    OutlastInterval(1);
    EXPECT_FALSE(loop.WaitAndProcessMessages(20));
    EXPECT_EQ(ticks, 0);
}

TEST_F(WindowTimerTest, ChangingTheIntervalRestartsThePeriod) {
    Count(timer, 1);
    OutlastInterval(1);  // a 1 ms period has surely elapsed
    timer.SetInterval(60'000);
    loop.ProcessMessages();
    EXPECT_EQ(ticks, 0);  // the new period began at the change

    // Setting the same interval again changes nothing.
    timer.SetInterval(50);
    OutlastInterval(50);
    timer.SetInterval(50);
    loop.ProcessMessages();
    EXPECT_EQ(ticks, 1);
}

TEST_F(WindowTimerTest, EnablingARunningTimerKeepsItsPhase) {
    Count(timer, 50);
    OutlastInterval(50);
    timer.SetEnabled(true);  // already enabled: the elapsed period still counts
    loop.ProcessMessages();
    EXPECT_EQ(ticks, 1);
}

TEST_F(WindowTimerTest, DisablingDropsATickAlreadyQueued) {
    Count(timer, 1);
    OutlastInterval(1);
    // Runs first; the tick is queued behind it in the same round.
    loop.Post([&] { timer.SetEnabled(false); });
    loop.ProcessMessages();
    EXPECT_EQ(ticks, 0);

    // Enabled again it starts a new period.
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil(loop, [&] { return ticks == 1; }));
}

TEST_F(WindowTimerTest, ATimerDestroyedWithATickQueuedIsForgotten) {
    auto doomed = std::make_unique<WindowTimer>(loop);
    Count(*doomed, 1);
    OutlastInterval(1);
    loop.Post([&] { doomed.reset(); });
    loop.ProcessMessages();
    EXPECT_EQ(ticks, 0);
}

TEST(MessageLoopTest, NestedPumpDispatchesInsideAHandlerAndCallsTheHook) {
    MessageLoop loop;
    std::vector<std::string> log;
    int hook_calls = 0;
    loop.SetNestedPumpHook([&] { ++hook_calls; });
    loop.Post([&] {
        log.push_back("outer begins");
        loop.Post([&] { log.push_back("inner"); });
        loop.ProcessMessages();
        log.push_back("outer ends");
    });
    loop.Post([&] { log.push_back("queued before"); });
    loop.DispatchPending();  // the desktop's own entry: no hook
    EXPECT_EQ(log, (std::vector<std::string>{"outer begins", "queued before", "inner", "outer ends"}));
    EXPECT_EQ(hook_calls, 1);
}

TEST(MessageLoopTest, DescriptorIsReadableExactlyWhileSomethingIsPending) {
    MessageLoop loop;
    EXPECT_FALSE(Readable(loop.Descriptor()));

    loop.Post([] {});
    EXPECT_TRUE(Readable(loop.Descriptor()));
    loop.DispatchPending();
    EXPECT_FALSE(Readable(loop.Descriptor()));

    UniqueFd rx = LoopbackUdp();
    UniqueFd tx = LoopbackUdp();
    int reads = 0;
    WatchId id = loop.Watch(rx.Get(), kWatchRead, [&](int, uint32_t, int) { ++reads; });
    SendTo(tx.Get(), rx.Get(), "x");
    EXPECT_TRUE(Readable(loop.Descriptor()));
    loop.DispatchPending();
    EXPECT_EQ(reads, 1);
    EXPECT_FALSE(Readable(loop.Descriptor()));
    loop.Unwatch(id);

    WindowTimer timer(loop);
    timer.SetInterval(1);
    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    OutlastInterval(1);
    EXPECT_TRUE(Readable(loop.Descriptor()));
    loop.DispatchPending();
    // A 1 ms timer may fall due again while a busy machine dispatches.
    EXPECT_GE(ticks, 1);
}

TEST(MessageLoopTest, DesktopDispatchReturnsWhileHandlersKeepQueueingMore) {
    MessageLoop loop;
    int rounds = 0;
    std::function<void()> again = [&] {
        ++rounds;
        loop.Post(again);
    };
    loop.Post(again);
    loop.DispatchPending();
    EXPECT_EQ(rounds, 1);
    EXPECT_TRUE(Readable(loop.Descriptor()));
    loop.DispatchPending();
    EXPECT_EQ(rounds, 2);
}

TEST(MessageLoopTest, PostsFromOtherThreadsArriveInOrderAndQuitEndsRun) {
    MessageLoop loop;
    std::vector<int> seen;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) loop.Post([&seen, i] { seen.push_back(i); });
        loop.Post([&] { loop.Quit(); });
    });
    loop.Run();
    worker.join();
    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);
    EXPECT_TRUE(loop.Terminated());
    loop.Run();  // already terminated: returns at once
}

TEST(MessageLoopTest, RunIdlesQuietlyBetweenMessages) {
    MessageLoop loop;
    std::atomic<bool> handled{false};
    bool idle_seen = false;
    std::thread worker([&] {
        loop.Post([&] { handled = true; });
        while (!handled) std::this_thread::yield();
        // Once Run has nothing left, its descriptor must go quiet; a wake
        // signal left standing would make Run spin on it.
        for (int i = 0; i < 1000 && !idle_seen; ++i) {
            idle_seen = !Readable(loop.Descriptor());
            if (!idle_seen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        loop.Quit();
    });
    loop.Run();
    worker.join();
    EXPECT_TRUE(idle_seen);
}

TEST(MessageLoopTest, QuitFromAnotherThreadWakesABlockedRun) {
    MessageLoop loop;
    std::thread worker([&] { loop.Quit(); });
    loop.Run();
    worker.join();
    EXPECT_TRUE(loop.Terminated());
}

TEST(MessageLoopTest, ExceptionsGoToTheHandlerAndTheLoopGoesOn) {
    MessageLoop loop;
    std::vector<std::string> log;
    loop.Post([] { throw std::runtime_error("first"); });
    loop.Post([&] { log.push_back("after"); });

    // Without a handler the exception reaches the pump's caller; the
    // message that threw is consumed, the rest stays queued.
    EXPECT_THROW(loop.ProcessMessages(), std::runtime_error);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(loop.PendingCount(), 1u);
    loop.ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"after"}));

    loop.SetExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            log.push_back(std::string("caught ") + e.what());
        }
    });
    loop.Post([] { throw std::runtime_error("second"); });
    loop.Post([&] { log.push_back("goes on"); });
    loop.ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"after", "caught second", "goes on"}));
}

TEST(MessageLoopTest, CurrentIsTheInnermostLoopOfTheThread) {
    MessageLoop outer;
    EXPECT_EQ(&MessageLoop::Current(), &outer);
    {
        MessageLoop inner;
        EXPECT_EQ(&MessageLoop::Current(), &inner);
    }
    EXPECT_EQ(&MessageLoop::Current(), &outer);
    MessageLoop* other_thread = nullptr;
    std::thread([&] { other_thread = &MessageLoop::Current(); }).join();
    EXPECT_NE(other_thread, &outer);
}

}  // namespace
}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
// Waiting for a state and flushing, with and without MultiThreaded.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/messageloop.h"
#include "net/wait.h"
#include "net/wsocket.h"
#include "platform/clock.h"
#include "wsocket_testing.h"

namespace torvane::test {
namespace {

using Events = std::vector<std::string>;

class WSocketWaitTest : public ::testing::Test {
protected:
    MessageLoop loop;
    ManualClock clock;
    EventLog log;
    ProbeSocket socket{loop, clock};
    BareUdp peer;
};

TEST_F(WSocketWaitTest, MultiThreadedWaitGivesUpWhenTheClockPassesTheTimeout) {
    socket.SetMultiThreaded(true);
    int steps = 0;
    // Each tick moves the clock one second on. Ticks far apart in real time,
    // so that a loaded machine never sees two of them in one pump round.
    WindowTimer ticker(loop);
    ticker.SetInterval(30);
    ticker.SetOnTimer([&] {
        ++steps;
        clock.AdvanceMs(1000);
    });
    EXPECT_FALSE(socket.Wait(2, wsConnected));
    EXPECT_EQ(3, steps);  // 1 s and 2 s are within the limit, 3 s is past it
    EXPECT_EQ(wsClosed, socket.State());
}

TEST_F(WSocketWaitTest, MultiThreadedWaitEndsWhenTheStateIsReached) {
    socket.SetMultiThreaded(true);
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    loop.Post([&] { socket.Connect(); });
    EXPECT_TRUE(socket.Wait(2, wsConnected));
    EXPECT_TRUE(socket.Wait(2, wsConnected));  // already there: at once
}

TEST_F(WSocketWaitTest, WaitControlTimesOutAfterItsCount) {
    TWait wait(loop);
    wait.SetInterval(5);  // a fast count: the logic is the same
    socket.SetWaitCtrl(&wait);
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    EXPECT_FALSE(socket.Wait(3, wsListening));
    EXPECT_EQ(TCustomWait::kModalTimedOut, wait.ModalResult());
    EXPECT_FALSE(wait.Visible());
    EXPECT_EQ(wsConnected, socket.State());
}

TEST_F(WSocketWaitTest, WaitForConnectedStopsWhenTheSocketCloses) {
    TWait wait(loop);
    socket.SetWaitCtrl(&wait);
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    socket.ChangeState(wsOpened);  // pretend the session is not up yet
    loop.Post([&] { socket.Close(); });
    EXPECT_FALSE(socket.Wait(30, wsConnected));
    EXPECT_EQ(TCustomWait::kModalStopped, wait.ModalResult());
}

TEST_F(WSocketWaitTest, WithoutWaitControlWaitAndFlushReport) {
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    EXPECT_EQ("Error 11004 in function TWSocket.Wait\r\nNo Data",
              ThrownText([&] { socket.Wait(1, wsListening); }));
    EXPECT_EQ("No wait object assigned", ThrownText([&] { socket.Flush(); }));
    EXPECT_EQ(wsConnected, socket.State());
}

TEST_F(WSocketWaitTest, FlushSendsWhatIsQueuedInBothModes) {
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    socket.PutStringInSendBuffer("queued only");
    socket.SetMultiThreaded(true);
    socket.Send("", 0);  // drains what was put in the queue
    EXPECT_EQ(Events{"queued only"}, peer.Receive());

    TWait wait(loop);
    socket.SetWaitCtrl(&wait);
    socket.SetMultiThreaded(false);
    socket.PutStringInSendBuffer("flushed");
    socket.FQueueDrained = false;
    socket.Flush();
    EXPECT_EQ(Events{"flushed"}, peer.Receive());
    EXPECT_TRUE(socket.FQueueDrained);
    EXPECT_FALSE(wait.Running());
    EXPECT_FALSE(wait.Visible());
}

TEST_F(WSocketWaitTest, TimerValuesAreSetWhenEitherPartIsAndCompareWholly) {
    timeval a{}, b{};
    EXPECT_FALSE(socket.TimerIsSet(a));
    a.tv_usec = 1;
    EXPECT_TRUE(socket.TimerIsSet(a));
    EXPECT_TRUE(socket.TimerCmp(a, a, true));
    EXPECT_FALSE(socket.TimerCmp(a, a, false));
    b.tv_sec = 1;
    b.tv_usec = 1;
    EXPECT_TRUE(socket.TimerCmp(a, b, false));  // equal microseconds, other seconds
    EXPECT_FALSE(socket.TimerCmp(a, b, true));
    socket.TimerClear(b);
    EXPECT_FALSE(socket.TimerIsSet(b));
    EXPECT_TRUE(socket.TimerCmp(b, timeval{}, true));
}

}  // namespace
}  // namespace torvane::test

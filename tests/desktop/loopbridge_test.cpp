// SPDX-License-Identifier: GPL-2.0-or-later
// The core's loop driven by Qt's: posted messages, timers and nested waits.

#include "desktop/loopbridge.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <functional>

namespace torvane {
namespace {

// Runs Qt's loop until `done` or a generous deadline.
template <typename Done>
bool RunQtUntil(Done done, int limit_ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit_ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

TEST(LoopBridge, QtsLoopDispatchesPostsAndTimerTicksOfTheCore) {
    MessageLoop loop;
    LoopBridge bridge(loop);
    bool posted = false;
    loop.Post([&] { posted = true; });
    WindowTimer timer(loop);
    timer.SetInterval(20);
    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    EXPECT_TRUE(RunQtUntil([&] { return posted && ticks >= 2; }));
}

TEST(LoopBridge, ANestedWaitOfTheCoreLetsQtRunItsOwnEvents) {
    MessageLoop loop;
    LoopBridge bridge(loop);
    bool qt_event_seen = false;
    bool finished = false;
    loop.Post([&] {
        QTimer::singleShot(0, [&] { qt_event_seen = true; });
        // A socket's flush waits like this; Qt's events must not stall.
        for (int i = 0; i < 100 && !qt_event_seen; ++i) loop.WaitAndProcessMessages(10);
        finished = true;
    });
    EXPECT_TRUE(RunQtUntil([&] { return finished; }));
    EXPECT_TRUE(qt_event_seen);
}

TEST(LoopBridge, QtEventsRunBetweenRoundsOfAnEndlessStreamOfMessages) {
    MessageLoop loop;
    LoopBridge bridge(loop);
    int rounds = 0;
    std::function<void()> again = [&] {
        ++rounds;
        loop.Post(again);
    };
    loop.Post(again);
    bool qt_event_seen = false;
    QTimer::singleShot(0, [&] { qt_event_seen = true; });
    EXPECT_TRUE(RunQtUntil([&] { return qt_event_seen; }));
    EXPECT_GE(rounds, 1);
}

// How many rounds of a chain of 100 messages, each posting the next, have
// run when Qt's loop next has its turn.
int RoundsBeforeQtsTurn(std::chrono::milliseconds slice) {
    MessageLoop loop;
    LoopBridge bridge(loop, nullptr, slice);
    int rounds = 0;
    int rounds_at_qts_turn = -1;
    std::function<void()> next = [&] {
        // Qt's next turn is asked for from inside the first round.
        if (++rounds == 1) QTimer::singleShot(0, [&] { rounds_at_qts_turn = rounds; });
        if (rounds < 100) loop.Post(next);
    };
    loop.Post(next);
    EXPECT_TRUE(RunQtUntil([&] { return rounds == 100 && rounds_at_qts_turn >= 0; }));
    return rounds_at_qts_turn;
}

TEST(LoopBridge, RoundsThatFollowOneAnotherRunBackToBackWithinTheSlice) {
    // One long slice: the whole chain before Qt's turn, so Qt repaints once.
    EXPECT_EQ(RoundsBeforeQtsTurn(std::chrono::minutes(1)), 100);
    // No slice: Qt's turn comes after every round.
    EXPECT_EQ(RoundsBeforeQtsTurn(std::chrono::milliseconds(0)), 1);
}

}  // namespace
}  // namespace torvane

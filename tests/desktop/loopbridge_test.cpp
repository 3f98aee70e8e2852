// The core's loop driven by Qt's: posted messages, timers and nested waits.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "app/loopbridge_qt.h"

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

}  // namespace
}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/messageloop.h"

namespace torvane {
namespace {

// Lets a test drive the count tick by tick instead of by the clock.
class CountedWait : public TWait {
public:
    using TWait::TimerEvent;
    using TWait::TWait;
};

class FakeWaitView : public TWaitView {
public:
    void Invalidate() override { ++invalidations; }
    void SetVisible(bool visible) override { log.push_back(visible ? "show" : "hide"); }
    void SetInputFilter(bool installed) override { log.push_back(installed ? "filter on" : "filter off"); }
    void Beep() override { ++beeps; }

    int invalidations = 0;
    int beeps = 0;
    std::vector<std::string> log;
};

// Records the events of a wait control in order.
struct EventLog {
    std::vector<std::string> lines;
    void Attach(TCustomWait& wait) {
        wait.OnWait = [this](TCustomWait*, int32_t count) {
            lines.push_back("wait " + std::to_string(count));
        };
        wait.OnWaitStart = [this](TCustomWait*) { lines.push_back("start"); };
        wait.OnWaitStop = [this](TCustomWait*) { lines.push_back("stop"); };
        wait.OnTimeout = [this](TCustomWait*) { lines.push_back("timeout"); };
    }
};

class TWaitTest : public testing::Test {
protected:
    TWaitTest() {
        wait.SetView(&view);
        events.Attach(wait);
    }

    MessageLoop loop;
    FakeWaitView view;
    CountedWait wait{loop};
    EventLog events;
};

TEST_F(TWaitTest, StartsIdleWithItsDefaults) {
    EXPECT_EQ(wait.Caption(), "60");
    EXPECT_EQ(wait.StartCount(), 60);
    EXPECT_EQ(wait.ModalResult(), 0);
    EXPECT_FALSE(wait.Running());
    EXPECT_EQ(wait.Interval(), 1000);
    EXPECT_TRUE(wait.Visible());
    EXPECT_EQ(wait.Width(), 192);
    EXPECT_EQ(wait.Height(), 32);
}

TEST_F(TWaitTest, StartTakesTheLeadingNumberOfTheCaption) {
    wait.SetCaption("  30");
    wait.Start();
    EXPECT_EQ(wait.StartCount(), 30);
    EXPECT_TRUE(wait.Running());
    EXPECT_EQ(events.lines, (std::vector<std::string>{"start"}));

    // Letters, a sign or nothing count as 0: the wait begins at 15.
    for (const char* caption : {"abc", "-5", ""}) {
        wait.SetCaption(caption);
        wait.Start();
        EXPECT_EQ(wait.StartCount(), 15) << caption;
        EXPECT_EQ(wait.Caption(), "15") << caption;
    }
    wait.SetCaption("12s left");
    wait.Start();
    EXPECT_EQ(wait.StartCount(), 12);
}

TEST_F(TWaitTest, CountsDownAndTimesOut) {
    wait.SetCaption("2");
    wait.Start();

    wait.TimerEvent();
    EXPECT_EQ(wait.Caption(), "1");
    EXPECT_TRUE(wait.Running());

    wait.TimerEvent();
    EXPECT_FALSE(wait.Running());
    EXPECT_EQ(wait.ModalResult(), 2);
    EXPECT_EQ(wait.Caption(), "2");  // back to the start count
    EXPECT_EQ(events.lines, (std::vector<std::string>{"start", "wait 1", "wait 0", "timeout"}));
    EXPECT_GE(view.invalidations, 2);
}

TEST_F(TWaitTest, StopAndRestartRestoreTheStartCount) {
    wait.SetCaption("5");
    wait.Start();
    wait.TimerEvent();
    wait.TimerEvent();
    ASSERT_EQ(wait.Caption(), "3");

    wait.Restart();  // the count starts over; the timer is left alone
    EXPECT_EQ(wait.Caption(), "5");
    EXPECT_TRUE(wait.Running());

    wait.TimerEvent();
    wait.Stop();
    EXPECT_FALSE(wait.Running());
    EXPECT_EQ(wait.ModalResult(), 1);
    EXPECT_EQ(wait.Caption(), "5");
    EXPECT_EQ(events.lines, (std::vector<std::string>{"start", "wait 4", "wait 3", "wait 4", "stop"}));
}

TEST_F(TWaitTest, BarShrinksWithTheCount) {
    wait.SetCaption("4");
    wait.Start();
    EXPECT_EQ(wait.BarWidth(), 185);  // full width less the frame
    wait.TimerEvent();
    EXPECT_EQ(wait.BarWidth(), 3 * 185 / 4);
    wait.SetSize(107, 20);
    EXPECT_EQ(wait.BarWidth(), 75);
    wait.SetCaption("0");
    EXPECT_EQ(wait.BarWidth(), 0);
}

TEST_F(TWaitTest, ModalWaitRunsTheLoopUntilTheCountRunsOut) {
    int waiting = 0;
    wait.OnWaiting = [&](TCustomWait*) { ++waiting; };
    bool posted_ran = false;
    loop.Post([&] { posted_ran = true; });

    wait.SetInterval(5);
    wait.SetCaption("3");
    wait.StartModal();

    EXPECT_EQ(wait.ModalResult(), 2);
    EXPECT_TRUE(posted_ran);  // other messages were dispatched meanwhile
    EXPECT_GE(waiting, 1);
    EXPECT_EQ(events.lines, (std::vector<std::string>{"start", "wait 2", "wait 1", "wait 0", "timeout"}));
    EXPECT_EQ(view.log, (std::vector<std::string>{"filter on", "filter off"}));
}

TEST_F(TWaitTest, ModalWaitEndsWhenStoppedFromAHandler) {
    wait.OnWait = [&](TCustomWait* sender, int32_t count) {
        if (count == 8) sender->Stop();
    };
    wait.SetInterval(1);
    wait.SetCaption("10");
    wait.StartModal();
    EXPECT_EQ(wait.ModalResult(), 1);
    EXPECT_FALSE(wait.Running());
    // The tick that called Stop still writes its count afterwards.
    EXPECT_EQ(wait.Caption(), "8");
    EXPECT_EQ(view.log, (std::vector<std::string>{"filter on", "filter off"}));
}

TEST_F(TWaitTest, FilterIsRemovedWhenAHandlerThrows) {
    wait.SetInterval(1);
    wait.OnWait = [](TCustomWait*, int32_t) { throw std::runtime_error("boom"); };
    EXPECT_THROW(wait.StartModal(), std::runtime_error);
    EXPECT_EQ(view.log, (std::vector<std::string>{"filter on", "filter off"}));
}

TEST_F(TWaitTest, InputFilterSwallowsClicksAndKeysWithABeep) {
    EXPECT_TRUE(wait.AppMessage(TWaitInput::kButtonDown));
    EXPECT_TRUE(wait.AppMessage(TWaitInput::kButtonDoubleClick));
    EXPECT_TRUE(wait.AppMessage(TWaitInput::kKeyDown));
    EXPECT_FALSE(wait.AppMessage(TWaitInput::kOther));
    EXPECT_EQ(view.beeps, 3);
}

TEST_F(TWaitTest, VisibilityAndFreeNotificationReachTheirListeners) {
    std::vector<std::string> removed;
    {
        TWait doomed(loop);
        doomed.SetView(&view);
        doomed.SetVisible(false);
        EXPECT_FALSE(doomed.Visible());
        doomed.FreeNotification(&removed, [&] { removed.push_back("a"); });
        int other = 0;
        doomed.FreeNotification(&other, [&] { removed.push_back("b"); });
        doomed.RemoveFreeNotification(&other);
    }
    EXPECT_EQ(view.log, (std::vector<std::string>{"hide"}));
    EXPECT_EQ(removed, (std::vector<std::string>{"a"}));
}

TEST(CaptionCountTest, ReadsTheLeadingDecimalNumber) {
    EXPECT_EQ(CaptionCount("  30"), 30);
    EXPECT_EQ(CaptionCount("7up"), 7);
    EXPECT_EQ(CaptionCount("\t5"), 0);  // only spaces are skipped
    EXPECT_EQ(CaptionCount("+5"), 0);
    EXPECT_EQ(CaptionCount(""), 0);
    EXPECT_EQ(CaptionCount("4294967297"), 1);  // wraps like the 32-bit original
}

}  // namespace
}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
// Which events become notifications, with which buttons, and what the
// buttons do when chosen later.

#include "app/notices.h"

#include <gtest/gtest.h>

#include "support/fake_services.h"

namespace torvane {
namespace {

struct Fakes final : NoticeView, NoticeHost {
    struct Shown {
        uint64_t id;
        Notice notice;
    };
    std::vector<Shown> shown;
    test::Journal journal;
    test::FakeBusy busy{journal};
    test::FakeGame game{journal};

    void ShowNotice(uint64_t id, const Notice& notice) override { shown.push_back({id, notice}); }
    void AcceptChallenge(const Challenge& c) override {
        journal.push_back("accept " + c.Address + ":" + c.Port);
    }
    void IgnoreChallenge(const Challenge& c) override { journal.push_back("ignore " + c.Challenger); }

    // What the buttons did, without the questions asked on the way.
    std::vector<std::string> Acts() const {
        std::vector<std::string> acts;
        for (const std::string& line : journal)
            if (line != "running?") acts.push_back(line);
        return acts;
    }
};

TQuakeServer Server(const std::string& address) {
    TQuakeServer server;
    server.HostName = "Arena";
    server.Address = address;
    server.Port = "27910";
    return server;
}

const std::vector<NoticeAction> kJoinOnly{{"join", "Join"}};

TEST(Notices, EachKindOfEventGetsItsTextAndItsButtons) {
    Fakes fakes;
    TNotices notices(fakes, fakes, fakes.busy, fakes.game);
    notices.PoppedUp("New server \"Arena\" found on 10.0.0.5", Server("10.0.0.5"));
    notices.Shouted("Wolf", "over here");
    notices.Challenged({"Wolf\nRoot", "Arena", "10.0.0.5", "27910", "q2dm1"});
    notices.BuddyCame("Ranger is playing on Arena (q2dm1, 5/8)", Server("10.0.0.5"));
    notices.PoppedUp("", Server("10.0.0.5"));  // nothing to tell

    ASSERT_EQ(fakes.shown.size(), 4u);
    for (const auto& shown : fakes.shown) EXPECT_EQ(shown.notice.Summary, "Torvane");
    EXPECT_EQ(fakes.shown[0].notice.Body, "New server \"Arena\" found on 10.0.0.5");
    EXPECT_EQ(fakes.shown[0].notice.Actions, kJoinOnly);
    EXPECT_EQ(fakes.shown[1].notice.Body, "Wolf shouted \"over here\"");
    EXPECT_TRUE(fakes.shown[1].notice.Actions.empty());
    // The challenge reads as its dialog does, each field on its own line.
    EXPECT_EQ(fakes.shown[2].notice.Body, "Wolf\\x0ARoot challenges you\nGame : Arena\nMap : q2dm1");
    EXPECT_EQ(fakes.shown[2].notice.Actions,
              (std::vector<NoticeAction>{{"accept", "Accept"}, {"ignore", "Ignore"}}));
    EXPECT_EQ(fakes.shown[3].notice.Body, "Ranger is playing on Arena (q2dm1, 5/8)");
    EXPECT_EQ(fakes.shown[3].notice.Actions, kJoinOnly);
    // Every notification has its own id.
    EXPECT_NE(fakes.shown[0].id, fakes.shown[1].id);
    EXPECT_NE(fakes.shown[2].id, fakes.shown[3].id);
}

TEST(Notices, ButtonsActOnTheirOwnNotificationOnceAndJoinAsksBusyAndTheGameAgain) {
    Fakes fakes;
    TNotices notices(fakes, fakes, fakes.busy, fakes.game);
    notices.PoppedUp("New server", Server("10.0.0.5"));
    notices.PoppedUp("Map changed", Server("10.0.0.6"));
    notices.Challenged({"Wolf", "Arena", "10.0.0.7", "27911", "q2dm1"});
    notices.Challenged({"Bear", "Base", "10.0.0.8", "27912", "q2dm2"});
    const uint64_t first = fakes.shown[0].id, second = fakes.shown[1].id;
    const uint64_t wolf = fakes.shown[2].id, bear = fakes.shown[3].id;

    notices.ActionInvoked(second, "join");
    notices.ActionInvoked(second, "join");  // its buttons went with it
    notices.ActionInvoked(wolf, "accept");
    notices.ActionInvoked(bear, "ignore");
    notices.ActionInvoked(first, "accept");  // a key the notification never had
    notices.ActionInvoked(first, "default");
    notices.ActionInvoked(999, "join");
    EXPECT_EQ(fakes.Acts(), (std::vector<std::string>{"launch 10.0.0.6:27910 Arena", "accept 10.0.0.7:27911",
                                                      "ignore Bear"}));

    // Busy, or the game running, by the time Join is chosen: nothing starts.
    notices.PoppedUp("New server", Server("10.0.0.9"));
    notices.PoppedUp("New server", Server("10.0.0.10"));
    fakes.busy.busy = true;
    notices.ActionInvoked(fakes.shown[4].id, "join");
    fakes.busy.busy = false;
    fakes.game.running = true;
    notices.ActionInvoked(fakes.shown[5].id, "join");
    EXPECT_EQ(fakes.Acts().size(), 3u);

    // A closed notification forgets its buttons.
    fakes.game.running = false;
    notices.PoppedUp("New server", Server("10.0.0.11"));
    notices.Closed(fakes.shown.back().id);
    notices.ActionInvoked(fakes.shown.back().id, "join");
    EXPECT_EQ(fakes.Acts().size(), 3u);
}

TEST(Notices, ABuddyIsSilencedByBusyAndTheGameAndOldButtonsAreForgotten) {
    Fakes fakes;
    TNotices notices(fakes, fakes, fakes.busy, fakes.game);
    fakes.busy.busy = true;
    notices.BuddyCame("Ranger is playing on Arena", Server("10.0.0.5"));
    fakes.busy.busy = false;
    fakes.game.running = true;
    notices.BuddyCame("Ranger is playing on Arena", Server("10.0.0.5"));
    EXPECT_TRUE(fakes.shown.empty());

    // A service that never tells of a closed notification: only the latest
    // ones keep their buttons.
    fakes.game.running = false;
    for (std::size_t i = 0; i < TNotices::kRemembered + 1; ++i)
        notices.PoppedUp("New server", Server("10.0.1." + std::to_string(i)));
    notices.ActionInvoked(fakes.shown.front().id, "join");
    EXPECT_TRUE(fakes.Acts().empty());
    notices.ActionInvoked(fakes.shown[1].id, "join");
    EXPECT_EQ(fakes.Acts(), std::vector<std::string>{"launch 10.0.1.1:27910 Arena"});
}

TEST(Notices, NetworkTextCannotBecomeMarkup) {
    EXPECT_EQ(NoticeMarkupText("<b>Wolf</b> & <a href=x>co</a>"),
              "&lt;b&gt;Wolf&lt;/b&gt; &amp; &lt;a href=x&gt;co&lt;/a&gt;");
    EXPECT_EQ(NoticeMarkupText("plain \"text\""), "plain \"text\"");
}

}  // namespace
}  // namespace torvane

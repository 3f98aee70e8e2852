// SPDX-License-Identifier: GPL-2.0-or-later
// "Join when there's room": waiting on full servers, cancelling, the one
// launch when a place frees, and what Busy, a running game and other
// launches do to the wait.

#include "app/roomwatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_services.h"

namespace torvane {
namespace {

TQuakeServer Server(const std::string& host, int players, int max = 8,
                    const std::string& address = "10.0.0.5") {
    TQuakeServer server;
    server.HostName = host;
    server.Address = address;
    server.Port = "27910";
    server.MaxClients = max;
    for (int i = 0; i < players; ++i) server.Players.push_back({"P" + std::to_string(i), 0, 30});
    return server;
}

// Busy and the game; every question and launch goes to the journal.
struct Host {
    Host() { busy.tell_asks = true; }
    std::vector<std::string> Launched() const {
        std::vector<std::string> names;
        for (const TQuakeServer& server : game.launched) names.push_back(server.HostName);
        return names;
    }
    test::Journal journal;
    test::FakeBusy busy{journal};
    test::FakeGame game{journal};
};

using Names = std::vector<std::string>;

TEST(RoomWatch, AFullServerWaitedForIsJoinedOnceWhenAPlaceFrees) {
    Host host;
    RoomWatch watch(host.busy, host.game);
    EXPECT_EQ(watch.MenuEntry(Server("Arena", 8)), "Join when there's room");
    EXPECT_EQ(watch.MenuEntry(Server("Arena", 7)), std::nullopt) << "room now: nothing to wait for";
    EXPECT_EQ(watch.MenuEntry(Server("Arena", 9)), "Join when there's room") << "more than full";
    EXPECT_EQ(watch.MenuEntry(Server("Arena", 0, 0)), std::nullopt) << "no maximum told: never full";

    watch.MenuEntryChosen(Server("Arena", 8));
    EXPECT_TRUE(watch.Waiting(Server("Arena", 3))) << "the server, whatever its players now";
    EXPECT_FALSE(watch.Waiting(Server("Arena", 8, 8, "10.0.0.6"))) << "another address is another server";
    EXPECT_FALSE(watch.Waiting(Server("Arena2", 8)));
    EXPECT_EQ(watch.MenuEntry(Server("Arena", 8)), "Cancel joining when there's room");
    EXPECT_EQ(watch.MenuEntry(Server("Arena", 7)), "Cancel joining when there's room");

    watch.Answered(Server("Arena", 8));
    watch.Answered(Server("Other", 2));
    EXPECT_TRUE(host.Launched().empty()) << "still full, or not the server waited for";
    EXPECT_TRUE(host.journal.empty()) << "nothing asked before there is room";

    watch.Answered(Server("Arena", 7));
    EXPECT_EQ(host.Launched(), Names{"Arena"});
    EXPECT_TRUE(watch.Empty());
    watch.Answered(Server("Arena", 7));
    watch.Answered(Server("Arena", 6));
    EXPECT_EQ(host.Launched(), Names{"Arena"}) << "once";
}

TEST(RoomWatch, CancelledItLaunchesNothing) {
    Host host;
    RoomWatch watch(host.busy, host.game);
    watch.MenuEntryChosen(Server("Arena", 8));
    watch.MenuEntryChosen(Server("Arena", 8));
    EXPECT_FALSE(watch.Waiting(Server("Arena", 8)));
    EXPECT_EQ(watch.MenuEntry(Server("Arena", 8)), "Join when there's room");
    watch.Answered(Server("Arena", 7));
    EXPECT_TRUE(host.Launched().empty());

    watch.Arm(Server("Arena", 7));
    EXPECT_TRUE(watch.Empty()) << "a server with room is not waited for";
    watch.Arm(Server("Arena", 8));
    watch.Cancel(Server("Arena", 1));
    EXPECT_TRUE(watch.Empty());
}

TEST(RoomWatch, BusyOrARunningGameKeepTheWaitUntilAPlaceFreesWithoutThem) {
    Host host;
    RoomWatch watch(host.busy, host.game);
    watch.Arm(Server("Arena", 8));
    host.busy.busy = true;
    watch.Answered(Server("Arena", 7));
    EXPECT_TRUE(host.Launched().empty());
    EXPECT_EQ(host.journal, Names{"busy?"}) << "the game is looked for only when Busy is off";
    EXPECT_TRUE(watch.Waiting(Server("Arena", 7)));

    host.busy.busy = false;
    host.game.running = true;
    host.journal.clear();
    watch.Answered(Server("Arena", 6));
    EXPECT_TRUE(host.Launched().empty());
    EXPECT_EQ(host.journal, (Names{"busy?", "running?"}));
    EXPECT_TRUE(watch.Waiting(Server("Arena", 6)));

    host.game.running = false;
    watch.Answered(Server("Arena", 8));
    EXPECT_TRUE(host.Launched().empty()) << "full again by then";
    watch.Answered(Server("Arena", 5));
    EXPECT_EQ(host.Launched(), Names{"Arena"});
}

TEST(RoomWatch, SeveralServersWaitAndTheFirstWithRoomEndsEveryWait) {
    Host host;
    RoomWatch watch(host.busy, host.game);
    watch.Arm(Server("Arena", 8));
    watch.Arm(Server("Base", 4, 4, "10.0.0.9"));
    watch.Arm(Server("Base", 4, 4, "10.0.0.9"));
    watch.Answered(Server("Base", 3, 4, "10.0.0.9"));
    EXPECT_EQ(host.Launched(), Names{"Base"});
    EXPECT_FALSE(watch.Waiting(Server("Arena", 8))) << "the user plays now";
    watch.Answered(Server("Arena", 7));
    EXPECT_EQ(host.Launched(), Names{"Base"});
}

TEST(RoomWatch, AnyLaunchAndAServerThatIsGoneEndTheWait) {
    Host host;
    RoomWatch watch(host.busy, host.game);
    watch.Arm(Server("Arena", 8));
    watch.Launched();
    EXPECT_TRUE(watch.Empty());

    watch.Arm(Server("Arena", 8));
    watch.Arm(Server("Base", 8, 8, "10.0.0.9"));
    watch.KeepOnly([](const std::string& address, const std::string& host_name) {
        return address == "10.0.0.9" && host_name == "Base";
    });
    EXPECT_FALSE(watch.Waiting(Server("Arena", 8))) << "its row is gone, and the way to cancel with it";
    EXPECT_FALSE(watch.Waiting(Server("Base", 8))) << "another address";
    EXPECT_TRUE(watch.Waiting(Server("Base", 8, 8, "10.0.0.9")));

    // A place that freed while the menu was open: chosen, it joins at once.
    Host other;
    RoomWatch late(other.busy, other.game);
    late.MenuEntryChosen(Server("Arena", 7));
    EXPECT_EQ(other.Launched(), Names{"Arena"});
    EXPECT_TRUE(late.Empty());
}

}  // namespace
}  // namespace torvane

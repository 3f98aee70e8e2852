// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/hosttable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "recording_view.h"
#include "replies.h"

namespace torvane {
namespace {

using Calls = std::vector<std::string>;

std::vector<Player> Crowd(int count, const std::string& prefix = "P") {
    std::vector<Player> players;
    for (int i = 0; i < count; ++i) players.push_back({prefix + std::to_string(i), i, 50});
    return players;
}

class HostTableTest : public testing::Test {
protected:
    void SetUp() override { search.FirstSearch = false; }

    Calls Merge(const TQuakeServer& server) {
        view.Clear();
        table.MergeServer(server);
        return view.calls;
    }
    void NewSearch() {
        table.MarkAllUnanswered();
        search.SearchChanged = false;
    }
    Calls EndSearch() {
        view.Clear();
        table.CountMisses();
        return view.calls;
    }
    int Count(const std::string& call) const {
        return int(std::count(view.calls.begin(), view.calls.end(), call));
    }

    RecordingView view;
    SearchState search;
    HostTable table{view, view.AsServices(), view, search};
    const bool watching_ = (view.Watch(table), true);
};

TEST_F(HostTableTest, ANewServerIsAppendedAnnouncedAndActedOn) {
    view.ActionFor(EventKind::NewHost) = {true, true, true, "new.wav"};
    // Players and a full house on arrival raise NewHost only.
    EXPECT_EQ(Merge(Server("192.168.0.5", "Friday", "base1", 2, Crowd(2))),
              (Calls{"begin hosts", "added 0", "status 1: New server \"Friday\" found on 192.168.0.5",
                     "log: New server \"Friday\" found on 192.168.0.5", "icon 1", "running?", "show",
                     "restore", "front", "running?", "launch 192.168.0.5:27910 Friday", "sound new.wav",
                     "row 0: Friday | base1 | 2/2", "end hosts"}));
    EXPECT_FALSE(search.SearchChanged);
    EXPECT_EQ(ParallelFault(table, view), "");
}

TEST_F(HostTableTest, AKnownServerReportsPlayersFirstThenItsEventsInOrder) {
    Merge(Server("192.168.0.5", "Friday", "base1", 2, {{"Ann", 3, 120}, {"Bob", 1, 50}}));
    // Bob's frags change (nothing), Ann leaves, Cid enters, the server was full
    // and has room, and the map changes.
    EXPECT_EQ(
        Merge(Server("192.168.0.5", "Friday", "base2", 4, {{"Bob", 9, 60}, {"Cid", 0, 30}}, "27911")),
        (Calls{"begin hosts", "status 1: Cid entered Friday", "log: Cid entered Friday",
               "status 1: Ann left Friday with 3 frags and 120 ping",
               "log: Ann left Friday with 3 frags and 120 ping", "icon 2", "icon 4",
               "status 1: Friday is not full anymore", "icon 3",
               "status 1: Map changed on host Friday to base2", "log: Map changed on host Friday to base2",
               "row 0: Friday | base2 | 2/4", "end hosts"}));
    EXPECT_TRUE(search.SearchChanged);
    EXPECT_EQ(table[0].Port, "27911");
    EXPECT_EQ(table[0].Players[0].Frags, 9);
    EXPECT_EQ(ParallelFault(table, view), "");
}

TEST_F(HostTableTest, OnlyNameChangesCountAsPlayersComingAndGoing) {
    Merge(Server("192.168.0.5", "Friday", "base1", 8, {{"Ann", 3, 120}}));
    EXPECT_EQ(Merge(Server("192.168.0.5", "Friday", "base1", 8, {{"Ann", 4, 99}})),
              (Calls{"begin hosts", "row 0: Friday | base1 | 1/8", "end hosts"}));
    EXPECT_FALSE(search.SearchChanged);
    // A rename is one player leaving and one entering; names are case-sensitive.
    Merge(Server("192.168.0.5", "Friday", "base1", 8, {{"ann", 4, 99}}));
    EXPECT_EQ(Count("status 1: ann entered Friday"), 1);
    EXPECT_EQ(Count("status 1: Ann left Friday with 4 frags and 99 ping"), 1);
    EXPECT_EQ(Count("icon 2"), 1);
}

TEST_F(HostTableTest, NotFullNeedsAFullServerThatHasRoomNow) {
    struct Case {
        int before_players, before_max, after_players, after_max;
        bool not_full;
    } const cases[] = {{8, 8, 7, 8, true},
                       {8, 8, 8, 10, true},
                       {3, 8, 2, 8, false},
                       {7, 8, 7, 8, false},
                       {8, 8, 8, 8, false}};
    for (const Case& c : cases) {
        const std::string host = "H" + std::to_string(c.before_players) + std::to_string(c.after_max);
        Merge(Server("192.168.0.5", host, "m", c.before_max, Crowd(c.before_players)));
        Merge(Server("192.168.0.5", host, "m", c.after_max, Crowd(c.after_players)));
        EXPECT_EQ(Count("icon 4"), c.not_full ? 1 : 0) << host;
        EXPECT_EQ(Count("status 1: " + host + " is not full anymore"), c.not_full ? 1 : 0) << host;
    }
    // A full server whose players swap stays full: a new player, no room.
    Merge(Server("192.168.0.6", "Swap", "m", 2, Crowd(2)));
    Merge(Server("192.168.0.6", "Swap", "m", 2, Crowd(2, "Q")));
    EXPECT_EQ(Count("icon 2"), 1);
    EXPECT_EQ(Count("icon 4"), 0);
}

TEST_F(HostTableTest, TwoServersWithOneNameOnOneMachineShareARecord) {
    const TQuakeServer first = Server("192.168.0.5", "LAN", "base1", 8, {{"Ann", 1, 10}}, "27910");
    const TQuakeServer second = Server("192.168.0.5", "LAN", "q2dm1", 8, {{"Bob", 2, 20}}, "27911");
    Merge(first);
    Merge(second);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Port, "27911");
    EXPECT_EQ(table[0].MapName, "q2dm1");
    EXPECT_EQ(Count("status 1: Bob entered LAN"), 1);
    EXPECT_EQ(Count("status 1: Ann left LAN with 1 frags and 10 ping"), 1);
    Merge(first);
    EXPECT_EQ(table[0].Port, "27910");
    EXPECT_EQ(Count("status 1: Ann entered LAN"), 1);
    EXPECT_EQ(Count("status 1: Bob left LAN with 2 frags and 20 ping"), 1);
}

TEST_F(HostTableTest, IdentityIsTheAddressAndTheExactHostName) {
    Merge(Server("192.168.0.5", "Friday", "m", 8));
    Merge(Server("192.168.0.5", "friday", "m", 8));
    Merge(Server("192.168.0.6", "Friday", "m", 8));
    Merge(Server("192.168.0.5", "Friday", "m", 8));
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table.FindServer(Server("192.168.0.6", "Friday", "x", 2)), 2);
    EXPECT_EQ(table.FindServer(Server("192.168.0.6", "FRIDAY", "x", 2)), -1);
    // The index cannot confuse how the two texts are split.
    EXPECT_EQ(table.FindServer(Server("192.168.0.5F", "riday", "m", 8)), -1);
    EXPECT_EQ(ParallelFault(table, view), "");
}

TEST_F(HostTableTest, ActionsRunPopupLaunchSoundAndNotWhileBusy) {
    view.ActionFor(EventKind::NewPlayer) = {true, true, true, "player.wav"};
    view.ActionFor(EventKind::NewMap) = {false, false, true, "map.wav"};
    Merge(Server("192.168.0.5", "Friday", "base1", 8, {{"Ann", 0, 0}}));
    EXPECT_EQ(Merge(Server("192.168.0.5", "Friday", "base2", 8, {{"Ann", 0, 0}, {"Bob", 0, 0}})),
              (Calls{"begin hosts", "status 1: Bob entered Friday", "log: Bob entered Friday", "icon 2",
                     "running?", "show", "restore", "front", "running?", "launch 192.168.0.5:27910 Friday",
                     "sound player.wav", "icon 3", "status 1: Map changed on host Friday to base2",
                     "log: Map changed on host Friday to base2", "sound map.wav",
                     "row 0: Friday | base2 | 2/8", "end hosts"}));
    view.busy = true;
    EXPECT_EQ(
        Merge(Server("192.168.0.5", "Friday", "base3", 8, {{"Ann", 0, 0}, {"Cid", 0, 0}})),
        (Calls{"begin hosts", "status 1: Cid entered Friday", "log: Cid entered Friday",
               "status 1: Bob left Friday with 0 frags and 0 ping",
               "log: Bob left Friday with 0 frags and 0 ping", "icon 2", "icon 3",
               "status 1: Map changed on host Friday to base3", "log: Map changed on host Friday to base3",
               "row 0: Friday | base3 | 2/8", "end hosts"}));
}

TEST_F(HostTableTest, PopUpAndLaunchStopAtTheirGuardsAskingTheGameInTheirOrder) {
    view.ActionFor(EventKind::NewHost) = {true, true, true, "new.wav"};
    auto tail = [&](const Calls& calls) { return Calls(calls.begin() + 5, calls.end() - 2); };
    // Busy: PopUp still asks the game first; LaunchOnEvent stops before asking;
    // the sound goes to the guarded sound operation.
    view.busy = true;
    EXPECT_EQ(tail(Merge(Server("192.168.0.1", "A", "m", 8))), (Calls{"running?", "sound new.wav"}));
    // The game running: both ask, neither acts.
    view.busy = false;
    view.game_running = true;
    EXPECT_EQ(tail(Merge(Server("192.168.0.2", "B", "m", 8))),
              (Calls{"running?", "running?", "sound new.wav"}));
}

TEST_F(HostTableTest, TheFirstSearchWritesMessagesButChangesNoIconAndRunsNoAction) {
    search.FirstSearch = true;
    for (EventKind kind : {EventKind::NewHost, EventKind::NewPlayer, EventKind::NotFull, EventKind::NewMap}) {
        view.ActionFor(kind) = {true, true, true, "x.wav"};
    }
    // PopUp still asks the game first; each sound goes to the guarded sound
    // operation, which stays quiet during the first search.
    EXPECT_EQ(Merge(Server("192.168.0.5", "Friday", "base1", 1 + 1, Crowd(2))),
              (Calls{"begin hosts", "added 0", "status 1: New server \"Friday\" found on 192.168.0.5",
                     "log: New server \"Friday\" found on 192.168.0.5", "running?", "sound x.wav",
                     "row 0: Friday | base1 | 2/2", "end hosts"}));
    EXPECT_EQ(
        Merge(Server("192.168.0.5", "Friday", "base2", 2, {{"New", 0, 0}})),
        (Calls{"begin hosts", "status 1: New entered Friday", "log: New entered Friday",
               "status 1: P0 left Friday with 0 frags and 50 ping",
               "log: P0 left Friday with 0 frags and 50 ping",
               "status 1: P1 left Friday with 1 frags and 50 ping",
               "log: P1 left Friday with 1 frags and 50 ping", "running?", "sound x.wav",
               "status 1: Friday is not full anymore", "running?", "sound x.wav",
               "status 1: Map changed on host Friday to base2", "log: Map changed on host Friday to base2",
               "running?", "sound x.wav", "row 0: Friday | base2 | 1/2", "end hosts"}));
}

TEST_F(HostTableTest, WithRetriesThreeAServerGoesAtItsThirdSilentSearchInARow) {
    view.retries = "3";
    Merge(Server("192.168.0.5", "Friday", "base1", 8));
    EXPECT_EQ(EndSearch(), (Calls{"begin hosts", "mark 0 0", "end hosts"}));
    // A mark is announced when it changes.
    const bool answers[] = {false, false, true, false, false};
    const int miss_counts[] = {2, 3, 1, 2, 3};
    const char* marks[] = {"mark 0 1", nullptr, "mark 0 0", "mark 0 1", nullptr};
    for (int i = 0; i < 5; ++i) {
        NewSearch();
        if (answers[i]) Merge(Server("192.168.0.5", "Friday", "base1", 8));
        const Calls expected =
            marks[i] ? Calls{"begin hosts", marks[i], "end hosts"} : Calls{"begin hosts", "end hosts"};
        EXPECT_EQ(EndSearch(), expected);
        ASSERT_EQ(table.size(), 1u);
        EXPECT_EQ(table[0].MissCount, miss_counts[i]);
    }
    NewSearch();
    EXPECT_EQ(EndSearch(), (Calls{"begin hosts", "status 1: Friday closed", "log: Friday closed", "removed 0",
                                  "end hosts"}));
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(table.FindServer(Server("192.168.0.5", "Friday", "base1", 8)), -1);
    EXPECT_EQ(ParallelFault(table, view), "");
}

// How many silent searches in a row a server survives with this Retries text.
int SilentSearchesSurvived(const std::string& retries) {
    RecordingView view;
    SearchState search;
    HostTable table{view, view.AsServices(), view, search};
    view.Watch(table);
    view.retries = retries;
    table.MergeServer(Server("192.168.0.5", "Friday", "base1", 8));
    int survived = 0;
    for (; survived < 10; ++survived) {
        table.MarkAllUnanswered();
        view.Clear();
        table.CountMisses();
        EXPECT_EQ(view.calls.back(), "end hosts");
        if (table.size() == 0) break;
    }
    return survived;
}

TEST(CountMisses, RetriesBelowTwoRemoveAtOnceAndAnUnreadableOneCountsAsFive) {
    EXPECT_EQ(SilentSearchesSurvived("1"), 0);
    EXPECT_EQ(SilentSearchesSurvived("0"), 0);
    EXPECT_EQ(SilentSearchesSurvived("-3"), 0);
    EXPECT_EQ(SilentSearchesSurvived("2"), 1);
    EXPECT_EQ(SilentSearchesSurvived("5"), 4);
    EXPECT_EQ(SilentSearchesSurvived("five"), 4);
    EXPECT_EQ(SilentSearchesSurvived(""), 4);
}

TEST_F(HostTableTest, RemovalsAndLaterMergesKeepRecordsRowsAndTrayEntriesParallel) {
    view.retries = "1";
    for (int i = 1; i <= 6; ++i)
        Merge(Server("192.168.0." + std::to_string(i), "S" + std::to_string(i), "m", 8));
    NewSearch();
    for (int i : {1, 3, 5}) Merge(Server("192.168.0." + std::to_string(i), "S" + std::to_string(i), "m", 8));
    const Calls calls = EndSearch();
    Calls deletes;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(deletes),
                 [](const std::string& c) { return c.find("removed") != std::string::npos; });
    EXPECT_EQ(deletes, (Calls{"removed 1", "removed 2", "removed 3"}));
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[2].HostName, "S5");
    EXPECT_EQ(ParallelFault(table, view), "");

    Merge(Server("192.168.0.5", "S5", "q2dm3", 8));
    EXPECT_EQ(Count("row 2: S5 | q2dm3 | 0/8"), 1);
    Merge(Server("192.168.0.7", "S7", "m", 8));
    EXPECT_EQ(Count("added 3"), 1);
    EXPECT_EQ(ParallelFault(table, view), "");
}

TEST_F(HostTableTest, AFullTableTurnsAwayNewServersButKeepsUpdatingKnownOnes) {
    view.retries = "1";
    // Spread over many senders, each within its own share.
    auto numbered = [](std::size_t n, const std::string& map = "m") {
        return Server("10.0." + std::to_string(n / 250) + "." + std::to_string(n % 250),
                      "S" + std::to_string(n), map, 8);
    };
    for (std::size_t n = 0; n < HostTable::kMaxServers; ++n) table.MergeServer(numbered(n));
    EXPECT_EQ(Merge(numbered(HostTable::kMaxServers)), Calls{});
    EXPECT_EQ(table.size(), HostTable::kMaxServers);
    Merge(numbered(7, "q2dm1"));
    EXPECT_EQ(Count("status 1: Map changed on host S7 to q2dm1"), 1);
    // A closed server makes room again.
    NewSearch();
    for (std::size_t n = 1; n < HostTable::kMaxServers; ++n) table.MergeServer(numbered(n));
    EXPECT_EQ(EndSearch()[1], "status 1: S0 closed");
    Merge(numbered(HostTable::kMaxServers));
    ASSERT_EQ(table.size(), HostTable::kMaxServers);
    EXPECT_EQ(table[table.size() - 1].HostName, "S" + std::to_string(HostTable::kMaxServers));
    EXPECT_EQ(ParallelFault(table, view), "");
}

TEST_F(HostTableTest, OneSenderHoldsAtMostItsShareOfTheTable) {
    view.retries = "1";
    auto from = [](const std::string& address, int n) {
        return Server(address, "S" + std::to_string(n), "m", 8);
    };
    for (int n = 0; n < HostTable::kMaxServersPerSender + 10; ++n) table.MergeServer(from("192.168.0.66", n));
    EXPECT_EQ(table.size(), std::size_t(HostTable::kMaxServersPerSender));
    // The rest is dropped without a word; other senders are not held back,
    // and the sender's known servers still change.
    EXPECT_EQ(Merge(from("192.168.0.66", 70)), Calls{});
    Merge(from("192.168.0.67", 70));
    EXPECT_EQ(table.size(), std::size_t(HostTable::kMaxServersPerSender) + 1);
    Merge(Server("192.168.0.66", "S3", "q2dm1", 8));
    EXPECT_EQ(Count("log: Map changed on host S3 to q2dm1"), 1);

    // Once one of its servers is closed the sender has room for one more.
    NewSearch();
    for (int n = 1; n < HostTable::kMaxServersPerSender; ++n) table.MergeServer(from("192.168.0.66", n));
    table.MergeServer(from("192.168.0.67", 70));
    EndSearch();
    Merge(from("192.168.0.66", 71));
    Merge(from("192.168.0.66", 72));
    EXPECT_EQ(table.FindServer(from("192.168.0.66", 71)), int(table.size()) - 1);
    EXPECT_EQ(table.FindServer(from("192.168.0.66", 72)), -1);
    EXPECT_EQ(ParallelFault(table, view), "");
}

TEST_F(HostTableTest, RepliesOutsideEverySearchUpdateKnownServersButAddNone) {
    Merge(Server("192.168.0.5", "Friday", "base1", 8));
    view.Clear();
    table.MergeServer(Server("192.168.0.5", "Saturday", "base1", 8), Asking::OutsideSearch);
    EXPECT_EQ(view.calls, Calls{});
    table.MergeServer(Server("192.168.0.5", "Friday", "base2", 8), Asking::OutsideSearch);
    EXPECT_EQ(Count("log: Map changed on host Friday to base2"), 1);
    // During a search a reply nobody asked for is listed all the same.
    table.MergeServer(Server("192.168.0.5", "Saturday", "base1", 8), Asking::DuringSearch);
    EXPECT_EQ(table.size(), 2u);
}

TEST_F(HostTableTest, EventsLaunchOnceAWindowAndOnlyIntoServersThatAnsweredOurQuery) {
    view.ActionFor(EventKind::NewHost) = {false, true, false, ""};
    view.ActionFor(EventKind::NewMap) = {false, true, false, ""};
    table.MergeServer(Server("192.168.0.5", "Unasked", "m", 8), Asking::DuringSearch);
    table.MergeServer(Server("192.168.0.5", "Unasked", "q2dm1", 8), Asking::DuringSearch);
    EXPECT_EQ(Count("launch 192.168.0.5:27910 Unasked"), 0);
    EXPECT_FALSE(search.AutoLaunched);

    table.MergeServer(Server("192.168.0.6", "First", "m", 8));
    table.MergeServer(Server("192.168.0.7", "Second", "m", 8));
    table.MergeServer(Server("192.168.0.6", "First", "q2dm1", 8));
    EXPECT_EQ(Count("launch 192.168.0.6:27910 First"), 1);
    EXPECT_EQ(Count("launch 192.168.0.7:27910 Second"), 0);
    EXPECT_TRUE(search.AutoLaunched);
    // The next window may launch again (the search cycle clears the mark).
    search.AutoLaunched = false;
    table.MergeServer(Server("192.168.0.7", "Second", "q2dm1", 8));
    EXPECT_EQ(Count("launch 192.168.0.7:27910 Second"), 1);
}

TEST_F(HostTableTest, ATrayHostEntryLaunchesItsOwnServerWithoutFurtherTests) {
    for (const char* host : {"One", "Two", "Three"}) Merge(Server("192.168.0.9", host, "m", 8));
    view.busy = true;
    view.game_running = true;
    view.Clear();
    table.TrayHostEntryClick(2);
    table.TrayHostEntryClick(3);
    EXPECT_EQ(view.calls, (Calls{"launch 192.168.0.9:27910 Three"}));
}

TEST_F(HostTableTest, ItAnnouncesWhatEachReplyChangedAndTheEventsItRaised) {
    struct Changes : HostTableListener {
        std::vector<unsigned> seen;
        void ServerChanged(std::size_t, unsigned what) override { seen.push_back(what); }
    } changes;
    table.Subscribe(changes);
    auto last = [&] { return changes.seen.empty() ? ~0u : changes.seen.back(); };
    TQuakeServer server = Server("192.168.0.5", "Friday", "base1", 8, {{"Ann", 3, 40}});
    Merge(server);
    EXPECT_EQ(last(), unsigned{kChangedAll});
    Merge(server);
    EXPECT_EQ(last(), 0u) << "the same reply again";
    server.Players[0].Frags = 4;
    Merge(server);
    EXPECT_EQ(last(), unsigned{kChangedPlayers}) << "frags change the list, not the count";
    server.Players.push_back({"Bob", 0, 20});
    server.MapName = "base2";
    server.Ping = 12;
    Merge(server);
    EXPECT_EQ(last(), unsigned{kChangedCaption | kChangedMap | kChangedPlayers | kChangedPing});
    server.MaxClients = 16;
    Merge(server);
    EXPECT_EQ(last(), unsigned{kChangedCaption});

    EXPECT_EQ(view.raised, (std::vector<std::string>{"0: New server \"Friday\" found on 192.168.0.5 @ Friday",
                                                     "1: Bob entered Friday @ Friday",
                                                     "3: Map changed on host Friday to base2 @ Friday"}));
    server.MaxClients = 2;
    Merge(server);
    server.Players.pop_back();
    Merge(server);
    EXPECT_EQ(view.raised.back(), "2: Friday is not full anymore @ Friday");
}

TEST_F(HostTableTest, SearchesAreAnnouncedAsTheyStartAndEnd) {
    NewSearch();
    Merge(Server("192.168.0.5", "Friday", "base1", 8));
    EndSearch();
    table.SearchEnded("1 hosts, 0 players and 0 users");
    EXPECT_EQ(view.searches, (std::vector<std::string>{"started", "ended: 1 hosts, 0 players and 0 users"}));
}

TEST_F(HostTableTest, MasterListedStrangersGetARowButNoTrayEntryEventOrMessage) {
    for (int kind = 0; kind < 4; ++kind) view.actions[kind] = {true, true, true, "x.wav"};
    auto stranger = [](const std::string& address, const std::string& map, std::vector<Player> players) {
        TQuakeServer server = Server(address, "Far " + address, map, 2, std::move(players));
        server.Source = ServerSource::Master;
        return server;
    };
    Merge(Server("192.168.0.5", "Friday", "base1", 8));
    EXPECT_EQ(Merge(stranger("10.0.0.1", "q2dm1", Crowd(2))),
              (Calls{"begin hosts", "added 1", "row 1: Far 10.0.0.1 | q2dm1 | 2/2", "end hosts"}));
    Merge(Server("192.168.0.6", "Saturday", "base2", 8));
    ASSERT_EQ(view.Tray(), (std::vector<std::string>{"Friday 0/8", "Saturday 0/8"}));

    // A map change, a player who left and one who came, a full server with
    // room again: nothing is raised or said.
    EXPECT_EQ(Merge(stranger("10.0.0.1", "q2dm2", {{"P0", 0, 50}, {"Newcomer", 0, 50}})),
              (Calls{"begin hosts", "row 1: Far 10.0.0.1 | q2dm2 | 2/2", "end hosts"}));
    EXPECT_EQ(Merge(stranger("10.0.0.1", "q2dm2", Crowd(1))),
              (Calls{"begin hosts", "row 1: Far 10.0.0.1 | q2dm2 | 1/2", "end hosts"}));
    EXPECT_FALSE(search.SearchChanged);

    // A tray click names the second entry: Saturday, not the stranger.
    view.Clear();
    table.TrayHostEntryClick(1);
    EXPECT_EQ(view.calls, (Calls{"launch 192.168.0.6:27910 Saturday"}));

    // Found on the LAN as well: it takes its tray entry in record order, and
    // a master's answer later does not take it away.
    TQuakeServer near = Server("10.0.0.1", "Far 10.0.0.1", "q2dm2", 2, Crowd(2));
    Merge(near);
    EXPECT_EQ(table[1].Source, ServerSource::Lan);
    Merge(stranger("10.0.0.1", "q2dm2", Crowd(2)));
    EXPECT_EQ(table[1].Source, ServerSource::Lan);
    EXPECT_EQ(view.Tray(), (std::vector<std::string>{"Friday 0/8", "Far 10.0.0.1 2/2", "Saturday 0/8"}));
    EXPECT_EQ(ParallelFault(table, view), "");
}

TEST_F(HostTableTest, ASilentStrangerGoesWithoutAWordAndTheTrayStaysInStep) {
    view.retries = "1";
    TQuakeServer far = Server("10.0.0.1", "Far", "q2dm1", 8);
    far.Source = ServerSource::Master;
    Merge(far);
    Merge(Server("192.168.0.5", "Friday", "base1", 8));
    Merge(Server("192.168.0.6", "Saturday", "base2", 8));
    NewSearch();
    table.MergeServer(Server("192.168.0.6", "Saturday", "base2", 8));
    EXPECT_EQ(EndSearch(), (Calls{"begin hosts", "removed 0", "status 1: Friday closed", "log: Friday closed",
                                  "removed 0", "mark 0 0", "end hosts"}));
    EXPECT_EQ(view.Tray(), (std::vector<std::string>{"Saturday 0/8"}));
    EXPECT_EQ(ParallelFault(table, view), "");
}

}  // namespace
}  // namespace torvane

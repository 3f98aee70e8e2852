// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/searchcycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <stdexcept>

#include "discovery/quiethost.h"
#include "discovery/searchsetup.h"
#include "platform/convert.h"
#include "recording_view.h"
#include "replies.h"

namespace torvane {
namespace {

using Log = std::vector<std::string>;

class FakeSocket : public CycleSocket {
public:
    FakeSocket(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    void Attach(SearchCycle& to, bool sends_queries) override {
        cycle = &to;
        log_.push_back("attach " + name_ + (sends_queries ? "" : " listening"));
    }

    SearchCycle* cycle = nullptr;
    bool unresolvable = false;  // Connect throws as for a name that does not resolve
    std::deque<std::pair<std::string, uint32_t>> inbox;
    std::string port;
    int64_t arrival = 0;  // the platform's stamp of the next datagram read

    bool IsClosed() const override { return state_ == State::Closed; }
    bool IsConnected() const override { return state_ == State::Connected; }
    void Connect(const std::string& address, const std::string& port_text) override {
        log_.push_back("connect " + name_ + " " + address + ":" + port_text);
        if (unresolvable) throw std::runtime_error("SetAddr: Cannot convert host address '" + address + "'");
        port = port_text;
        state_ = State::Connected;
        cycle->SessionConnected(*this);
    }
    void Listen(const std::string& address, const std::string& port_text) override {
        log_.push_back("listen " + name_ + " " + address + ":" + port_text);
        port = port_text;
        state_ = State::Listening;
    }
    void Send(const char* data, int length) override {
        const bool is_query =
            std::string(data, length) == std::string(StatusQuery.data(), StatusQuery.size());
        log_.push_back("send " + name_ + (is_query ? " query" : " other"));
    }
    void Close() override {
        log_.push_back("close " + name_);
        state_ = State::Closed;
    }
    int LastError() const override { return 10051; }
    std::string PortText() const override { return port; }
    int ReceiveFrom(char* buffer, int size, uint32_t& source) override {
        if (inbox.empty()) return -1;
        auto [bytes, from] = inbox.front();
        inbox.pop_front();
        const int length = std::min<int>(size, static_cast<int>(bytes.size()));
        std::copy_n(bytes.data(), length, buffer);
        source = from;
        return length;
    }
    int64_t LastArrivalTicks() const override { return arrival; }

private:
    enum class State { Closed, Connected, Listening };
    std::string name_;
    Log& log_;
    State state_ = State::Closed;
};

class FakeTimer : public SearchTimer {
public:
    FakeTimer(std::string name, Log& log, uint32_t interval, bool enabled)
        : name_(std::move(name)), log_(log), interval_(interval), enabled_(enabled) {}
    uint32_t Interval() const override { return interval_; }
    void SetInterval(uint32_t ms) override {
        log_.push_back(name_ + " interval " + std::to_string(ms));
        interval_ = ms;
    }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        if (enabled != enabled_) log_.push_back(name_ + (enabled ? " on" : " off"));
        enabled_ = enabled;
    }

private:
    std::string name_;
    Log& log_;
    uint32_t interval_;
    bool enabled_;
};

struct FakeSettings : SearchSettings {
    std::string port = "27910";
    QueryTarget extra[3] = {{false, "", "27920"}, {false, "", "27930"}, {false, "", "27940"}};
    QueryTarget internet[4];
    std::string interval = "30";
    bool broadcast = true;

    std::string Port() const override { return port; }
    QueryTarget ExtraPort(std::size_t n) const override { return extra[n]; }
    QueryTarget InternetServer(std::size_t n) const override { return internet[n]; }
    NumberText BCInterval() const override { return {kIntervalField, interval}; }
    bool Broadcast() const override { return broadcast; }
};

struct FakePeers : SearchPeers, SearchView {
    explicit FakePeers(Log& log) : log_(log) {}
    int64_t last_request = 0;
    int users = 0;
    std::string tip;

    int64_t LastStatusRequestTime() const override { return last_request; }
    void SendStatusRequest() override { log_.push_back("status request"); }
    int UserCount() const override { return users; }
    void RefreshUsers() override { log_.push_back("refresh users"); }
    void SetTrayTip(const std::string& text) override { tip = text; }

private:
    Log& log_;
};

class SearchCycleTest : public testing::Test {
protected:
    SearchCycleTest() {
        const char* names[] = {"W1", "W2", "W3", "W4", "Wan1", "Wan2", "Wan3", "Wan4", "Listen"};
        for (const char* name : names) sockets_.push_back(std::make_unique<FakeSocket>(name, log));
        SearchSockets set;
        for (int i = 0; i < 4; ++i) set.broadcast.push_back(sockets_[i].get());
        for (int i = 4; i < 8; ++i) set.internet.push_back(sockets_[i].get());
        set.listen = sockets_[8].get();
        cycle = std::make_unique<SearchCycle>(SearchCycle::Parts{search, hosts, dispatcher, set, timer1,
                                                                 window, settings, view, peers, peers,
                                                                 view.AsServices(), clock});
        for (auto& socket : sockets_) socket->cycle = cycle.get();
    }

    FakeSocket& Socket(int i) { return *sockets_[i]; }

    // A status reply from `address` arriving on socket `i`.
    void Deliver(int i, const std::string& bytes, uint32_t address = 0x0500A8C0 /* 192.168.0.5 */) {
        Socket(i).inbox.emplace_back(bytes, address);
        cycle->DataAvailable(Socket(i));
    }

    Log log;
    RecordingView view;
    SearchState search;
    HostTable hosts{view, view.AsServices(), view, search};
    ManualClock clock;
    QuietPeers receiver;
    DatagramDispatcher dispatcher{clock, search, hosts, receiver};
    FakeTimer timer1{"timer1", log, kDefaultIntervalMs, true};
    FakeTimer window{"window", log, kSearchWindowMs, false};
    FakeSettings settings;
    FakePeers peers{log};
    std::vector<std::unique_ptr<FakeSocket>> sockets_;
    std::unique_ptr<SearchCycle> cycle;
};

TEST_F(SearchCycleTest, FirstSearchOpensEverySocketInOrderThenAsksThePeers) {
    settings.extra[0].Enabled = settings.extra[2].Enabled = true;
    settings.internet[1] = {true, "q2.example.test", "27911"};
    clock.SetCalendarSeconds(1000);
    cycle->StartSearch();
    EXPECT_EQ(log,
              (Log{"connect W1 255.255.255.255:27910", "send W1 query", "connect W2 255.255.255.255:27920",
                   "send W2 query", "connect W4 255.255.255.255:27940", "send W4 query",
                   "connect Wan2 q2.example.test:27911", "send Wan2 query", "window on", "status request"}));
    EXPECT_EQ(view.calls[0], "status 0: Searching for local servers");
    EXPECT_EQ(view.calls[1], "status 1: ");
}

TEST_F(SearchCycleTest, ASecondPressWithinTheWindowResendsOnlyThroughTheOpenBroadcastSocket) {
    settings.extra[0].Enabled = true;
    cycle->StartSearch();
    Deliver(0, Reply(Info("Friday", "base1")));
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_LT(hosts[0].AnswerTime, kNoAnswer);
    log.clear();
    peers.last_request = clock.CalendarSeconds();  // asked just now: no second request

    cycle->StartSearch();
    EXPECT_EQ(log, (Log{"send W1 query"}));  // the window keeps running, its end unmoved
    EXPECT_EQ(hosts[0].AnswerTime, kNoAnswer);
    EXPECT_TRUE(window.Enabled());
}

TEST_F(SearchCycleTest, AnUnresolvableInternetServerIsReportedAndTheSearchGoesOn) {
    settings.internet[0] = {true, "no-such-host.invalid", "27910"};
    settings.internet[1] = {true, "127.0.0.1", "27910"};
    Socket(4).unresolvable = true;
    search.SearchPlayers = 4;
    cycle->StartSearch();
    EXPECT_EQ(log, (Log{"connect W1 255.255.255.255:27910", "send W1 query",
                        "connect Wan1 no-such-host.invalid:27910", "connect Wan2 127.0.0.1:27910",
                        "send Wan2 query", "window on", "status request"}));
    const std::string error = "SetAddr: Cannot convert host address 'no-such-host.invalid'";
    EXPECT_NE(std::find(view.calls.begin(), view.calls.end(), "status 0: " + error), view.calls.end());
    EXPECT_NE(std::find(view.calls.begin(), view.calls.end(), "log: " + error), view.calls.end());
    EXPECT_EQ(search.SearchPlayers, 0);
    EXPECT_TRUE(Socket(4).IsClosed());
}

TEST_F(SearchCycleTest, AnUnresolvableServerIsShownAtEverySearchButLoggedOnceUntilItResolvesOrIsRenamed) {
    settings.internet[0] = {true, "no-such-host.invalid", "27910"};
    Socket(4).unresolvable = true;
    const auto count = [&](const std::string& call) {
        return std::count(view.calls.begin(), view.calls.end(), call);
    };
    const std::string error = "SetAddr: Cannot convert host address 'no-such-host.invalid'";
    for (int i = 0; i < 3; ++i) cycle->StartSearch();
    EXPECT_EQ(count("status 0: " + error), 3);
    EXPECT_EQ(count("log: " + error), 1);

    // Another name that fails is new news.
    settings.internet[0].Address = "other-host.invalid";
    cycle->StartSearch();
    cycle->StartSearch();
    EXPECT_EQ(count("log: SetAddr: Cannot convert host address 'other-host.invalid'"), 1);

    // Once it has resolved, the next failure is logged again.
    settings.internet[0].Address = "no-such-host.invalid";
    Socket(4).unresolvable = false;
    cycle->StartSearch();
    cycle->BroadcastEnd();
    Socket(4).unresolvable = true;
    cycle->StartSearch();
    EXPECT_EQ(count("log: " + error), 2);
    EXPECT_EQ(count("status 0: " + error), 4);
}

TEST_F(SearchCycleTest, EachServersPlayersCountOncePerSearchFromItsLastReply) {
    settings.extra[0].Enabled = true;
    cycle->StartSearch();
    // One server answering one query from two sockets, the second reply
    // after a player joined.
    Deliver(0, Reply(Info("Friday", "base1"), "3 40 \"Ranger\"\n1 80 \"Grunt\"\n"));
    Deliver(0, Reply(Info("Friday", "base1"), "3 40 \"Ranger\"\n1 80 \"Grunt\"\n0 5 \"New\"\n"));
    // The same address on another port is another server.
    Deliver(1, Reply(Info("Second", "q2dm1"), "0 20 \"Solo\"\n"));
    // A reply that is not listed still counts, once.
    Deliver(0, Reply(Info("Single", "base1", "1"), "0 20 \"Alone\"\n"), 0x0600A8C0);
    Deliver(0, Reply(Info("Single", "base1", "1"), "0 20 \"Alone\"\n"), 0x0600A8C0);
    EXPECT_EQ(search.SearchPlayers, 5);
    cycle->BroadcastEnd();
    EXPECT_EQ(peers.tip, "2 hosts, 5 players and 0 users");

    // A new search counts afresh; a server with fewer players lowers the count.
    cycle->StartSearch();
    Deliver(0, Reply(Info("Friday", "base1"), "3 40 \"Ranger\"\n"));
    Deliver(0, Reply(Info("Friday", "base1"), ""));
    EXPECT_EQ(search.SearchPlayers, 0);
}

TEST_F(SearchCycleTest, ASearchSwitchesBothTimersOnAgainAfterALaunchStoppedThem) {
    timer1.SetEnabled(false);
    log.clear();
    peers.last_request = clock.CalendarSeconds();
    cycle->StartSearch();
    EXPECT_EQ(log, (Log{"connect W1 255.255.255.255:27910", "send W1 query", "window on", "timer1 on"}));
    EXPECT_EQ(timer1.Interval(), kDefaultIntervalMs);
}

TEST_F(SearchCycleTest, StatusRequestsAreSpacedMoreThanTenSecondsApart) {
    clock.SetCalendarSeconds(5000);
    peers.last_request = 4990;
    cycle->StartSearch();
    EXPECT_EQ(std::count(log.begin(), log.end(), "status request"), 0);
    peers.last_request = 4989;
    cycle->StartSearch();
    EXPECT_EQ(std::count(log.begin(), log.end(), "status request"), 1);
}

TEST_F(SearchCycleTest, TheIntervalTickFollowsTheSettingsAtEachTick) {
    settings.interval = "60";
    cycle->Timer1Timer();
    EXPECT_EQ(log, (Log{"timer1 interval 60000", "connect W1 255.255.255.255:27910", "send W1 query",
                        "window on", "status request"}));

    log.clear();
    settings.broadcast = false;
    settings.interval = "10";
    cycle->Timer1Timer();
    EXPECT_EQ(log, (Log{"timer1 interval 10000"}));  // picks up the interval, starts no search

    log.clear();
    cycle->Timer1Timer();  // the same interval is not set again, so the period is not restarted
    EXPECT_TRUE(log.empty());

    settings.broadcast = true;
    settings.interval = "10x";
    EXPECT_THROW(cycle->Timer1Timer(), EConvertError);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(timer1.Interval(), 10000u);
}

TEST_F(SearchCycleTest, TheWindowEndClosesTheSearchSocketsAndSummarises) {
    settings.extra[1].Enabled = true;
    settings.internet[3] = {true, "127.0.0.1", "27910"};
    peers.users = 2;
    cycle->StartSearch();
    Deliver(0, Reply(Info("Friday", "base1"), "3 40 \"Ranger\"\n1 80 \"Grunt\"\n"));
    Deliver(0, Reply(Info("Other", "q2dm1"), "0 20 \"Solo\"\n"), 0x0600A8C0);
    log.clear();
    view.Clear();

    cycle->BroadcastEnd();
    EXPECT_EQ(log, (Log{"window off", "close W3", "close Wan4", "refresh users"}));
    EXPECT_EQ(peers.tip, "2 hosts, 3 players and 2 users");
    EXPECT_FALSE(search.FirstSearch);
    EXPECT_EQ(view.calls.front(), "status 0: Search complete");
    EXPECT_EQ(view.calls.back(), "icon 5");
    EXPECT_FALSE(Socket(0).IsClosed());
}

TEST_F(SearchCycleTest, TheIdleIconTellsWhetherAnyPlayerWasSeenUnlessSomethingChanged) {
    search.FirstSearch = false;
    cycle->StartSearch();
    Deliver(0, Reply(Info("Friday", "base1")));
    view.Clear();
    cycle->BroadcastEnd();
    EXPECT_EQ(view.calls.back(), "icon 0");

    cycle->StartSearch();
    Deliver(0, Reply(Info("Friday", "q2dm2")));  // a map change is this search's last event
    view.Clear();
    cycle->BroadcastEnd();
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "icon 0"), 0);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "icon 5"), 0);
}

TEST_F(SearchCycleTest, TheFirstWindowIsQuietAndARunningGameIsReported) {
    cycle->StartSearch();
    Deliver(0, Reply(Info("Friday", "base1")));
    view.game_running = true;
    view.Clear();
    cycle->BroadcastEnd();
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "status 1: Running quake detected"), 1);
    EXPECT_EQ(std::count_if(view.calls.begin(), view.calls.end(),
                            [](const std::string& c) { return c.rfind("icon", 0) == 0; }),
              1);  // only the idle icon of the window end: the merge during the window set none
}

TEST_F(SearchCycleTest, AReplyTakesThePortOfTheSocketItArrivedOn) {
    settings.extra[0].Enabled = true;
    cycle->StartSearch();
    Deliver(1, Reply(Info("Friday", "base1")), 0x0100000A /* 10.0.0.1 */);
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_EQ(hosts[0].Port, "27920");
    EXPECT_EQ(hosts[0].Address, "10.0.0.1");
}

TEST_F(SearchCycleTest, ASocketErrorIsShownAndClosesOnlyThatSocket) {
    cycle->StartSearch();
    view.Clear();
    cycle->SocketError(Socket(0));
    EXPECT_EQ(view.calls, (Log{"status 0: ERROR (10051)"}));
    EXPECT_TRUE(Socket(0).IsClosed());
    log.clear();
    cycle->StartSearch();  // the next search opens it again
    EXPECT_EQ(log.front(), "connect W1 255.255.255.255:27910");
}

TEST_F(SearchCycleTest, AServerSilentForRetriesSearchesIsClosedAtTheEndOfTheLastWindow) {
    view.retries = "3";
    cycle->StartSearch();
    Deliver(0, Reply(Info("Friday", "base1")));
    cycle->BroadcastEnd();
    for (int silent = 1; silent <= 3; ++silent) {
        ASSERT_EQ(hosts.size(), 1u) << "removed before silent search " << silent;
        cycle->StartSearch();
        cycle->BroadcastEnd();
    }
    EXPECT_EQ(hosts.size(), 0u);
    EXPECT_NE(std::find(view.calls.begin(), view.calls.end(), "log: Friday closed"), view.calls.end());
    EXPECT_EQ(ParallelFault(hosts, view), "");
}

TEST_F(SearchCycleTest, TheListenSocketBindsToTheGamePortOnEveryAddress) {
    cycle->OpenListenSocket();
    EXPECT_EQ(log, (Log{"listen Listen 0.0.0.0:27910"}));
    cycle->StartSearch();
    Deliver(8, Reply(Info("Friday", "base1")));
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_EQ(hosts[0].Port, "27910");
}

TEST_F(SearchCycleTest, OnlyRepliesInAWindowAddServersAndOnlyAnswersToOurQueryLaunch) {
    search.FirstSearch = false;
    view.ActionFor(EventKind::NewHost) = {false, true, false, ""};
    cycle->OpenListenSocket();
    // Before any search, and after a window's end, nobody was asked.
    Deliver(8, Reply(Info("Early", "base1")));
    Deliver(0, Reply(Info("Early", "base1")));
    EXPECT_EQ(hosts.size(), 0u);

    cycle->StartSearch();
    // On the game port the reply was not asked for: listed, never launched.
    Deliver(8, Reply(Info("Forged", "base1")), 0x0900A8C0);
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "launch 192.168.0.9:27910 Forged"), 0);
    // Answers to the query: the first launches, and the launch's own new
    // search does not open the way for a second in the same window.
    Deliver(0, Reply(Info("One", "base1")), 0x0600A8C0);
    cycle->StartSearch();
    Deliver(0, Reply(Info("Two", "base1")), 0x0700A8C0);
    EXPECT_EQ(hosts.size(), 3u);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "launch 192.168.0.6:27910 One"), 1);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "launch 192.168.0.7:27910 Two"), 0);

    cycle->BroadcastEnd();
    Deliver(0, Reply(Info("Late", "base1")), 0x0800A8C0);
    EXPECT_EQ(hosts.size(), 3u);
    cycle->StartSearch();
    Deliver(0, Reply(Info("Three", "base1")), 0x0800A8C0);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "launch 192.168.0.8:27910 Three"), 1);
}

TEST_F(SearchCycleTest, APingRunsFromTheQueryOfTheSocketThatGotTheReplyToItsArrivalStamp) {
    settings.internet[0] = {true, "10.0.0.7", "27910"};
    cycle->StartSearch();  // both queries leave at the search's start
    clock.AdvanceMs(300);
    // Stamped 20.4 ms after the broadcast, handled much later.
    Socket(0).arrival = clock.SteadyTicks() - 2'796'000;
    Deliver(0, Reply(Info("Friday", "base1")));
    // The listening socket hears answers to the broadcast on the game port.
    Socket(8).arrival = search.SearchStart + 125'000;
    Deliver(8, Reply(Info("Saturday", "q2dm1")), 0x0600A8C0);
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_EQ(hosts[0].Ping, 20);
    EXPECT_EQ(hosts[0].Source, ServerSource::Lan);
    EXPECT_EQ(hosts[1].Ping, 13);  // 12.5 ms rounds up

    // A later search: the internet server's query leaves again only when its
    // socket opens again, so its ping runs from that moment.
    cycle->BroadcastEnd();
    clock.AdvanceMs(5000);
    cycle->StartSearch();
    clock.AdvanceMs(7);
    Deliver(4, Reply(Info("Remote", "base2")), 0x0700000A);  // no stamp: handled at once
    ASSERT_EQ(hosts.size(), 3u);
    EXPECT_EQ(hosts[2].Ping, 7);
    EXPECT_EQ(hosts[2].Source, ServerSource::Favourite);
}

struct FakeRemote : RemoteServers {
    int searches = 0;
    bool busy = false;
    void StartSearch() override { ++searches; }
    bool Busy() const override { return busy; }
};

TEST_F(SearchCycleTest, TheSearchEndsWhenTheServersBeyondTheLanAreDoneIfThatIsAfterTheWindow) {
    FakeRemote remote;
    SearchCycle cycle2({search,
                        hosts,
                        dispatcher,
                        {},
                        timer1,
                        window,
                        settings,
                        view,
                        peers,
                        peers,
                        view.AsServices(),
                        clock,
                        &remote});
    int ends = 0;
    cycle2.OnSearchEnd = [&] { ++ends; };
    cycle2.StartSearch();
    EXPECT_EQ(remote.searches, 1);
    remote.busy = true;
    cycle2.BroadcastEnd();
    EXPECT_EQ(ends, 0);
    EXPECT_FALSE(window.Enabled());
    EXPECT_TRUE(search.FirstSearch);  // the end steps wait

    remote.busy = false;
    remote.OnIdle();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(search.FirstSearch);
    EXPECT_EQ(peers.tip, "0 hosts, 0 players and 0 users");
    remote.OnIdle();  // idle again without a pending end: nothing
    EXPECT_EQ(ends, 1);

    // Done before the window: the window's end ends the search at once.
    cycle2.StartSearch();
    cycle2.BroadcastEnd();
    EXPECT_EQ(ends, 2);
}

// --- the setup every program searches with -----------------------------------

// Sockets S0, S1, ... in the order the setup asks for them.
struct FakeSockets final : SocketMaker {
    explicit FakeSockets(Log& log) : log(log) {}
    std::unique_ptr<CycleSocket> MakeSocket(MessageLoop&) override {
        auto socket = std::make_unique<FakeSocket>("S" + std::to_string(made.size()), log);
        made.push_back(socket.get());
        return socket;
    }
    Log& log;
    std::vector<FakeSocket*> made;
};

struct NoRemoteServers final : InternetSettings {
    std::string Masters() const override { return ""; }
    std::string Favorites() const override { return ""; }
    NumberText QueryRate() const override { return NumberText(kQueryRateField); }
};

struct SetupRig {
    explicit SetupRig(const SearchShape& shape)
        : setup({.loop = loop,
                 .clock = SystemClock::Instance(),
                 .sockets = sockets,
                 .services = view.AsServices(),
                 .window = view,
                 .tray = peers,
                 .host_settings = view,
                 .settings = settings,
                 .internet_settings = remote,
                 .peers = peers,
                 .peer_receiver = receiver,
                 .report = [this](const std::string& text) { log.push_back("report " + text); }},
                shape) {
        view.Watch(setup.hosts);
        setup.cycle.OnSearchEnd = [this] { ++ends; };
    }
    // Runs the loop until `ends` searches have ended, or `limit_ms` passed.
    void RunUntilEnded(int ends_wanted, int limit_ms = 10'000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
        while (ends < ends_wanted && std::chrono::steady_clock::now() < deadline)
            loop.WaitAndProcessMessages(20);
    }
    bool Saw(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }
    long Searches() const { return std::count(view.searches.begin(), view.searches.end(), "started"); }

    Log log;
    int ends = 0;
    MessageLoop loop;
    FakeSockets sockets{log};
    RecordingView view;
    FakeSettings settings;
    FakePeers peers{log};
    QuietPeers receiver;
    NoRemoteServers remote;
    SearchSetup setup;
};

TEST(SearchSetup, TheDesktopsShapeGivesEachSocketItsRoleAndItsTimersDriveTheCycle) {
    SearchShape shape;
    shape.window_ms = 50;
    SetupRig rig(shape);
    ASSERT_EQ(rig.sockets.made.size(), 9u);
    EXPECT_TRUE(rig.Saw("attach S7"));
    EXPECT_TRUE(rig.Saw("attach S8 listening"));
    rig.setup.cycle.OpenListenSocket();
    EXPECT_TRUE(rig.Saw("listen S8 0.0.0.0:27910"));

    rig.settings.extra[1].Enabled = true;
    rig.settings.internet[2] = {true, "10.0.0.7", "27911"};
    rig.setup.cycle.StartSearch();
    EXPECT_TRUE(rig.Saw("connect S0 255.255.255.255:27910"));
    EXPECT_TRUE(rig.Saw("connect S2 255.255.255.255:27930"));
    EXPECT_TRUE(rig.Saw("connect S6 10.0.0.7:27911"));
    // A reply on any socket reaches the setup's own table.
    rig.sockets.made[6]->inbox.emplace_back(Reply(Info("Friday", "base1")), 0x0700000A);
    rig.sockets.made[6]->cycle->DataAvailable(*rig.sockets.made[6]);
    ASSERT_EQ(rig.setup.hosts.size(), 1u);
    EXPECT_EQ(rig.setup.hosts[0].Source, ServerSource::Favourite);

    rig.RunUntilEnded(1);  // the window's end
    EXPECT_EQ(rig.view.searches.back(), "ended: 1 hosts, 0 players and 0 users");
    EXPECT_TRUE(rig.Saw("close S6")) << "the internet sockets close with the window";
    EXPECT_FALSE(rig.Saw("close S0")) << "the broadcast socket stays open";

    // The interval timer starts the next search.
    rig.setup.timer1.SetInterval(50);
    rig.RunUntilEnded(2);
    EXPECT_EQ(rig.Searches(), 2);
}

TEST(SearchSetup, AOneSearchShapeHasOnlyItsBroadcastSocketsAndNeverSearchesAgain) {
    SearchShape shape;
    shape.broadcast_sockets = 2;
    shape.internet_sockets = 0;
    shape.listen = false;
    shape.window_ms = 50;
    shape.repeats = false;
    SetupRig rig(shape);
    ASSERT_EQ(rig.sockets.made.size(), 2u);
    EXPECT_EQ(rig.log, (Log{"attach S0", "attach S1"}));

    rig.setup.cycle.StartSearch();
    rig.RunUntilEnded(1);
    EXPECT_EQ(rig.ends, 1);
    // The search enabled the interval timer; without a handler its ticks
    // start nothing in six of its periods.
    ASSERT_TRUE(rig.setup.timer1.Enabled());
    rig.setup.timer1.SetInterval(50);
    rig.RunUntilEnded(2, 300);
    EXPECT_EQ(rig.Searches(), 1);
}

}  // namespace
}  // namespace torvane

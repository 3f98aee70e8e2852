// SPDX-License-Identifier: GPL-2.0-or-later
// The internet search on loopback: stand-in master servers and game servers
// are plain UDP sockets of the test, answered between rounds of the loop.

#include "discovery/internetsearch.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <functional>
#include <string>
#include <vector>

#include "discovery/quiethost.h"
#include "platform/uniquefd.h"
#include "recording_view.h"
#include "replies.h"

namespace torvane {
namespace {

// A UDP socket on an automatic loopback port that answers what it receives.
struct Peer {
    Peer() : fd(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(0, bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address));
        socklen_t length = sizeof address;
        getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    std::string Name() const { return "127.0.0.1:" + std::to_string(port); }
    void Serve() {
        char buffer[2048];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        for (ssize_t n; (n = recvfrom(fd.Get(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                                      &length)) >= 0;) {
            received.emplace_back(buffer, static_cast<std::size_t>(n));
            for (const std::string& reply : answers)
                sendto(fd.Get(), reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
        }
    }
    UniqueFd fd;
    uint16_t port = 0;
    std::vector<std::string> answers;
    std::vector<std::string> received;
};

std::string MasterReply(const std::vector<const Peer*>& servers) {
    std::string bytes(kMasterReplyPrefix);
    for (const Peer* server : servers) {
        bytes += std::string("\x7f\x00\x00\x01", 4);
        bytes += static_cast<char>(server->port >> 8);
        bytes += static_cast<char>(server->port & 0xFF);
    }
    return bytes;
}

const std::string kMasterQueryBytes(MasterQuery.begin(), MasterQuery.end());
const std::string kStatusQueryBytes(StatusQuery.begin(), StatusQuery.end());

struct Settings final : InternetSettings {
    std::string masters, favourites, rate = "1000";
    std::string Masters() const override { return masters; }
    std::string Favorites() const override { return favourites; }
    NumberText QueryRate() const override { return {kQueryRateField, rate}; }
};

class InternetSearchTest : public testing::Test {
protected:
    InternetSearchTest() { search.FirstSearch = false; }

    InternetSearch& Make(InternetSearch::Timing timing = {}) {
        internet = std::make_unique<InternetSearch>(
            loop, dispatcher, settings, SystemClock::Instance(),
            [this](const std::string& text) { reports.push_back(text); }, timing);
        internet->OnIdle = [this] { ++idle; };
        return *internet;
    }

    // Runs the loop and the peers until the search is idle (10 s at most).
    void RunSearch(std::vector<Peer*> peers) {
        internet->StartSearch();
        for (int round = 0; round < 5000 && internet->Busy(); ++round) {
            for (Peer* peer : peers) peer->Serve();
            loop.WaitAndProcessMessages(2);
        }
        ASSERT_FALSE(internet->Busy());
    }

    MessageLoop loop;
    RecordingView view;
    SearchState search;
    HostTable hosts{view, view.AsServices(), view, search};
    const bool watching_ = (view.Watch(hosts), true);
    QuietPeers peers;
    DatagramDispatcher dispatcher{SystemClock::Instance(), search, hosts, peers};
    Settings settings;
    std::vector<std::string> reports;
    int idle = 0;
    std::unique_ptr<InternetSearch> internet;
};

TEST(ServerList, ReadsBlankSeparatedWordsWithDefaultPortsAndNamesTheBadOnes) {
    std::vector<std::string> rejected;
    const auto targets =
        ParseServerList("  master.example.test  10.0.0.1:27950\tq2:0 :5 a:b \n", "27900", &rejected);
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[0].Address, "master.example.test");
    EXPECT_EQ(targets[0].Port, "27900");
    EXPECT_EQ(targets[1].Address, "10.0.0.1");
    EXPECT_EQ(targets[1].Port, "27950");
    EXPECT_EQ(rejected, (std::vector<std::string>{"q2:0", ":5", "a:b"}));
    EXPECT_TRUE(ParseServerList("", "27910").empty());

    EXPECT_EQ(QueryRatePerSecond({kQueryRateField, "250"}), 250);
    EXPECT_EQ(QueryRatePerSecond({kQueryRateField, "fast"}), 1000);
    EXPECT_EQ(QueryRatePerSecond({kQueryRateField, "0"}), 1);
}

TEST_F(InternetSearchTest, AMasterListSplitOverDatagramsIsMergedAndEachServerAskedOnce) {
    Peer master, a, b, c, favourite;
    a.answers = {Reply(Info("Alpha", "q2dm1"), "3 40 \"Ranger\"\n")};
    b.answers = {Reply(Info("Beta", "q2dm2"))};
    c.answers = {Reply(Info("Gamma", "q2dm3"))};
    favourite.answers = {Reply(Info("Home", "base1"))};
    // Two datagrams: the second repeats one server of the first and lists
    // the favourite, which stays a favourite.
    master.answers = {MasterReply({&a, &b}), MasterReply({&b, &c, &favourite})};
    settings.masters = master.Name();
    settings.favourites = favourite.Name();
    Make();
    RunSearch({&master, &a, &b, &c, &favourite});

    EXPECT_EQ(master.received, std::vector<std::string>{kMasterQueryBytes});
    for (Peer* server : {&a, &b, &c, &favourite})
        EXPECT_EQ(server->received, std::vector<std::string>{kStatusQueryBytes}) << server->Name();
    EXPECT_EQ(internet->MasterListSize(master.Name()), 4u);
    EXPECT_EQ(idle, 1);
    ASSERT_EQ(hosts.size(), 4u);
    for (const TQuakeServer& server : hosts.Records()) {
        EXPECT_EQ(server.Address, "127.0.0.1");
        EXPECT_GE(server.Ping, 0);
        EXPECT_EQ(server.Source, server.HostName == "Home" ? ServerSource::Favourite : ServerSource::Master)
            << server.HostName;
    }
    // Only the favourite is announced and has a tray entry.
    EXPECT_EQ(view.Tray(), std::vector<std::string>{"Home 0/8"});
    EXPECT_TRUE(reports.empty());

    // The next search asks the servers of the kept list, not the master.
    RunSearch({&master, &a, &b, &c, &favourite});
    EXPECT_EQ(master.received.size(), 1u);
    EXPECT_EQ(a.received.size(), 2u);
    EXPECT_EQ(favourite.received.size(), 2u);
}

TEST_F(InternetSearchTest, ASilentMasterIsAskedThreeTimesThenReported) {
    Peer master;                                             // never answers
    settings.masters = master.Name() + " " + master.Name();  // named twice, asked as one
    InternetSearch::Timing timing;
    timing.master_retry_ms = 20;
    Make(timing);
    RunSearch({&master});
    EXPECT_EQ(master.received, (std::vector<std::string>(3, kMasterQueryBytes)));
    EXPECT_EQ(reports, std::vector<std::string>{"Master server " + master.Name() + " did not answer"});
    EXPECT_EQ(hosts.size(), 0u);
}

TEST_F(InternetSearchTest, OnlyASilentServerIsAskedAgainAndAtMostTwice) {
    Peer silent, talking;
    talking.answers = {Reply(Info("Talking", "q2dm1"))};
    settings.favourites = silent.Name() + " " + talking.Name();
    InternetSearch::Timing timing;
    timing.retry_ms = 20;
    timing.window_ms = 40;
    Make(timing);
    RunSearch({&silent, &talking});
    EXPECT_EQ(silent.received, (std::vector<std::string>(3, kStatusQueryBytes)));
    EXPECT_EQ(talking.received, std::vector<std::string>{kStatusQueryBytes});
    EXPECT_EQ(internet->QueriesSent(), 4u);
    EXPECT_EQ(internet->AnsweredCount(), 1u);
    EXPECT_EQ(hosts.size(), 1u);
}

TEST_F(InternetSearchTest, NothingToAskOpensNothingAndIsNeverBusy) {
    Make();
    internet->StartSearch();
    EXPECT_FALSE(internet->Busy());
    EXPECT_EQ(internet->TargetCount(), 0u);
    EXPECT_EQ(idle, 0);
}

}  // namespace
}  // namespace torvane

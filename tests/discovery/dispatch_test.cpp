// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/dispatch.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "discovery/statusquery.h"
#include "recording_view.h"
#include "replies.h"

namespace torvane {
namespace {

TEST(StatusQuery, IsTheTwentyByteOutOfBandQuery) {
    const std::string expected = std::string("\xFF\xFF\xFF\xFFstatus\n") + std::string(9, '\0');
    ASSERT_EQ(expected.size(), 20u);
    EXPECT_EQ(std::string(StatusQuery.begin(), StatusQuery.end()), expected);
}

DatagramKind Classify(const std::string& bytes) {
    return ClassifyDatagram(bytes.data(), int(bytes.size()));
}

TEST(ClassifyDatagram, MatchesExactLeadingBytesOnly) {
    const std::string prefix = "\xFF\xFF\xFF\xFFprint\n\\";
    EXPECT_EQ(Classify(prefix), DatagramKind::StatusReply);
    EXPECT_EQ(Classify(prefix + "hostname\\x"), DatagramKind::StatusReply);
    EXPECT_EQ(Classify("TVNMESS"), DatagramKind::Chat);
    EXPECT_EQ(Classify("TVNINFO anything after the tag"), DatagramKind::Info);
    EXPECT_EQ(Classify("TVNSTAT"), DatagramKind::StatusRequest);
    EXPECT_EQ(Classify("TVNSUGGx"), DatagramKind::Challenge);

    // Four 0xFF bytes and anything but "print", line feed, backslash.
    EXPECT_EQ(Classify("\xFF\xFF\xFF\xFFprint\nX"), DatagramKind::Other);
    EXPECT_EQ(Classify("\xFF\xFF\xFF\xFFPRINT\n\\"), DatagramKind::Other);
    EXPECT_EQ(Classify(std::string(StatusQuery.begin(), StatusQuery.end())), DatagramKind::Other);
    // Tags are case-sensitive.
    EXPECT_EQ(Classify("tvninfo"), DatagramKind::Other);
    EXPECT_EQ(Classify("TvnMESS"), DatagramKind::Other);
    EXPECT_EQ(Classify(""), DatagramKind::Other);
}

TEST(ClassifyDatagram, ShortDatagramsNeverMatchWhateverFollowsInTheBuffer) {
    const std::string reply = "\xFF\xFF\xFF\xFFprint\n\\";
    EXPECT_EQ(ClassifyDatagram(reply.data(), 10), DatagramKind::Other);
    for (const char* tag : {"TVNMESS", "TVNINFO", "TVNSTAT", "TVNSUGG"}) {
        EXPECT_EQ(ClassifyDatagram(tag, 6), DatagramKind::Other) << tag;
    }
}

struct RecordingPeers : PeerReceiver {
    std::vector<std::string> calls;
    void Record(const char* what, const char* data, int length, const std::string& address) {
        calls.push_back(std::string(what) + " " + address + " " + std::string(data, length));
    }
    void ReceiveChat(const char* d, int n, const std::string& a) override { Record("chat", d, n, a); }
    void ReceiveInfo(const char* d, int n, const std::string& a) override { Record("info", d, n, a); }
    void ReceiveStatusRequest(const char* d, int n, const std::string& a) override {
        Record("stat", d, n, a);
    }
    void ReceiveChallenge(const char* d, int n, const std::string& a) override { Record("sugg", d, n, a); }
};

class DispatchTest : public testing::Test {
protected:
    void Dispatch(const std::string& bytes, const std::string& port = "27910",
                  const std::string& address = "192.168.0.5") {
        Datagram datagram(bytes);
        dispatcher.DispatchDatagram(datagram.data(), datagram.length, address, port);
    }

    ManualClock clock;
    SearchState search;
    RecordingView view;
    RecordingPeers peers;
    HostTable table{view, view.AsServices(), view, search};
    DatagramDispatcher dispatcher{clock, search, table, peers};
};

TEST_F(DispatchTest, PeerTagsGoToTheirReceiversWhicheverSocketGotThem) {
    // The port text names the receiving socket: 27920 is a broadcast socket,
    // not the listening one, and the peers still get the datagram.
    Dispatch("TVNINFO\x01Ready", "27920", "192.168.0.9");
    Dispatch("TVNMESS hi", "27910", "192.168.0.9");
    Dispatch("TVNSTAT", "27930", "192.168.0.8");
    Dispatch("TVNSUGG x", "27910", "192.168.0.7");
    EXPECT_EQ(peers.calls,
              (std::vector<std::string>{"info 192.168.0.9 TVNINFO\x01Ready", "chat 192.168.0.9 TVNMESS hi",
                                        "stat 192.168.0.8 TVNSTAT", "sugg 192.168.0.7 TVNSUGG x"}));
    EXPECT_EQ(table.size(), 0u);
    EXPECT_TRUE(view.calls.empty());
}

TEST_F(DispatchTest, StatusReplyTakesThePortOfTheReceivingSocket) {
    Dispatch(Reply(Info("Friday", "base1")), "27920", "192.168.0.5");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Port, "27920");
    EXPECT_EQ(table[0].Address, "192.168.0.5");
    EXPECT_TRUE(peers.calls.empty());
}

TEST_F(DispatchTest, OtherTrafficAndBadLengthsAreDroppedSilently) {
    Dispatch("\xFF\xFF\xFF\xFFprint\nhostname\\x");
    Dispatch(std::string(StatusQuery.begin(), StatusQuery.end()));
    Dispatch("hello");
    Datagram datagram(Reply(Info("Friday", "base1")));
    dispatcher.DispatchDatagram(datagram.data(), -1, "192.168.0.5", "27910");
    dispatcher.DispatchDatagram(datagram.data(), kMaxReceiveLength + 1, "192.168.0.5", "27910");
    EXPECT_TRUE(peers.calls.empty());
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(table.size(), 0u);
}

TEST(PingMs, RoundsToWholeMillisecondsAndNeverGoesBelowZero) {
    EXPECT_EQ(PingMs(1'000'000, 1'000'000 + 204'999), 20);
    EXPECT_EQ(PingMs(1'000'000, 1'000'000 + 205'000), 21);
    EXPECT_EQ(PingMs(1'000'000, 1'000'000 + 4'999), 0);
    EXPECT_EQ(PingMs(1'000'000, 999'000), 0);  // stamped before it left: a clock's rounding
}

TEST_F(DispatchTest, AReplyIsTimedFromItsQueryToItsArrivalAndKeepsItsSource) {
    search.SearchStart = clock.SteadyTicks();
    clock.AdvanceMs(500);
    Datagram datagram(Reply(Info("Friday", "base1")));
    const ReplyOrigin origin{search.SearchStart + 1'000'000, search.SearchStart + 1'250'000,
                             ServerSource::Master};
    dispatcher.DispatchDatagram(datagram.data(), datagram.length, "10.1.2.3", "27960", origin);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Ping, 25);
    EXPECT_EQ(table[0].AnswerTime, 500);  // the answer time still runs from the search's start
    EXPECT_EQ(table[0].Source, ServerSource::Master);

    // Without stamps: from the search's start to the moment it is handled.
    Dispatch(Reply(Info("Saturday", "base2")), "27910", "192.168.0.6");
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].Ping, 500);
    EXPECT_EQ(table[1].Source, ServerSource::Lan);
}

}  // namespace
}  // namespace torvane

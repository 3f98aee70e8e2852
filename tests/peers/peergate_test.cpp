// SPDX-License-Identifier: GPL-2.0-or-later
// The budgets between the datagram dispatch and the peer protocol: what a
// flood of peer datagrams is allowed to cost, and that ordinary traffic
// never notices them.

#include "peers/peergate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace torvane {
namespace {

struct Recorder final : PeerReceiver {
    std::vector<std::string> heard;
    void ReceiveChat(const char*, int, const std::string& address) override {
        heard.push_back("chat " + address);
    }
    void ReceiveInfo(const char*, int, const std::string& address) override {
        heard.push_back("info " + address);
    }
    void ReceiveStatusRequest(const char* data, int length, const std::string& address) override {
        heard.push_back("request " + std::string(data, static_cast<size_t>(length)) + " " + address);
    }
    void ReceiveChallenge(const char*, int, const std::string& address) override {
        heard.push_back("challenge " + address);
    }
    long Count(const std::string& entry) const { return std::count(heard.begin(), heard.end(), entry); }
};

struct FakeTimer final : AnswerTimer {
    std::vector<uint32_t> started;
    void Start(uint32_t ms) override { started.push_back(ms); }
};

struct Rig {
    ManualClock clock;
    Recorder peers;
    FakeTimer timer;
    GatedPeers gated{peers, clock, timer};

    void Chat(const std::string& from, int times = 1) {
        for (int i = 0; i < times; ++i) gated.ReceiveChat("TVNMESSx\tMy", 11, from);
    }
    void Request(const std::string& from) { gated.ReceiveStatusRequest("TVNSTAT", 7, from); }
};

TEST(PeerGate, OneLoudSenderIsCutToItsBudgetWithoutTouchingTheOthers) {
    Rig rig;
    rig.Chat("10.0.0.9", 1000);
    rig.gated.ReceiveInfo("TVNINFO", 7, "10.0.0.9");
    rig.gated.ReceiveChallenge("TVNSUGG", 7, "10.0.0.9");
    EXPECT_EQ(rig.peers.Count("chat 10.0.0.9"), static_cast<long>(PeerGate::kPerAddressBurst));
    EXPECT_EQ(rig.peers.heard.size(), static_cast<size_t>(PeerGate::kPerAddressBurst));

    // Everybody else still gets through, and the loud one again as its
    // budget refills: ten a second.
    rig.Chat("10.0.0.2");
    rig.gated.ReceiveInfo("TVNINFO", 7, "10.0.0.3");
    EXPECT_EQ(rig.peers.heard.back(), "info 10.0.0.3");
    rig.clock.AdvanceMs(1000);
    rig.Chat("10.0.0.9", 1000);
    EXPECT_EQ(rig.peers.Count("chat 10.0.0.9"), static_cast<long>(PeerGate::kPerAddressBurst) + 10);
}

TEST(PeerGate, ManySendersTogetherShareOneBudgetAndForgottenOnesAreQuietOnes) {
    Rig rig;
    // A flood from more addresses than are tracked: a copy per address, as
    // many as a whole network's answers to one request, all get through.
    int passed = 0;
    for (int i = 0; i < 2000; ++i) {
        const size_t before = rig.peers.heard.size();
        rig.gated.ReceiveInfo("TVNINFO", 7,
                              "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250));
        passed += rig.peers.heard.size() > before;
    }
    EXPECT_EQ(passed, static_cast<int>(PeerGate::kAllBurst));
    EXPECT_LE(rig.gated.Gate().TrackedAddresses(), PeerGate::kMaxAddresses);

    // A second later the common budget has 300 more.
    rig.clock.AdvanceMs(1000);
    passed = 0;
    for (int i = 0; i < 1000; ++i) {
        const size_t before = rig.peers.heard.size();
        rig.Chat("10.2.0." + std::to_string(i % 250) + (i < 250 ? "" : std::to_string(i)));
        passed += rig.peers.heard.size() > before;
    }
    EXPECT_EQ(passed, static_cast<int>(PeerGate::kAllPerSecond));

    // Quiet long enough, the tracked senders are forgotten to make room.
    rig.clock.AdvanceSeconds(10);
    rig.Chat("10.3.0.1");
    EXPECT_EQ(rig.peers.heard.back(), "chat 10.3.0.1");
    EXPECT_LE(rig.gated.Gate().TrackedAddresses(), PeerGate::kMaxAddresses);
}

TEST(PeerGate, StatusRequestsAreAnsweredOncePerSpacingAndTheLastOneAtItsEnd) {
    Rig rig;
    rig.Request("10.0.0.2");
    EXPECT_EQ(rig.peers.heard, (std::vector<std::string>{"request TVNSTAT 10.0.0.2"}));
    EXPECT_TRUE(rig.timer.started.empty());

    // Within the spacing: one delayed answer for any number of requests.
    rig.clock.AdvanceMs(100);
    for (int i = 0; i < 500; ++i) rig.Request("10.0.0." + std::to_string(3 + i % 200));
    EXPECT_EQ(rig.peers.heard.size(), 1u);
    ASSERT_EQ(rig.timer.started, (std::vector<uint32_t>{PeerGate::kAnswerSpacingMs - 100}));
    rig.clock.AdvanceMs(PeerGate::kAnswerSpacingMs - 100);
    rig.gated.AnswerTimerFired();
    ASSERT_EQ(rig.peers.heard.size(), 2u);
    EXPECT_EQ(rig.peers.heard.back().substr(0, 16), "request TVNSTAT ");
    rig.gated.AnswerTimerFired();  // a late tick answers nothing more
    EXPECT_EQ(rig.peers.heard.size(), 2u);

    // A request right after the delayed answer waits a whole spacing; one a
    // spacing later is answered at once, as every request of a quiet
    // network is.
    rig.Request("10.0.0.4");
    EXPECT_EQ(rig.timer.started.back(), static_cast<uint32_t>(PeerGate::kAnswerSpacingMs));
    rig.clock.AdvanceMs(PeerGate::kAnswerSpacingMs);
    rig.gated.AnswerTimerFired();
    rig.clock.AdvanceSeconds(10);
    rig.Request("10.0.0.5");
    EXPECT_EQ(rig.peers.heard.back(), "request TVNSTAT 10.0.0.5");
    EXPECT_EQ(rig.peers.heard.size(), 4u);
}

}  // namespace
}  // namespace torvane

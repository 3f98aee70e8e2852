// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/peerprotocol.h"

#include <gtest/gtest.h>

#include "peer_fakes.h"

namespace torvane {
namespace {

using fakes::Journal;
using fakes::PeerRig;

class PeerProtocolTest : public testing::Test {
protected:
    PeerRig rig;
    PeerProtocol& protocol = rig.protocol;
    std::vector<std::string>& sent = rig.sender.sent;
};

// --- announcements ---------------------------------------------------------

TEST_F(PeerProtocolTest, ShyCopyAnnouncesTheFortyEightByteInfo) {
    rig.settings.paranoia = 1;
    protocol.SendInfo();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "TVNINFO\tK1\tAPlayer\tBR\tCReady to kick some ass\tH1");
    EXPECT_EQ(sent[0].size(), 48u);
}

TEST_F(PeerProtocolTest, OpenCopyAddsVersionAndComputerNameWhenReadable) {
    rig.settings.paranoia = 0;
    protocol.SendInfo();
    rig.computer_name.name.reset();
    protocol.SendInfo();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], "TVNINFO\tK1\tAPlayer\tBR\tCReady to kick some ass\tH1\tL2.13\tMgamebox");
    EXPECT_EQ(sent[1], "TVNINFO\tK1\tAPlayer\tBR\tCReady to kick some ass\tH1\tL2.13");
}

TEST_F(PeerProtocolTest, InfoStatusComesFromTheGameFirstThenTheBusyBox) {
    rig.services.busy.busy = true;
    protocol.SendInfo();
    EXPECT_EQ(protocol.OwnStatus(), PeerStatus::Busy);
    rig.services.game.running = true;
    protocol.SendInfo();
    EXPECT_EQ(protocol.OwnStatus(), PeerStatus::Playing);
    rig.services.busy.busy = false;
    rig.services.game.running = false;
    protocol.SendInfo();
    EXPECT_EQ(protocol.OwnStatus(), PeerStatus::Ready);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_NE(sent[0].find("\tBB\tCBusy, do not disturb\t"), std::string::npos) << sent[0];
    EXPECT_NE(sent[1].find("\tBP\tCFragging\t"), std::string::npos) << sent[1];
    EXPECT_NE(sent[2].find("\tBR\tCReady to kick some ass\t"), std::string::npos) << sent[2];
}

TEST_F(PeerProtocolTest, OwnStatusStartsFromTheBusyBox) {
    EXPECT_EQ(protocol.OwnStatus(), PeerStatus::Ready);
    Journal journal;
    test::FakeServices services(journal);
    services.busy.busy = true;
    PeerProtocol busy(rig.settings, rig.host, services.Get(), rig.sender, rig.computer_name, rig.clock,
                      rig.users_view, rig.suggest_view);
    EXPECT_EQ(busy.OwnStatus(), PeerStatus::Busy);
}

// --- status requests -------------------------------------------------------

TEST_F(PeerProtocolTest, StatusRequestIsTheBareTagAndNoneIsHeardAtStartUp) {
    EXPECT_EQ(protocol.LastStatusRequestTime(), 0);
    protocol.SendStatusRequest();
    EXPECT_EQ(sent, std::vector<std::string>{"TVNSTAT"});
}

TEST_F(PeerProtocolTest, AnsweringARequestStampsIt) {
    rig.StatusRequest("TVNSTATextra payload is ignored");
    EXPECT_EQ(protocol.LastStatusRequestTime(), rig.clock.CalendarSeconds());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].substr(0, 7), "TVNINFO");
    // Sending a request of our own stamps nothing: only hearing one does.
    rig.clock.AdvanceSeconds(5);
    protocol.SendStatusRequest();
    EXPECT_EQ(protocol.LastStatusRequestTime(), rig.clock.CalendarSeconds() - 5);
}

TEST_F(PeerProtocolTest, InvisibleCopyStaysSilentButStillStampsRequests) {
    rig.settings.paranoia = 2;
    protocol.SetOwnStatus(PeerStatus::Busy);
    rig.StatusRequest();
    protocol.SendInfo();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(protocol.OwnStatus(), PeerStatus::Busy);
    EXPECT_EQ(protocol.LastStatusRequestTime(), rig.clock.CalendarSeconds());
    // Chat and challenges are not limited by it.
    protocol.SendChat("hi", 'M');
    TQuakeServer arena;
    arena.Address = "192.168.0.5";
    arena.Port = "27910";
    protocol.SendChallenge(arena);
    EXPECT_EQ(sent,
              (std::vector<std::string>{"TVNMESSPlayer\tMhi", "TVNSUGGPlayer\t\t192.168.0.5\t27910\t"}));
}

// --- user table ------------------------------------------------------------

TEST_F(PeerProtocolTest, InfoAddsUsersInArrivalOrderAndOverwritesBySenderAddress) {
    rig.Info("TVNINFO\tK1\tAAnn\tBR\tCready\tH0\tL2.13\tMannbox", "192.0.2.1");
    rig.Info("TVNINFO\tK1\tABob\tBB\tCaway\tH2", "192.0.2.2");
    rig.clock.AdvanceSeconds(3);
    // Ann turns shy: what her new announcement lacks is gone.
    rig.Info("TVNINFO\tK1\tAAnn\tBP\tCplaying\tH1", "192.0.2.1");

    const UserTable& users = protocol.Users();
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].Name, "Ann");
    EXPECT_EQ(users[0].Address, "192.0.2.1");
    EXPECT_EQ(users[0].Status, PeerStatus::Playing);
    EXPECT_EQ(users[0].Message, "playing");
    EXPECT_EQ(users[0].Skill, 1);
    EXPECT_EQ(users[0].Version, "");
    EXPECT_EQ(users[0].ComputerName, "");
    EXPECT_EQ(users[0].LastSeen, rig.clock.CalendarSeconds());
    EXPECT_EQ(users[1].Name, "Bob");
    // The window followed the table.
    ASSERT_EQ(rig.mirror.rows.size(), 2u);
    EXPECT_EQ(rig.mirror.rows[0], (UserRow{"Ann", "Playing", "playing"}));
}

TEST_F(PeerProtocolTest, InfoWithoutFieldsStillRefreshesItsSender) {
    rig.Info("TVNINFO\tAAnn\tCready", "192.0.2.1");
    rig.clock.AdvanceSeconds(20);
    rig.Info("TVNINFO", "192.0.2.1");
    rig.Info("TVNINF", "192.0.2.9");  // shorter than a tag
    rig.Info("TVNINFO", "192.0.2.9");
    rig.clock.AdvanceSeconds(20);
    protocol.UsersWindow().Refresh();
    ASSERT_EQ(protocol.Users().size(), 2u);
    EXPECT_EQ(protocol.Users()[0].Name, "");
    EXPECT_EQ(protocol.Users()[0].Message, "");
    EXPECT_EQ(protocol.Users()[0].Status, PeerStatus::Unknown);
}

TEST_F(PeerProtocolTest, FullTableTurnsNewAddressesAwayUntilAnEntryExpires) {
    auto address = [](size_t i) {
        return "198.18." + std::to_string(i / 250) + "." + std::to_string(i % 250);
    };
    for (size_t i = 0; i < UserTable::kMaxUsers; ++i) {
        rig.Info("TVNINFO\tAuser" + std::to_string(i), address(i));
        if (i == 0) rig.clock.AdvanceSeconds(10);  // the first one will go stale first
    }
    ASSERT_EQ(protocol.Users().size(), UserTable::kMaxUsers);

    rig.Info("TVNINFO\tAnewcomer", "198.51.100.1");
    EXPECT_EQ(protocol.Users().size(), UserTable::kMaxUsers);
    EXPECT_EQ(protocol.Users().FindByAddress("198.51.100.1"), nullptr);

    // Known users keep being updated at the cap.
    rig.Info("TVNINFO\tAlast renamed", address(UserTable::kMaxUsers - 1));
    EXPECT_EQ(protocol.Users()[UserTable::kMaxUsers - 1].Name, "last renamed");

    // Once the first entry is stale there is room again.
    rig.clock.AdvanceSeconds(UserTable::kExpirySeconds - 9);
    rig.Info("TVNINFO\tAnewcomer", "198.51.100.1");
    ASSERT_NE(protocol.Users().FindByAddress("198.51.100.1"), nullptr);
    EXPECT_EQ(protocol.Users().FindByAddress(address(0)), nullptr);
    EXPECT_EQ(protocol.Users().size(), UserTable::kMaxUsers);
}

// --- chat ------------------------------------------------------------------

TEST_F(PeerProtocolTest, SayPlaysItsSoundAndAddsTheLineWithoutLogging) {
    rig.Chat("TVNMESSPlayer\tMhello");
    EXPECT_EQ(rig.journal, (Journal{"sound message.wav", "Chat Player: hello"}));
    EXPECT_EQ(rig.mirror.chat.at(0).Time, "14:05:09");
    EXPECT_TRUE(rig.services.log.lines.empty());
}

TEST_F(PeerProtocolTest, UnknownKindIsASayAndBareTabAnEmptySay) {
    rig.Chat("TVNMESSBob\tXyo");
    rig.Chat("TVNMESSBob\t");
    rig.Chat("TVNMESSno tab here");
    EXPECT_EQ(rig.journal, (Journal{"sound message.wav", "Chat Bob: yo", "sound message.wav", "Chat Bob: "}));
}

TEST_F(PeerProtocolTest, ShoutWithTabsIsShownLoggedSoundedAndPopsUp) {
    rig.Chat("TVNMESSBob\tShi\tthere");
    EXPECT_EQ(rig.journal, (Journal{"status 1: Bob shouted", "log: Bob shouted \"hi\tthere\"", "running?",
                                    "sound shout.wav", "UsersPopUp", "Chat Bob: hi\tthere"}));
}

TEST_F(PeerProtocolTest, ShoutToABusyOrPlayingCopyIsQuietButStillShown) {
    rig.services.busy.busy = true;
    rig.Chat("TVNMESSBob\tSone");
    EXPECT_EQ(rig.journal, (Journal{"status 1: Bob shouted", "log: Bob shouted \"one\"", "Chat Bob: one"}));
    rig.journal.clear();
    rig.services.busy.busy = false;
    rig.services.game.running = true;
    rig.Chat("TVNMESSBob\tStwo");
    EXPECT_EQ(rig.journal,
              (Journal{"status 1: Bob shouted", "log: Bob shouted \"two\"", "running?", "Chat Bob: two"}));
    rig.journal.clear();
    rig.services.game.running = false;
    rig.settings.shout_popup = false;
    rig.Chat("TVNMESSBob\tSthree");
    EXPECT_EQ(rig.journal, (Journal{"status 1: Bob shouted", "log: Bob shouted \"three\"", "running?",
                                    "sound shout.wav", "Chat Bob: three"}));
}

TEST_F(PeerProtocolTest, ShoutCannotForgeLogLines) {
    rig.Chat("TVNMESSBob\r\n14:00:00 : Admin\tSfree\nstuff\r");
    ASSERT_EQ(rig.services.log.lines.size(), 1u);
    // The log escapes the texts it is given; the status bar gets one line.
    EXPECT_EQ(rig.services.log.lines[0], "Bob\r\n14:00:00 : Admin shouted \"free\nstuff\r\"");
    EXPECT_EQ(rig.journal.front(), "status 1: Bob\\x0D\\x0A14:00:00 : Admin shouted");
}

TEST_F(PeerProtocolTest, ChatPayloadBeyondTheReceiveBufferIsCut) {
    const std::string text(2000, 'z');
    rig.Chat("TVNMESSBob\tM" + text);
    ASSERT_EQ(rig.mirror.chat.size(), 1u);
    EXPECT_EQ(rig.mirror.chat[0].Text, std::string(kMaxPayload - 5, 'z'));
}

TEST_F(PeerProtocolTest, SendChatUsesThePlayerName) {
    protocol.SendChat("hello", 'M');
    protocol.SendChat("go go", 'S');
    EXPECT_EQ(sent, (std::vector<std::string>{"TVNMESSPlayer\tMhello", "TVNMESSPlayer\tSgo go"}));
    EXPECT_EQ(sent[0].size(), 20u);
}

// --- challenges ------------------------------------------------------------

const std::string kChallenge = "TVNSUGGAnn\tArena\t192.168.0.5\t27910\tq2dm1";

TEST_F(PeerProtocolTest, ChallengePlaysItsSoundThenShowsTheDialog) {
    rig.Challenge(kChallenge);
    EXPECT_EQ(rig.journal, (Journal{"running?", "sound suggest.wav", "SuggestShow"}));
    EXPECT_EQ(rig.suggest_view.player_label, "Ann challenges you");
    EXPECT_EQ(rig.suggest_view.game_label, "Game : Arena");
    EXPECT_EQ(rig.suggest_view.map_label, "Map : q2dm1");
    EXPECT_EQ(rig.suggest_view.caption, "Challenge received 14:05:09");
}

TEST_F(PeerProtocolTest, ChallengeGuardsRunInOrder) {
    rig.services.busy.busy = true;
    rig.Challenge(kChallenge);
    EXPECT_TRUE(rig.journal.empty());  // the game is not even asked about

    rig.services.busy.busy = false;
    rig.services.game.running = true;
    rig.Challenge(kChallenge);
    EXPECT_EQ(rig.journal, Journal{"running?"});
    EXPECT_EQ(protocol.OwnStatus(), PeerStatus::Playing);

    rig.journal.clear();
    rig.services.game.running = false;
    rig.Challenge(kChallenge);  // still Playing from the launch
    EXPECT_EQ(rig.journal, Journal{"running?"});
    EXPECT_FALSE(rig.suggest_view.visible);
}

TEST_F(PeerProtocolTest, OurOwnChallengeComingBackIsIgnoredWhileOurOwnChatIsShown) {
    rig.Challenge(kChallenge, rig.host.own_address);
    EXPECT_TRUE(rig.journal.empty()) << "not even the game is asked about";
    EXPECT_FALSE(rig.suggest_view.visible);
    // Another computer's challenge in the same state is shown.
    rig.Challenge(kChallenge, "192.168.0.10");
    EXPECT_TRUE(rig.suggest_view.visible);
    // Our own chat still reaches our own list.
    rig.journal.clear();
    const std::string chat = "TVNMESSPlayer\tMhello";
    protocol.ReceiveChat(chat.data(), static_cast<int>(chat.size()), rig.host.own_address);
    EXPECT_FALSE(rig.journal.empty());
}

TEST_F(PeerProtocolTest, AChallengeCarriesThePlainPortNumber) {
    TQuakeServer far;
    far.HostName = "Far";
    far.Address = "10.0.0.7";
    far.Port = " 027950";
    protocol.SendChallenge(far);
    far.Port = "27950x";  // no port: sent as it is, and refused by the receivers
    protocol.SendChallenge(far);
    EXPECT_EQ(sent, (std::vector<std::string>{"TVNSUGGPlayer\tFar\t10.0.0.7\t27950\t",
                                              "TVNSUGGPlayer\tFar\t10.0.0.7\t27950x\t"}));
}

TEST_F(PeerProtocolTest, MalformedOrUnsafeChallengesAreDroppedQuietly) {
    for (const std::string payload : {
             "Ann\tArena\t192.168.0.5\t27910",                    // three tabs
             "\t\t\t\t",                                          // four empty fields: nowhere to connect
             "Ann\tArena\t192.168.0.5 +exec evil\t27910\tq2dm1",  // words for the command line
             "Ann\tArena\tgame.example\t27910\tq2dm1",
             "Ann\tArena\t192.168.0.05\t27910\tq2dm1",
             "Ann\tArena\t256.168.0.5\t27910\tq2dm1",
             "Ann\tArena\t192.168.0.5\t27910 +quit\tq2dm1",
             "Ann\tArena\t192.168.0.5\t0\tq2dm1",
             "Ann\tArena\t192.168.0.5\t70000\tq2dm1",
             // No one host a game could join.
             "Ann\tArena\t0.0.0.0\t27910\tq2dm1",
             "Ann\tArena\t127.0.0.1\t27910\tq2dm1",
             "Ann\tArena\t255.255.255.255\t27910\tq2dm1",
             "Ann\tArena\t224.0.0.1\t27910\tq2dm1",
         }) {
        rig.journal.clear();
        rig.Challenge("TVNSUGG" + payload);
        EXPECT_EQ(rig.journal, Journal{"running?"}) << payload;
    }
    EXPECT_FALSE(rig.suggest_view.visible);
}

TEST_F(PeerProtocolTest, EmptyNamesStillMakeAChallengeWhenTheServerIsPlain) {
    rig.Challenge("TVNSUGG\t\t192.168.0.5\t27910\t");
    EXPECT_TRUE(rig.suggest_view.visible);
    EXPECT_EQ(rig.suggest_view.player_label, " challenges you");
    EXPECT_EQ(rig.suggest_view.game_label, "Game : ");
    EXPECT_EQ(rig.suggest_view.map_label, "Map : ");
}

TEST_F(PeerProtocolTest, SecondChallengeReplacesTheFirst) {
    rig.Challenge(kChallenge);
    rig.host.time_text = "14:06:00";
    rig.Challenge("TVNSUGGBob\tDome\t192.168.0.6\t27911\tq2dm8");
    EXPECT_EQ(rig.suggest_view.player_label, "Bob challenges you");
    EXPECT_EQ(rig.suggest_view.game_label, "Game : Dome");
    EXPECT_EQ(rig.suggest_view.map_label, "Map : q2dm8");
    EXPECT_EQ(rig.suggest_view.caption, "Challenge received 14:06:00");
    EXPECT_EQ(protocol.SuggestForm().Stored().Address, "192.168.0.6");
}

TEST_F(PeerProtocolTest, NegativeLengthsReadAsEmpty) {
    protocol.ReceiveChat("TVNMESSBob\tMhi", -1, "192.0.2.2");
    protocol.ReceiveInfo("TVNINFO\tAAnn", -5, "192.0.2.2");
    protocol.ReceiveChallenge(kChallenge.data(), -1, "192.0.2.2");
    EXPECT_TRUE(protocol.Users().empty());
    EXPECT_TRUE(rig.mirror.chat.empty());
    EXPECT_FALSE(rig.suggest_view.visible);
}

// --- challenging others ----------------------------------------------------

TEST_F(PeerProtocolTest, ChallengeMenuNeedsASelectedHost) {
    TQuakeServer arena;
    arena.HostName = "Arena";
    arena.Address = "192.168.0.5";
    arena.Port = "27910";
    arena.MapName = "q2dm1";
    rig.host.hosts = {arena};

    protocol.Suggest1Click();
    rig.host.selected_host = 1;  // a row beyond the table
    protocol.Suggest1Click();
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(rig.services.game.launched.empty());
    EXPECT_EQ(protocol.OwnStatus(), PeerStatus::Ready);

    rig.host.selected_host = 0;
    PeerStatus status_when_sent = PeerStatus::Unknown;
    rig.sender.on_send = [&] { status_when_sent = protocol.OwnStatus(); };
    protocol.Suggest1Click();
    EXPECT_EQ(sent, std::vector<std::string>{"TVNSUGGPlayer\tArena\t192.168.0.5\t27910\tq2dm1"});
    EXPECT_EQ(status_when_sent, PeerStatus::Playing);
    EXPECT_EQ(rig.journal.back(), "launch 192.168.0.5:27910 Arena");
}

}  // namespace
}  // namespace torvane

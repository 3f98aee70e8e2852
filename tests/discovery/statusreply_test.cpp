// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/statusreply.h"

#include <gtest/gtest.h>

#include "discovery/dispatch.h"
#include "discovery/quiethost.h"
#include "platform/convert.h"
#include "recording_view.h"
#include "replies.h"

namespace torvane {
namespace {

struct Parsed {
    TQuakeServer server;
    int32_t counted = 0;
};

Parsed Parse(const std::string& bytes) {
    Parsed parsed;
    Datagram datagram(bytes);
    ParseStatusReply(datagram.data(), datagram.length, parsed.server);
    parsed.counted = static_cast<int32_t>(parsed.server.Players.size());
    return parsed;
}

std::vector<std::string> Names(const TQuakeServer& server) {
    std::vector<std::string> names;
    for (const Player& player : server.Players) names.push_back(player.Name);
    return names;
}

TEST(ParseStatusReply, ReadsTheKnownKeysAndThePlayerLines) {
    const Parsed parsed =
        Parse(Reply("hostname\\Friday deathmatch\\gamename\\baseq2\\maxclients\\8\\mapname\\"
                    "base1\\fraglimit\\20\\timelimit\\15",
                    "12 48 \"Ranger\"\n-3   120 \"Big Grunt\"\n"));
    EXPECT_EQ(parsed.server.HostName, "Friday deathmatch");
    EXPECT_EQ(parsed.server.MapName, "base1");
    EXPECT_EQ(parsed.server.MaxClients, 8);
    EXPECT_EQ(parsed.server.FragLimit, 20);
    EXPECT_EQ(parsed.server.TimeLimit, 15);
    ASSERT_EQ(parsed.server.Players.size(), 2u);
    EXPECT_EQ(parsed.server.Players[0].Name, "Ranger");
    EXPECT_EQ(parsed.server.Players[0].Frags, 12);
    EXPECT_EQ(parsed.server.Players[0].Ping, 48);
    EXPECT_EQ(parsed.server.Players[1].Name, "Big Grunt");
    EXPECT_EQ(parsed.server.Players[1].Frags, -3);
    EXPECT_EQ(parsed.server.Players[1].Ping, 120);
    EXPECT_EQ(parsed.counted, 2);
}

TEST(ParseStatusReply, KeysAreExactAndTheLastOccurrenceWins) {
    const Parsed parsed =
        Parse(Reply("Hostname\\Upper\\mapname\\q2dm1\\mapname\\q2dm2\\maxclients\\4\\MAXCLIENTS\\9"));
    EXPECT_EQ(parsed.server.HostName, "");
    EXPECT_EQ(parsed.server.MapName, "q2dm2");
    EXPECT_EQ(parsed.server.MaxClients, 4);
}

TEST(ParseStatusReply, ANameEndsAtItsFirstQuoteAndTheRestIsReadFromThere) {
    // The quotes are searched from the cursor, so after a cut name the rest
    // of its line and the start of the next become the following "name".
    const Parsed parsed = Parse(Reply(Info("H", "m"), "5 20 \"Bad\"Guy\"\n7 30 \"Next\"\n"));
    EXPECT_EQ(Names(parsed.server), (std::vector<std::string>{"Bad", "\n7 30 "}));
    EXPECT_EQ(parsed.server.Players[0].Frags, 5);
    EXPECT_EQ(parsed.server.Players[0].Ping, 20);
    EXPECT_EQ(parsed.server.Players[1].Frags, 0);
    EXPECT_EQ(parsed.counted, 2);
}

TEST(ParseStatusReply, UnreadableNumbersAreZeroAndEmptyNamesCount) {
    const Parsed parsed =
        Parse(Reply(Info("H", "m"), "x 5 \"a\"\n9 y \"b\"\n1 2 \"\"\n99999999999 1 \"c\"\n"));
    ASSERT_EQ(Names(parsed.server), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(parsed.server.Players[0].Frags, 0);
    EXPECT_EQ(parsed.server.Players[0].Ping, 0);
    EXPECT_EQ(parsed.server.Players[1].Frags, 9);
    EXPECT_EQ(parsed.server.Players[1].Ping, 0);
    EXPECT_EQ(parsed.server.Players[2].Frags, 1);
    EXPECT_EQ(parsed.server.Players[3].Frags, 0);
}

TEST(ParseStatusReply, BrokenStructureKeepsWhatWasReadSoFar) {
    // No line feed after the prefix: nothing at all.
    Parsed parsed = Parse(std::string("\xFF\xFF\xFF\xFFprint\n\\hostname\\H\\mapname\\m"));
    EXPECT_EQ(parsed.server.HostName, "");
    EXPECT_EQ(parsed.server.MaxClients, 0);
    // A zero byte ends the text before the line feed.
    parsed = Parse(Reply(std::string("hostname\\H") + '\0' + "\\mapname\\m"));
    EXPECT_EQ(parsed.server.HostName, "");
    // A line that ends with a key and no value stops the scan inside the
    // line; the player section is left whole.
    parsed = Parse(Reply("hostname\\H\\mapname", "1 2 \"a\\b\"\n"));
    EXPECT_EQ(parsed.server.HostName, "H");
    EXPECT_EQ(parsed.server.MapName, "");
    EXPECT_EQ(Names(parsed.server), (std::vector<std::string>{"a\\b"}));
    // A player line without two quotes ends the list.
    parsed = Parse(Reply(Info("H", "m"), "3 4 \"ok\"\n5 6 \"broken\n7 8 none\n"));
    EXPECT_EQ(Names(parsed.server), (std::vector<std::string>{"ok"}));
    EXPECT_EQ(parsed.counted, 1);
}

TEST(ParseStatusReply, StopsReadingPlayersAtTheCap) {
    // Two bytes per empty name: a datagram full of them must not become tens
    // of thousands of players.
    std::string names;
    for (std::size_t i = 0; i < kMaxReplyPlayers + 5; ++i) names += "\"\"";
    const Parsed parsed = Parse(Reply(Info("H", "m"), names));
    EXPECT_EQ(parsed.server.Players.size(), kMaxReplyPlayers);
    EXPECT_EQ(parsed.counted, int32_t(kMaxReplyPlayers));
}

TEST(ParseStatusReply, TextsAreCutToTheGamesOwnLengths) {
    const std::string long_host(60'000, 'h');
    const std::string long_map = std::string(63, 'm') + "X";
    const Parsed parsed = Parse(Reply("hostname\\" + long_host + "\\maxclients\\8\\mapname\\" + long_map,
                                      "1 2 \"0123456789abcdefXYZ\"\n3 4 \"0123456789abcde\"\n5 6 \"Ann\"\n"));
    EXPECT_EQ(parsed.server.HostName, std::string(kMaxReplyValueLength, 'h'));
    EXPECT_EQ(parsed.server.MapName, std::string(63, 'm'));
    // A name that fits stays whole; the next line is read after the long one.
    EXPECT_EQ(Names(parsed.server), (std::vector<std::string>{"0123456789abcde", "0123456789abcde", "Ann"}));
    EXPECT_EQ(parsed.server.Players[2].Frags, 5);
}

TEST(ParseStatusReply, ReadsAtMostItsShareOfKeys) {
    std::string info;
    for (int i = 0; i < kMaxReplyKeys - 1; ++i) info += "k" + std::to_string(i) + "\\v\\";
    EXPECT_EQ(Parse(Reply(info + "hostname\\Last")).server.HostName, "Last");
    EXPECT_EQ(Parse(Reply(info + "x\\y\\hostname\\Late")).server.HostName, "");
}

TEST(ParseStatusReply, ReadsOnlyTheReceivedLength) {
    const std::string reply = Reply(Info("H", "m"), "1 2 \"kept\"\n");
    Datagram datagram(reply + "3 4 \"beyond\"\n");
    datagram.length = int(reply.size());
    Parsed parsed;
    ParseStatusReply(datagram.data(), datagram.length, parsed.server);
    EXPECT_EQ(Names(parsed.server), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(datagram.bytes[reply.size()], '\0');
}

TEST(ParseStatusReply, NonDecimalLimitsThrowTheConversionErrorBeforeAnyPlayerIsRead) {
    const std::pair<std::string, std::string> cases[] = {
        {"maxclients\\8x", "'8x' is not a valid integer value"},
        {"maxclients\\8.5", "'8.5' is not a valid integer value"},
        {"fraglimit\\", "'' is not a valid integer value"},
        {"timelimit\\ten", "'ten' is not a valid integer value"},
        {"timelimit\\7.5x", "'7.5x' is not a valid integer value"},
        {"timelimit\\.", "'.' is not a valid integer value"},
        {"fraglimit\\1e3", "'1e3' is not a valid integer value"},
        {"fraglimit\\3000000000.5", "'3000000000.5' is not a valid integer value"},
    };
    for (const auto& [info, message] : cases) {
        Parsed parsed;
        Datagram datagram(Reply("hostname\\H\\" + info + "\\mapname\\m", "1 2 \"a\"\n"));
        try {
            ParseStatusReply(datagram.data(), datagram.length, parsed.server);
            ADD_FAILURE() << info << " was accepted";
        } catch (const EConvertError& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
        EXPECT_TRUE(parsed.server.Players.empty()) << info;
    }
}

TEST(ParseStatusReply, ALimitWithAFractionCountsAsItsIntegerPart) {
    Parsed parsed = Parse(Reply("hostname\\H\\mapname\\m\\maxclients\\8\\timelimit\\7.5\\fraglimit\\-2.9"));
    EXPECT_EQ(parsed.server.TimeLimit, 7);
    EXPECT_EQ(parsed.server.FragLimit, -2);
    for (const auto& [text, value] : std::vector<std::pair<std::string, int32_t>>{
             {"20", 20}, {"0.5", 0}, {".5", 0}, {"-.5", 0}, {"7.", 7}, {" 15.000", 15}, {"+3.25", 3}}) {
        EXPECT_EQ(LimitValue(text), value) << text;
    }
    // Without the keys the limits are unknown.
    parsed = Parse(Reply("hostname\\H\\mapname\\m\\maxclients\\8"));
    EXPECT_FALSE(parsed.server.FragLimit);
    EXPECT_FALSE(parsed.server.TimeLimit);
}

TEST(ElapsedMs, TruncatesTicksToWholeMilliseconds) {
    EXPECT_EQ(ElapsedMs(1'000'000, 1'000'000 + 12'345'678), 1234);
    EXPECT_EQ(ElapsedMs(5, 5 + 9'999), 0);
    EXPECT_EQ(ElapsedMs(20'000, 5'000), -1);
    EXPECT_EQ(ElapsedMs(0, int64_t{1} << 60), INT32_MAX);
}

class AcceptTest : public testing::Test {
protected:
    void Accept(const std::string& bytes, const std::string& port = "27910") {
        Datagram datagram(bytes);
        dispatcher.AcceptStatusReply(datagram.data(), datagram.length, port, "192.168.0.5");
    }

    ManualClock clock;
    SearchState search;
    RecordingView view;
    HostTable table{view, view.AsServices(), view, search};
    QuietPeers peers;
    DatagramDispatcher dispatcher{clock, search, table, peers};
};

TEST_F(AcceptTest, StampsTheReplyOnTheSteadyClock) {
    search.SearchStart = clock.SteadyTicks();
    clock.AdvanceMs(250);
    clock.SetCalendarSeconds(clock.CalendarSeconds() - 3600);  // a wall-clock step back
    Accept(Reply(Info("Friday", "base1")), "27920");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].AnswerTime, 250);
    EXPECT_EQ(table[0].Port, "27920");
    EXPECT_EQ(table[0].MissCount, 1);
    EXPECT_TRUE(table[0].Players.empty());
}

TEST_F(AcceptTest, DiscardedRepliesChangeNothingButTheirPlayersAreCounted) {
    const std::string players = "1 2 \"a\"\n3 4 \"b\"\n";
    // Each from a port of its own, so that each counts as another server.
    Accept(Reply("hostname\\H\\maxclients\\1\\mapname\\m\\fraglimit\\0\\timelimit\\0", players), "1");
    Accept(Reply("Hostname\\H\\maxclients\\8\\mapname\\m\\fraglimit\\0\\timelimit\\0", players), "2");
    Accept(Reply("hostname\\H\\maxclients\\8\\fraglimit\\0\\timelimit\\0", players), "3");
    Accept(Reply("hostname\\H\\mapname\\m\\fraglimit\\0\\timelimit\\0", players), "4");
    Accept(Reply("hostname\\\\maxclients\\8\\mapname\\m", players), "5");
    EXPECT_EQ(table.size(), 0u);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(search.SearchPlayers, 10);
}

TEST_F(AcceptTest, AReplyWithoutFragOrTimeLimitIsAServerWithThoseLimitsUnknown) {
    Accept(Reply("hostname\\Quiet\\maxclients\\8\\mapname\\base1\\timelimit\\7.5"));
    Accept(Reply("hostname\\Bare\\maxclients\\8\\mapname\\q2dm1"), "27920");
    ASSERT_EQ(table.size(), 2u);
    EXPECT_FALSE(table[0].FragLimit);
    EXPECT_EQ(table[0].TimeLimit, 7);
    EXPECT_FALSE(table[1].FragLimit);
    EXPECT_FALSE(table[1].TimeLimit);
}

TEST_F(AcceptTest, AServerAnsweringTwiceCountsItsPlayersOnce) {
    Accept(Reply(Info("Friday", "base1"), "1 2 \"a\"\n"));
    Accept(Reply(Info("Friday", "base1"), "1 2 \"a\"\n"));
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(search.SearchPlayers, 1);
}

TEST_F(AcceptTest, AConversionErrorLeavesTheDispatchWithNothingMerged) {
    Datagram datagram(Reply(Info("Friday", "base1", "lots"), "1 2 \"a\"\n"));
    EXPECT_THROW(dispatcher.DispatchDatagram(datagram.data(), datagram.length, "192.168.0.5", "27910"),
                 EConvertError);
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(search.SearchPlayers, 0);
    EXPECT_TRUE(view.calls.empty());
}

}  // namespace
}  // namespace torvane

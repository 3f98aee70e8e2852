// SPDX-License-Identifier: GPL-2.0-or-later
#include "launcher/joinlink.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace torvane {
namespace {

TEST(JoinLink, NamesAHostOrAnAddressAndAPort) {
    struct Case {
        const char* link;
        const char* host;
        const char* port;
    };
    for (const Case& c : {Case{"quake2://connect/192.168.0.5:27910", "192.168.0.5", "27910"},
                          Case{"quake2://connect/arena.lan:27911", "arena.lan", "27911"},
                          Case{"QUAKE2://connect/q2-box:1", "q2-box", "1"},
                          Case{"quake2://connect/10.0.0.1:65535", "10.0.0.1", "65535"},
                          // Escapes of allowed characters are read after decoding.
                          Case{"quake2://connect/%61rena%2Elan%3A27910", "arena.lan", "27910"}}) {
        const JoinLinkResult result = ParseJoinLink(c.link);
        ASSERT_TRUE(result.Link) << c.link << ": " << result.Refusal;
        EXPECT_EQ(result.Link->Host, c.host) << c.link;
        EXPECT_EQ(result.Link->Port, c.port) << c.link;
        EXPECT_TRUE(result.Refusal.empty());
    }
}

TEST(JoinLink, AnythingBeyondHostAndPortIsRefused) {
    for (const char* link :
         {// not this link at all, or cut short
          "quake2:", "quake2://", "quake2://connect", "quake2://connect/", "quake2://join/1.2.3.4:27910",
          "quake2:connect/1.2.3.4:27910", "quake2://Connect/1.2.3.4:27910", "quake3://connect/1.2.3.4:27960",
          // no host, no port, bad port
          "quake2://connect/:27910", "quake2://connect/1.2.3.4", "quake2://connect/1.2.3.4:",
          "quake2://connect/1.2.3.4:0", "quake2://connect/1.2.3.4:65536", "quake2://connect/1.2.3.4:027910",
          "quake2://connect/1.2.3.4:+27910", "quake2://connect/1.2.3.4:27910:1",
          // more than host and port
          "quake2://connect/1.2.3.4:27910/", "quake2://connect/1.2.3.4:27910/rcon",
          "quake2://connect/a/b:27910", "quake2://connect/user@1.2.3.4:27910",
          "quake2://connect/1.2.3.4:27910?x=1", "quake2://connect/1.2.3.4:27910#top",
          "quake2://connect/1.2.3.4:27910 +exec evil.cfg", "quake2://connect/1.2.3.4:27910+exec",
          "quake2://connect/ 1.2.3.4:27910", "quake2://connect/1.2.3.4:27910\n",
          "quake2://connect/1.2.3.4:27910;ls", "quake2://connect/[::1]:27910",
          // escapes that decode to what is refused, or broken ones
          "quake2://connect/1.2.3.4:27910%20%2Bexec%20evil.cfg", "quake2://connect/1.2.3.4:27910%2Frcon",
          "quake2://connect/1.2.3.4%3A27910%2B", "quake2://connect/1.2.3.4:27910%00",
          "quake2://connect/1.2.3.4:27910%", "quake2://connect/1.2.3.4:27910%2",
          "quake2://connect/1.2.3.4:2791%zz", "quake2://connect/1.2.3.4:27910%2520",
          // hosts that are not names nor plain dotted quads
          "quake2://connect/1.2.3:27910", "quake2://connect/0x7f000001:27910", "quake2://connect/127.1:27910",
          "quake2://connect/01.2.3.4:27910", "quake2://connect/-arena:27910", "quake2://connect/arena-:27910",
          "quake2://connect/arena..lan:27910", "quake2://connect/arena.lan.:27910",
          "quake2://connect/.arena:27910", "quake2://connect/ar_ena:27910"}) {
        const JoinLinkResult result = ParseJoinLink(link);
        EXPECT_FALSE(result.Link) << link;
        EXPECT_FALSE(result.Refusal.empty()) << link;
        EXPECT_EQ(result.Refusal.find('\n'), std::string::npos) << link;
    }
}

TEST(JoinLink, LongNamesAreHeldToTheirLimits) {
    const std::string label63(63, 'a');
    EXPECT_TRUE(ParseJoinLink("quake2://connect/" + label63 + ".lan:27910").Link);
    EXPECT_FALSE(ParseJoinLink("quake2://connect/" + label63 + "a.lan:27910").Link);
    std::string host = label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');  // 253
    EXPECT_TRUE(ParseJoinLink("quake2://connect/" + host + ":27910").Link);
    EXPECT_FALSE(ParseJoinLink("quake2://connect/" + host + "b:27910").Link);
    EXPECT_FALSE(ParseJoinLink("quake2://connect/a:27910" + std::string(kMaxJoinLinkLength, '0')).Link);
}

TEST(JoinLink, TheLinkToAServerReadsBackAsThatServer) {
    const std::string text = JoinLinkText({"arena.lan", "27910"});
    EXPECT_EQ(text, "quake2://connect/arena.lan:27910");
    const JoinLinkResult back = ParseJoinLink(text);
    ASSERT_TRUE(back.Link);
    EXPECT_EQ(back.Link->Host, "arena.lan");
    EXPECT_EQ(back.Link->Port, "27910");
    EXPECT_TRUE(LooksLikeJoinLink("Quake2:anything"));
    EXPECT_FALSE(LooksLikeJoinLink("-platform"));
    EXPECT_FALSE(LooksLikeJoinLink("quake2"));
}

TEST(JoinLink, CopyJoinLinkGivesOnlyALinkThatReadsBackAsTheSameServer) {
    const std::optional<std::string> link = JoinLinkTo("192.168.0.5", "27910");
    ASSERT_TRUE(link);
    EXPECT_EQ(*link, "quake2://connect/192.168.0.5:27910");
    const JoinLinkResult back = ParseJoinLink(*link);
    ASSERT_TRUE(back.Link) << back.Refusal;
    EXPECT_EQ(back.Link->Host, "192.168.0.5");
    EXPECT_EQ(back.Link->Port, "27910");
    // A record that is no address and port gets no link at all, rather
    // than one that Torvane would refuse or read as another server.
    for (const auto& [address, port] :
         std::vector<std::pair<std::string, std::string>>{{"192.168.0.5", ""},
                                                          {"", "27910"},
                                                          {"192.168.0.5", "0"},
                                                          {"192.168.0.5", "027910"},
                                                          {"10.0.0.1 +exec", "27910"},
                                                          {"10.0.0.1", "27910/x"},
                                                          {"10.0.0.1%3a1", "27910"}}) {
        EXPECT_FALSE(JoinLinkTo(address, port)) << address << " " << port;
    }
}

}  // namespace
}  // namespace torvane

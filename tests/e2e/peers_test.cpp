// SPDX-License-Identifier: GPL-2.0-or-later
// Two copies of Torvane on two hosts of a private LAN find each other, chat,
// and one challenges the other to a game on a third host's server; the
// accepted challenge starts a stand-in game with the game's command line.

#include <gtest/gtest.h>

#include <regex>

#include "headless_copy.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

TEST(PeersOnLan, TwoCopiesSeeEachOtherChatAndPlayAChallenge) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    const fs::path root = fs::temp_directory_path() / ("torvane-peers-" + std::to_string(getpid()));
    fs::remove_all(root);
    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            const pid_t server = StartFakeQuakeServer(3, 27910, {StatusReplyDatagram("Friday", "q2dm1", 8)});
            Copy alice(1, "Alice", root);
            // Bob searches only when told, so every later status request
            // comes from Alice.
            Copy bob(2, "Bob", root, [](Settings& s) { s.BCInterval = "600"; });

            // Each start asks the others to announce themselves.
            EXPECT_NE(alice.WaitFor("Bob (Ready) Ready to kick some ass"), "") << alice.Seen();
            EXPECT_NE(bob.WaitFor("Alice (Ready) Ready to kick some ass"), "") << bob.Seen();
            // Row, host, map, players, the ping (blank until measured), the address.
            const std::string row = alice.WaitFor("host: 0 | Friday | q2dm1 | 0/8");
            EXPECT_TRUE(std::regex_match(
                row, std::regex(R"(host: 0 \| Friday \| q2dm1 \| 0/8 \| \d* \| 10(\.\d+){3}:27910)")))
                << alice.Seen();

            alice.Send("say hello Bob");
            EXPECT_NE(bob.WaitFor("chat: Alice | "), "") << bob.Seen();
            EXPECT_NE(bob.Seen().find("| hello Bob\n"), std::string::npos) << bob.Seen();

            alice.Send("shout wake\tup");
            const std::string shout = bob.WaitFor("| wake\\x09up");
            EXPECT_NE(shout, "") << bob.Seen();
            EXPECT_NE(bob.WaitFor("status1: Alice shouted"), "") << bob.Seen();
            EXPECT_NE(bob.WaitFor(" : Alice shouted \"wake\\x09up\""), "") << bob.Seen();

            alice.Send("select 0");
            alice.Send("challenge");
            const std::string challenge = bob.WaitFor("challenge: Challenge received ");
            EXPECT_TRUE(challenge.ends_with(" | Alice challenges you | Game : Friday | Map : q2dm1"))
                << bob.Seen();
            bob.Send("accept");
            // Accepting launches into a record that holds only the address and port.
            const std::string launching = bob.WaitFor(" : Launching quake to");
            EXPECT_TRUE(launching.ends_with(" : Launching quake to ")) << bob.Seen();

            // The stand-in game writes its working directory and
            // arguments; give it a moment to run.
            for (int i = 0;
                 i < 100 && (Lines(bob.LaunchRecord()).size() < 9 || Lines(alice.LaunchRecord()).size() < 9);
                 ++i)
                usleep(50'000);
            EXPECT_EQ(Lines(bob.LaunchRecord()),
                      (std::vector<std::string>{bob.GameDir().string(), "+set", "deathmatch", "1", "+set",
                                                "basedir", bob.GameDir().string(), "+connect",
                                                "10.99.0.13:27910"}));

            // The challenger went to the server as well.
            EXPECT_EQ(Lines(alice.LaunchRecord()).back(), "10.99.0.13:27910");

            // Alice's own status request, once more than 10 seconds after the
            // last one heard, is answered by Bob; going busy alone sent
            // nothing, so only that answer tells Alice.
            bob.Send("busy on");
            EXPECT_NE(bob.WaitForNext("busy: on"), "") << bob.Seen();
            std::string busy_bob;
            for (int i = 0; i < 30 && busy_bob.empty(); ++i) {
                alice.Send("search");
                busy_bob = alice.WaitForNext("Bob (Busy)", 1);
            }
            EXPECT_NE(busy_bob, "") << alice.Seen();

            EXPECT_EQ(alice.Quit(), 0);
            EXPECT_EQ(bob.Quit(), 0);
            StopLanHost(server);
        }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test

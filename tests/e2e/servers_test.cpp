// SPDX-License-Identifier: GPL-2.0-or-later
// Servers as real ones answer: a limit with a fraction, a limit left out,
// and a server answering every query from two sockets. torvane-query lists
// them all, and a copy's summary counts the double one's players once.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "headless_copy.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

const std::string kQuery = std::string(TORVANE_BINARY_DIR) + "/torvane-query";

const nlohmann::json* FindServer(const nlohmann::json& servers, const std::string& host_name) {
    for (const auto& server : servers)
        if (server["hostname"] == host_name) return &server;
    return nullptr;
}

TEST(RealServersOnLan, FractionalAndMissingLimitsAndDoubleAnswersAreAllListedAndCountedOnce) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    const fs::path root = fs::temp_directory_path() / ("torvane-servers-" + std::to_string(getpid()));
    fs::remove_all(root);
    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            const pid_t servers[] = {
                StartFakeQuakeServer(
                    2, 27910,
                    {StatusReplyWithInfo(
                        "hostname\\Halftime\\maxclients\\8\\mapname\\base1\\fraglimit\\0\\timelimit\\7.5",
                        {{"Ranger", 3, 40}})}),
                StartFakeQuakeServer(
                    3, 27910, {StatusReplyWithInfo("hostname\\NoFrags\\maxclients\\8\\mapname\\q2dm1")}),
                StartTwoSocketQuakeServer(
                    4, 27910,
                    {StatusReplyDatagram("Twice", "q2dm3", 16, {{"Grunt", 1, 80}, {"Tank", 9, 20}})}),
            };
            int status = -1;
            const std::string out = RunOnLanHost(5, kQuery + " --json --window-ms 1000", status);
            ASSERT_EQ(status, 0) << out;
            const auto table = nlohmann::json::parse(out);
            EXPECT_EQ(table.size(), 3u) << out;

            const auto* halftime = FindServer(table, "Halftime");
            ASSERT_NE(halftime, nullptr) << out;
            EXPECT_EQ((*halftime)["timelimit"], 7);
            EXPECT_EQ((*halftime)["fraglimit"], 0);
            const auto* no_frags = FindServer(table, "NoFrags");
            ASSERT_NE(no_frags, nullptr) << out;
            EXPECT_TRUE((*no_frags)["fraglimit"].is_null()) << out;
            EXPECT_TRUE((*no_frags)["timelimit"].is_null()) << out;
            const auto* twice = FindServer(table, "Twice");
            ASSERT_NE(twice, nullptr) << out;
            EXPECT_EQ((*twice)["address"], "10.99.0.14");
            EXPECT_EQ((*twice)["players"].size(), 2u);

            // 1 + 0 + 2 players, the double answer counted once.
            Copy copy(1, "Counter", root);
            EXPECT_NE(copy.WaitFor("tip: 3 hosts, 3 players and 1 users"), "") << copy.Seen();
            EXPECT_EQ(copy.Quit(), 0);
            for (pid_t server : servers) StopLanHost(server);
        }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test

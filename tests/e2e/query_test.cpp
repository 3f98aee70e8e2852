// SPDX-License-Identifier: GPL-2.0-or-later
// torvane-query and the search cycle on a private LAN of stand-in game
// servers, through real sockets and broadcasts.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "discovery/statusreply.h"
#include "net/wsockerr.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"
#include "support/lan_hosts.h"
#include "support/simulated_servers.h"
#include "support/tempdir.h"

namespace torvane::test {
namespace {

const std::string kQuery = std::string(TORVANE_BINARY_DIR) + "/torvane-query";

const nlohmann::json* FindServer(const nlohmann::json& servers, const std::string& host_name) {
    for (const auto& server : servers)
        if (server["hostname"] == host_name) return &server;
    return nullptr;
}

TEST(QueryOnLan, FindsServersOnSeveralHostsAndPortsAndAServerAskedDirectly) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    EXPECT_EQ(
        0, RunInIsolatedLan([] {
            const pid_t servers[] = {
                StartFakeQuakeServer(
                    1, 27910,
                    {StatusReplyDatagram("Alpha", "base1", 8, {{"Ranger", 12, 48}, {"Grunt", 3, 120}})}),
                StartFakeQuakeServer(2, 27920, {StatusReplyDatagram("Beta", "q2dm1", 16)}),
                // Not on a broadcast port: only the direct query reaches it.
                StartFakeQuakeServer(3, 27950, {StatusReplyDatagram("Gamma", "q2dm3", 4, {{"Solo", 0, 5}})}),
                // A single-player game is never listed.
                StartFakeQuakeServer(4, 27910, {StatusReplyDatagram("Single", "base1", 1)}),
            };
            int status = -1;
            const std::string out = RunOnLanHost(
                5, kQuery + " --json --port 27910 --port 27920 --server 10.99.0.13:27950 --window-ms 1000",
                status);
            for (pid_t server : servers) StopLanHost(server);

            ASSERT_EQ(status, 0) << out;
            const auto table = nlohmann::json::parse(out);
            ASSERT_EQ(table.size(), 3u) << out;

            const auto* alpha = FindServer(table, "Alpha");
            ASSERT_NE(alpha, nullptr);
            EXPECT_EQ((*alpha)["address"], "10.99.0.11");
            EXPECT_EQ((*alpha)["port"], "27910");
            EXPECT_EQ((*alpha)["map"], "base1");
            EXPECT_EQ((*alpha)["maxclients"], 8);
            ASSERT_EQ((*alpha)["players"].size(), 2u);
            EXPECT_EQ((*alpha)["players"][0]["name"], "Ranger");
            EXPECT_EQ((*alpha)["players"][1]["ping"], 120);
            EXPECT_LT((*alpha)["answer_ms"], 1000);

            const auto* beta = FindServer(table, "Beta");
            ASSERT_NE(beta, nullptr);
            EXPECT_EQ((*beta)["address"], "10.99.0.12");
            EXPECT_EQ((*beta)["port"], "27920");

            const auto* gamma = FindServer(table, "Gamma");
            ASSERT_NE(gamma, nullptr);
            EXPECT_EQ((*gamma)["address"], "10.99.0.13");
            EXPECT_EQ((*gamma)["port"], "27950");
            EXPECT_EQ((*gamma)["players"][0]["name"], "Solo");
        }));
}

TEST(QueryOnLan, NamesAnUnresolvableServerListsItAndStillSearches) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  const pid_t server =
                      StartFakeQuakeServer(1, 27910, {StatusReplyDatagram("Alpha", "base1", 8)});
                  int status = -1;
                  const std::string out =
                      RunOnLanHost(2, kQuery + " --server no-such-host.invalid --window-ms 500 2>&1", status);
                  int json_status = -1;
                  const std::string json = RunOnLanHost(
                      2, kQuery + " --json --server no-such-host.invalid:27999 --window-ms 500 2>/dev/null",
                      json_status);
                  StopLanHost(server);
                  EXPECT_EQ(status, 0) << "a server answered";
                  EXPECT_NE(out.find("torvane-query: cannot find server 'no-such-host.invalid'\n"),
                            std::string::npos)
                      << out;
                  EXPECT_EQ(out.find("SetAddr"), std::string::npos) << out;
                  EXPECT_NE(out.find("Alpha  base1  0/8  10.99.0.11:27910"), std::string::npos) << out;

                  EXPECT_EQ(json_status, 0);
                  const auto table = nlohmann::json::parse(json);
                  ASSERT_EQ(table.size(), 2u) << json;
                  EXPECT_EQ(table[0]["hostname"], "Alpha");
                  EXPECT_EQ(table[0]["status"], "answered");
                  EXPECT_EQ(table[1], nlohmann::json::parse(R"({"status": "unresolved",
                "address": "no-such-host.invalid", "port": "27999"})"));
              }));
}

// Whether anything answered is the exit status: 1 when nobody did, so a
// script need not read the report to know.
TEST(QueryOnLan, ExitsWithOneWhenNoServerAnswers) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  int status = -1;
                  const std::string out = RunOnLanHost(
                      1, kQuery + " --json --window-ms 300 --server nosuch.invalid 2>/dev/null", status);
                  EXPECT_EQ(status, 1) << out;
                  const auto table = nlohmann::json::parse(out);
                  ASSERT_EQ(table.size(), 1u) << out;
                  EXPECT_EQ(table[0]["status"], "unresolved");
                  const std::string text = RunOnLanHost(1, kQuery + " --window-ms 300", status);
                  EXPECT_EQ(status, 1);
                  EXPECT_EQ(text, "");
              }));
}

TEST(QueryOnLan, ASocketErrorIsReportedWithItsCodeAndTheSearchGoesOn) {
    if (!CanCreateNetworkNamespace()) GTEST_SKIP() << "needs root for a network namespace of its own";
    // A fresh namespace with only loopback up: the broadcast has no route,
    // while the direct query to loopback goes out.
    const std::string command = "unshare --net sh -c 'ip link set lo up && " + kQuery +
                                " --window-ms 200 --server 127.0.0.1:27999' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char chunk[256];
    while (const size_t n = fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, n);
    const int result = pclose(pipe);
    EXPECT_EQ(WIFEXITED(result) ? WEXITSTATUS(result) : -1, 1) << "nothing answered: " << out;
    EXPECT_EQ(out, "ERROR (10051): " + WSocketErrorDesc(10051) + "\n");
}

TEST(QueryOnLan, BadArgumentsAndAQueryOfNobodyExitWithTwo) {
    // No network is touched: the arguments are refused first.
    for (const std::string args :
         {"--port 99999", "--no-broadcast", "--no-broadcast --json --window-ms 100"}) {
        const int result = std::system((kQuery + " " + args + " 2>/dev/null").c_str());
        EXPECT_EQ(WIFEXITED(result) ? WEXITSTATUS(result) : -1, 2) << args;
    }
    FILE* pipe = popen((kQuery + " --no-broadcast 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256] = {};
    ASSERT_NE(fgets(line, sizeof line, pipe), nullptr);
    pclose(pipe);
    EXPECT_STREQ(line, "torvane-query: --no-broadcast without a --server or a --master asks nobody\n");
}

// Many servers answering one broadcast at once: the replies wait in the
// receive queue of the querying socket until the loop reads them.
TEST(QueryOnLan, ABurstOfTwoThousandRepliesReachesTheHostTable) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    constexpr int kHosts = 4;
    constexpr int kPerHost = 500;
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  std::vector<pid_t> servers;
                  for (int k = 1; k <= kHosts; ++k) {
                      std::vector<std::string> replies;
                      for (int i = 0; i < kPerHost; ++i)
                          replies.push_back(
                              StatusReplyDatagram("Burst " + std::to_string(k) + "-" + std::to_string(i),
                                                  "q2dm1", 16, {{"Ranger", i, 40}, {"Grunt", 1, 80}}));
                      servers.push_back(StartFakeQuakeServer(k, 27910, std::move(replies)));
                  }
                  int status = -1;
                  const std::string out = RunOnLanHost(kHosts + 1, kQuery + " --json", status);
                  for (pid_t server : servers) StopLanHost(server);
                  ASSERT_EQ(status, 0);
                  const auto table = nlohmann::json::parse(out);
                  std::printf("burst: %zu of %d replies reached the host table\n", table.size(),
                              kHosts * kPerHost);
                  EXPECT_GE(table.size(), 1998u);  // at least 99.9 %
              }));
}

// Servers asked by address, answering on ports 30000 up of LAN host 1, as
// "--server" arguments.
std::string ServerArguments(int count, int first_port = 30000) {
    std::string args;
    for (int i = 0; i < count; ++i)
        args += " --server " + LanHostAddress(1) + ":" + std::to_string(first_port + i);
    return args;
}

// The window is ten minutes long: only the end on the last answer lets this
// query finish within the test's time. Every server the simulator plays is
// listed with what it sent.
TEST(QueryOnLan, WithoutABroadcastTheQueryEndsWhenEveryServerAskedHasAnswered) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    constexpr int kServers = 300;
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  TempDir dir;
                  const std::string expect = (dir.Path() / "expect.json").string();
                  const pid_t sim = StartSimulatedServers(
                      1, {"--servers", std::to_string(kServers), "--port", "30000", "--expect", expect});
                  int status = -1;
                  const std::string out = RunOnLanHost(
                      2, kQuery + " --json --no-broadcast --window-ms 600000" + ServerArguments(kServers),
                      status);
                  StopLanHost(sim);
                  ASSERT_EQ(status, 0) << out;

                  const auto table = nlohmann::json::parse(out);
                  const auto sent = nlohmann::json::parse(ReadFile(expect));
                  ASSERT_EQ(table.size(), sent.size());
                  std::map<std::string, const nlohmann::json*> by_port;
                  for (const auto& server : table) by_port[server["port"]] = &server;
                  for (const auto& want : sent) {
                      const auto found = by_port.find(std::to_string(want["port"].get<int>()));
                      ASSERT_NE(found, by_port.end()) << want["port"];
                      const auto& got = *found->second;
                      EXPECT_EQ(got["address"], LanHostAddress(1));
                      for (const char* field : {"hostname", "map", "maxclients", "fraglimit", "timelimit"})
                          EXPECT_EQ(got[field], want[field]) << field;
                      // A player's name is cut to the game's own limit.
                      auto players = want["players"];
                      for (auto& player : players)
                          player["name"] = player["name"].get<std::string>().substr(0, kMaxPlayerNameLength);
                      EXPECT_EQ(got["players"], players) << want["port"];
                  }
              }));
}

// A server that never answers: the query waits for the window and lists the
// others.
TEST(QueryOnLan, WithoutABroadcastASilentServerLeavesTheQueryToTheWindowsEnd) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  const pid_t sim = StartSimulatedServers(1, {"--servers", "3", "--port", "30000"});
                  int status = -1;
                  // Port 30003 has no server.
                  const std::string out = RunOnLanHost(
                      2, kQuery + " --json --no-broadcast --window-ms 300" + ServerArguments(4), status);
                  StopLanHost(sim);
                  ASSERT_EQ(status, 0) << out;
                  const auto table = nlohmann::json::parse(out);
                  std::set<std::string> ports;
                  for (const auto& server : table) ports.insert(server["port"]);
                  EXPECT_EQ(ports, (std::set<std::string>{"30000", "30001", "30002"})) << out;
              }));
}

}  // namespace
}  // namespace torvane::test

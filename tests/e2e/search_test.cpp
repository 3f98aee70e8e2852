// SPDX-License-Identifier: GPL-2.0-or-later
// The whole core searching a private LAN search after search: a server that
// stops answering is closed after Retries silent searches, and the log file
// holds every event with its time.

#include <gtest/gtest.h>

#include "headless_copy.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

TEST(SearchOnLan, AServerThatFallsSilentIsClosedAfterRetriesSearches) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    const fs::path root = fs::temp_directory_path() / ("torvane-search-" + std::to_string(getpid()));
    fs::remove_all(root);
    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  pid_t server = StartFakeQuakeServer(
                      2, 27910, {StatusReplyDatagram("Friday", "base1", 8, {{"Ranger", 12, 48}})});
                  Copy copy(1, "Watcher", root, [](Settings& settings) { settings.Retries = "3"; });

                  ASSERT_NE(copy.WaitFor("tip: 1 hosts, 1 players and 1 users"), "") << copy.Seen();
                  StopLanHost(server);

                  // Silent searches one and two keep the server; the third closes it.
                  for (int silent = 1; silent <= 3; ++silent) {
                      copy.Send("search");
                      const std::string summary = silent < 3 ? "1 hosts, 0 players" : "0 hosts, 0 players";
                      ASSERT_NE(copy.WaitForNext("tip: " + summary), "") << "silent search " << silent << "\n"
                                                                         << copy.Seen();
                      EXPECT_EQ(copy.Seen().find("Friday closed") == std::string::npos, silent < 3);
                  }
                  EXPECT_EQ(copy.Quit(), 0);

                  const auto log = Lines(root / "Watcher" / "torvane.log");
                  ASSERT_GE(log.size(), 4u);
                  EXPECT_TRUE(log.front().ends_with(" : Torvane started"));
                  EXPECT_TRUE(log[1].ends_with(" : New server \"Friday\" found on 10.99.0.12")) << log[1];
                  EXPECT_TRUE(log[log.size() - 2].ends_with(" : Friday closed")) << log[log.size() - 2];
                  EXPECT_TRUE(log.back().ends_with(" : Torvane closed"));
              }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test

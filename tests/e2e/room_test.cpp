// SPDX-License-Identifier: GPL-2.0-or-later
// "Join when there's room" in the real torvane on a private LAN: the user
// picks the entry in the host list's menu on a full stand-in server, the row
// shows that it waits, and when the server frees a place the next search
// starts the stand-in game into it, once, however many searches follow.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_copy.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct ServerHost {
    explicit ServerHost(pid_t pid) : pid(pid) {}
    ~ServerHost() { StopLanHost(pid); }
    ServerHost(const ServerHost&) = delete;
    ServerHost& operator=(const ServerHost&) = delete;
    pid_t pid;
};

// Arena with `players` of its 8 places taken.
void WriteArena(const fs::path& file, int players) {
    std::vector<FakePlayer> list;
    for (int i = 0; i < players; ++i) list.push_back({"P" + std::to_string(i), i, 40});
    std::ofstream(file.string() + ".tmp", std::ios::binary | std::ios::trunc)
        << StatusReplyDatagram("Arena", "q2dm1", 8, list);
    fs::rename(file.string() + ".tmp", file);
}

// Each start of the stand-in game, one line of its arguments each.
std::vector<std::string> Launches(const fs::path& record) {
    return Lines(record);
}

TEST(DesktopRoom, AFullServerWaitedForIsJoinedOnceWhenItHasRoom) {
    if (!DesktopProgramBuilt()) GTEST_SKIP() << "built without the desktop program";
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = fs::temp_directory_path() / ("torvane-room-" + std::to_string(getpid()));
    fs::remove_all(root);
    const fs::path game_dir = root / "game";
    const fs::path launched = root / "launched";
    fs::create_directories(game_dir);
    std::ofstream(game_dir / "standin-quake2") << "#!/bin/sh\necho \"$*\" >> '" << launched.string() << "'\n";
    fs::permissions(game_dir / "standin-quake2", fs::perms::owner_all);
    const fs::path arena = root / "arena";
    WriteArena(arena, 8);

    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  const ServerHost server(StartScriptedQuakeServer(2, 27910, arena.string()));
                  DesktopCopy copy(1, "Waiter", root, [&](Settings& s) {
                      s.Quake2BaseDir = game_dir.string();
                      s.Quake2Command = "standin-quake2";
                  });
                  ASSERT_EQ(copy.AskUntil("hosts", "Arena|q2dm1|8/8"), "Arena|q2dm1|8/8") << copy.Output();
                  ASSERT_EQ(copy.AskUntil("panel 0", "Search complete"), "Search complete") << copy.Output();

                  // A full server offers the wait; chosen, the row says it waits.
                  const std::string menu = copy.Ask("menu TMainForm|HostListView|Arena");
                  EXPECT_THAT(menu, HasSubstr("&Play;"));
                  EXPECT_THAT(menu, HasSubstr(";Join when there's room;"));
                  EXPECT_THAT(menu, HasSubstr(";Copy join link"));
                  EXPECT_EQ(copy.Ask("choose TMainForm|HostListView|Arena|Join when there's room"), "done");
                  EXPECT_THAT(copy.Ask("menu TMainForm|HostListView|Arena"),
                              HasSubstr(";Cancel joining when there's room;"));
                  EXPECT_EQ(copy.Ask("tip TMainForm|HostListView|Arena|2"),
                            "Waiting for room: the game starts here when a place frees");

                  // Still full at the next search: nothing starts.
                  EXPECT_EQ(copy.Ask("click TMainForm|&Search"), "done");
                  ASSERT_EQ(copy.AskUntil("panel 0", "Search complete"), "Search complete");
                  EXPECT_FALSE(fs::exists(launched));

                  // A place frees: the next search starts the game there.
                  WriteArena(arena, 7);
                  EXPECT_EQ(copy.Ask("click TMainForm|&Search"), "done");
                  ASSERT_FALSE(WaitForLogLine(copy.LogFile(), " : Launching quake to Arena").empty());
                  for (int tries = 0; tries < 100 && !fs::exists(launched); ++tries)
                      std::this_thread::sleep_for(std::chrono::milliseconds(100));
                  // More searches that find the place free start nothing more.
                  for (int search = 0; search < 3; ++search) {
                      EXPECT_EQ(copy.AskUntil("hosts", "Arena|q2dm1|7/8"), "Arena|q2dm1|7/8");
                      EXPECT_EQ(copy.Ask("click TMainForm|&Search"), "done");
                      std::this_thread::sleep_for(std::chrono::milliseconds(2500));
                  }
                  EXPECT_EQ(Launches(launched), std::vector<std::string>{"+set basedir " + game_dir.string() +
                                                                         " +connect 10.99.0.12:27910"});
                  const auto log = Lines(copy.LogFile());
                  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                                          [](const std::string& line) {
                                              return line.find("Launching quake to") != std::string::npos;
                                          }),
                            1);
                  EXPECT_EQ(copy.Ask("tip TMainForm|HostListView|Arena|2"), "") << "no longer waiting";
                  EXPECT_THAT(copy.Ask("menu TMainForm|HostListView|Arena"),
                              Not(HasSubstr("when there's room")));
              }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test

// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop program, torvane, whole on a private LAN without a screen: it
// finds a server and its players, logs what happens, and saves its settings
// before it says goodbye when the system ends it; two copies on two hosts
// see each other in their users windows and hear each other shout.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "desktop_copy.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

using ::testing::HasSubstr;

#define SKIP_WITHOUT_DESKTOP_PROGRAM() \
    if (!DesktopProgramBuilt()) GTEST_SKIP() << "built without the desktop program"

std::chrono::nanoseconds ModifiedAt(const fs::path& file) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) return {};
    return std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
}

void SetVersion(const fs::path& settings_file, const std::string& version) {
    FileRegistry store(settings_file.string());
    ASSERT_TRUE(store.OpenKey(kMainKey, false));
    store.WriteString("Version", version);
    store.Flush();
}

void WriteReply(const fs::path& file, const std::vector<FakePlayer>& players) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        << StatusReplyDatagram("Friday", "q2dm1", 8, players);
}

TEST(DesktopOnLan, FindsAServerLogsAPlayerEnteringAndSavesBeforeClosingOnSigterm) {
    SKIP_WITHOUT_DESKTOP_PROGRAM();
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = fs::temp_directory_path() / ("torvane-desktop-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const fs::path reply = root / "reply";
    WriteReply(reply, {});
    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  const pid_t server = StartScriptedQuakeServer(2, 27910, reply.string());
                  // An older version's file: the exit save writes this one's.
                  DesktopCopy copy(1, "Watcher", root);
                  SetVersion(copy.SettingsFile(), "2.12");

                  auto log = WaitForLogLine(copy.LogFile(), " : New server \"Friday\" found on 10.99.0.12");
                  ASSERT_GE(log.size(), 2u) << copy.Output();
                  EXPECT_TRUE(log[0].ends_with(" : Torvane started")) << log[0];
                  EXPECT_TRUE(log[1].ends_with(" : New server \"Friday\" found on 10.99.0.12")) << log[1];
                  EXPECT_EQ(copy.AskUntil("hosts", "Friday|q2dm1|0/8"), "Friday|q2dm1|0/8");

                  WriteReply(reply, {{"Ranger", 3, 40}});
                  EXPECT_EQ(copy.Ask("click TMainForm|&Search"), "done");
                  log = WaitForLogLine(copy.LogFile(), " : Ranger entered Friday");
                  ASSERT_TRUE(log.back().ends_with(" : Ranger entered Friday")) << log.back();
                  EXPECT_EQ(copy.AskUntil("hosts", "Friday|q2dm1|1/8"), "Friday|q2dm1|1/8");

                  EXPECT_EQ(copy.Stop(SIGTERM), 0) << copy.Output();
                  log = Lines(copy.LogFile());
                  ASSERT_FALSE(log.empty());
                  EXPECT_TRUE(log.back().ends_with(" : Torvane closed")) << log.back();
                  FileRegistry saved(copy.SettingsFile().string());
                  ASSERT_TRUE(saved.OpenKey(kMainKey, false));
                  EXPECT_EQ(saved.ReadString("Version"), "2.13");
                  // Saved first, then the last line written.
                  EXPECT_LE(ModifiedAt(copy.SettingsFile()), ModifiedAt(copy.LogFile()));
                  StopLanHost(server);
              }));
    fs::remove_all(root);
}

// Searches once a second until `name` is in the users window; returns its
// list then, or after 30 seconds.
std::string SearchUntilListed(DesktopCopy& copy, const std::string& name) {
    std::string users;
    for (int i = 0; i < 30 && users.find(name + "|") == std::string::npos; ++i) {
        EXPECT_EQ(copy.Ask("click TMainForm|&Search"), "done");
        users = copy.AskUntil("users", name + "|", 1);
    }
    return users;
}

TEST(DesktopOnLan, TwoCopiesListEachOtherAndHearAShout) {
    SKIP_WITHOUT_DESKTOP_PROGRAM();
    SKIP_WITHOUT_PRIVATE_LAN();
    const fs::path root = fs::temp_directory_path() / ("torvane-desktops-" + std::to_string(getpid()));
    fs::remove_all(root);
    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  DesktopCopy alice(1, "Alice", root);
                  DesktopCopy bob(2, "Bob", root);
                  // A copy answers a status request only when the last one it
                  // heard is more than 10 seconds old, so the two may need a
                  // few searches to meet, as on any LAN.
                  EXPECT_THAT(SearchUntilListed(alice, "Bob"), HasSubstr("Bob|Ready|Ready to kick some ass"));
                  EXPECT_THAT(SearchUntilListed(bob, "Alice"),
                              HasSubstr("Alice|Ready|Ready to kick some ass"));

                  // Bob's users window is hidden until a shout pops it up.
                  EXPECT_EQ(bob.Ask("visible UsersWindow"), "no");
                  EXPECT_EQ(alice.Ask("type UsersWindow|wake up"), "done");
                  EXPECT_EQ(alice.Ask("click UsersWindow|Shout!!"), "done");
                  EXPECT_THAT(bob.AskUntil("chat", "Alice|wake up"), HasSubstr("Alice|wake up"));
                  EXPECT_EQ(bob.Ask("visible UsersWindow"), "yes");
                  const auto log = WaitForLogLine(bob.LogFile(), " : Alice shouted \"wake up\"");
                  ASSERT_FALSE(log.empty());
                  EXPECT_TRUE(log.back().ends_with(" : Alice shouted \"wake up\"")) << log.back();

                  EXPECT_EQ(alice.Stop(SIGTERM), 0) << alice.Output();
                  EXPECT_EQ(bob.Stop(SIGINT), 0) << bob.Output();
              }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test

// SPDX-License-Identifier: GPL-2.0-or-later
// The game on a Linux desktop, through the whole program on a private LAN:
// with the default settings a launch starts the "quake2" found on PATH in
// the default game directory, the running game makes the copy Playing and
// its end makes it Ready again; a launch that cannot start says why, and a
// copy never shows itself its own challenge.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>

#include <cstdlib>

#include "headless_copy.h"
#include "support/fake_quake_server.h"
#include "support/isolated_lan.h"

namespace torvane::test {
namespace {

const std::string kDefaultGameDir = Settings().Quake2BaseDir;

// Makes the default game directory exist for this process and its children
// only, where the machine has none: a mount namespace of its own with a
// scratch layer over /usr/share. Runs in a LAN host just before the program.
void ProvideDefaultGameDirectory(const fs::path& scratch) {
    if (fs::is_directory(kDefaultGameDir)) return;
    const std::string upper = (scratch / "upper").string();
    const std::string work = (scratch / "work").string();
    const std::string options = "lowerdir=/usr/share,upperdir=" + upper + ",workdir=" + work;
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", scratch.c_str(), "tmpfs", 0, nullptr) != 0 || !fs::create_directory(upper) ||
        !fs::create_directory(work) || mount("overlay", "/usr/share", "overlay", 0, options.c_str()) != 0 ||
        !fs::create_directories(kDefaultGameDir)) {
        std::perror("default game directory");
        _exit(3);
    }
}

// A stand-in game named quake2 in `bin`: it writes its working directory and
// arguments to `record`, then becomes a copy of sleep under the name
// `running` (so its executable's file name is quake2 too) until ended.
void InstallStandInGame(const fs::path& bin, const fs::path& running, const fs::path& record) {
    fs::create_directories(bin);
    fs::create_directories(running.parent_path());
    fs::copy_file(fs::exists("/usr/bin/sleep") ? "/usr/bin/sleep" : "/bin/sleep", running);
    std::ofstream(bin / "quake2") << "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > '" +
                                         record.string() + ".tmp'\nmv '" + record.string() + ".tmp' '" +
                                         record.string() + "'\nexec '" + running.string() + "' 600\n";
    fs::permissions(bin / "quake2", fs::perms::owner_all);
}

// Ends the processes running `program` (a path only this test uses) and
// answers how many there were.
int EndProcessesOf(const fs::path& program) {
    int ended = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::error_code error;
        const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
        if (error || exe != program) continue;
        if (kill(std::stoi(entry.path().filename().string()), SIGTERM) == 0) ++ended;
    }
    return ended;
}

// Asks the copy at `address` to announce itself, as another copy's search
// start would.
void SendStatusRequest(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(27910);
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    EXPECT_EQ(sendto(fd, "TVNSTAT", 7, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 7);
    close(fd);
}

// Asks until the copy's own announcement, heard back, shows `status`.
bool AnnouncesItself(Copy& copy, const std::string& address, const std::string& status) {
    for (int i = 0; i < 20; ++i) {
        SendStatusRequest(address);
        if (!copy.WaitForNext("(" + status + ")", 1).empty()) return true;
    }
    return false;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

void UseTheDefaultGameSettings(Settings& settings) {
    settings.Quake2BaseDir = Settings().Quake2BaseDir;
    settings.Quake2Command = Settings().Quake2Command;
    settings.BCInterval = "600";  // searches only when told to
}

TEST(LaunchOnLan, TheGameOnPathIsStartedWithTheDefaultsAndMakesTheCopyPlayingUntilItEnds) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN and a mount namespace";
    const fs::path root = fs::temp_directory_path() / ("torvane-launch-" + std::to_string(getpid()));
    fs::remove_all(root);
    const fs::path bin = root / "bin";
    const fs::path running = fs::absolute(root / "running" / "quake2");
    const fs::path record = root / "launched";
    InstallStandInGame(bin, running, record);
    fs::create_directories(root / "layer");
    EXPECT_EQ(0, RunInIsolatedLan([&] {
                  const pid_t server =
                      StartFakeQuakeServer(2, 27910, {StatusReplyDatagram("Friday", "base1", 8)});
                  Copy copy(1, "Gamer", root, UseTheDefaultGameSettings, [&] {
                      ProvideDefaultGameDirectory(root / "layer");
                      setenv("PATH", (bin.string() + ":" + std::getenv("PATH")).c_str(), 1);
                  });
                  ASSERT_NE(copy.WaitFor("host: 0 | Friday"), "") << copy.Seen();
                  ASSERT_NE(copy.WaitFor("tip: 1 hosts"), "") << copy.Seen();
                  copy.Send("select 0");
                  copy.Send("launch");

                  // The launch's own search ends with the game found.
                  EXPECT_NE(copy.WaitFor("Quake launch detected"), "") << copy.Seen();
                  EXPECT_NE(copy.WaitFor("status1: Running quake detected"), "") << copy.Seen();
                  EXPECT_EQ(Lines(record),
                            (std::vector<std::string>{kDefaultGameDir, "+set", "basedir", kDefaultGameDir,
                                                      "+connect", "10.99.0.12:27910"}));
                  EXPECT_TRUE(AnnouncesItself(copy, "10.99.0.11", "Playing")) << copy.Seen();

                  // Further searches while it runs log nothing more.
                  copy.Send("search");
                  EXPECT_NE(copy.WaitForNext("status1: Running quake detected"), "") << copy.Seen();
                  EXPECT_EQ(Count(copy.Seen(), "Quake launch detected"), 1u) << copy.Seen();

                  EXPECT_EQ(EndProcessesOf(running), 1);
                  EXPECT_TRUE(AnnouncesItself(copy, "10.99.0.11", "Ready")) << copy.Seen();
                  EXPECT_EQ(copy.Quit(), 0);
                  StopLanHost(server);

                  const auto log = Lines(root / "Gamer" / "torvane.log");
                  size_t detected = 0;
                  for (const std::string& line : log) detected += line.ends_with(" : Quake launch detected");
                  EXPECT_EQ(detected, 1u);
              }));
    EndProcessesOf(running);
    fs::remove_all(root);
}

TEST(LaunchOnLan, AMissingProgramSaysWhyAndTheChallengerNeverSeesItsOwnChallenge) {
    if (!CanCreateNetworkNamespace())
        GTEST_SKIP() << "needs root to build a private LAN in network namespaces";
    const fs::path root = fs::temp_directory_path() / ("torvane-nogame-" + std::to_string(getpid()));
    fs::remove_all(root);
    EXPECT_EQ(
        0, RunInIsolatedLan([&] {
            const pid_t server = StartFakeQuakeServer(3, 27910, {StatusReplyDatagram("Friday", "q2dm1", 8)});
            Copy alice(1, "Alice", root, [](Settings& s) { s.Quake2Command = "no-such-quake2 +set a b"; });
            Copy bob(2, "Bob", root, [](Settings& s) { s.BCInterval = "600"; });
            ASSERT_NE(alice.WaitFor("host: 0 | Friday"), "") << alice.Seen();
            // Both are listening once each has heard the other.
            ASSERT_NE(alice.WaitFor("Bob (Ready)"), "") << alice.Seen();
            ASSERT_NE(bob.WaitFor("Alice (Ready)"), "") << bob.Seen();

            alice.Send("select 0");
            alice.Send("challenge");
            EXPECT_NE(bob.WaitFor("challenge: Challenge received "), "") << bob.Seen();
            const std::string why = "Quake could not be started: No such file or directory";
            EXPECT_NE(alice.WaitFor("status1: " + why), "") << alice.Seen();
            EXPECT_NE(alice.WaitFor(" : " + why), "") << alice.Seen();
            // The box says what was tried and where to change it.
            const std::string dir = alice.GameDir().string();
            EXPECT_NE(alice.WaitFor("box: " + why + ". Program: " + dir + "/no-such-quake2 Game directory: " +
                                    dir + " The command and the game directory are set in Options, Game."),
                      "")
                << alice.Seen();

            // Alice heard her own broadcast with Bob's; a search later it
            // has still not shown her a challenge.
            alice.Send("search");
            EXPECT_NE(alice.WaitForNext("tip: "), "") << alice.Seen();
            EXPECT_EQ(alice.Seen().find("challenge: "), std::string::npos) << alice.Seen();
            EXPECT_EQ(alice.Quit(), 0);
            EXPECT_EQ(bob.Quit(), 0);
            StopLanHost(server);
        }));
    fs::remove_all(root);
}

}  // namespace
}  // namespace torvane::test

// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/spawn.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "fakes.h"
#include "launcher/launcher.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// A stand-in game: records its working directory and arguments (one per
// line) next to itself, then waits until someone opens and closes its fifo.
constexpr char kFakeGame[] = R"(#!/bin/sh
pwd > "$0.tmp"
for a in "$@"; do printf '%s\n' "$a"; done >> "$0.tmp"
if [ -e /proc/$$/fd/200 ]; then echo "inherited descriptor 200" >> "$0.tmp"; fi
mv "$0.tmp" "$0.out"
if [ -p "$0.fifo" ]; then read x < "$0.fifo"; fi
)";

fs::path InstallFakeGame(const fs::path& dir, const std::string& name, bool waits) {
    fs::create_directories(dir);
    const fs::path game = dir / name;
    test::WriteFile(game, kFakeGame);
    fs::permissions(game, fs::perms::owner_all);
    if (waits) mkfifo((game.string() + ".fifo").c_str(), 0600);
    return game;
}

// Waits (up to a generous limit, so a slow machine is no failure) for the
// fake game's record and returns it line by line.
Args WaitForRecord(const fs::path& game) {
    const fs::path out = game.string() + ".out";
    for (int i = 0; i < 1000 && !fs::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Args lines;
    std::istringstream in(test::ReadFile(out));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void ReleaseFakeGame(const fs::path& game) {
    const int fd = open((game.string() + ".fifo").c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) close(fd);
}

template <class Spawner>
class SpawnerTest : public ::testing::Test {};
using Spawners = ::testing::Types<PosixSpawner, ForkExecSpawner>;
TYPED_TEST_SUITE(SpawnerTest, Spawners);

TYPED_TEST(SpawnerTest, PassesEachArgumentAsIsInTheGivenDirectoryAndNoDescriptor) {
    test::TempDir tmp;
    const fs::path dir = tmp.Path() / "Quake II dir";
    const fs::path game = InstallFakeGame(dir, "fakegame", false);
    // A descriptor without close-on-exec, as a socket of ours might be.
    const int null_fd = open("/dev/null", O_RDONLY);
    const int open_fd = dup2(null_fd, 200);
    close(null_fd);
    ASSERT_EQ(open_fd, 200);
    TypeParam spawner;
    const Args argv{game.string(), "+set", "basedir",  dir.string(),
                    "a\"b'c;$(x)", "",     "+connect", "1.2.3.4:5"};
    const bool started = spawner.Spawn(game.string(), argv, dir.string()).Error == 0;
    close(open_fd);
    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForRecord(game), (Args{dir.string(), "+set", "basedir", dir.string(), "a\"b'c;$(x)", "",
                                         "+connect", "1.2.3.4:5"}));
}

TYPED_TEST(SpawnerTest, AMissingProgramOrDirectoryIsAFailedStart) {
    test::TempDir tmp;
    const fs::path game = InstallFakeGame(tmp.Path(), "fakegame", false);
    TypeParam spawner;
    // Each failure carries the system's reason.
    EXPECT_EQ(spawner.Spawn((tmp.Path() / "absent").string(), {"absent"}, tmp.Path().string()).Error, ENOENT);
    EXPECT_EQ(spawner.Spawn(game.string(), {"fakegame"}, (tmp.Path() / "absent").string()).Error, ENOENT);
    EXPECT_EQ(spawner.Spawn(tmp.Path().string() + "/", {"x"}, tmp.Path().string()).Error, EACCES)
        << "a directory";
    fs::permissions(game, fs::perms::owner_read | fs::perms::owner_write);
    const SpawnResult refused = spawner.Spawn(game.string(), {"fakegame"}, tmp.Path().string());
    EXPECT_FALSE(refused) << "not executable";
    EXPECT_EQ(refused.Error, EACCES);
    EXPECT_EQ(refused.Pid, -1);
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
}

TYPED_TEST(SpawnerTest, ARelativeProgramIsFoundFromOurOwnDirectory) {
    test::TempDir tmp;
    const fs::path game = InstallFakeGame(tmp.Path() / "bin", "fakegame", false);
    fs::create_directories(tmp.Path() / "elsewhere");
    const fs::path before = fs::current_path();
    fs::current_path(tmp.Path());
    TypeParam spawner;
    const bool started =
        spawner.Spawn("bin/fakegame", {"bin/fakegame", "x"}, (tmp.Path() / "elsewhere").string()).Error == 0;
    fs::current_path(before);
    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForRecord(game), (Args{(tmp.Path() / "elsewhere").string(), "x"}));
}

// Launch the stand-in game for real and watch it come and go in /proc.
TEST(GameLauncherOnThisMachine, LaunchedGameIsDetectedUntilItEnds) {
    test::TempDir tmp;
    const fs::path dir = tmp.Path() / "Quake II";
    const fs::path game = InstallFakeGame(dir, "QUAKE2.EXE", true);
    test::FakeLauncherHost host;
    test::FakeLauncherSettings settings;
    settings.base_dir = dir.string();
    settings.command = "QUAKE2.EXE +set game ctf";
    ProcProcessList processes;
    PosixSpawner spawner;
    GameLauncher launcher(host, host.Shared(), settings, processes, spawner);

    ASSERT_TRUE(launcher.LaunchGame({"LAN party", "127.0.0.1", "27910"}));
    EXPECT_EQ(WaitForRecord(game), (Args{dir.string(), "+set", "game", "ctf", "+set", "basedir", dir.string(),
                                         "+connect", "127.0.0.1:27910"}));
    host.status = PeerStatus::Ready;  // as an announcement after the launch leaves it
    EXPECT_TRUE(launcher.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Playing);
    EXPECT_EQ(host.log.back(), "Quake launch detected");

    ReleaseFakeGame(game);
    bool running = true;
    for (int i = 0; i < 1000 && running; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        running = launcher.IsGameRunning();
    }
    EXPECT_FALSE(running) << "the ended game must be reaped and no longer count";
    EXPECT_EQ(host.status, PeerStatus::Ready);
}

}  // namespace
}  // namespace torvane

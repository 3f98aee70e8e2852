// SPDX-License-Identifier: GPL-2.0-or-later
#include "launcher/launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "fakes.h"

namespace torvane {
namespace {

using Journal = std::vector<std::string>;

class GameLauncherTest : public ::testing::Test {
protected:
    test::FakeLauncherHost host;
    test::FakeLauncherSettings settings;
    test::FakeProcessList processes;
    test::FakeSpawner spawner{host.journal};
    // No directory of the search path holds a program, so the game
    // directory's file is the one started.
    GameLauncher launcher{host,      host.Shared(), settings,
                          processes, spawner,       [] { return std::string("/nonexistent-torvane"); }};

    void SetUp() override {
        launcher.OnLaunched = [this] { host.journal.push_back("launched"); };
    }

    void SetGame(bool running) {
        processes.processes = std::vector<ProcessNames>{{"bash", "/bin/bash", "/usr/bin/bash", ""}};
        if (running)
            processes.processes->push_back({"wine64", "C:\\QUAKE2\\QUAKE2.EXE", "/usr/bin/wine64", ""});
    }
};

TEST_F(GameLauncherTest, FindsTheGameUnderAnyOfItsThreeNames) {
    for (const ProcessNames& game : {ProcessNames{"QUAKE2.EXE", "", "", ""},
                                     ProcessNames{"wine", "C:\\Games\\XQUAKE2.EXE", "/usr/bin/wine", ""},
                                     ProcessNames{"q2", "./q2", "/opt/q2/QUAKE2.EXE", ""}}) {
        processes.processes = std::vector<ProcessNames>{{"init", "/sbin/init", "/sbin/init", ""}, game};
        EXPECT_TRUE(launcher.IsGameRunning()) << game.Command;
    }
    processes.processes = std::vector<ProcessNames>{
        {"quake2.exe", "C:\\Quake2\\quake2.exe", "/q/quake2.exe", ""}, {"UAKE2.EXE", "UAKE2.EXE", "", ""}};
    EXPECT_FALSE(launcher.IsGameRunning());
}

TEST_F(GameLauncherTest, FindsTheNativeGameByTheFileNameOfTheCommandsFirstWord) {
    settings.command = "  q2pro +set game ctf";
    processes.processes =
        std::vector<ProcessNames>{{"kthreadd", "", "", ""}, {"q2pro", "/usr/games/q2pro", "", ""}};
    EXPECT_TRUE(launcher.IsGameRunning());
    EXPECT_EQ(host.log, (Journal{"Quake launch detected"}));
    // The setting is read at each scan.
    settings.command = "yquake2";
    EXPECT_FALSE(launcher.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Ready);
    processes.processes->push_back({"yquake2", "./yquake2", "/opt/yq2/yquake2", ""});
    EXPECT_TRUE(launcher.IsGameRunning());
    // An empty command matches no process, not even those without names.
    settings.command = " ";
    EXPECT_FALSE(launcher.IsGameRunning());
}

TEST_F(GameLauncherTest, LogsTheDetectionOncePerRunOfTheGame) {
    SetGame(true);
    EXPECT_TRUE(launcher.IsGameRunning());
    EXPECT_TRUE(launcher.IsGameRunning());
    EXPECT_TRUE(launcher.IsGameRunning());
    EXPECT_EQ(host.log, (Journal{"Quake launch detected"}));
    EXPECT_EQ(host.status, PeerStatus::Playing);

    SetGame(false);
    EXPECT_FALSE(launcher.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Ready);

    // The next run of the game is a new detection.
    SetGame(true);
    EXPECT_TRUE(launcher.IsGameRunning());
    EXPECT_EQ(host.log, (Journal{"Quake launch detected", "Quake launch detected"}));
}

TEST_F(GameLauncherTest, AGameThatEndedLeavesUsBusyOrReadyAfterTheBusyBox) {
    host.status = PeerStatus::Playing;
    host.busy = true;
    SetGame(false);
    EXPECT_FALSE(launcher.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Busy);
    host.busy = false;
    EXPECT_FALSE(launcher.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Ready);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(GameLauncherTest, AnUnreadableProcessListMeansNoGameAndNoChange) {
    host.status = PeerStatus::Playing;
    processes.processes = std::nullopt;
    EXPECT_FALSE(launcher.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Playing);
    EXPECT_TRUE(host.journal.empty());
}

TEST_F(GameLauncherTest, WithAClockAScanIsUsedAgainForASecondAndALaunchForgetsIt) {
    ManualClock clock;
    GameLauncher timed{host,      host.Shared(), settings,
                       processes, spawner,       [] { return std::string("/nonexistent-torvane"); },
                       &clock};
    SetGame(false);
    for (int i = 0; i < 1000; ++i) EXPECT_FALSE(timed.IsGameRunning());
    EXPECT_EQ(processes.scans, 1);

    // A game started within the second is not seen yet; a second later it is.
    SetGame(true);
    clock.AdvanceMs(GameLauncher::kScanReuseMs - 1);
    EXPECT_FALSE(timed.IsGameRunning());
    clock.AdvanceMs(1);
    EXPECT_TRUE(timed.IsGameRunning());
    EXPECT_EQ(processes.scans, 2);
    EXPECT_EQ(host.status, PeerStatus::Playing);

    // The Busy box and the command are read at every question, even when the
    // list is reused.
    SetGame(false);
    clock.AdvanceMs(GameLauncher::kScanReuseMs);
    host.busy = true;
    EXPECT_FALSE(timed.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Busy);
    host.busy = false;
    EXPECT_FALSE(timed.IsGameRunning());
    EXPECT_EQ(host.status, PeerStatus::Ready);
    settings.command = "bash";
    EXPECT_TRUE(timed.IsGameRunning());
    settings.command = "quake2";
    EXPECT_EQ(processes.scans, 3);

    // The game a launch started is seen at the next question.
    EXPECT_TRUE(timed.LaunchGame({"Fragfest", "10.0.0.2", "27910"}));
    SetGame(true);
    const int before = processes.scans;
    EXPECT_TRUE(timed.IsGameRunning());
    EXPECT_EQ(processes.scans, before + 1);
}

TEST_F(GameLauncherTest, LaunchRunsItsStepsInOrderAndStartsANewSearch) {
    host.busy = true;
    settings.base_dir = "/home/me/Quake II";
    settings.command = "quake2 +set game ctf";
    EXPECT_TRUE(launcher.LaunchGame({"Fragfest", "192.168.0.5", "27910"}));

    EXPECT_EQ(host.journal,
              (Journal{"busy off", "OwnStatus 2", "SendInfo", "log: Launching quake to Fragfest", "Spawn",
                       "WindowTimer off", "IntervalTimer off", "StartSearch", "launched"}));
    EXPECT_EQ(spawner.program, "/home/me/Quake II/quake2");
    EXPECT_EQ(spawner.argv, (Journal{"/home/me/Quake II/quake2", "+set", "game", "ctf", "+set", "basedir",
                                     "/home/me/Quake II", "+connect", "192.168.0.5:27910"}));
    EXPECT_EQ(spawner.directory, "/home/me/Quake II");
}

TEST_F(GameLauncherTest, AFailedStartSaysWhyAndLeavesBothTimersAlone) {
    // Untouched timers keep their phase: an open search window still ends
    // at its own time, not a whole window after the launch.
    spawner.error = ENOENT;
    EXPECT_FALSE(launcher.LaunchGame({"Fragfest", "10.0.0.2", "27910"}));
    EXPECT_EQ(host.journal,
              (Journal{"busy off", "OwnStatus 2", "SendInfo", "log: Launching quake to Fragfest", "Spawn",
                       "status 1: Quake could not be started: No such file or directory",
                       "log: Quake could not be started: No such file or directory",
                       "Box " + LaunchFailureText("/games/quake2/quake2", "/games/quake2",
                                                  "No such file or directory")}));
    EXPECT_EQ(LaunchFailureText("/q2/quake2", "/q2", "Permission denied"),
              "Quake could not be started: Permission denied.\n\nProgram: /q2/quake2\nGame directory: /q2\n\n"
              "The command and the game directory are set in Options, Game.");

    host.journal.clear();
    spawner.error = EACCES;
    EXPECT_FALSE(launcher.LaunchGame({"Fragfest", "10.0.0.2", "27910"}));
    EXPECT_EQ(host.status1, "Quake could not be started: Permission denied");
    EXPECT_TRUE(host.journal.back().starts_with("Box Quake could not be started: Permission denied.\n"));
}

TEST_F(GameLauncherTest, APortWithLeadingZerosOrBlanksLaunchesWithItsPlainNumber) {
    for (const char* port : {"027950", " 27950", "27950 ", "\t0027950"}) {
        EXPECT_TRUE(launcher.LaunchGame({"Far", "10.0.0.2", port})) << port;
        EXPECT_EQ(spawner.argv.back(), "10.0.0.2:27950") << port;
    }
}

TEST_F(GameLauncherTest, AnEmptyHostNameStillLogsTheLaunch) {
    launcher.LaunchGame({"", "10.0.0.2", "27910"});
    EXPECT_EQ(host.log, (Journal{"Launching quake to "}));
}

TEST_F(GameLauncherTest, RefusesAnAddressOrPortThatIsNotPlainlyNumeric) {
    host.busy = true;
    for (const LaunchTarget& target :
         {LaunchTarget{"evil", "10.0.0.2 +exec autoexec.cfg", "27910"},
          LaunchTarget{"evil", "10.0.0.2", "27910 +set rcon_password x"}, LaunchTarget{"evil", "", ""},
          LaunchTarget{"evil", "10.0.0.2", "0"}, LaunchTarget{"evil", "10.0.0.2", "000"},
          LaunchTarget{"evil", "10.0.0.2", "65536"}, LaunchTarget{"evil", "10.0.0.2", "-27910"},
          LaunchTarget{"evil", "010.0.0.2", "27910"}}) {
        host.journal.clear();
        host.log.clear();
        EXPECT_FALSE(launcher.LaunchGame(target));
        ASSERT_EQ(host.log.size(), 1u);
        EXPECT_EQ(host.log[0],
                  "Not launching quake to evil: bad server address " + target.Address + ":" + target.Port);
        EXPECT_EQ(host.journal.size(), 1u) << "nothing but the log line may happen";
    }
    EXPECT_TRUE(spawner.argv.empty());
    EXPECT_TRUE(host.busy);
}

}  // namespace
}  // namespace torvane

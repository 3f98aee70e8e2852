// SPDX-License-Identifier: GPL-2.0-or-later
#include "launcher/gamecommand.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(GameExecutableName, IsAnUpperCaseSuffixOfTheReportedName) {
    for (const char* name :
         {"QUAKE2.EXE", "C:\\QUAKE2\\QUAKE2.EXE", "/opt/games/QUAKE2.EXE", "XQUAKE2.EXE"}) {
        EXPECT_TRUE(IsGameExecutableName(name)) << name;
    }
    for (const char* name : {"quake2.exe", "C:\\Quake2\\quake2.exe", "Quake2.exe", "UAKE2.EXE", "",
                             "QUAKE2.EX", "QUAKE2.EXE ", "QUAKE2.EXE.bak", "quake2"}) {
        EXPECT_FALSE(IsGameExecutableName(name)) << name;
    }
}

TEST(ServerAddress, OnlyPlainDottedQuadsAndDecimalPortsPass) {
    for (const char* good : {"192.168.0.5", "0.0.0.0", "255.255.255.255", "10.99.0.7"}) {
        EXPECT_TRUE(IsDottedIPv4(good)) << good;
    }
    for (const char* bad : {"", "256.1.1.1", "1.2.3", "1.2.3.4.5", "1.2.3.4 ", " 1.2.3.4", "01.2.3.4",
                            "1..3.4", "1.2.3.", ".1.2.3", "-1.2.3.4", "a.b.c.d", "1.2.3.4;rm -rf /",
                            "1.2.3.4\n+exec x", "1.2.3.1000", "host.example"}) {
        EXPECT_FALSE(IsDottedIPv4(bad)) << bad;
    }
    for (const char* good : {"1", "27910", "65535"}) EXPECT_TRUE(IsPortText(good)) << good;
    for (const char* bad : {"", "0", "65536", "99999", "027910", "+1", "-5", "27910 ", "27910+x", "123456"}) {
        EXPECT_FALSE(IsPortText(bad)) << bad;
    }
}

TEST(ServerAddress, OnlyAddressesOfOneReachableHostAreUnicast) {
    for (const char* good : {"192.168.0.5", "10.99.0.255", "1.0.0.0", "126.255.255.255", "128.0.0.1",
                             "169.254.1.1", "223.255.255.255"}) {
        EXPECT_TRUE(IsUnicastIPv4(good)) << good;
    }
    for (const char* bad : {"0.0.0.0", "0.1.2.3", "127.0.0.1", "127.255.0.9", "224.0.0.1", "239.255.255.250",
                            "240.0.0.1", "255.255.255.255", "192.168.0.05", "host.example", ""}) {
        EXPECT_FALSE(IsUnicastIPv4(bad)) << bad;
    }
}

TEST(GameProcess, TheNativeGameIsFoundByExactFileNamesOnly) {
    const std::string command = "quake2 +set game ctf";
    // The executable's file name, or that of the command line's first word.
    for (const ProcessNames& names :
         {ProcessNames{"", "", "/usr/games/quake2", ""}, ProcessNames{"", "quake2", "/usr/bin/bash", ""},
          ProcessNames{"", "/opt/q2/quake2", "", ""}, ProcessNames{"", "./quake2", "", ""}}) {
        EXPECT_TRUE(IsGameProcess(names, command)) << names.FirstWord << " " << names.Executable;
    }
    // Exact case, whole file names, never the short command name alone, and
    // a directory named like the game is no game.
    for (const ProcessNames& names : {ProcessNames{"quake2", "/usr/bin/sh", "/usr/bin/dash", ""},
                                      ProcessNames{"", "Quake2", "/usr/games/QUAKE2", ""},
                                      ProcessNames{"", "quake2-launcher", "/usr/bin/xquake2", ""},
                                      ProcessNames{"", "/quake2/game", "", ""},
                                      ProcessNames{"", "quake2 ", "", ""}, ProcessNames{"", "", "", ""}}) {
        EXPECT_FALSE(IsGameProcess(names, command)) << names.FirstWord << " " << names.Executable;
    }
    // The game under Wine is found whatever the command says.
    EXPECT_TRUE(IsGameProcess({"wine64", "C:\\QUAKE2\\QUAKE2.EXE", "/usr/bin/wine64", ""}, command));
    EXPECT_TRUE(IsGameProcess({"QUAKE2.EXE", "", "", ""}, "q2pro"));
    EXPECT_FALSE(IsGameProcess({"quake2.exe", "C:\\quake2.exe", "", ""}, command));
    // The command's first word may carry a directory; only its file name counts.
    EXPECT_TRUE(IsGameProcess({"", "/usr/games/q2pro", "", ""}, "\t/opt/bin/q2pro +connect x"));
    EXPECT_FALSE(IsGameProcess({"", "", "", ""}, ""));
    EXPECT_EQ(GameProgramFileName("  /opt/yq2/yquake2 +set a b"), "yquake2");
    EXPECT_EQ(GameProgramFileName(""), "");
}

// A dedicated server started with the game's own program, or a server
// program of its own, is nobody playing.
TEST(GameProcess, ADedicatedServerIsNeverTheRunningGame) {
    using std::string_literals::operator""s;
    const auto process = [](const std::string& cmdline) {
        const auto first = cmdline.substr(0, cmdline.find('\0'));
        return ProcessNames{"quake2", first, "/usr/games/quake2", cmdline};
    };
    for (const std::string& cmdline :
         {"quake2\0+set\0dedicated\0001\0+map\0q2dm1"s, "quake2\0+set\0DEDICATED\0002"s,
          "quake2\0+set\0dedicated\0001.0"s, "quake2\0+set\0dedicated\0000\0+set\0dedicated\0001"s}) {
        EXPECT_TRUE(IsDedicatedServer(process(cmdline))) << cmdline;
        EXPECT_FALSE(IsGameProcess(process(cmdline), "quake2")) << cmdline;
    }
    // The variable off, set last to 0, or named without its value is a game.
    for (const std::string& cmdline :
         {"quake2\0+set\0dedicated\0000"s, "quake2\0+set\0dedicated\0001\0+set\0dedicated\0000"s,
          "quake2\0+set\0dedicated"s, "quake2\0+set\0game\0dedicated\0+connect\0001"s,
          "quake2\0+connect\00010.0.0.1:27910"s, "quake2"s, ""s}) {
        EXPECT_FALSE(IsDedicatedServer(process(cmdline))) << cmdline;
        EXPECT_TRUE(IsGameProcess(process(cmdline), "quake2")) << cmdline;
    }
    // Server programs by any of their names; the game under Wine as a
    // server too.
    for (const ProcessNames& names :
         {ProcessNames{"q2ded", "", "", ""}, ProcessNames{"", "/opt/q2pro/q2proded", "", ""},
          ProcessNames{"", "", "/usr/local/bin/r1q2ded-x86_64", ""},
          ProcessNames{"", "C:\\Q2\\QUAKE2DED.EXE", "", ""},
          ProcessNames{"QUAKE2.EXE", "QUAKE2.EXE", "", "QUAKE2.EXE\0+set\0dedicated\0001"s}}) {
        EXPECT_TRUE(IsDedicatedServer(names)) << names.Command << names.FirstWord << names.Executable;
        EXPECT_FALSE(IsGameProcess(names, "q2ded")) << names.Command << names.FirstWord << names.Executable;
    }
    for (const char* name : {"quake2", "q2pro", "yquake2", "q2dedicated", "ded", "speeded", "q2-ded"})
        EXPECT_FALSE(IsDedicatedServer({name, name, std::string("/usr/bin/") + name, name})) << name;
}

TEST(ServerPort, APortWithLeadingZerosOrBlanksIsItsPlainNumber) {
    EXPECT_EQ(PlainPortText("27910"), "27910");
    EXPECT_EQ(PlainPortText("027950"), "27950");
    EXPECT_EQ(PlainPortText("  27950\t"), "27950");
    EXPECT_EQ(PlainPortText("0000001"), "1");
    for (const char* bad :
         {"", " ", "0", "000", "65536", "0065536", "27 950", "+27950", "-1", "27950x", "x"}) {
        EXPECT_FALSE(PlainPortText(bad)) << bad;
    }
}

TEST(BuildGameCommand, KeepsADirectoryWithBlanksInOneArgumentAndPassesCommandWordsOn) {
    const GameCommand cmd = BuildGameCommand("/home/me/My Games/q2/quake2", "/home/me/My Games/q2",
                                             "  quake2\t+set vid_fullscreen 0 ", "10.0.0.1", "27920");
    EXPECT_EQ(cmd.Program, "/home/me/My Games/q2/quake2");
    EXPECT_EQ(cmd.Arguments, (Args{"/home/me/My Games/q2/quake2", "+set", "vid_fullscreen", "0", "+set",
                                   "basedir", "/home/me/My Games/q2", "+connect", "10.0.0.1:27920"}));
}

TEST(BuildGameCommand, AnEmptyCommandNamesTheDirectoryItself) {
    // Starting it fails; the launcher handles that like any failed start.
    const GameCommand cmd =
        BuildGameCommand(FindGameProgram("/q2", "", "/nonexistent-torvane"), "/q2", "", "10.0.0.1", "27910");
    EXPECT_EQ(cmd.Program, "/q2/");
    EXPECT_EQ(cmd.Arguments, (Args{"/q2/", "+set", "basedir", "/q2", "+connect", "10.0.0.1:27910"}));
}

class GameProgramTest : public ::testing::Test {
protected:
    fs::path Install(const fs::path& dir, const std::string& name, bool executable = true) {
        fs::create_directories(dir);
        const fs::path program = dir / name;
        test::WriteFile(program, "#!/bin/sh\n");
        fs::permissions(program, executable ? fs::perms::owner_all : fs::perms::owner_read);
        return program;
    }
    test::TempDir tmp;
    fs::path game_dir = tmp.Path() / "Quake II";
    fs::path bin = tmp.Path() / "bin";
    fs::path other_bin = tmp.Path() / "other bin";
};

TEST_F(GameProgramTest, TheGameDirectoryComesFirstThenTheSearchPath) {
    Install(other_bin, "quake2");
    Install(bin, "quake2");
    const std::string path = "/nonexistent-torvane:" + bin.string() + ":" + other_bin.string();
    EXPECT_EQ(FindGameProgram(game_dir.string(), "quake2 +set game ctf", path), (bin / "quake2").string());
    // A self-contained install keeps working.
    Install(game_dir, "quake2");
    EXPECT_EQ(FindGameProgram(game_dir.string(), "quake2 +set game ctf", path),
              (game_dir / "quake2").string());
}

TEST_F(GameProgramTest, OnlyExecutableFilesAreTaken) {
    Install(game_dir, "quake2", false);
    fs::create_directories(bin / "quake2");  // a directory of that name
    Install(other_bin, "quake2");
    EXPECT_EQ(FindGameProgram(game_dir.string(), "quake2", bin.string() + ":" + other_bin.string()),
              (other_bin / "quake2").string());
}

TEST_F(GameProgramTest, WithoutAProgramTheGameDirectorysFileIsStartedAndFailsWithItsReason) {
    EXPECT_EQ(FindGameProgram(game_dir.string(), "quake2", bin.string()), (game_dir / "quake2").string());
    EXPECT_EQ(FindGameProgram(game_dir.string(), "", bin.string()), game_dir.string() + "/");
    // A name with a directory in it is not looked up on the search path;
    // an absolute one is taken as it is.
    Install(bin, "quake2");
    EXPECT_EQ(FindGameProgram(game_dir.string(), "bin/quake2", bin.string()),
              game_dir.string() + "/bin/quake2");
    EXPECT_EQ(FindGameProgram(game_dir.string(), (bin / "quake2").string(), ""), (bin / "quake2").string());
}

TEST_F(GameProgramTest, AnEmptySearchPathEntryIsOurOwnDirectory) {
    Install(bin, "quake2");
    const fs::path before = fs::current_path();
    fs::current_path(bin);
    const std::string found = FindGameProgram(game_dir.string(), "quake2", "/nonexistent-torvane::");
    fs::current_path(before);
    EXPECT_EQ(found, "./quake2");
}

}  // namespace
}  // namespace torvane

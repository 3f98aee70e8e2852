#include "launcher/gamecommand.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

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

TEST(BuildGameCommand, KeepsADirectoryWithBlanksInOneArgumentAndPassesCommandWordsOn) {
    const GameCommand cmd =
        BuildGameCommand("/home/me/My Games/q2", "  quake2\t+set vid_fullscreen 0 ", "10.0.0.1", "27920");
    EXPECT_EQ(cmd.Program, "/home/me/My Games/q2/quake2");
    EXPECT_EQ(cmd.Arguments, (Args{"/home/me/My Games/q2/quake2", "+set", "vid_fullscreen", "0", "+set",
                                   "basedir", "/home/me/My Games/q2", "+connect", "10.0.0.1:27920"}));
}

TEST(BuildGameCommand, AnEmptyCommandNamesTheDirectoryItself) {
    // Starting it fails; the launcher handles that like any failed start.
    const GameCommand cmd = BuildGameCommand("/q2", "", "10.0.0.1", "27910");
    EXPECT_EQ(cmd.Program, "/q2/");
    EXPECT_EQ(cmd.Arguments, (Args{"/q2/", "+set", "basedir", "/q2", "+connect", "10.0.0.1:27910"}));
}

}  // namespace
}  // namespace torvane

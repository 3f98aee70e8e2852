// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/processes.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using std::string_literals::operator""s;

void AddProcess(const fs::path& root, const std::string& pid, const std::string& comm,
                const std::string& cmdline, const std::string& exe, char state = 'S') {
    const fs::path dir = root / pid;
    fs::create_directories(dir);
    test::WriteFile(dir / "comm", comm + "\n");
    test::WriteFile(dir / "cmdline", cmdline);
    test::WriteFile(dir / "stat", pid + " (" + comm + ") " + state + " 1 1 1 0 -1");
    if (!exe.empty()) fs::create_symlink(exe, dir / "exe");
}

TEST(ProcProcessList, ReadsTheThreeNamesOfEveryLiveProcess) {
    test::TempDir proc;
    AddProcess(proc.Path(), "1", "init", "/sbin/init\0splash\0"s, "/usr/lib/systemd/systemd");
    AddProcess(proc.Path(), "4711", "QUAKE2.EXE", "C:\\Games\\Quake II\\QUAKE2.EXE\0+set\0"s,
               "/usr/bin/wine64-preloader");
    AddProcess(proc.Path(), "9", "kthreadd", "", "");  // kernel threads have neither
    AddProcess(proc.Path(), "66", "QUAKE2.EXE", "", "", 'Z');
    fs::create_directories(proc.Path() / "self");
    test::WriteFile(proc.Path() / "uptime", "1.0 2.0\n");

    auto snapshot = ProcProcessList(proc.Path().string()).Snapshot();
    ASSERT_TRUE(snapshot);
    ASSERT_EQ(snapshot->size(), 3u) << "the zombie and the non-process entries are left out";
    std::sort(snapshot->begin(), snapshot->end(),
              [](const ProcessNames& a, const ProcessNames& b) { return a.Command < b.Command; });
    EXPECT_EQ((*snapshot)[0].Command, "QUAKE2.EXE");
    EXPECT_EQ((*snapshot)[0].FirstWord, "C:\\Games\\Quake II\\QUAKE2.EXE");
    EXPECT_EQ((*snapshot)[0].Executable, "/usr/bin/wine64-preloader");
    EXPECT_EQ((*snapshot)[1].Command, "init");
    EXPECT_EQ((*snapshot)[1].FirstWord, "/sbin/init");
    EXPECT_EQ((*snapshot)[1].CommandLine, "/sbin/init\0splash\0"s);
    EXPECT_EQ((*snapshot)[2].Command, "kthreadd");
    EXPECT_EQ((*snapshot)[2].FirstWord, "");
    EXPECT_EQ((*snapshot)[2].Executable, "");
}

TEST(ProcProcessList, AMissingProcDirectoryIsNoList) {
    test::TempDir dir;
    EXPECT_FALSE(ProcProcessList((dir.Path() / "absent").string()).Snapshot());
}

TEST(IsZombieStat, TakesTheStateAfterTheLastParenthesis) {
    EXPECT_TRUE(IsZombieStat("66 (QUAKE2.EXE) Z 1 66"));
    EXPECT_FALSE(IsZombieStat("66 (QUAKE2.EXE) S 1 66"));
    // A command name may itself hold ") Z".
    EXPECT_FALSE(IsZombieStat("67 (x) Z (y) R 1 67"));
    EXPECT_TRUE(IsZombieStat("68 (a) S) Z 1 68"));
    EXPECT_FALSE(IsZombieStat(""));
    EXPECT_FALSE(IsZombieStat("69 (unterminated Z"));
    EXPECT_FALSE(IsZombieStat("70 (x)"));
}

}  // namespace
}  // namespace torvane

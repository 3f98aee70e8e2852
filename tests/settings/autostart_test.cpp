// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/autostart.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "platform/programpath.h"
#include "settings/memoryregistry.h"
#include "settings/settingsio.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(AutostartDesktopEntry, RunsTheProgramWithItsPathQuoted) {
    const auto entry = AutostartDesktopEntry("/usr/local/bin/torvane");
    ASSERT_TRUE(entry);
    EXPECT_EQ(0u, entry->rfind("[Desktop Entry]\n", 0));
    EXPECT_NE(std::string::npos, entry->find("\nType=Application\n"));
    EXPECT_NE(std::string::npos, entry->find("\nExec=\"/usr/local/bin/torvane\"\n"));

    // Inside quotes " ` $ \ take a backslash, the value's escaping doubles
    // every backslash, and % is doubled as it starts field codes.
    const auto odd = AutostartDesktopEntry("/opt/my games/a$b`c\"d\\e%f/torvane");
    ASSERT_TRUE(odd);
    EXPECT_NE(std::string::npos,
              odd->find("\nExec=\"/opt/my games/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e%%f/torvane\"\n"))
        << *odd;

    // Paths an Exec line cannot hold.
    for (const char* path : {"", "torvane", "/opt/tor\nvane", "/opt/tor\tvane"})
        EXPECT_FALSE(AutostartDesktopEntry(path));
}

TEST(DesktopAutostart, SavingWithAutoStartWritesOrRemovesTheEntry) {
    TempDir dir;
    DesktopAutostart autostart(dir.Path().string());
    const std::filesystem::path entry = dir.Path() / "autostart" / "torvane.desktop";
    EXPECT_EQ(entry.string(), autostart.EntryPath());

    Settings s;
    s.AutoStart = true;
    MemoryRegistry store;
    const std::string program = ProgramFileName();
    ASSERT_EQ("test_settings", std::filesystem::path(program).filename());
    SaveSettings(s, store, autostart, program);
    EXPECT_EQ(*AutostartDesktopEntry(program), ReadFile(entry));

    s.AutoStart = false;
    SaveSettings(s, store, autostart, program);
    EXPECT_FALSE(std::filesystem::exists(entry));
    // Nothing to remove: nothing happens, nothing is created.
    EXPECT_TRUE(autostart.Unregister());
    SaveSettings(s, store, autostart, program);
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(DesktopAutostart, AnEntryThatCannotBeWrittenLeavesTheOldOne) {
    TempDir dir;
    DesktopAutostart autostart(dir.Path().string());
    ASSERT_TRUE(autostart.Register("/usr/bin/torvane"));
    const std::string before = ReadFile(autostart.EntryPath());
    EXPECT_FALSE(autostart.Register("/usr/bin/tor\nvane"));
    EXPECT_EQ(before, ReadFile(autostart.EntryPath()));

    // An entry that is a directory cannot be replaced or removed.
    std::filesystem::remove(autostart.EntryPath());
    std::filesystem::create_directories(autostart.EntryPath());
    EXPECT_FALSE(autostart.Register("/usr/bin/torvane"));
    EXPECT_FALSE(autostart.Unregister());
}

TEST(ProgramFileName, KeepsThePathOfAProgramUpgradedOrRemovedWhileItRuns) {
    TempDir dir;
    const std::filesystem::path program = dir.Path() / "torvane";
    std::filesystem::copy_file("/bin/sleep", program);
    pid_t child = 0;
    const std::string name = program.string();
    char* const argv[] = {const_cast<char*>(name.c_str()), const_cast<char*>("60"), nullptr};
    // posix_spawn returns once the child runs the new program.
    ASSERT_EQ(0, ::posix_spawn(&child, name.c_str(), nullptr, nullptr, argv, nullptr));
    EXPECT_EQ(name, ProgramFileName(child));

    // An upgrade puts a new file in its place; the path stays the one to start.
    WriteFile(dir.Path() / "new", "new version");
    std::filesystem::rename(dir.Path() / "new", program);
    EXPECT_EQ(name, ProgramFileName(child));
    std::filesystem::remove(program);
    EXPECT_EQ(name, ProgramFileName(child));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ("", ProgramFileName(child));
}

}  // namespace
}  // namespace torvane

#include "platform/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/programpath.h"
#include "settings/memoryregistry.h"
#include "settings/settingsio.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

using test::ReadFile;
using test::TempDir;

TEST(AutostartDesktopEntry, IsADesktopEntryThatRunsTheProgram) {
    const auto entry = AutostartDesktopEntry("/usr/local/bin/torvane");
    ASSERT_TRUE(entry);
    EXPECT_EQ(0u, entry->rfind("[Desktop Entry]\n", 0));
    EXPECT_NE(std::string::npos, entry->find("\nType=Application\n"));
    EXPECT_NE(std::string::npos, entry->find("\nName=Torvane\n"));
    EXPECT_NE(std::string::npos, entry->find("\nExec=\"/usr/local/bin/torvane\"\n"));
}

TEST(AutostartDesktopEntry, QuotesReservedCharactersOfThePath) {
    // Inside quotes " ` $ \ take a backslash, the value's escaping doubles
    // every backslash, and % is doubled as it starts field codes.
    const auto entry = AutostartDesktopEntry("/opt/my games/a$b`c\"d\\e%f/torvane");
    ASSERT_TRUE(entry);
    EXPECT_NE(std::string::npos,
              entry->find("\nExec=\"/opt/my games/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e%%f/torvane\"\n"))
        << *entry;
}

TEST(AutostartDesktopEntry, RefusesPathsAnExecLineCannotHold) {
    EXPECT_FALSE(AutostartDesktopEntry(""));
    EXPECT_FALSE(AutostartDesktopEntry("torvane"));
    EXPECT_FALSE(AutostartDesktopEntry("/opt/tor\nvane"));
    EXPECT_FALSE(AutostartDesktopEntry("/opt/tor\tvane"));
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
    ASSERT_FALSE(program.empty());
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

TEST(ProgramFileName, IsTheRunningTestProgram) {
    const std::filesystem::path program = ProgramFileName();
    EXPECT_TRUE(program.is_absolute());
    EXPECT_EQ("test_settings", program.filename());
}

}  // namespace
}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "notify/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

#include "support/tempdir.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace torvane {
namespace {

namespace fs = std::filesystem;

// 2023-11-14 22:13:20 UTC.
constexpr int64_t kEvening = 1'700'000'000;

class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        setenv("LC_ALL", "C", 1);
        clock.SetCalendarSeconds(kEvening);
    }

    ManualClock clock;
    EventLog log{clock};
    test::TempDir dir;
};

TEST_F(EventLogTest, StampsEachLineWithTheLocalTimeInTheLongTimeFormat) {
    log.AddLogLine("Torvane started");
    clock.AdvanceSeconds(3600 * 3);
    log.AddLogLine("Map changed on host Fragfest to q2dm1");
    setenv("TZ", "UTC-2", 1);  // POSIX sign: two hours east
    log.AddLogLine("x");
    EXPECT_EQ(log.Lines(),
              (std::deque<std::string>{"22:13:20 : Torvane started",
                                       "01:13:20 : Map changed on host Fragfest to q2dm1", "03:13:20 : x"}));
}

TEST_F(EventLogTest, TwelveHourLocalesGetAnAmPmMarker) {
    // Built here from the system's locale sources, so the test does not
    // depend on which locales the machine happens to have generated.
    const std::string command =
        "localedef -i en_US -f UTF-8 '" + (dir.Path() / "en_US.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef cannot build en_US.UTF-8 here";
    setenv("LOCPATH", dir.Path().c_str(), 1);
    setenv("LC_ALL", "en_US.UTF-8", 1);
    {
#ifdef __SANITIZE_ADDRESS__
        // The C library's newlocale leaks a few bytes when LOCPATH is set.
        __lsan::ScopedDisabler known_library_leak;
#endif
        log.AddLogLine("x");
    }
    unsetenv("LOCPATH");
    EXPECT_EQ(log.Lines().back(), "10:13:20 PM : x");
}

TEST_F(EventLogTest, AppendsToAnExistingFileWithoutTouchingOlderLines) {
    const fs::path file = dir.Path() / "torvane.log";
    test::WriteFile(file, "older line one\nolder line two\n");
    log.SetLogFile(file.string());
    log.AddLogLine("New server \"Fragfest\" found on 10.0.0.2");
    log.AddLogLine("Wolf entered Fragfest");
    EXPECT_EQ(test::ReadFile(file),
              "older line one\nolder line two\n"
              "22:13:20 : New server \"Fragfest\" found on 10.0.0.2\n22:13:20 : Wolf entered Fragfest\n");
}

TEST_F(EventLogTest, AFileThatCannotBeOpenedIsTriedAgainAtTheNextLineThenKeptOpen) {
    const fs::path file = dir.Path() / "later" / "torvane.log";
    log.SetLogFile(file.string());
    log.AddLogLine("first");
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_FALSE(fs::exists(file));

    fs::create_directories(file.parent_path());
    log.AddLogLine("second");
    EXPECT_EQ(test::ReadFile(file), "22:13:20 : second\n");
    // Made for the user alone.
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // The open file is kept: moved away, it still gets the lines, and its
    // name is not looked up again until it changes.
    const fs::path moved = dir.Path() / "old.log";
    fs::rename(file, moved);
    log.AddLogLine("third");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(test::ReadFile(moved), "22:13:20 : second\n22:13:20 : third\n");
    log.SetLogFile(file.string());
    log.AddLogLine("same name");
    EXPECT_FALSE(fs::exists(file));
    log.SetLogFile(moved.string());
    log.SetLogFile(file.string());
    log.AddLogLine("fourth");
    EXPECT_EQ(test::ReadFile(file), "22:13:20 : fourth\n");
    EXPECT_EQ(log.Lines().size(), 5u);
}

TEST_F(EventLogTest, ALinkOrSomethingElseThanAFileIsNeverWrittenThrough) {
    // A dangling link would make its target; a link to a file would write
    // into somebody else's file.
    const fs::path target = dir.Path() / "target";
    const fs::path link = dir.Path() / "torvane.log";
    fs::create_symlink(target, link);
    log.SetLogFile(link.string());
    log.AddLogLine("through the link");
    EXPECT_FALSE(fs::exists(target));
    test::WriteFile(target, "theirs\n");
    log.AddLogLine("through the link again");
    EXPECT_EQ(test::ReadFile(target), "theirs\n");

    log.SetLogFile(dir.Path().string());  // a folder
    log.AddLogLine("into a folder");
    EXPECT_EQ(log.Lines().size(), 3u);
}

TEST(EventLogFile, ARelativeNameIsTakenFromTheConfigurationFolder) {
    const test::TempDir config;
    test::TempDir work;
    ManualClock clock;
    EventLog log(clock, [&] { return config.Path().string(); });
    log.SetLogFile("logs.txt");
    EXPECT_EQ(log.LogFile(), "logs.txt");  // saved as the user wrote it
    const fs::path before = fs::current_path();
    fs::current_path(work.Path());
    log.AddLogLine("x");
    fs::current_path(before);
    EXPECT_TRUE(fs::exists(config.Path() / "logs.txt"));
    EXPECT_TRUE(fs::is_empty(work.Path()));

    // Without a configuration folder there is no file at all.
    EventLog homeless(clock, [] { return std::string(); });
    homeless.SetLogFile("logs.txt");
    fs::current_path(work.Path());
    homeless.AddLogLine("x");
    fs::current_path(before);
    EXPECT_TRUE(fs::is_empty(work.Path()));
}

TEST(EventLogFile, NeverGrowsPastItsLimitAndKeepsOneOlderFile) {
    const test::TempDir dir;
    ManualClock clock;
    setenv("TZ", "UTC", 1);
    clock.SetCalendarSeconds(kEvening);
    // Each line is 11 + 9 + 1 bytes: four fit in 100.
    EventLog log(clock, {}, 100);
    const fs::path file = dir.Path() / "torvane.log";
    test::WriteFile(dir.Path() / "torvane.log.1", "oldest\n");
    log.SetLogFile(file.string());
    for (int i = 0; i < 10; ++i) log.AddLogLine("line " + std::to_string(i) + "...");
    EXPECT_EQ(test::ReadFile(file), "22:13:20 : line 8...\n22:13:20 : line 9...\n");
    EXPECT_EQ(test::ReadFile(dir.Path() / "torvane.log.1"),
              "22:13:20 : line 4...\n22:13:20 : line 5...\n22:13:20 : line 6...\n22:13:20 : line 7...\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A line longer than the whole limit is kept out of the file.
    log.AddLogLine(std::string(100, 'x'));
    EXPECT_EQ(fs::file_size(file), 42u);
}

TEST_F(EventLogTest, APipeThatNobodyReadsIsSkippedInsteadOfWaitedFor) {
    const fs::path pipe = dir.Path() / "torvane.log";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    log.SetLogFile(pipe.string());
    log.AddLogLine("Torvane started");  // would wait here for a reader
    EXPECT_EQ(log.Lines().back(), "22:13:20 : Torvane started");
    EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(EventLogTest, SwitchedOffNothingIsLoggedAnywhereUntilSwitchedOn) {
    log.AddLogLine("no file yet: only the window");
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    const fs::path file = dir.Path() / "torvane.log";
    log.SetLogFile(file.string());
    log.SetEnabled(false);
    log.AddLogLine("Torvane closed");
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_FALSE(fs::exists(file));
    log.SetEnabled(true);
    log.AddLogLine("Torvane started");
    EXPECT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(test::ReadFile(file), "22:13:20 : Torvane started\n");
}

TEST_F(EventLogTest, TextsFromTheNetworkCannotStartALineOrSteerATerminal) {
    const fs::path file = dir.Path() / "torvane.log";
    log.SetLogFile(file.string());
    log.AddLogLine("Wolf shouted \"hi\r\n22:00:00 : Torvane closed\n\"");
    EXPECT_EQ(test::ReadFile(file),
              "22:13:20 : Wolf shouted \"hi\\x0D\\x0A22:00:00 : Torvane closed\\x0A\"\n");
    EXPECT_EQ(log.Lines().back(), "22:13:20 : Wolf shouted \"hi\\x0D\\x0A22:00:00 : Torvane closed\\x0A\"");
    // Erase line, bell, a tab, DEL, an 8-bit CSI, and the line breaks NEL and
    // LINE SEPARATOR as UTF-8; Latin-1 letters and other UTF-8 stay.
    const char raw[] =
        "a\x1B[2K\x07\tb\x7F\x9B"
        "31mc\xC2\x85"
        "d\xE2\x80\xA8"
        "e\0f \xE9 \xC3\xA9";
    log.AddLogLine(std::string(raw, sizeof raw - 1));
    EXPECT_EQ(log.Lines().back(),
              "22:13:20 : a\\x1B[2K\\x07\\x09b\\x7F\\x9B"
              "31mc\xC2\\x85"
              "d\xE2\\x80\xA8"
              "e\\x00f \xE9 \xC3\xA9");
}

TEST_F(EventLogTest, TheWindowKeepsTheNewestLinesUpToItsLimit) {
    for (size_t i = 0; i < EventLog::kMaxLines + 5; ++i) log.AddLogLine(std::to_string(i));
    ASSERT_EQ(log.Lines().size(), EventLog::kMaxLines);
    EXPECT_EQ(log.Lines().front(), "22:13:20 : 5");
    EXPECT_EQ(log.Lines().back(), "22:13:20 : " + std::to_string(EventLog::kMaxLines + 4));
}

}  // namespace
}  // namespace torvane

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

TEST_F(EventLogTest, AFileThatCannotBeWrittenIsSkippedAndTriedAgainAtTheNextLine) {
    const fs::path file = dir.Path() / "later" / "torvane.log";
    log.SetLogFile(file.string());
    log.AddLogLine("first");
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_FALSE(fs::exists(file));

    fs::create_directories(file.parent_path());
    log.AddLogLine("second");
    EXPECT_EQ(test::ReadFile(file), "22:13:20 : second\n");

    // Moved away between lines: the next line makes a new file.
    fs::rename(file, dir.Path() / "old.log");
    log.AddLogLine("third");
    EXPECT_EQ(test::ReadFile(file), "22:13:20 : third\n");
    EXPECT_EQ(log.Lines().size(), 3u);
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

TEST_F(EventLogTest, TextsFromTheNetworkCannotStartALineOfTheirOwn) {
    const fs::path file = dir.Path() / "torvane.log";
    log.SetLogFile(file.string());
    log.AddLogLine("Wolf shouted \"hi\r\n22:00:00 : Torvane closed\n\"");
    EXPECT_EQ(test::ReadFile(file), "22:13:20 : Wolf shouted \"hi  22:00:00 : Torvane closed \"\n");
    EXPECT_EQ(log.Lines().back(), "22:13:20 : Wolf shouted \"hi  22:00:00 : Torvane closed \"");
}

TEST_F(EventLogTest, TheWindowKeepsTheNewestLinesUpToItsLimit) {
    for (size_t i = 0; i < EventLog::kMaxLines + 5; ++i) log.AddLogLine(std::to_string(i));
    ASSERT_EQ(log.Lines().size(), EventLog::kMaxLines);
    EXPECT_EQ(log.Lines().front(), "22:13:20 : 5");
    EXPECT_EQ(log.Lines().back(), "22:13:20 : " + std::to_string(EventLog::kMaxLines + 4));
}

}  // namespace
}  // namespace torvane

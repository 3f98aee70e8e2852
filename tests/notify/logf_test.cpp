// SPDX-License-Identifier: GPL-2.0-or-later
// The log window's logic: the memo follows the log, and the logging switch
// is the window's own enabled state.

#include "notify/logf.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "support/tempdir.h"

namespace torvane {
namespace {

struct FakeLogWindow final : LogView {
    std::vector<std::string> memo;
    std::vector<bool> input;
    int shown = 0;
    void AppendLine(const std::string& line) override { memo.push_back(line); }
    void SetInputEnabled(bool enabled) override { input.push_back(enabled); }
    void ShowAndRaise() override { ++shown; }
};

TEST(LogForm, TheMemoAndTheFileGetEachLineWhileLoggingIsOnAndNothingWhileOff) {
    test::TempDir dir;
    const auto file = dir.Path() / "tvnlog.txt";
    FakeLogWindow window;
    ManualClock clock;
    TLogForm form(window, clock);
    form.SetLogFile(file.string());

    form.AddLogLine("Torvane started");
    form.SetEnabled(false);
    form.AddLogLine("Friday closed");
    form.FormDestroy();
    EXPECT_EQ(window.input, (std::vector<bool>{false}));
    form.SetEnabled(true);
    form.AddLogLine("Ranger entered Friday");
    form.FormDestroy();

    ASSERT_EQ(window.memo.size(), 3u);
    EXPECT_TRUE(window.memo[0].ends_with(" : Torvane started"));
    EXPECT_TRUE(window.memo[1].ends_with(" : Ranger entered Friday"));
    EXPECT_TRUE(window.memo[2].ends_with(" : Torvane closed"));
    EXPECT_EQ(test::ReadFile(file), window.memo[0] + "\n" + window.memo[1] + "\n" + window.memo[2] + "\n");
    EXPECT_EQ(form.LogFile(), file.string());

    form.Show();
    EXPECT_EQ(window.shown, 1);
}

}  // namespace
}  // namespace torvane

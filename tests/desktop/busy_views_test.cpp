// SPDX-License-Identifier: GPL-2.0-or-later
// Windows under a stream of messages: the user list rewrites only the rows
// that changed yet shows exactly the rows it was given, and the log window
// keeps no more lines than the log itself.

#include <gtest/gtest.h>

#include <QTextBlock>
#include <string>
#include <vector>

#include "desktop/logf.h"
#include "desktop/userform.h"
#include "notify/log.h"
#include "platform/clock.h"

namespace torvane {
namespace {

std::vector<UserRow> ShownRows(const UsersWindow& window) {
    std::vector<UserRow> rows;
    for (int i = 0; i < window.UserListView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = window.UserListView->topLevelItem(i);
        rows.push_back(
            {item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString()});
    }
    return rows;
}

std::vector<UserRow> Users(int count) {
    std::vector<UserRow> rows;
    for (int i = 0; i < count; ++i) rows.push_back({"User" + std::to_string(i), "Ready", "here"});
    return rows;
}

TEST(UserList, RowsAreRewrittenInPlaceAndTheListShowsExactlyTheRowsGiven) {
    UsersWindow window;
    window.SetUserRows(Users(256));
    ASSERT_EQ(ShownRows(window), Users(256));
    QTreeWidgetItem* first = window.UserListView->topLevelItem(0);

    // One announcement changes one row; the other rows keep their items.
    std::vector<UserRow> rows = Users(256);
    rows[7] = {"Renamed", "Busy", "away"};
    window.UserListView->topLevelItem(3)->setSelected(true);
    window.SetUserRows(rows);
    EXPECT_EQ(ShownRows(window), rows);
    EXPECT_EQ(window.UserListView->topLevelItem(0), first);
    EXPECT_EQ(window.SelectedUserRow(), -1);
    EXPECT_EQ(window.UserListView->currentItem(), nullptr);

    // Users that expired leave from the end, new ones come after.
    rows.resize(5);
    window.SetUserRows(rows);
    EXPECT_EQ(ShownRows(window), rows);
    rows.push_back({"Late", "Playing", ""});
    window.SetUserRows(rows);
    EXPECT_EQ(ShownRows(window), rows);
    window.SetUserRows({});
    EXPECT_EQ(window.UserListView->topLevelItemCount(), 0);
    window.SetUserRows(Users(2));
    EXPECT_EQ(ShownRows(window), Users(2));
}

// The number of the line a memo line shows ("TIME : line N"), -1 for none.
int Line(const QTextBlock& block) {
    const qsizetype at = block.text().indexOf(" : line ");
    return at < 0 ? -1 : block.text().mid(at + 8).toInt();
}

// The log and its window wired as the program wires them: each line goes to
// the log, and the log's newest line to the window.
struct LogAndWindow {
    LogAndWindow() : log(clock, [] { return std::string(); }) { window.ShowLinesOf(&log); }
    void Add(int i) {
        log.AddLogLine("line " + std::to_string(i));
        window.AppendLine(log.Lines().back());
    }
    ManualClock clock;
    EventLog log;
    LogWindow window;
};

TEST(LogWindow, KeepsTheNewestLinesUpToTheLogsOwnBoundHiddenOrShown) {
    const int bound = static_cast<int>(EventLog::kMaxLines);
    LogAndWindow both;
    LogWindow& window = both.window;
    // Hidden, it lays nothing out: the lines come from the log when it is
    // shown.
    for (int i = 0; i < bound + 5; ++i) both.Add(i);
    EXPECT_TRUE(window.LogMemo->document()->isEmpty());
    window.show();
    EXPECT_EQ(window.LogMemo->document()->blockCount(), bound);
    EXPECT_EQ(Line(window.LogMemo->document()->firstBlock()), 5);
    EXPECT_EQ(Line(window.LogMemo->document()->lastBlock()), bound + 4);

    // Shown, each line goes in at once, and the oldest go out.
    both.Add(bound + 5);
    EXPECT_EQ(Line(window.LogMemo->document()->lastBlock()), bound + 5);
    EXPECT_EQ(Line(window.LogMemo->document()->firstBlock()), 6);

    // Hidden again and shown: only the lines in between follow, in order.
    window.hide();
    both.Add(bound + 6);
    both.Add(bound + 7);
    window.show();
    EXPECT_EQ(window.LogMemo->document()->blockCount(), bound);
    EXPECT_EQ(Line(window.LogMemo->document()->findBlockByNumber(bound - 3)), bound + 5);
    EXPECT_EQ(Line(window.LogMemo->document()->lastBlock().previous()), bound + 6);
    EXPECT_EQ(Line(window.LogMemo->document()->lastBlock()), bound + 7);
}

}  // namespace
}  // namespace torvane

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

QString Line(int i) {
    return QString::fromStdString("12:00:00 : line " + std::to_string(i));
}

TEST(LogWindow, KeepsTheNewestLinesUpToTheLogsOwnBoundHiddenOrShown) {
    const int bound = static_cast<int>(EventLog::kMaxLines);
    LogWindow window;
    // Hidden, it lays nothing out: the lines come when it is shown.
    for (int i = 0; i < bound + 5; ++i) window.AppendLine(Line(i).toStdString());
    EXPECT_TRUE(window.LogMemo->document()->isEmpty());
    window.show();
    EXPECT_EQ(window.LogMemo->document()->blockCount(), bound);
    EXPECT_EQ(window.LogMemo->document()->firstBlock().text(), Line(5));
    EXPECT_EQ(window.LogMemo->document()->lastBlock().text(), Line(bound + 4));

    // Shown, each line goes in at once, and the oldest go out.
    window.AppendLine(Line(bound + 5).toStdString());
    EXPECT_EQ(window.LogMemo->document()->lastBlock().text(), Line(bound + 5));
    EXPECT_EQ(window.LogMemo->document()->firstBlock().text(), Line(6));

    // Hidden again and shown: the lines in between follow in order.
    window.hide();
    window.AppendLine(Line(bound + 6).toStdString());
    window.AppendLine(Line(bound + 7).toStdString());
    window.show();
    EXPECT_EQ(window.LogMemo->document()->blockCount(), bound);
    EXPECT_EQ(window.LogMemo->document()->lastBlock().previous().text(), Line(bound + 6));
    EXPECT_EQ(window.LogMemo->document()->lastBlock().text(), Line(bound + 7));
}

}  // namespace
}  // namespace torvane

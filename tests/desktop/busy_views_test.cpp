// SPDX-License-Identifier: GPL-2.0-or-later
// Windows under a stream of messages: the user list repaints only the rows
// that changed yet shows exactly the table, and the log window keeps no more
// lines than the log itself.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTextBlock>
#include <string>
#include <vector>

#include "desktop/logf.h"
#include "desktop/usermodel.h"
#include "notify/log.h"
#include "platform/clock.h"

namespace torvane {
namespace {

std::vector<UserRow> ShownRows(const UserListModel& model) {
    std::vector<UserRow> rows;
    for (int i = 0; i < model.rowCount(); ++i) {
        auto cell = [&](int column) { return model.index(i, column).data().toString().toStdString(); };
        rows.push_back({cell(0), cell(1), cell(2)});
    }
    return rows;
}

std::vector<UserRow> TableRows(const UserTable& table) {
    std::vector<UserRow> rows;
    for (const User& user : table) rows.push_back(ListRow(user));
    return rows;
}

User Someone(int i, int64_t seen) {
    User user;
    user.Name = "User" + std::to_string(i);
    user.Address = "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
    user.Status = PeerStatus::Ready;
    user.Message = "here";
    user.LastSeen = seen;
    return user;
}

TEST(UserList, FollowsAStreamOfAnnouncementsAndRepaintsOnlyTheRowsThatChanged) {
    UserTable table;
    for (int i = 0; i < 3; ++i) table.Store(Someone(i, 0));
    UserListModel model;
    EXPECT_EQ(model.rowCount(), 0);  // no table yet
    model.Follow(table);
    table.Subscribe(model);
    EXPECT_EQ(ShownRows(model), TableRows(table));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Message");

    for (int i = 3; i < static_cast<int>(UserTable::kMaxUsers); ++i)
        table.Store(Someone(i, i < 100 ? 0 : 20));
    ASSERT_EQ(ShownRows(model), TableRows(table));

    QSignalSpy repainted(&model, &QAbstractItemModel::dataChanged);
    User renamed = Someone(7, 0);
    renamed.Name = "Renamed";
    renamed.Status = PeerStatus::Busy;
    table.Store(renamed);
    ASSERT_EQ(repainted.count(), 1);
    EXPECT_EQ(repainted[0][0].value<QModelIndex>().row(), 7);
    EXPECT_EQ(ShownRows(model)[7], (UserRow{"Renamed", "Busy", "here"}));
    // A user renewed, or changed where the list does not show it: no repaint.
    User renewed = Someone(8, 5);
    renewed.Skill = 2;
    table.Store(renewed);
    EXPECT_EQ(repainted.count(), 1);

    // Users that expired leave from the middle, new ones come after.
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    table.Expire(31);
    EXPECT_EQ(removed.count(), 99);  // the first hundred but the renewed one
    EXPECT_EQ(ShownRows(model), TableRows(table));
    EXPECT_EQ(ShownRows(model)[0].Name, "User8");
    table.Store(Someone(300, 31));
    EXPECT_EQ(ShownRows(model), TableRows(table));
    table.Expire(100);
    EXPECT_EQ(model.rowCount(), 0);
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

// SPDX-License-Identifier: GPL-2.0-or-later
// The users window and the challenge dialog: what their widgets could get
// wrong between the logic and the screen. The selection that must follow a
// user across a refresh, the info pane that goes with the selected user,
// Say and Shout from the keyboard, the stored panel sizes, and a second
// challenge replacing the first.

#include <gtest/gtest.h>

#include <QTest>

#include "desktop/suggest.h"
#include "desktop/userform.h"
#include "peers/peer_fakes.h"
#include "platform/clock.h"

namespace torvane {
namespace {

using fakes::Journal;

struct RecordingChat final : ChatSender {
    std::vector<std::string> sent;
    void SendChat(const std::string& text, char kind) override {
        sent.push_back(std::string(1, kind) + text);
    }
};

struct UsersRig {
    UsersRig() : users(table, window, chat, settings, host, clock) { window.Attach(&users); }

    void Announce(const std::string& name, const std::string& address, PeerStatus status) {
        User user;
        user.Name = name;
        user.Address = address;
        user.Status = status;
        user.Message = name + " here";
        user.LastSeen = clock.CalendarSeconds();
        table.Store(user);
    }
    // A click on row `row` of the user list, where the user clicks.
    void ClickRow(int row) {
        const QModelIndex index = window.UserListView->model()->index(row, 0);
        ASSERT_TRUE(index.isValid());
        const QRect place = window.UserListView->visualRect(index);
        QTest::mouseClick(window.UserListView->viewport(), Qt::LeftButton, {}, place.center());
    }
    // Cell `column` of row `row` of a list as it shows it.
    static QString Cell(const QTreeView* list, int row, int column) {
        return list->model()->index(row, column).data().toString();
    }
    int UserRows() const { return window.UserListView->model()->rowCount(); }
    QString InfoValue(const QString& caption) const {
        const auto found = window.InfoListView->findItems(caption, Qt::MatchExactly, 0);
        return found.isEmpty() ? QString("(none)") : found.first()->text(1);
    }

    Journal journal;
    UserTable table;
    UsersWindow window;
    RecordingChat chat;
    fakes::FakeSettings settings;
    fakes::FakeHost host;
    ManualClock clock;
    TUsers users;
};

TEST(UsersWindow, TheSelectedUserStaysSelectedAcrossARefreshAndItsExpiryHidesTheInfoPane) {
    UsersRig rig;
    rig.window.show();
    rig.clock.SetCalendarSeconds(1000);
    rig.Announce("Ranger", "10.99.0.11", PeerStatus::Ready);
    rig.clock.SetCalendarSeconds(1010);
    rig.Announce("Phobos", "10.99.0.12", PeerStatus::Playing);
    rig.users.Refresh();
    EXPECT_TRUE(rig.window.InfoListView->isHidden());

    rig.ClickRow(1);
    EXPECT_FALSE(rig.window.InfoListView->isHidden());
    EXPECT_EQ(rig.InfoValue("Name"), "Phobos");
    EXPECT_EQ(rig.InfoValue("Status"), "Fragging");
    EXPECT_EQ(UsersRig::Cell(rig.window.UserListView, 1, 1), "Playing");

    // Ranger expires: Phobos moves up a row and stays the one selected.
    rig.clock.SetCalendarSeconds(1031);
    rig.users.Refresh();
    ASSERT_EQ(rig.UserRows(), 1);
    EXPECT_EQ(UsersRig::Cell(rig.window.UserListView, 0, 0), "Phobos");
    EXPECT_EQ(rig.window.SelectedUserRow(), 0);
    EXPECT_TRUE(rig.window.UserListView->selectionModel()->isRowSelected(0));
    EXPECT_EQ(rig.users.SelectedRow(), 0u);
    EXPECT_EQ(rig.InfoValue("IP"), "10.99.0.12");
    EXPECT_FALSE(rig.window.InfoListView->isHidden());

    // Phobos expires too: nothing selected, the pane and its splitter gone.
    rig.clock.SetCalendarSeconds(1041);
    rig.users.Refresh();
    EXPECT_EQ(rig.UserRows(), 0);
    EXPECT_EQ(rig.window.SelectedUserRow(), -1);
    EXPECT_TRUE(rig.window.InfoListView->isHidden());
    EXPECT_EQ(rig.window.InfoListView->topLevelItemCount(), 0);
    EXPECT_EQ(rig.window.VSplitter->handle(1)->isVisible(), false);
}

TEST(UsersWindow, EnterSaysAndEscapeShoutsLeavingTheTextSelected) {
    UsersRig rig;
    rig.window.show();
    QLineEdit* edit = rig.window.MessageEdit;
    EXPECT_EQ(edit->text(), "Hi there!");
    edit->setFocus();
    edit->deselect();
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(rig.chat.sent, (std::vector<std::string>{"MHi there!", "SHi there!"}));
    EXPECT_EQ(edit->text(), "Hi there!");
    EXPECT_EQ(edit->selectedText(), "Hi there!");
    EXPECT_TRUE(rig.window.isVisible());  // Escape shouted; it did not close the window

    // The chat list keeps one line less than the limit once full.
    rig.settings.max_chat_lines = 5;
    for (int i = 0; i < 7; ++i) rig.users.AddChatLine("Ranger", "line " + std::to_string(i));
    ASSERT_EQ(rig.window.MessageListView->model()->rowCount(), 4);
    EXPECT_EQ(UsersRig::Cell(rig.window.MessageListView, 0, 2), "line 3");
    EXPECT_EQ(UsersRig::Cell(rig.window.MessageListView, 3, 1), "14:05:09");
    EXPECT_EQ(UsersRig::Cell(rig.window.MessageListView, 3, 0), "Ranger");

    rig.window.close();
    EXPECT_FALSE(rig.window.isVisible());
    EXPECT_EQ(rig.chat.sent.size(), 2u);  // closing shouts nothing
}

TEST(UsersWindow, BuiltInAndStoredGeometryReachTheWindowAndItsPanels) {
    UsersRig rig;
    WindowGeometry taken;
    rig.window.TakePlace(taken);
    EXPECT_EQ(rig.window.windowTitle(), "Torvane Users");
    EXPECT_EQ(taken.UsersWidth, 463);
    EXPECT_EQ(taken.UsersHeight, 351);
    EXPECT_EQ(taken.UserListWidth, 230);
    EXPECT_EQ(taken.TopPanelHeight, 133);

    WindowGeometry stored;
    stored.UsersLeft = 40;
    stored.UsersTop = 50;
    stored.UsersWidth = 600;
    stored.UsersHeight = 420;
    stored.UserListWidth = 250;
    stored.TopPanelHeight = 170;
    rig.window.Place(stored);
    rig.window.show();
    rig.Announce("Ranger", "10.99.0.11", PeerStatus::Ready);
    rig.users.Refresh();
    rig.ClickRow(0);
    ASSERT_FALSE(rig.window.InfoListView->isHidden());
    QApplication::processEvents();
    EXPECT_EQ(rig.window.TopPanel->height(), 170);
    EXPECT_EQ(rig.window.InfoListView->width(), 250);

    // A splitter moved by the user is what the next save stores.
    rig.window.HSplitter->setSizes({120, 1000});
    emit rig.window.HSplitter->splitterMoved(120, 1);
    rig.window.TakePlace(taken);
    EXPECT_EQ(taken.TopPanelHeight, 120);
    EXPECT_EQ(taken.UsersWidth, 600);
    EXPECT_EQ(taken.UserListWidth, 250);
}

struct ChallengeRig {
    ChallengeRig() : form(host, services.busy, services.game) {
        form.Subscribe(dialog);
        dialog.Attach(&form);
    }
    void Receive(const std::string& who, const std::string& game, const std::string& map,
                 const std::string& time) {
        host.time_text = time;
        form.Fill({who, game, "10.99.0.12", "27911", map});
        form.Show();
    }
    Journal journal;
    fakes::FakeHost host;
    test::FakeServices services{journal};
    ChallengeDialog dialog;
    TSuggestForm form;
};

TEST(ChallengeWindow, ASecondChallengeReplacesTheFirstInTheOpenDialog) {
    ChallengeRig rig;
    EXPECT_TRUE(rig.dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(rig.dialog.isModal());
    rig.Receive("Ranger", "Friday", "q2dm1", "21:06:44");
    ASSERT_TRUE(rig.dialog.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    rig.Receive("Phobos", "Saturday", "q2dm8", "21:07:02");
    EXPECT_TRUE(rig.dialog.isVisible());
    EXPECT_EQ(rig.dialog.PlayerLabel->text(), "Phobos challenges you");
    EXPECT_EQ(rig.dialog.GameLabel->text(), "Game : Saturday");
    EXPECT_EQ(rig.dialog.MapLabel->text(), "Map : q2dm8");
    EXPECT_EQ(rig.dialog.windowTitle(), "Challenge received 21:07:02");

    rig.dialog.BitBtn1->click();
    ASSERT_EQ(rig.services.game.launched.size(), 1u);
    EXPECT_EQ(rig.services.game.launched[0].Address, "10.99.0.12");
    EXPECT_EQ(rig.services.game.launched[0].Port, "27911");
    EXPECT_FALSE(rig.dialog.isVisible());
}

TEST(ChallengeWindow, EnterAndEscapeIgnoreAndBusyChecksTheBox) {
    ChallengeRig rig;
    rig.Receive("Ranger", "Friday", "q2dm1", "21:06:44");
    QTest::keyClick(&rig.dialog, Qt::Key_Return);
    EXPECT_FALSE(rig.dialog.isVisible());
    rig.Receive("Ranger", "Friday", "q2dm1", "21:06:50");
    QTest::keyClick(&rig.dialog, Qt::Key_Escape);
    EXPECT_FALSE(rig.dialog.isVisible());
    EXPECT_TRUE(rig.services.game.launched.empty());

    rig.Receive("Ranger", "Friday", "q2dm1", "21:07:00");
    rig.dialog.BitBtn3->click();
    EXPECT_TRUE(rig.services.busy.busy);
    EXPECT_FALSE(rig.dialog.isVisible());
}

}  // namespace
}  // namespace torvane

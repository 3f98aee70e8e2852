// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/userform.h"

#include <gtest/gtest.h>

#include "peer_fakes.h"

namespace torvane {
namespace {

using fakes::PeerRig;

class UsersWindowTest : public testing::Test {
protected:
    void Announce(const std::string& name, const std::string& address, const std::string& fields = "\tBR") {
        rig.Info("TVNINFO\tA" + name + fields, address);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const UserRow& row : rig.users_view.user_rows) names.push_back(row.Name);
        return names;
    }

    PeerRig rig;
    TUsers& users = rig.protocol.UsersWindow();
    fakes::FakeUsersView& view = rig.users_view;
};

TEST_F(UsersWindowTest, ThirtySecondsStaysThirtyOneGoesAndSeveralGoInOnePass) {
    Announce("Ann", "192.0.2.1");
    Announce("Bob", "192.0.2.2");
    Announce("Cid", "192.0.2.3");
    rig.clock.AdvanceSeconds(1);
    Announce("Dee", "192.0.2.4");
    rig.clock.AdvanceSeconds(29);
    users.Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ann", "Bob", "Cid", "Dee"}));
    rig.clock.AdvanceSeconds(1);
    users.Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Dee"}));
    EXPECT_EQ(rig.protocol.Users().size(), 1u);
}

TEST_F(UsersWindowTest, SelectionFollowsTheUserWhenAnEarlierOneExpires) {
    Announce("Ann", "192.0.2.1");
    rig.clock.AdvanceSeconds(5);
    Announce("Bob", "192.0.2.2", "\tBP\tCin game\tH2\tL2.13\tMbobbox\tNBob B.");
    view.SelectUserRow(1);
    users.UserListViewClick();
    rig.clock.AdvanceSeconds(26);  // Ann is now 31 seconds old
    users.Refresh();
    EXPECT_EQ(Names(), std::vector<std::string>{"Bob"});
    EXPECT_EQ(view.selected, 0);
    EXPECT_TRUE(view.info_visible);
    EXPECT_EQ(view.info_rows, (std::vector<InfoRow>{{"Name", "Bob"},
                                                    {"IP", "192.0.2.2"},
                                                    {"Status", "Fragging"},
                                                    {"Message", "in game"},
                                                    {"Skill", "Liar"},
                                                    {"TVN Version", "2.13"},
                                                    {"Compname", "bobbox"},
                                                    {"Realname", "Bob B."}}));
    EXPECT_EQ(view.user_rows[0], (UserRow{"Bob", "Playing", "in game"}));
}

TEST_F(UsersWindowTest, SelectedUserExpiringLeavesNothingSelectedAndTheInfoPaneHidden) {
    Announce("Ann", "192.0.2.1");
    view.SelectUserRow(0);
    users.UserListViewClick();
    ASSERT_TRUE(view.info_visible);
    rig.clock.AdvanceSeconds(31);
    users.Refresh();
    EXPECT_EQ(view.selected, -1);
    EXPECT_FALSE(view.info_visible);
    EXPECT_TRUE(view.info_rows.empty());
}

TEST_F(UsersWindowTest, TwoUsersOfOneNameSelectTheFirst) {
    Announce("Sam", "192.0.2.1");
    Announce("Sam", "192.0.2.2");
    view.SelectUserRow(1);
    users.Refresh();
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(view.info_rows.at(1).Value, "192.0.2.1");
}

TEST_F(UsersWindowTest, UnknownStatusAndSkillShowNoWords) {
    Announce("Ann", "192.0.2.1", "\tBQ\tCwho knows\tH7");
    Announce("Bob", "192.0.2.2", "\tBB\tHabc");
    Announce("Cid", "192.0.2.3", "\tBR\tH1");
    EXPECT_EQ(view.user_rows[0], (UserRow{"Ann", "", "who knows"}));
    EXPECT_EQ(view.user_rows[1].Status, "Busy");
    EXPECT_EQ(view.user_rows[2].Status, "Ready");

    view.SelectUserRow(0);
    users.UserListViewClick();
    EXPECT_EQ(view.info_rows.at(2), (InfoRow{"Status", ""}));
    EXPECT_EQ(view.info_rows.at(3), (InfoRow{"Message", "who knows"}));
    EXPECT_EQ(view.info_rows.at(4), (InfoRow{"Skill", ""}));
    view.SelectUserRow(1);
    users.UserListViewClick();
    EXPECT_EQ(view.info_rows.at(4), (InfoRow{"Skill", "Newbie"}));
    view.SelectUserRow(2);
    users.UserListViewClick();
    EXPECT_EQ(view.info_rows.at(4), (InfoRow{"Skill", "Veteran"}));
}

TEST_F(UsersWindowTest, ChatListKeepsOneLineLessThanTheSettingOnceFull) {
    rig.settings.max_chat_lines = 5;
    for (int i = 1; i <= 4; ++i) users.AddChatLine("Ann", "line " + std::to_string(i));
    EXPECT_EQ(view.chat_rows.size(), 4u);
    users.AddChatLine("Ann", "line 5");
    EXPECT_EQ(view.chat_rows.size(), 4u);
    EXPECT_EQ(view.chat_rows.front().text, "line 2");
    for (int i = 6; i <= 9; ++i) users.AddChatLine("Ann", "line " + std::to_string(i));
    EXPECT_EQ(view.chat_rows.size(), 4u);
    EXPECT_EQ(view.chat_rows.front().text, "line 6");
    EXPECT_EQ(view.chat_rows.back().text, "line 9");
    EXPECT_EQ(view.chat_rows.back().time, "14:05:09");
}

TEST_F(UsersWindowTest, LoweringTheSettingTrimsTheChatAtTheNextLine) {
    rig.settings.max_chat_lines = 20;
    for (int i = 0; i < 15; ++i) users.AddChatLine("Ann", "old");
    rig.settings.max_chat_lines = 5;
    users.AddChatLine("Ann", "new");
    EXPECT_EQ(view.chat_rows.size(), 4u);
    EXPECT_EQ(users.ChatLineCount(), 4u);
    EXPECT_EQ(view.chat_rows.back().text, "new");
    // Out-of-range settings are held to the dialog's bounds.
    rig.settings.max_chat_lines = 0;
    users.AddChatLine("Ann", "again");
    EXPECT_EQ(view.chat_rows.size(), 4u);
}

TEST_F(UsersWindowTest, SayAndShoutSendTheEditTextAndSelectIt) {
    view.message_text = "gg all";
    users.Button1Click();
    EXPECT_TRUE(view.message_selected);
    users.Button2Click();
    EXPECT_EQ(rig.sender.sent,
              (std::vector<std::string>{"TVNMESSPlayer\tMgg all", "TVNMESSPlayer\tSgg all"}));
    EXPECT_EQ(view.message_text, "gg all");
    // The sender's own list shows a line only when its broadcast comes back.
    EXPECT_TRUE(view.chat_rows.empty());
}

}  // namespace
}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/userform.h"

#include <gtest/gtest.h>

#include <algorithm>

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
        for (const UserRow& row : rig.mirror.rows) names.push_back(row.Name);
        return names;
    }
    // What a face that follows the announcements shows is what the table
    // and the chat hold.
    void ExpectMirrorInStep() const {
        EXPECT_EQ(rig.mirror.rows, rig.UserRows());
        EXPECT_TRUE(std::equal(rig.mirror.chat.begin(), rig.mirror.chat.end(), users.Chat().begin(),
                               users.Chat().end()));
    }
    bool InfoVisible() const { return !users.Info().empty(); }

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
    fakes::UserEventLog log(users);
    users.Table().Subscribe(log);
    users.Subscribe(log);
    users.Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Dee"}));
    EXPECT_EQ(rig.protocol.Users().size(), 1u);
    // Each user that went is announced at its place at that moment, before
    // the refresh is.
    EXPECT_EQ(log.events, (std::vector<std::string>{"removed 0", "removed 0", "removed 0", "refreshed",
                                                    "selected none"}));
    ExpectMirrorInStep();
}

TEST_F(UsersWindowTest, AnnouncementsTellWhatChangedInTheUsersEntry) {
    fakes::UserEventLog log(users);
    users.Table().Subscribe(log);
    Announce("Ann", "192.0.2.1", "\tBR\tChi\tH1");
    Announce("Bob", "192.0.2.2");
    Announce("Ann", "192.0.2.1", "\tBR\tChi\tH1");         // only renewed
    Announce("Ann", "192.0.2.1", "\tBB\tCgone\tH1");       // status and message
    Announce("Anna", "192.0.2.1", "\tBB\tCgone\tH2");      // name and skill
    Announce("Anna", "192.0.2.1", "\tBB\tCgone\tH2\tL9");  // version
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"added 0", "added 1", "changed 0", "changed 0 status message",
                                        "changed 0 name details", "changed 0 details"}));
    ExpectMirrorInStep();
    EXPECT_EQ(rig.mirror.rows[0], (UserRow{"Anna", "Busy", "gone"}));
}

TEST_F(UsersWindowTest, SelectionFollowsTheUserWhenAnEarlierOneExpires) {
    Announce("Ann", "192.0.2.1");
    rig.clock.AdvanceSeconds(5);
    Announce("Bob", "192.0.2.2", "\tBP\tCin game\tH2\tL2.13\tMbobbox\tNBob B.");
    users.UserListViewClick(1);
    rig.clock.AdvanceSeconds(26);  // Ann is now 31 seconds old
    users.Refresh();
    EXPECT_EQ(Names(), std::vector<std::string>{"Bob"});
    EXPECT_EQ(users.SelectedRow(), 0u);
    EXPECT_EQ(users.Info(), (std::vector<InfoRow>{{"Name", "Bob"},
                                                  {"IP", "192.0.2.2"},
                                                  {"Status", "Fragging"},
                                                  {"Message", "in game"},
                                                  {"Skill", "Liar"},
                                                  {"TVN Version", "2.13"},
                                                  {"Compname", "bobbox"},
                                                  {"Realname", "Bob B."}}));
    EXPECT_EQ(rig.mirror.rows[0], (UserRow{"Bob", "Playing", "in game"}));
}

TEST_F(UsersWindowTest, SelectedUserExpiringLeavesNothingSelectedAndTheInfoPaneHidden) {
    Announce("Ann", "192.0.2.1");
    users.UserListViewClick(0);
    ASSERT_TRUE(InfoVisible());
    rig.clock.AdvanceSeconds(31);
    users.Refresh();
    EXPECT_EQ(users.SelectedRow(), std::nullopt);
    EXPECT_FALSE(InfoVisible());
    ExpectMirrorInStep();
    EXPECT_TRUE(rig.mirror.rows.empty());
}

TEST_F(UsersWindowTest, ARenamedUserLosesTheSelectionAndAClickPastTheListSelectsNothing) {
    Announce("Ann", "192.0.2.1");
    Announce("Bob", "192.0.2.2");
    users.UserListViewClick(1);
    Announce("Bobby", "192.0.2.2");
    EXPECT_EQ(users.SelectedRow(), std::nullopt);
    EXPECT_FALSE(InfoVisible());

    users.UserListViewClick(0);
    users.UserListViewClick(2);
    EXPECT_EQ(users.SelectedRow(), std::nullopt);
    EXPECT_FALSE(InfoVisible());
    // Nothing was selected at the refresh: nothing is after it.
    Announce("Ann", "192.0.2.1");
    EXPECT_EQ(users.SelectedRow(), std::nullopt);
}

TEST_F(UsersWindowTest, TwoUsersOfOneNameSelectTheFirst) {
    Announce("Sam", "192.0.2.1");
    Announce("Sam", "192.0.2.2");
    users.UserListViewClick(1);
    users.Refresh();
    EXPECT_EQ(users.SelectedRow(), 0u);
    EXPECT_EQ(users.Info().at(1).Value, "192.0.2.1");
}

TEST_F(UsersWindowTest, UnknownStatusAndSkillShowNoWords) {
    Announce("Ann", "192.0.2.1", "\tBQ\tCwho knows\tH7");
    Announce("Bob", "192.0.2.2", "\tBB\tHabc");
    Announce("Cid", "192.0.2.3", "\tBR\tH1");
    EXPECT_EQ(rig.mirror.rows[0], (UserRow{"Ann", "", "who knows"}));
    EXPECT_EQ(rig.mirror.rows[1].Status, "Busy");
    EXPECT_EQ(rig.mirror.rows[2].Status, "Ready");

    users.UserListViewClick(0);
    EXPECT_EQ(users.Info().at(2), (InfoRow{"Status", ""}));
    EXPECT_EQ(users.Info().at(3), (InfoRow{"Message", "who knows"}));
    EXPECT_EQ(users.Info().at(4), (InfoRow{"Skill", ""}));
    users.UserListViewClick(1);
    EXPECT_EQ(users.Info().at(4), (InfoRow{"Skill", "Newbie"}));
    users.UserListViewClick(2);
    EXPECT_EQ(users.Info().at(4), (InfoRow{"Skill", "Veteran"}));
}

TEST_F(UsersWindowTest, ChatListKeepsOneLineLessThanTheSettingOnceFull) {
    rig.settings.max_chat_lines = 5;
    for (int i = 1; i <= 4; ++i) users.AddChatLine("Ann", "line " + std::to_string(i));
    EXPECT_EQ(rig.mirror.chat.size(), 4u);
    users.AddChatLine("Ann", "line 5");
    EXPECT_EQ(rig.mirror.chat.size(), 4u);
    EXPECT_EQ(rig.mirror.chat.front().Text, "line 2");
    for (int i = 6; i <= 9; ++i) users.AddChatLine("Ann", "line " + std::to_string(i));
    EXPECT_EQ(rig.mirror.chat.size(), 4u);
    EXPECT_EQ(rig.mirror.chat.front().Text, "line 6");
    EXPECT_EQ(rig.mirror.chat.back().Text, "line 9");
    EXPECT_EQ(rig.mirror.chat.back().Time, "14:05:09");
    ExpectMirrorInStep();
}

TEST_F(UsersWindowTest, LoweringTheSettingTrimsTheChatAtTheNextLine) {
    rig.settings.max_chat_lines = 20;
    for (int i = 0; i < 15; ++i) users.AddChatLine("Ann", "old");
    rig.settings.max_chat_lines = 5;
    users.AddChatLine("Ann", "new");
    EXPECT_EQ(rig.mirror.chat.size(), 4u);
    EXPECT_EQ(users.ChatLineCount(), 4u);
    EXPECT_EQ(rig.mirror.chat.back().Text, "new");
    // Out-of-range settings are held to the dialog's bounds.
    rig.settings.max_chat_lines = 0;
    users.AddChatLine("Ann", "again");
    EXPECT_EQ(rig.mirror.chat.size(), 4u);
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
    EXPECT_TRUE(rig.mirror.chat.empty());
}

}  // namespace
}  // namespace torvane

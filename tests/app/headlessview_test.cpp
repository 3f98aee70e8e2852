// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/headlessview.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "peers/peer_fakes.h"

namespace torvane {
namespace {

// torvane-headless's output, caught in memory.
class Output {
public:
    Output() : file_(open_memstream(&buffer_, &size_)) {}
    ~Output() {
        std::fclose(file_);
        std::free(buffer_);
    }
    std::FILE* File() { return file_; }
    // What was written since the last call.
    std::string Take() {
        std::fflush(file_);
        std::string text(buffer_ + taken_, size_ - taken_);
        taken_ = size_;
        return text;
    }

private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
    size_t taken_ = 0;
    std::FILE* file_;
};

struct NoChat final : ChatSender {
    void SendChat(const std::string&, char) override {}
};

// A users window's logic over its own table, followed by the view.
struct UsersRig {
    explicit UsersRig(HeadlessView& view) : users(table, view, chat, settings, host, clock) {
        users.Subscribe(view);
        view.Watch(users);
    }
    void Announce(const std::string& name, const std::string& address, PeerStatus status,
                  const std::string& message) {
        User user;
        user.Name = name;
        user.Address = address;
        user.Status = status;
        user.Message = message;
        user.LastSeen = clock.CalendarSeconds();
        table.Store(user);
        users.Refresh();
    }

    fakes::Journal journal;
    UserTable table;
    NoChat chat;
    fakes::FakeSettings settings;
    fakes::FakeHost host;
    ManualClock clock;
    TUsers users;
};

TEST(HeadlessView, WritesTheUserRowsThatChangedAndTheCountWhenItChanges) {
    Output out;
    HeadlessView view(out.File());
    UsersRig rig(view);
    rig.clock.SetCalendarSeconds(100);
    rig.Announce("Ann", "10.0.0.1", PeerStatus::Ready, "hi");
    EXPECT_EQ(out.Take(), "users: 1\nuser: 0 | Ann (Ready) hi\n");
    rig.clock.SetCalendarSeconds(101);
    rig.Announce("Bob", "10.0.0.2", PeerStatus::Busy, "later");
    EXPECT_EQ(out.Take(), "users: 2\nuser: 1 | Bob (Busy) later\n");
    rig.Announce("Bob", "10.0.0.2", PeerStatus::Playing, "later");
    EXPECT_EQ(out.Take(), "user: 1 | Bob (Playing) later\n");
    rig.Announce("Bob", "10.0.0.2", PeerStatus::Playing, "later");
    EXPECT_EQ(out.Take(), "");
    // Ann expired: Bob moves up, and the count tells the last row is gone.
    rig.clock.SetCalendarSeconds(131);
    rig.users.Refresh();
    EXPECT_EQ(out.Take(), "users: 1\nuser: 0 | Bob (Playing) later\n");

    // A selected user's info pane is written at each refresh that keeps it.
    rig.users.UserListViewClick(0);
    EXPECT_EQ(
        out.Take(),
        "info: Name Bob | IP 10.0.0.2 | Status Fragging | Message later | Skill Newbie | TVN Version  | "
        "Compname  | Realname \n");
    rig.users.UserListViewClick(std::nullopt);
    EXPECT_EQ(out.Take(), "");
}

TEST(HeadlessView, ControlCharactersFromTheNetworkAreEscapedSoEachChangeIsOneLine) {
    Output out;
    HeadlessView view(out.File());
    UsersRig rig(view);
    rig.host.time_text = "12:00:00";
    const char chat[] = "hi\nthere\x1B[2K\xC2\x85x\xE2\x80\xA8y\x7F\0z";
    rig.users.AddChatLine("Bob\r", std::string(chat, sizeof chat - 1));
    EXPECT_EQ(out.Take(),
              "chat: Bob\\x0D | 12:00:00 | hi\\x0Athere\\x1B[2K\xC2\\x85x\xE2\\x80\xA8y\\x7F\\x00z\n");
}

TEST(HeadlessView, AChallengeIsWrittenWithItsCaptionFirstAndItsAnswerClosesIt) {
    Output out;
    HeadlessView view(out.File());
    fakes::Journal journal;
    fakes::FakeHost host;
    host.time_text = "21:06:44";
    test::FakeServices services(journal);
    TSuggestForm form(host, services.busy, services.game);
    form.Subscribe(view);
    form.Fill({"Ann", "Arena", "10.99.0.12", "27910", "q2dm1"});
    form.Show();
    EXPECT_EQ(out.Take(),
              "challenge: Challenge received 21:06:44 | Ann challenges you | Game : Arena | Map : q2dm1\n");
    form.BitBtn2Click();
    EXPECT_EQ(out.Take(), "challenge: hidden\n");
}

}  // namespace
}  // namespace torvane

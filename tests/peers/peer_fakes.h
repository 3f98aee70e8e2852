// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Recording fakes of everything the peer protocol talks to, shared by the
// tests and the fuzz targets. Every call is written to one journal, so that
// tests can check the order of what happened.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../support/fake_services.h"
#include "peers/peerprotocol.h"
#include "platform/clock.h"
#include "platform/computername.h"

namespace torvane::fakes {

using Journal = test::Journal;

struct FakeSettings final : PeerSettings {
    std::string player_name = "Player";
    int paranoia = 1;
    int skill = 1;
    std::string busy_message = "Busy, do not disturb";
    std::string ready_message = "Ready to kick some ass";
    std::string playing_message = "Fragging";
    bool shout_popup = true;
    std::string shout_sound = "shout.wav";
    std::string message_sound = "message.wav";
    std::string suggest_sound = "suggest.wav";
    int max_chat_lines = 20;

    std::string PlayerName() const override { return player_name; }
    int Paranoia() const override { return paranoia; }
    int Skill() const override { return skill; }
    std::string BusyMessage() const override { return busy_message; }
    std::string ReadyMessage() const override { return ready_message; }
    std::string PlayingMessage() const override { return playing_message; }
    bool ShoutPopUp() const override { return shout_popup; }
    std::string ShoutSound() const override { return shout_sound; }
    std::string MessageSound() const override { return message_sound; }
    std::string SuggestSound() const override { return suggest_sound; }
    int MaxChatLines() const override { return max_chat_lines; }
};

struct FakeSender final : BroadcastSender {
    std::vector<std::string> sent;
    std::function<void()> on_send;  // lets a test look at the state at sending time

    void SendIfConnected(std::string_view datagram) override {
        sent.emplace_back(datagram);
        if (on_send) on_send();
    }
};

struct FakeComputerName final : ComputerName {
    std::optional<std::string> name = "gamebox";
    std::optional<std::string> Read() const override { return name; }
};

struct FakeHost final : PeerHost {
    std::optional<size_t> selected_host;
    std::vector<TQuakeServer> hosts;
    std::string time_text = "14:05:09";
    std::string own_address = "192.168.0.9";

    bool IsOwnAddress(const std::string& address) const override { return address == own_address; }
    std::string LongTimeText() const override { return time_text; }
    std::optional<size_t> SelectedHostRow() const override { return selected_host; }
    size_t HostCount() const override { return hosts.size(); }
    const TQuakeServer& HostAt(size_t index) const override { return hosts.at(index); }
};

struct FakeUsersView final : UsersView {
    explicit FakeUsersView(Journal& journal) : journal(journal) {}

    Journal& journal;
    std::string message_text = "Hi there!";
    bool message_selected = false;

    std::string MessageText() const override { return message_text; }
    void SelectAllMessageText() override { message_selected = true; }
    void PopUp() override { journal.push_back("UsersPopUp"); }
};

// The user table's and the users window's announcements, a line each:
// "added 0", "changed 1 status message", "removed 0", "refreshed",
// "selected 1" or "selected none", "chat+ 3", "chat- 0".
struct UserEventLog final : UserTableListener, UsersListener {
    explicit UserEventLog(const TUsers& users) : users(users) {}

    const TUsers& users;
    std::vector<std::string> events;

    void UserAdded(size_t index) override { events.push_back("added " + std::to_string(index)); }
    void UserChanged(size_t index, unsigned what) override {
        std::string text = "changed " + std::to_string(index);
        if (what & kUserChangedName) text += " name";
        if (what & kUserChangedStatus) text += " status";
        if (what & kUserChangedMessage) text += " message";
        if (what & kUserChangedDetails) text += " details";
        events.push_back(text);
    }
    void UserRemoved(size_t index) override { events.push_back("removed " + std::to_string(index)); }
    void UsersRefreshed() override { events.push_back("refreshed"); }
    void SelectionChanged() override {
        const auto row = users.SelectedRow();
        events.push_back("selected " + (row ? std::to_string(*row) : std::string("none")));
    }
    void ChatLineAdded(size_t index) override { events.push_back("chat+ " + std::to_string(index)); }
    void ChatLineRemoved(size_t index) override { events.push_back("chat- " + std::to_string(index)); }
};

// A face that follows the announcements alone: the user list's rows kept
// by the user table's events and the chat lines by the users window's, so
// that a test can hold them against the table and the chat themselves. Each
// chat line also goes to the journal as it is added, "Chat NAME: TEXT",
// where its order beside sounds and pop-ups shows.
struct UsersMirror final : UserTableListener, UsersListener {
    UsersMirror(Journal& journal, const TUsers& users) : journal(journal), users(users) {}

    Journal& journal;
    const TUsers& users;
    std::vector<UserRow> rows;
    std::vector<ChatRow> chat;

    void UserAdded(size_t index) override {
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(index), ListRow(users.Table()[index]));
    }
    void UserChanged(size_t index, unsigned what) override {
        if (what & (kUserChangedName | kUserChangedStatus | kUserChangedMessage))
            rows.at(index) = ListRow(users.Table()[index]);
    }
    void UserRemoved(size_t index) override { rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index)); }
    void ChatLineAdded(size_t index) override {
        const ChatRow& row = users.Chat().at(index);
        chat.insert(chat.begin() + static_cast<std::ptrdiff_t>(index), row);
        journal.push_back("Chat " + row.Name + ": " + row.Text);
    }
    void ChatLineRemoved(size_t index) override {
        chat.erase(chat.begin() + static_cast<std::ptrdiff_t>(index));
    }
};

struct FakeSuggestView final : ChallengeListener {
    explicit FakeSuggestView(Journal& journal) : journal(journal) {}

    Journal& journal;
    std::string player_label, game_label, map_label, caption;
    bool visible = false;

    void ChallengeShown(const ChallengeLabels& labels) override {
        player_label = labels.Player;
        game_label = labels.Game;
        map_label = labels.Map;
        caption = labels.Caption;
        visible = true;
        journal.push_back("SuggestShow");
    }
    void ChallengeHidden() override { visible = false; }
};

// Everything wired together, with a manual clock.
struct PeerRig {
    Journal journal;
    FakeSettings settings;
    FakeHost host;
    test::FakeServices services{journal};
    FakeSender sender;
    FakeComputerName computer_name;
    ManualClock clock;
    FakeUsersView users_view{journal};
    FakeSuggestView suggest_view{journal};
    PeerProtocol protocol{settings,      host,  services.Get(), sender,
                          computer_name, clock, users_view,     suggest_view};
    UsersMirror mirror{journal, protocol.UsersWindow()};

    PeerRig() {
        // The launcher's detection makes this copy Playing when it sees the game.
        services.game.on_asked = [this] {
            if (services.game.running) protocol.SetOwnStatus(PeerStatus::Playing);
        };
        protocol.UsersWindow().Table().Subscribe(mirror);
        protocol.UsersWindow().Subscribe(mirror);
    }

    // The user list as a face would show it, row by row.
    std::vector<UserRow> UserRows() const {
        std::vector<UserRow> rows;
        for (const User& user : protocol.Users()) rows.push_back(ListRow(user));
        return rows;
    }

    void Info(const std::string& datagram, const std::string& from) {
        protocol.ReceiveInfo(datagram.data(), static_cast<int>(datagram.size()), from);
    }
    void Chat(const std::string& datagram, const std::string& from = "192.0.2.2") {
        protocol.ReceiveChat(datagram.data(), static_cast<int>(datagram.size()), from);
    }
    void Challenge(const std::string& datagram, const std::string& from = "192.0.2.2") {
        protocol.ReceiveChallenge(datagram.data(), static_cast<int>(datagram.size()), from);
    }
    void StatusRequest(const std::string& datagram = "TVNSTAT", const std::string& from = "192.0.2.2") {
        protocol.ReceiveStatusRequest(datagram.data(), static_cast<int>(datagram.size()), from);
    }
};

}  // namespace torvane::fakes

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

#include "peers/peerprotocol.h"
#include "platform/clock.h"
#include "platform/computername.h"

namespace torvane::fakes {

using Journal = std::vector<std::string>;

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
    explicit FakeHost(Journal& journal) : journal(journal) {}

    Journal& journal;
    bool busy = false;
    bool game_running = false;
    // What the launcher's detection does to OwnStatus when it sees the game.
    PeerProtocol* protocol = nullptr;
    std::optional<size_t> selected_host;
    std::vector<TQuakeServer> hosts;
    std::string time_text = "14:05:09";
    std::vector<std::string> log_lines;
    std::string own_address = "192.168.0.9";

    bool BusyChecked() const override { return busy; }
    void CheckBusy() override {
        busy = true;
        journal.push_back("CheckBusy");
    }
    bool IsGameRunning() override {
        journal.push_back("IsGameRunning");
        if (game_running && protocol) protocol->SetOwnStatus(PeerStatus::Playing);
        return game_running;
    }
    bool IsOwnAddress(const std::string& address) const override { return address == own_address; }
    void SetStatusPanel1(const std::string& text) override { journal.push_back("Panel1 " + text); }
    void AddLogLine(const std::string& text) override {
        log_lines.push_back(text);
        journal.push_back("Log " + text);
    }
    void PlayEventSound(const std::string& path) override { journal.push_back("Sound " + path); }
    std::string LongTimeText() const override { return time_text; }
    std::optional<size_t> SelectedHostRow() const override { return selected_host; }
    size_t HostCount() const override { return hosts.size(); }
    const TQuakeServer& HostAt(size_t index) const override { return hosts.at(index); }
    void LaunchGame(const TQuakeServer& server) override {
        launched.push_back(server);
        journal.push_back("LaunchGame " + server.HostName + " " + server.Address + ":" + server.Port);
    }
    std::vector<TQuakeServer> launched;
};

struct FakeUsersView final : UsersView {
    explicit FakeUsersView(Journal& journal) : journal(journal) {}

    Journal& journal;
    std::vector<UserRow> user_rows;
    int selected = -1;
    bool info_visible = false;
    std::vector<InfoRow> info_rows;
    struct ChatRow {
        std::string name, time, text;
    };
    std::vector<ChatRow> chat_rows;
    std::string message_text = "Hi there!";
    bool message_selected = false;

    void SetUserRows(const std::vector<UserRow>& rows) override {
        user_rows = rows;
        selected = -1;
    }
    int SelectedUserRow() const override { return selected; }
    void SelectUserRow(size_t row) override { selected = static_cast<int>(row); }
    void ShowInfo(const std::vector<InfoRow>& rows) override {
        info_rows = rows;
        info_visible = true;
    }
    void HideInfo() override {
        info_rows.clear();
        info_visible = false;
    }
    void AddChatRow(const std::string& name, const std::string& time, const std::string& text) override {
        chat_rows.push_back({name, time, text});
        journal.push_back("Chat " + name + ": " + text);
    }
    void DeleteFirstChatRow() override { chat_rows.erase(chat_rows.begin()); }
    std::string MessageText() const override { return message_text; }
    void SelectAllMessageText() override { message_selected = true; }
    void PopUp() override { journal.push_back("UsersPopUp"); }
};

struct FakeSuggestView final : SuggestView {
    explicit FakeSuggestView(Journal& journal) : journal(journal) {}

    Journal& journal;
    std::string player_label, game_label, map_label, caption;
    bool visible = false;

    void SetPlayerLabel(const std::string& text) override { player_label = text; }
    void SetGameLabel(const std::string& text) override { game_label = text; }
    void SetMapLabel(const std::string& text) override { map_label = text; }
    void SetCaption(const std::string& text) override { caption = text; }
    void ShowAndRaise() override {
        visible = true;
        journal.push_back("SuggestShow");
    }
    void Hide() override { visible = false; }
};

// Everything wired together, with a manual clock.
struct PeerRig {
    Journal journal;
    FakeSettings settings;
    FakeHost host{journal};
    FakeSender sender;
    FakeComputerName computer_name;
    ManualClock clock;
    FakeUsersView users_view{journal};
    FakeSuggestView suggest_view{journal};
    PeerProtocol protocol{settings, host, sender, computer_name, clock, users_view, suggest_view};

    PeerRig() { host.protocol = &protocol; }

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

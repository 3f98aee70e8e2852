// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "peers/peerhost.h"
#include "peers/user.h"
#include "platform/clock.h"
#include "settings/limits.h"

namespace torvane {

struct UserRow {
    std::string Name;
    std::string Status;
    std::string Message;

    bool operator==(const UserRow&) const = default;
};

struct InfoRow {
    std::string Caption;
    std::string Value;

    bool operator==(const InfoRow&) const = default;
};

// One line of the chat list.
struct ChatRow {
    std::string Name;
    std::string Time;
    std::string Text;

    bool operator==(const ChatRow&) const = default;
};

// The users window's own commands: its message box, and its pop-up. What
// its lists show, it reads from the user table and from TUsers as they
// announce their changes.
class UsersView {
public:
    virtual ~UsersView() = default;

    virtual std::string MessageText() const = 0;
    virtual void SelectAllMessageText() = 0;

    // Shows the window in its normal state, restores the application and
    // brings it to the front.
    virtual void PopUp() = 0;
};

// What TUsers announces besides the user table's own changes.
class UsersListener {
public:
    virtual ~UsersListener() = default;

    // The list is in step with the table again after a refresh (stale users
    // purged); the selection and the info pane follow in SelectionChanged.
    virtual void UsersRefreshed() {}
    // The selected row or the info pane changed: SelectedRow() and Info().
    virtual void SelectionChanged() {}
    // Chat line `index` was appended, or the line at `index` went (the
    // oldest, 0, when the list is full).
    virtual void ChatLineAdded(size_t index) { (void)index; }
    virtual void ChatLineRemoved(size_t index) { (void)index; }
};

class ChatSender {
public:
    virtual ~ChatSender() = default;
    virtual void SendChat(const std::string& text, char kind) = 0;
};

// Texts the users window shows for a status and a skill.
std::string StatusText(PeerStatus status);      // list: "Playing"
std::string StatusInfoText(PeerStatus status);  // info pane: "Fragging"
std::string SkillText(int32_t skill);
// The user list's row of a user: its name, status text and message.
UserRow ListRow(const User& user);

// The logic of the users window (TUsers): the user list kept in step with
// the user table, the selected user and its info pane, and the chat. The
// list shows the table's entries in order; a face renders the table's and
// this class's announcements.
class TUsers {
public:
    TUsers(UserTable& table, UsersView& view, ChatSender& chat, const PeerSettings& settings,
           const PeerHost& host, const Clock& clock);

    // Announcements go to `listener` too, in subscription order.
    void Subscribe(UsersListener& listener) { listeners_.push_back(&listener); }

    // Purges stale users, keeps the selected user selected by the name the
    // list showed and updates the info pane.
    void Refresh();
    // A click on the user list: `row` selected, or none.
    void UserListViewClick(std::optional<size_t> row);
    void AddChatLine(const std::string& name, const std::string& text);
    void Button1Click();  // Say
    void Button2Click();  // Shout
    // A shout's pop-up: the window shown, restored and in front.
    void PopUp() { view_.PopUp(); }

    UserTable& Table() { return table_; }
    const UserTable& Table() const { return table_; }
    std::optional<size_t> SelectedRow() const { return selected_; }
    // The info pane's rows; empty while it is hidden.
    const std::vector<InfoRow>& Info() const { return info_; }
    const std::deque<ChatRow>& Chat() const { return chat_; }
    size_t ChatLineCount() const { return chat_.size(); }

private:
    void SendEditText(char kind);
    void Select(std::optional<size_t> row);

    UserTable& table_;
    UsersView& view_;
    ChatSender& chat_sender_;
    const PeerSettings& settings_;
    const PeerHost& host_;
    const Clock& clock_;
    std::vector<UsersListener*> listeners_;
    std::optional<size_t> selected_;
    std::string selected_name_;  // the name the list showed on the selected row
    std::vector<InfoRow> info_;
    std::deque<ChatRow> chat_;
};

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
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

// The users window as the logic sees it: the user list, the info pane beside
// it, the chat list and the message edit box.
class UsersView {
public:
    virtual ~UsersView() = default;

    // Replaces every row of the user list (with updates suspended); nothing
    // is selected afterwards.
    virtual void SetUserRows(const std::vector<UserRow>& rows) = 0;
    virtual int SelectedUserRow() const = 0;     // -1 when none
    virtual void SelectUserRow(size_t row) = 0;  // focuses and selects it

    // Fills the info list and shows it with its splitter.
    virtual void ShowInfo(const std::vector<InfoRow>& rows) = 0;
    // Clears the info list and hides it with its splitter.
    virtual void HideInfo() = 0;

    // Appends a chat row and scrolls it into view.
    virtual void AddChatRow(const std::string& name, const std::string& time, const std::string& text) = 0;
    virtual void DeleteFirstChatRow() = 0;

    virtual std::string MessageText() const = 0;
    virtual void SelectAllMessageText() = 0;

    // Shows the window in its normal state, restores the application and
    // brings it to the front.
    virtual void PopUp() = 0;
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

// The logic of the users window (TUsers): the user list kept in step with the
// user table, the info pane of the selected user, and the chat.
class TUsers {
public:
    TUsers(UserTable& table, UsersView& view, ChatSender& chat, const PeerSettings& settings,
           const PeerHost& host, const Clock& clock);

    // Purges stale users, rebuilds the list, keeps the selected user selected
    // by name and updates the info pane.
    void Refresh();
    void UserListViewClick();
    void AddChatLine(const std::string& name, const std::string& text);
    void Button1Click();  // Say
    void Button2Click();  // Shout
    // A shout's pop-up: the window shown, restored and in front.
    void PopUp() { view_.PopUp(); }

    size_t ChatLineCount() const { return chat_lines_; }

private:
    void SendEditText(char kind);

    UserTable& table_;
    UsersView& view_;
    ChatSender& chat_;
    const PeerSettings& settings_;
    const PeerHost& host_;
    const Clock& clock_;
    std::vector<UserRow> rows_;  // what the user list shows
    size_t chat_lines_ = 0;
};

}  // namespace torvane

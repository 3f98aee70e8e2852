// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/userform.h"

#include <algorithm>

#include "peers/peerdatagram.h"

namespace torvane {

std::string StatusText(PeerStatus status) {
    switch (status) {
        case PeerStatus::Busy:
            return "Busy";
        case PeerStatus::Ready:
            return "Ready";
        case PeerStatus::Playing:
            return "Playing";
        default:
            return "";
    }
}

std::string StatusInfoText(PeerStatus status) {
    return status == PeerStatus::Playing ? "Fragging" : StatusText(status);
}

std::string SkillText(int32_t skill) {
    switch (skill) {
        case 0:
            return "Newbie";
        case 1:
            return "Veteran";
        case 2:
            return "Liar";
        default:
            return "";
    }
}

TUsers::TUsers(UserTable& table, UsersView& view, ChatSender& chat, const PeerSettings& settings,
               const PeerHost& host, const Clock& clock)
    : table_(table), view_(view), chat_(chat), settings_(settings), host_(host), clock_(clock) {}

void TUsers::Refresh() {
    table_.Expire(clock_.CalendarSeconds());

    // The selection is remembered by the name the list showed, since the
    // user may have moved to another row when an earlier one expired.
    const int selected = view_.SelectedUserRow();
    std::string selected_name;
    if (selected >= 0 && static_cast<size_t>(selected) < rows_.size()) selected_name = rows_[selected].Name;

    rows_.clear();
    for (const User& user : table_) rows_.push_back({user.Name, StatusText(user.Status), user.Message});
    view_.SetUserRows(rows_);

    if (!selected_name.empty()) {
        auto found = std::find_if(rows_.begin(), rows_.end(),
                                  [&](const UserRow& row) { return row.Name == selected_name; });
        if (found != rows_.end()) view_.SelectUserRow(static_cast<size_t>(found - rows_.begin()));
    }
    UserListViewClick();
}

void TUsers::UserListViewClick() {
    const int selected = view_.SelectedUserRow();
    if (selected < 0 || static_cast<size_t>(selected) >= table_.size()) {
        view_.HideInfo();
        return;
    }
    const User& user = table_[static_cast<size_t>(selected)];
    view_.ShowInfo({{"Name", user.Name},
                    {"IP", user.Address},
                    {"Status", StatusInfoText(user.Status)},
                    {"Message", user.Message},
                    {"Skill", SkillText(user.Skill)},
                    {"TVN Version", user.Version},
                    {"Compname", user.ComputerName},
                    {"Realname", user.OwnerName}});
}

void TUsers::AddChatLine(const std::string& name, const std::string& text) {
    view_.AddChatRow(name, host_.LongTimeText(), text);
    ++chat_lines_;
    // Once full the list holds one line less than the setting. Lowering the
    // setting trims the list down at the next line.
    const size_t limit =
        static_cast<size_t>(std::clamp(settings_.MaxChatLines(), kMinChatLines, kMaxChatLines));
    while (chat_lines_ >= limit) {
        view_.DeleteFirstChatRow();
        --chat_lines_;
    }
}

void TUsers::Button1Click() {
    SendEditText(kSayKind);
}

void TUsers::Button2Click() {
    SendEditText(kShoutKind);
}

void TUsers::SendEditText(char kind) {
    chat_.SendChat(view_.MessageText(), kind);
    view_.SelectAllMessageText();
}

}  // namespace torvane

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

UserRow ListRow(const User& user) {
    return {user.Name, StatusText(user.Status), user.Message};
}

TUsers::TUsers(UserTable& table, UsersView& view, ChatSender& chat, const PeerSettings& settings,
               const PeerHost& host, const Clock& clock)
    : table_(table), view_(view), chat_sender_(chat), settings_(settings), host_(host), clock_(clock) {}

void TUsers::Refresh() {
    table_.Expire(clock_.CalendarSeconds());
    for (UsersListener* l : listeners_) l->UsersRefreshed();

    // The selection is found again by the name the list showed, since the
    // user may have moved to another row when an earlier one expired; with
    // two users of that name, the first is taken.
    std::optional<size_t> found;
    if (!selected_name_.empty()) {
        for (size_t i = 0; i < table_.size() && !found; ++i)
            if (table_[i].Name == selected_name_) found = i;
    }
    Select(found);
}

void TUsers::UserListViewClick(std::optional<size_t> row) {
    Select(row && *row < table_.size() ? row : std::nullopt);
}

void TUsers::Select(std::optional<size_t> row) {
    selected_ = row;
    if (!row) {
        selected_name_.clear();
        info_.clear();
    } else {
        const User& user = table_[*row];
        selected_name_ = user.Name;
        info_ = {{"Name", user.Name},
                 {"IP", user.Address},
                 {"Status", StatusInfoText(user.Status)},
                 {"Message", user.Message},
                 {"Skill", SkillText(user.Skill)},
                 {"TVN Version", user.Version},
                 {"Compname", user.ComputerName},
                 {"Realname", user.OwnerName}};
    }
    for (UsersListener* l : listeners_) l->SelectionChanged();
}

void TUsers::AddChatLine(const std::string& name, const std::string& text) {
    chat_.push_back({name, host_.LongTimeText(), text});
    for (UsersListener* l : listeners_) l->ChatLineAdded(chat_.size() - 1);
    // Once full the list holds one line less than the setting. Lowering the
    // setting trims the list down at the next line.
    const size_t limit =
        static_cast<size_t>(std::clamp(settings_.MaxChatLines(), kMinChatLines, kMaxChatLines));
    while (chat_.size() >= limit) {
        chat_.pop_front();
        for (UsersListener* l : listeners_) l->ChatLineRemoved(0);
    }
}

void TUsers::Button1Click() {
    SendEditText(kSayKind);
}

void TUsers::Button2Click() {
    SendEditText(kShoutKind);
}

void TUsers::SendEditText(char kind) {
    chat_sender_.SendChat(view_.MessageText(), kind);
    view_.SelectAllMessageText();
}

}  // namespace torvane

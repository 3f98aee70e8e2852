// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/headlessview.h"

#include "discovery/hosttable.h"
#include "notify/log.h"
#include "platform/convert.h"

namespace torvane {

void HeadlessOutput::Say(const std::string& what, const std::string& details) const {
    const std::string text = what + ": " + EscapeControls(details) + "\n";
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

void HeadlessOptions::ShowError(const std::string& message) {
    std::fprintf(stderr, "torvane-headless: %s\n", message.c_str());
}

// The box's lines as one output line.
void HeadlessView::ShowLaunchFailure(const std::string& message) {
    std::string line;
    for (size_t start = 0; start < message.size();) {
        const size_t end = std::min(message.find('\n', start), message.size());
        if (end > start) line += (line.empty() ? "" : " ") + message.substr(start, end - start);
        start = end + 1;
    }
    Say("box", line);
}

void HeadlessView::SetStatusText(int panel, const std::string& text) {
    Say("status" + std::to_string(panel), text);
}

void HeadlessView::ShowIconImage(int image) {
    Say("icon", std::to_string(image));
}

void HeadlessView::SetTrayTip(const std::string& text) {
    Say("tip", text);
}

void HeadlessView::Watch(MainCore& core) {
    hosts_ = &core.Hosts();
    core.Subscribe(*this);
    core.UsersWindow().Subscribe(*this);
    Watch(core.UsersWindow());
}

void HeadlessView::Watch(const TUsers& users) {
    users_ = &users;
}

// Every merged reply shows its row again, changed or not; the marks of a
// search's end are not shown.
void HeadlessView::ServerChanged(std::size_t index, unsigned what) {
    if (what == kChangedMark || !hosts_ || index >= hosts_->size()) return;
    const TQuakeServer& server = (*hosts_)[index];
    Say("host", std::to_string(index) + " | " + server.HostName + " | " + server.MapName + " | " +
                    ServerCaption(server) + " | " + PingText(server) + " | " + AddressText(server));
}

void HeadlessView::ServerRemoved(std::size_t index) {
    const int row = static_cast<int>(index);
    --host_rows_;
    if (selected_host_ == row) selected_host_ = -1;
    if (selected_host_ > row) --selected_host_;
    Say("host deleted", std::to_string(row));
}

void HeadlessView::ShowPlayers() {
    const int row = SelectedHostRow();
    if (row < 0 || !hosts_ || static_cast<std::size_t>(row) >= hosts_->size()) return;
    for (const Player& player : (*hosts_)[static_cast<std::size_t>(row)].Players)
        Say("player", player.Name + " | " + IntToStr(player.Frags));
}

void HeadlessView::ShowBusy(bool box_checked, bool menu_checked) {
    Say("busy",
        std::string(box_checked ? "on" : "off") + (menu_checked == box_checked ? "" : " (menu differs)"));
}

void HeadlessView::UsersRefreshed() {
    if (!users_) return;
    std::vector<UserRow> rows;
    for (const User& user : users_->Table()) rows.push_back(ListRow(user));
    // Only what changed: with many users the whole table at every
    // announcement would be megabytes of output.
    if (rows.size() != user_rows_.size()) Say("users", std::to_string(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i < user_rows_.size() && rows[i] == user_rows_[i]) continue;
        Say("user",
            std::to_string(i) + " | " + rows[i].Name + " (" + rows[i].Status + ") " + rows[i].Message);
    }
    user_rows_ = std::move(rows);
}

void HeadlessView::SelectionChanged() {
    if (!users_ || users_->Info().empty()) return;
    std::string text;
    for (const InfoRow& row : users_->Info())
        text += (text.empty() ? "" : " | ") + row.Caption + " " + row.Value;
    Say("info", text);
}

void HeadlessView::ChatLineAdded(std::size_t index) {
    if (!users_ || index >= users_->Chat().size()) return;
    const ChatRow& row = users_->Chat()[index];
    Say("chat", row.Name + " | " + row.Time + " | " + row.Text);
}

void HeadlessView::ChallengeShown(const ChallengeLabels& labels) {
    Say("challenge", labels.Caption + " | " + labels.Player + " | " + labels.Game + " | " + labels.Map);
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/roomwatch.h"

#include <algorithm>

namespace torvane {

bool IsFull(const TQuakeServer& server) {
    return server.MaxClients > 0 && server.Players.size() >= static_cast<std::size_t>(server.MaxClients);
}

std::vector<RoomWatch::Key>::const_iterator RoomWatch::Find(const TQuakeServer& server) const {
    return std::find_if(waiting_.begin(), waiting_.end(), [&](const Key& key) {
        return key.Address == server.Address && key.HostName == server.HostName;
    });
}

bool RoomWatch::Waiting(const TQuakeServer& server) const {
    return Find(server) != waiting_.end();
}

std::optional<std::string> RoomWatch::MenuEntry(const TQuakeServer& server) const {
    if (Waiting(server)) return kCancelJoinWhenRoomEntry;
    if (IsFull(server)) return kJoinWhenRoomEntry;
    return std::nullopt;
}

void RoomWatch::MenuEntryChosen(const TQuakeServer& server) {
    if (Waiting(server))
        Cancel(server);
    else if (IsFull(server))
        Arm(server);
    else
        game_.LaunchGame(server);  // a place freed while the menu was open
}

void RoomWatch::Arm(const TQuakeServer& server) {
    if (!IsFull(server) || Waiting(server)) return;
    waiting_.push_back({server.Address, server.HostName});
}

void RoomWatch::Cancel(const TQuakeServer& server) {
    const auto it = Find(server);
    if (it != waiting_.end()) waiting_.erase(it);
}

void RoomWatch::Answered(const TQuakeServer& server) {
    if (waiting_.empty() || IsFull(server) || !Waiting(server)) return;
    if (busy_.BusyChecked() || game_.IsGameRunning()) return;
    // Once: the wait is over before the launch, whatever the launch does.
    waiting_.clear();
    game_.LaunchGame(server);
}

void RoomWatch::KeepOnly(
    const std::function<bool(const std::string& address, const std::string& host_name)>& present) {
    std::erase_if(waiting_, [&](const Key& key) { return !present(key.Address, key.HostName); });
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/searchstate.h"

#include <algorithm>
#include <limits>

namespace torvane {

void SearchState::CountReplyPlayers(const std::string& server, int32_t players) {
    int64_t total = int64_t{SearchPlayers} + players;
    const auto known = server_players_.find(server);
    if (known != server_players_.end()) {
        total -= known->second;
        known->second = players;
    } else if (server_players_.size() < kMaxCountedServers) {
        server_players_.emplace(server, players);
    }
    // Saturate: a flood of replies must not overflow the count.
    SearchPlayers = static_cast<int32_t>(std::clamp<int64_t>(total, 0, std::numeric_limits<int32_t>::max()));
}

void SearchState::ResetPlayerCount() {
    SearchPlayers = 0;
    server_players_.clear();
}

}  // namespace torvane

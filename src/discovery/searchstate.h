// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace torvane {

// Servers whose replies are told apart in one search's player count; past
// this many, a flood of made-up senders is simply added up.
inline constexpr std::size_t kMaxCountedServers = 4096;

// Whether a status reply was asked for.
enum class Asking {
    // An answer to this copy's own query: on a socket that sent it, while
    // the search window is open.
    OwnQuery,
    // While a search window is open, on a socket that sent no query (the
    // peer port): nobody asked this sender.
    DuringSearch,
    // While no search window is open: nobody asked anyone.
    OutsideSearch,
};

// The state of the current search that the host table and the reply handler
// share with the search cycle, which owns it.
struct SearchState {
    // Steady-clock ticks (100 ns) at which the current search began.
    int64_t SearchStart = 0;
    // Players seen in the current search: the player lines of each server's
    // last reply in it, so a server that answers twice (from two sockets)
    // counts once.
    int32_t SearchPlayers = 0;
    // A NewPlayer, NotFull or NewMap event was raised in the current search.
    bool SearchChanged = false;
    // True until the first search window has ended: no icon changes and no
    // event actions before that, so start-up does not greet the user with
    // every server on the network.
    bool FirstSearch = true;
    // From a search's start to the end of its window.
    bool WindowOpen = false;
    // An event launched the game in the current window; a launch restarts
    // the search, and the window it opens counts as the same one.
    bool AutoLaunched = false;

    // Counts a reply with `players` player lines from `server` (its address
    // and port text) into SearchPlayers, in place of that server's earlier
    // reply in this search.
    void CountReplyPlayers(const std::string& server, int32_t players);
    // A new search counts from zero.
    void ResetPlayerCount();

private:
    std::map<std::string, int32_t> server_players_;
};

}  // namespace torvane

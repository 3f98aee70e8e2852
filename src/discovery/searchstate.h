#pragma once

#include <cstdint>

namespace torvane {

// The state of the current search that the host table and the reply handler
// share with the search cycle, which owns it.
struct SearchState {
    // Steady-clock ticks (100 ns) at which the current search began.
    int64_t SearchStart = 0;
    // Player lines parsed since the current search began.
    int32_t SearchPlayers = 0;
    // A NewPlayer, NotFull or NewMap event was raised in the current search.
    bool SearchChanged = false;
    // True until the first search window has ended: no icon changes and no
    // event actions before that, so start-up does not greet the user with
    // every server on the network.
    bool FirstSearch = true;
};

}  // namespace torvane

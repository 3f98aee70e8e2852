// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

namespace torvane {

// A peer's status as carried by "TVNINFO", the numbers those the peer
// protocol sends. This copy's own status (OwnStatus) is one of the first
// three.
enum class PeerStatus : uint8_t { Busy = 0, Ready = 1, Playing = 2, Unknown = 3 };

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

namespace torvane {

// A peer's status as carried by "TVNINFO"; OwnStatus uses the first three.
enum class PeerStatus : uint8_t { Busy = 0, Ready = 1, Playing = 2, Unknown = 3 };

// This copy's status as the other copies see it; the numbers are those the
// peer protocol sends.
enum class PlayingStatus { Busy = 0, Ready = 1, Playing = 2 };

}  // namespace torvane

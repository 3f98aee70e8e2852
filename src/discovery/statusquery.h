// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace torvane {

// The game's out-of-band status query: four 0xFF bytes, "status", a line
// feed and nine zero bytes. All 20 bytes are always sent; some servers only
// answer a query of exactly this shape.
inline constexpr std::array<char, 20> StatusQuery = {
    '\xFF', '\xFF', '\xFF', '\xFF', 's', 't', 'a', 't', 'u', 's', '\n', 0, 0, 0, 0, 0, 0, 0, 0, 0};

// A datagram is received into a buffer one byte longer than the longest
// read, so the reply parser can always terminate the text in place.
inline constexpr std::size_t kReceiveBufferSize = 65536;
inline constexpr int kMaxReceiveLength = static_cast<int>(kReceiveBufferSize) - 1;

using ReceiveBuffer = std::array<char, kReceiveBufferSize>;

}  // namespace torvane

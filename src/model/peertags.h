// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

namespace torvane {

// The four datagrams copies of Torvane exchange begin with a seven-character
// tag; the datagram dispatch tells them apart by it, and the peer protocol
// writes it. The payload after it is tab-separated 8-bit text, without
// escaping or terminator.
inline constexpr std::string_view kStatusRequestTag = "TVNSTAT";
inline constexpr std::string_view kInfoTag = "TVNINFO";
inline constexpr std::string_view kChatTag = "TVNMESS";
inline constexpr std::string_view kChallengeTag = "TVNSUGG";
inline constexpr size_t kTagLength = 7;

static_assert(kStatusRequestTag.size() == kTagLength && kInfoTag.size() == kTagLength &&
              kChatTag.size() == kTagLength && kChallengeTag.size() == kTagLength);

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

namespace torvane {

// The bounds of the chat list: the up-down control of the options dialog
// keeps MaxChatLines within them, a load clamps a stored value into them, and
// the users window holds its list to them.
inline constexpr int32_t kMinChatLines = 5;
inline constexpr int32_t kMaxChatLines = 1000;

}  // namespace torvane

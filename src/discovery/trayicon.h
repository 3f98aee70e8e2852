// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "discovery/hostview.h"
#include "discovery/searchstate.h"

namespace torvane {

// Icon images: what the tray icon tells the user.
inline constexpr int kIconIdle = 0;
inline constexpr int kIconNewHost = 1;
inline constexpr int kIconNewPlayer = 2;
inline constexpr int kIconNewMap = 3;
inline constexpr int kIconNotFull = 4;
inline constexpr int kIconPlayers = 5;

// Host row images.
inline constexpr int kRowAnswered = 0;
inline constexpr int kRowSilent = 1;

// The one icon operation: shows image `image`, except during the first
// search, whose replies describe what was there before the user looked.
inline void SetTrayIcon(HostWindow& window, const SearchState& search, int image) {
    if (!search.FirstSearch) window.ShowIconImage(image);
}

}  // namespace torvane

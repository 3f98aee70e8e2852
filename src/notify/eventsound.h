// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "notify/playerwave.h"

namespace torvane {

// The state that keeps event sounds quiet.
class SoundGuards {
public:
    virtual ~SoundGuards() = default;

    // True from start-up until the end of the first search window.
    virtual bool FirstSearch() const = 0;
    virtual bool BusyChecked() const = 0;
};

// The one guarded way to play an event, chat, shout or challenge sound.
class EventSound {
public:
    EventSound(const SoundGuards& guards, TPlayerWave& player);

    // Plays `path` through the player, unless the first search window is
    // still open or the Busy box is ticked.
    void PlayEventSound(const std::string& path);

private:
    const SoundGuards& guards_;
    TPlayerWave& player_;
};

}  // namespace torvane

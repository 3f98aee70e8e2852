// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <string>

#include "model/services.h"
#include "notify/playerwave.h"

namespace torvane {

// The one guarded way to play an event, chat, shout or challenge sound.
class EventSound final : public EventSounds {
public:
    // `first_search` is true from start-up until the end of the first
    // search window.
    EventSound(const BusyFlag& busy, std::function<bool()> first_search, TPlayerWave& player);

    // Plays `path` through the player, unless the first search window is
    // still open or the Busy box is ticked.
    void PlayEventSound(const std::string& path) override;

private:
    const BusyFlag& busy_;
    std::function<bool()> first_search_;
    TPlayerWave& player_;
};

}  // namespace torvane

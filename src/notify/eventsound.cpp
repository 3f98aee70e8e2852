// SPDX-License-Identifier: GPL-2.0-or-later
#include "notify/eventsound.h"

namespace torvane {

EventSound::EventSound(const BusyFlag& busy, std::function<bool()> first_search, TPlayerWave& player)
    : busy_(busy), first_search_(std::move(first_search)), player_(player) {}

void EventSound::PlayEventSound(const std::string& path) {
    if (first_search_() || busy_.BusyChecked()) return;
    player_.WaveName = path;
    player_.Play();
}

}  // namespace torvane

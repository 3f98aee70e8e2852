// SPDX-License-Identifier: GPL-2.0-or-later
#include "notify/eventsound.h"

namespace torvane {

EventSound::EventSound(const SoundGuards& guards, TPlayerWave& player) : guards_(guards), player_(player) {}

void EventSound::PlayEventSound(const std::string& path) {
    if (guards_.FirstSearch() || guards_.BusyChecked()) return;
    player_.WaveName = path;
    player_.Play();
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "platform/sound.h"

namespace torvane {

// Where a wave lives: a file, a resource of the program, or a wave image in
// memory.
enum class TWhereWave { wwInFile, wwInResource, wwInRAM };

// The sound component every sound of Torvane goes through.
class TPlayerWave {
public:
    explicit TPlayerWave(SoundOutput& output);

    std::string WaveName;
    TWhereWave WhereWave = TWhereWave::wwInFile;
    bool Loop = false;
    bool Async = false;

    // Plays WaveName. Returns whether the sound output accepted it. Only wave
    // files that play once are supported here: resources, images in memory
    // and looping are not, and answer false.
    bool Play();

private:
    SoundOutput& output_;
};

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include "notify/playerwave.h"

namespace torvane {

TPlayerWave::TPlayerWave(SoundOutput& output) : output_(output) {}

bool TPlayerWave::Play() {
    if (WhereWave != TWhereWave::wwInFile || Loop) return false;
    return output_.PlayFile(WaveName, !Async);
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "model/eventkind.h"

namespace torvane {

// What the user wants done when an event of one kind happens.
struct EventAction {
    bool Popup = false;
    bool Launch = false;
    bool Play = false;
    std::string Sound;
};

}  // namespace torvane

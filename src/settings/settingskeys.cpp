// SPDX-License-Identifier: GPL-2.0-or-later
#include <array>

#include "settings/settingsio.h"

namespace torvane {

std::string WanKey(size_t index) {
    return std::string(kMainKey) + "\\Wan" + std::to_string(index + 1);
}

std::string EventKey(EventKind kind) {
    static constexpr std::array<const char*, 4> kNames = {"NewHost", "NewPlayer", "NotFull", "NewMap"};
    return std::string(kMainKey) + "\\" + kNames[static_cast<size_t>(kind)];
}

}  // namespace torvane

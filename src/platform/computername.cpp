// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/computername.h"

#include <unistd.h>

#include <array>
#include <cstring>

namespace torvane {

std::optional<std::string> SystemComputerName::Read() const {
    std::array<char, 256> buffer{};
    // gethostname does not promise a terminating zero when the name is cut,
    // so the last byte is kept out of its reach.
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) return std::nullopt;
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size() - 1));
}

}  // namespace torvane

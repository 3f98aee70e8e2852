// SPDX-License-Identifier: GPL-2.0-or-later
// Process names and /proc texts are chosen by whoever starts a process.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "launcher/gamecommand.h"
#include "platform/processes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    torvane::IsZombieStat(text);
    const std::string_view first = torvane::FirstWordOfCommandLine(text);
    if (first.find('\0') != std::string_view::npos || !text.starts_with(first)) std::abort();
    if (torvane::IsGameExecutableName(first) != first.ends_with("QUAKE2.EXE")) std::abort();
    // A command line as /proc gives it, and the same bytes as every name.
    const std::string whole(text);
    const torvane::ProcessNames names{whole, std::string(first), whole, whole};
    if (torvane::IsDedicatedServer(names) && torvane::IsGameProcess(names, whole)) std::abort();
    return 0;
}

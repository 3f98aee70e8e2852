// SPDX-License-Identifier: GPL-2.0-or-later
// The buddy list comes from the settings file and the names it is matched
// against from any server's reply; the player list's menu writes names back
// into it. Input: the setting, a zero byte, a player's name. Whatever they
// hold, an added name is a buddy by that very entry, a removed one is no
// entry any more, and no other entry is lost or changed on the way.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "peers/buddies.h"

namespace {

bool Holds(const std::vector<std::string>& entries, const std::string& entry) {
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t zero = input.find('\0');
    const std::string setting = input.substr(0, zero);
    const std::string name = zero == std::string::npos ? std::string() : input.substr(zero + 1);

    const torvane::BuddyList buddies(setting);
    for (const std::string& entry : buddies.Patterns()) {
        if (entry.empty() || entry.find(',') != std::string::npos) std::abort();
        for (const char end : {entry.front(), entry.back()})
            if (end == ' ' || end == '\t') std::abort();
    }
    (void)buddies.Matches(name);

    const torvane::BuddyList without(torvane::WithoutBuddy(setting, name));
    if (without.Names(name)) std::abort();
    for (const std::string& entry : buddies.Patterns())
        if (entry != name && !Holds(without.Patterns(), entry)) std::abort();

    if (torvane::CanBeBuddyEntry(name)) {
        const torvane::BuddyList with(torvane::WithBuddy(setting, name));
        if (!with.Names(name) || !with.Matches(name)) std::abort();
        for (const std::string& entry : buddies.Patterns())
            if (!Holds(with.Patterns(), entry)) std::abort();
    }

    const torvane::BuddyMenuEntry entry = torvane::BuddyMenuFor(setting, name);
    if (entry.Enabled != entry.Hint.empty()) std::abort();
    if (entry.Caption != "Add to buddies" && entry.Caption != "Remove from buddies") std::abort();
    return 0;
}

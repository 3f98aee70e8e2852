// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/buddies.h"

#include <algorithm>

namespace torvane {

namespace {

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

BuddyList::BuddyList(std::string_view setting) {
    std::size_t start = 0;
    while (start <= setting.size()) {
        const std::size_t comma = setting.find(',', start);
        const std::string_view entry =
            Trimmed(setting.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (!entry.empty()) patterns_.emplace_back(entry);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

bool BuddyList::Matches(std::string_view name) const {
    return MatchOf(name) != nullptr;
}

bool BuddyList::Names(std::string_view name) const {
    return std::find(patterns_.begin(), patterns_.end(), name) != patterns_.end();
}

const std::string* BuddyList::MatchOf(std::string_view name) const {
    for (const std::string& pattern : patterns_)
        if (MatchesBuddyPattern(pattern, name)) return &pattern;
    return nullptr;
}

bool CanBeBuddyEntry(std::string_view name) {
    return !name.empty() && name.find_first_of(",*") == std::string_view::npos && Trimmed(name) == name;
}

std::string WithBuddy(std::string_view setting, std::string_view name) {
    // A trailing comma or blank the user left adds nothing to keep.
    const std::size_t end = setting.find_last_not_of(" \t,");
    const std::string_view kept =
        end == std::string_view::npos ? std::string_view{} : setting.substr(0, end + 1);
    return kept.empty() ? std::string(name) : std::string(kept) + ", " + std::string(name);
}

std::string WithoutBuddy(std::string_view setting, std::string_view name) {
    std::string result;
    const BuddyList buddies(setting);
    for (const std::string& entry : buddies.Patterns()) {
        if (entry == name) continue;
        result += (result.empty() ? "" : ", ") + entry;
    }
    return result;
}

BuddyMenuEntry BuddyMenuFor(std::string_view setting, std::string_view name) {
    const BuddyList buddies(setting);
    if (buddies.Names(name)) return {"Remove from buddies", true, {}};
    if (const std::string* pattern = buddies.MatchOf(name)) {
        return {"Remove from buddies", false,
                std::string(name) + " is a buddy by the pattern \"" + *pattern +
                    "\", which names others too: change it on the Info page of the options"};
    }
    if (!CanBeBuddyEntry(name)) {
        return {"Add to buddies", false,
                "A name with a comma, a '*' or a blank at either end cannot be a buddy entry: a pattern on "
                "the Info page of the options can match it"};
    }
    return {"Add to buddies", true, {}};
}

std::vector<std::string> BuddiesOn(const BuddyList& buddies, const TQuakeServer& server) {
    std::vector<std::string> names;
    if (buddies.Empty()) return names;
    for (const Player& player : server.Players)
        if (buddies.Matches(player.Name)) names.push_back(player.Name);
    return names;
}

bool MatchesBuddyPattern(std::string_view pattern, std::string_view name) {
    // Greedy with one step back to the last '*': linear in practice, never
    // exponential, whatever a name or a pattern holds.
    std::size_t p = 0, n = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<BuddySighting> BuddyWatch::Look(const BuddyList& buddies,
                                            const std::vector<TQuakeServer>& servers) {
    std::vector<BuddySighting> arrived;
    std::set<std::string> present;
    with_buddies_.assign(servers.size(), false);
    if (!buddies.Empty()) {
        for (std::size_t i = 0; i < servers.size(); ++i) {
            for (const Player& player : servers[i].Players) {
                if (!buddies.Matches(player.Name)) continue;
                with_buddies_[i] = true;
                if (!present.insert(player.Name).second) continue;
                if (!present_.count(player.Name)) arrived.push_back({player.Name, i});
            }
        }
    }
    present_ = std::move(present);
    return arrived;
}

std::string BuddyPlayingText(const std::string& name, const TQuakeServer& server) {
    return name + " is playing on " + server.HostName + " (" + server.MapName + ", " + ServerCaption(server) +
           ")";
}

}  // namespace torvane

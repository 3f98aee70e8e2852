// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/buddies.h"

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
    for (const std::string& pattern : patterns_)
        if (MatchesBuddyPattern(pattern, name)) return true;
    return false;
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
    if (!buddies.Empty()) {
        for (std::size_t i = 0; i < servers.size(); ++i) {
            for (const Player& player : servers[i].Players) {
                if (!buddies.Matches(player.Name) || !present.insert(player.Name).second) continue;
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

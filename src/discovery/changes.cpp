// SPDX-License-Identifier: GPL-2.0-or-later
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "discovery/hostevents.h"
#include "platform/convert.h"

namespace torvane {

namespace {

using NameSet = std::unordered_set<std::string_view>;

NameSet NamesOf(const std::vector<Player>& players) {
    NameSet names;
    names.reserve(players.size());
    for (const Player& player : players) names.insert(player.Name);
    return names;
}

bool IsFull(const TQuakeServer& server) {
    return static_cast<int64_t>(server.Players.size()) == server.MaxClients;
}

// Announces each fresh player without a stored namesake; answers what was
// said, a line each, or nothing when nobody entered.
std::string AnnounceEntered(const TQuakeServer& fresh, const NameSet& stored_names, HostEvents& events) {
    std::string said;
    for (const Player& player : fresh.Players) {
        if (stored_names.count(player.Name) != 0) continue;
        const std::string text = player.Name + " entered " + fresh.HostName;
        events.Announce(text, true);
        said += (said.empty() ? "" : "\n") + text;
    }
    return said;
}

void AnnounceLeft(const TQuakeServer& stored, const NameSet& fresh_names, HostEvents& events) {
    for (const Player& player : stored.Players) {
        if (fresh_names.count(player.Name) != 0) continue;
        events.Announce(player.Name + " left " + stored.HostName + " with " + IntToStr(player.Frags) +
                            " frags and " + IntToStr(player.Ping) + " ping",
                        true);
    }
}

}  // namespace

// Most replies list the same players in the same order as the last one:
// then nobody entered or left, and no name set needs to be built.
bool SameNamesInOrder(const std::vector<Player>& fresh, const std::vector<Player>& stored) {
    return std::equal(fresh.begin(), fresh.end(), stored.begin(), stored.end(),
                      [](const Player& a, const Player& b) { return a.Name == b.Name; });
}

void DetectChanges(const TQuakeServer& fresh, const TQuakeServer& stored, HostEvents& events) {
    std::string entered;
    if (!SameNamesInOrder(fresh.Players, stored.Players)) {
        // Name sets keep a reply with thousands of players from costing
        // thousands squared comparisons.
        entered = AnnounceEntered(fresh, NamesOf(stored.Players), events);
        AnnounceLeft(stored, NamesOf(fresh.Players), events);
    }
    const bool new_player = !entered.empty();
    const bool not_full = IsFull(stored) && !IsFull(fresh);
    const bool new_map = fresh.MapName != stored.MapName;
    if (new_player || not_full || new_map) events.Search().SearchChanged = true;

    if (new_player) {
        events.SetIcon(EventKind::NewPlayer);
        events.EventRaised(EventKind::NewPlayer, entered, fresh);
        events.RunActions(EventKind::NewPlayer, fresh);
    }
    if (not_full) {
        events.SetIcon(EventKind::NotFull);
        const std::string text = fresh.HostName + " is not full anymore";
        events.Announce(text, false);
        events.EventRaised(EventKind::NotFull, text, fresh);
        events.RunActions(EventKind::NotFull, fresh);
    }
    if (new_map) {
        events.SetIcon(EventKind::NewMap);
        const std::string text = "Map changed on host " + fresh.HostName + " to " + fresh.MapName;
        events.Announce(text, true);
        events.EventRaised(EventKind::NewMap, text, fresh);
        events.RunActions(EventKind::NewMap, fresh);
    }
}

}  // namespace torvane

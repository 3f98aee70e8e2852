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

// Announces each fresh player without a stored namesake; answers whether
// there was one.
bool AnnounceEntered(const TQuakeServer& fresh, const NameSet& stored_names, HostEvents& events) {
    bool entered = false;
    for (const Player& player : fresh.Players) {
        if (stored_names.count(player.Name) != 0) continue;
        events.Announce(player.Name + " entered " + fresh.HostName, true);
        entered = true;
    }
    return entered;
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
    bool new_player = false;
    if (!SameNamesInOrder(fresh.Players, stored.Players)) {
        // Name sets keep a reply with thousands of players from costing
        // thousands squared comparisons.
        new_player = AnnounceEntered(fresh, NamesOf(stored.Players), events);
        AnnounceLeft(stored, NamesOf(fresh.Players), events);
    }
    const bool not_full = IsFull(stored) && !IsFull(fresh);
    const bool new_map = fresh.MapName != stored.MapName;
    if (new_player || not_full || new_map) events.Search().SearchChanged = true;

    if (new_player) {
        events.SetIcon(EventKind::NewPlayer);
        events.RunActions(EventKind::NewPlayer, fresh);
    }
    if (not_full) {
        events.SetIcon(EventKind::NotFull);
        events.Announce(fresh.HostName + " is not full anymore", false);
        events.RunActions(EventKind::NotFull, fresh);
    }
    if (new_map) {
        events.SetIcon(EventKind::NewMap);
        events.Announce("Map changed on host " + fresh.HostName + " to " + fresh.MapName, true);
        events.RunActions(EventKind::NewMap, fresh);
    }
}

}  // namespace torvane

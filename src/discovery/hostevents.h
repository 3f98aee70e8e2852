#pragma once

#include <string>

#include "discovery/hostview.h"
#include "discovery/searchstate.h"
#include "model/quakeserver.h"
#include "notify/eventaction.h"

namespace torvane {

// Tells the user about host table events: status text, log line, icon, and
// the actions the user chose for each event kind.
class HostEvents {
public:
    HostEvents(HostView& view, GameActions& game, const HostSettings& settings, SearchState& search)
        : view_(view), game_(game), settings_(settings), search_(search) {}

    // Status panel 1, and the log when `log` is set.
    void Announce(const std::string& text, bool log);
    // The kind's icon image (silent during the first search).
    void SetIcon(EventKind kind);
    // Pop-up, launch and sound, in that order, as the kind's action asks.
    // While Busy is ticked only NewHost gets that far; its operations then
    // stop at their own guards.
    void RunActions(EventKind kind, const TQuakeServer& server);

    void PopUp();
    void LaunchOnEvent(const TQuakeServer& server);

    SearchState& Search() { return search_; }

private:
    HostView& view_;
    GameActions& game_;
    const HostSettings& settings_;
    SearchState& search_;
};

// Compares a fresh reply with the stored record of the same server (before
// it is overwritten): announces players who entered or left, and raises
// NewPlayer, NotFull and NewMap.
void DetectChanges(const TQuakeServer& fresh, const TQuakeServer& stored, HostEvents& events);

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "discovery/hostlistener.h"
#include "discovery/hostview.h"
#include "discovery/searchstate.h"
#include "model/quakeserver.h"
#include "model/services.h"
#include "notify/eventaction.h"

namespace torvane {

// Tells the user about host table events: status text, log line, icon, and
// the actions the user chose for each event kind; and hands every change of
// the table to its listeners.
class HostEvents {
public:
    HostEvents(HostWindow& window, const Services& services, const HostSettings& settings,
               SearchState& search)
        : window_(window), services_(services), settings_(settings), search_(search) {}

    void Subscribe(HostTableListener& listener) { listeners_.push_back(&listener); }

    // The table's announcements, to every listener in the order they came.
    void ChangesBegin() {
        for (HostTableListener* l : listeners_) l->ChangesBegin();
    }
    void ChangesEnd() {
        for (HostTableListener* l : listeners_) l->ChangesEnd();
    }
    void ServerAdded(std::size_t index) {
        for (HostTableListener* l : listeners_) l->ServerAdded(index);
    }
    void ServerChanged(std::size_t index, unsigned what) {
        for (HostTableListener* l : listeners_) l->ServerChanged(index, what);
    }
    void ServerRemoved(std::size_t index) {
        for (HostTableListener* l : listeners_) l->ServerRemoved(index);
    }
    void SearchStarted() {
        for (HostTableListener* l : listeners_) l->SearchStarted();
    }
    void SearchEnded(const std::string& summary) {
        for (HostTableListener* l : listeners_) l->SearchEnded(summary);
    }
    void EventRaised(EventKind kind, const std::string& text, const TQuakeServer& server) {
        for (HostTableListener* l : listeners_) l->EventRaised(kind, text, server);
    }

    // Status panel 1, and the log when `log` is set.
    void Announce(const std::string& text, bool log);
    // The kind's icon image (silent during the first search).
    void SetIcon(EventKind kind);
    // Pop-up, launch and sound, in that order, as the kind's action asks.
    // While Busy is ticked only NewHost gets that far; its operations then
    // stop at their own guards.
    void RunActions(EventKind kind, const TQuakeServer& server);

    void PopUp();
    // Launches into `server` for an event: at most once per search window,
    // and only into a server whose reply answered this copy's own query, so
    // that forged replies cannot start the game at will.
    void LaunchOnEvent(const TQuakeServer& server);

    // Whether the reply being merged was asked for.
    void SetAsking(Asking asking) { asking_ = asking; }

    SearchState& Search() { return search_; }

private:
    HostWindow& window_;
    Services services_;
    const HostSettings& settings_;
    SearchState& search_;
    std::vector<HostTableListener*> listeners_;
    Asking asking_ = Asking::OwnQuery;
};

// Compares a fresh reply with the stored record of the same server (before
// it is overwritten): announces players who entered or left, and raises
// NewPlayer, NotFull and NewMap.
void DetectChanges(const TQuakeServer& fresh, const TQuakeServer& stored, HostEvents& events);

}  // namespace torvane

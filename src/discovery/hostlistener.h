// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <string>

#include "model/eventkind.h"
#include "model/quakeserver.h"

namespace torvane {

// What a change to a server's record touched, so that a face repaints only
// that. A new record has every bit.
enum ServerChange : unsigned {
    kChangedCaption = 1u << 0,  // host name, player count or maximum: the row's caption and tray entry
    kChangedMap = 1u << 1,
    kChangedPlayers = 1u << 2,  // the player list: names, frags or pings
    kChangedPing = 1u << 3,     // the server's own round trip
    kChangedMark = 1u << 4,     // answered or silent in the last finished search
    kChangedSource = 1u << 5,   // a stranger from a master's list turned out to be near
    kChangedAll = (1u << 6) - 1,
};

// What the host table announces as its servers come, change and go. Record
// i of the table is the server an announcement names by index i, at the
// moment of the announcement; a face that keeps its own rows keeps them in
// that order (row i and tray entry i belong to record i until the user
// sorts). Each face renders what it needs and ignores the rest.
class HostTableListener {
public:
    virtual ~HostTableListener() = default;

    // The changes of one reply or one end of a search come between these.
    virtual void ChangesBegin() {}
    virtual void ChangesEnd() {}

    // A server was appended as record `index`; its fields follow in a
    // ServerChanged with every bit.
    virtual void ServerAdded(std::size_t index) { (void)index; }
    // A merged reply (every reply, even one that changed nothing visible:
    // `what` is then 0) or the mark of a search's end.
    virtual void ServerChanged(std::size_t index, unsigned what) { (void)index, (void)what; }
    // The record at `index` is gone; those after it moved up by one.
    virtual void ServerRemoved(std::size_t index) { (void)index; }

    // A server raised an event: `text` is what status panel 1 said about it.
    virtual void EventRaised(EventKind kind, const std::string& text, const TQuakeServer& server) {
        (void)kind, (void)text, (void)server;
    }

    // A search began (no server has answered in it yet) or its window closed;
    // `summary` is what the tray's tip says about it.
    virtual void SearchStarted() {}
    virtual void SearchEnded(const std::string& summary) { (void)summary; }
};

}  // namespace torvane

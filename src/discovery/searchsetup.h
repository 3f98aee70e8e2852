// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "discovery/dispatch.h"
#include "discovery/hosttable.h"
#include "discovery/internetsearch.h"
#include "discovery/looptimer.h"
#include "discovery/querysocket.h"
#include "discovery/searchcycle.h"
#include "discovery/searchstate.h"
#include "model/services.h"
#include "net/messageloop.h"
#include "platform/clock.h"

namespace torvane {

// How many sockets a program searches with, and how long its window is.
struct SearchShape {
    std::size_t broadcast_sockets = 4;  // the first stays open between searches
    std::size_t internet_sockets = 4;
    bool listen = true;  // a socket that hears what is broadcast to the game port
    uint32_t window_ms = kSearchWindowMs;
    // Whether the interval timer starts a search every BCInterval seconds;
    // a program that searches once has no such timer running.
    bool repeats = true;
};

// What a program hands the search: the loop and the clock, the sockets, the
// services and its own settings, views and peers.
struct SearchNeeds {
    MessageLoop& loop;
    const Clock& clock;
    SocketMaker& sockets;
    Services services;
    HostWindow& window;
    SearchView& tray;
    const HostSettings& host_settings;
    const SearchSettings& settings;
    const InternetSettings& internet_settings;
    SearchPeers& peers;
    PeerReceiver& peer_receiver;
    // Tells the user about a silent master or a favourite whose name does
    // not resolve.
    std::function<void(const std::string&)> report;
};

// The search, built and connected the same way for every program: the host
// table with its search state, the datagram dispatch, the interval timer
// and the search window, the sockets, the favourites and master-listed
// servers, and the search cycle that drives them all.
class SearchSetup {
public:
    SearchSetup(const SearchNeeds& needs, const SearchShape& shape);
    SearchSetup(const SearchSetup&) = delete;
    SearchSetup& operator=(const SearchSetup&) = delete;

    // The broadcast socket that stays open between searches and carries the
    // peer messages (a shape with at least one).
    CycleSocket& BroadcastSocket() { return *sockets.front(); }

    SearchState search;
    HostTable hosts;
    DatagramDispatcher dispatcher;
    LoopTimer timer1;                                   // the interval
    LoopTimer window;                                   // the search window
    std::vector<std::unique_ptr<CycleSocket>> sockets;  // broadcast, internet, then the listening one
    InternetSearch internet;                            // favourites and master-listed servers
    SearchCycle cycle;
};

}  // namespace torvane

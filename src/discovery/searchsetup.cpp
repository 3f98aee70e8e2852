// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/searchsetup.h"

namespace torvane {

namespace {

std::vector<std::unique_ptr<CycleSocket>> MakeSockets(SocketMaker& maker, MessageLoop& loop,
                                                      const SearchShape& shape) {
    const std::size_t count = shape.broadcast_sockets + shape.internet_sockets + (shape.listen ? 1 : 0);
    std::vector<std::unique_ptr<CycleSocket>> sockets;
    for (std::size_t i = 0; i < count; ++i) sockets.push_back(maker.MakeSocket(loop));
    return sockets;
}

SearchSockets Roles(const std::vector<std::unique_ptr<CycleSocket>>& sockets, const SearchShape& shape) {
    SearchSockets roles;
    std::size_t i = 0;
    for (; i < shape.broadcast_sockets; ++i) roles.broadcast.push_back(sockets[i].get());
    for (; i < shape.broadcast_sockets + shape.internet_sockets; ++i)
        roles.internet.push_back(sockets[i].get());
    if (shape.listen) roles.listen = sockets[i].get();
    return roles;
}

InternetSearch::Timing InternetTiming(const SearchShape& shape) {
    InternetSearch::Timing timing;
    // The servers beyond the LAN are waited for as long as the broadcast.
    timing.window_ms = shape.window_ms;
    return timing;
}

}  // namespace

SearchSetup::SearchSetup(const SearchNeeds& needs, const SearchShape& shape)
    : hosts(needs.window, needs.services, needs.host_settings, search),
      dispatcher(needs.clock, search, hosts, needs.peer_receiver),
      timer1(needs.loop, kDefaultIntervalMs, shape.repeats),
      window(needs.loop, shape.window_ms, false),
      sockets(MakeSockets(needs.sockets, needs.loop, shape)),
      internet(needs.loop, dispatcher, needs.internet_settings, needs.clock, needs.report,
               InternetTiming(shape)),
      cycle({search, hosts, dispatcher, Roles(sockets, shape), timer1, window, needs.settings, needs.window,
             needs.tray, needs.peers, needs.services, needs.clock, &internet}) {
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        const bool listening = shape.listen && i + 1 == sockets.size();
        sockets[i]->Attach(cycle, !listening);
    }
    // A program that searches once leaves the interval timer without a
    // handler: the search enables it, and it must never start another.
    if (shape.repeats) timer1.Timer().SetOnTimer([this] { cycle.Timer1Timer(); });
    window.Timer().SetOnTimer([this] { cycle.BroadcastEnd(); });
}

}  // namespace torvane

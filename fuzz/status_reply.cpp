// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary datagrams, search starts, window ends and selections
// through the datagram dispatch into a host table, and checks after every
// step that records and the rows their announcements built still line up.
//
// Input: a sequence of steps, each one byte `op`, two bytes of length (big
// endian) and that many bytes of payload.
//   op % 4 == 0: the payload is a received datagram; op's upper bits pick
//                the sender address and the receiving socket's port, bits
//                2 and 3 where the server was found (LAN, favourite, master);
//                the payload's length modulo 3 whether it was asked for (an
//                answer to our query, unasked in a search, outside every
//                search).
//   op % 4 == 1: the end of a search window (CountMisses, SearchEnded).
//   op % 4 == 2: a new search; bit 2 ticks Busy, bit 3 ends the first search.
//   op % 4 == 3: the payload becomes the Retries text.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../tests/discovery/recording_view.h"
#include "discovery/dispatch.h"
#include "discovery/quiethost.h"
#include "discovery/statusquery.h"
#include "platform/convert.h"

namespace torvane {
namespace {

void Check(const HostTable& table, const RecordingView& view) {
    const std::string fault = ParallelFault(table, view);
    if (!fault.empty()) {
        std::fprintf(stderr, "host table out of step with its views: %s\n", fault.c_str());
        std::abort();
    }
}

void Deliver(DatagramDispatcher& dispatcher, uint8_t op, const uint8_t* payload, std::size_t size) {
    std::vector<char> buffer(payload, payload + size);
    buffer.push_back('#');  // the spare byte the parser may overwrite
    const std::string address = "192.168.0." + std::to_string(op >> 5);
    const std::string port = (op & 0x10) ? "27920" : "27910";
    try {
        ReplyOrigin origin;
        origin.source = static_cast<ServerSource>(std::min((op >> 2) & 3, 2));
        origin.asking = static_cast<Asking>(size % 3);
        dispatcher.DispatchDatagram(buffer.data(), static_cast<int>(size), address, port, origin);
    } catch (const EConvertError&) {
        // Dropped, as the socket layer's receive loop drops it.
    }
}

}  // namespace
}  // namespace torvane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace torvane;
    ManualClock clock;
    SearchState search;
    RecordingView view;
    QuietPeers peers;
    HostTable table{view, view.AsServices(), view, search};
    view.Watch(table);
    DatagramDispatcher dispatcher{clock, search, table, peers};
    for (int i = 0; i < 4; ++i) view.actions[i] = {true, true, true, "x.wav"};

    std::size_t at = 0;
    while (at + 3 <= size) {
        const uint8_t op = data[at];
        std::size_t length = std::size_t{data[at + 1]} << 8 | data[at + 2];
        at += 3;
        if (length > size - at) length = size - at;
        const uint8_t* payload = data + at;
        at += length;
        view.Clear();
        switch (op % 4) {
            case 0:
                if (length <= static_cast<std::size_t>(kMaxReceiveLength))
                    Deliver(dispatcher, op, payload, length);
                break;
            case 1:
                search.AutoLaunched = false;
                table.CountMisses();
                table.SearchEnded("");
                break;
            case 2:
                table.MarkAllUnanswered();
                search.SearchStart = clock.SteadyTicks();
                view.busy = op & 4;
                if (op & 8) search.FirstSearch = false;
                break;
            case 3:
                view.retries.assign(reinterpret_cast<const char*>(payload), length);
                break;
        }
        clock.AdvanceMs(7);
        Check(table, view);
    }
    return 0;
}

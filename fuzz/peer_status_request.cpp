// SPDX-License-Identifier: GPL-2.0-or-later
// Arbitrary "TVNSTAT" datagrams: each is answered by at most one announcement
// that fits its send buffer.
#include "peer_fuzz.h"

using namespace torvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fakes::PeerRig& rig = fuzzing::Rig();
    rig.settings.paranoia = size > 0 ? data[0] % 3 : 1;
    rig.settings.player_name = std::string(reinterpret_cast<const char*>(data), size);
    const std::string datagram = fuzzing::Datagram(kStatusRequestTag, data, size);
    rig.StatusRequest(datagram);

    fuzzing::Require(rig.protocol.LastStatusRequestTime() == rig.clock.CalendarSeconds());
    fuzzing::Require(rig.sender.sent.size() == (rig.settings.paranoia == 2 ? 0u : 1u));
    for (const std::string& sent : rig.sender.sent) fuzzing::Require(sent.size() < kInfoBufferSize);
    return 0;
}

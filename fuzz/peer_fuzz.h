// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Shared by the peer receivers' fuzz targets: one long-lived set of fakes, so
// that state (the user table, the chat list) builds up across inputs.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tests/peers/peer_fakes.h"

namespace torvane::fuzzing {

inline fakes::PeerRig& Rig() {
    static fakes::PeerRig rig;
    rig.journal.clear();
    rig.services.log.lines.clear();
    rig.sender.sent.clear();
    return rig;
}

// The datagram as the dispatch hands it over: the tag, then the input.
inline std::string Datagram(std::string_view tag, const uint8_t* data, size_t size) {
    return std::string(tag) + std::string(reinterpret_cast<const char*>(data), size);
}

inline void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace torvane::fuzzing

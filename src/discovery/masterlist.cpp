// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/masterlist.h"

#include <cstring>

namespace torvane {

bool IsMasterReply(const char* data, int length) {
    return length >= 0 && static_cast<std::size_t>(length) >= kMasterReplyPrefix.size() &&
           std::memcmp(data, kMasterReplyPrefix.data(), kMasterReplyPrefix.size()) == 0;
}

bool IsQueryableServer(const ServerAddress& server) {
    if (server.port == 0) return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&server.address);
    const uint8_t first = bytes[0];  // network order: the first byte leads
    // 0.0.0.0/8 is "this network"; 224/4 multicast; 240/4 reserved, with
    // 255.255.255.255 among them.
    return first != 0 && first < 224;
}

int MasterList::Merge(const char* data, int length) {
    if (!IsMasterReply(data, length)) return -1;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data);
    const std::size_t end = static_cast<std::size_t>(length);
    int added = 0;
    for (std::size_t at = kMasterReplyPrefix.size(); at + kMasterEntryBytes <= end; at += kMasterEntryBytes) {
        if (servers_.size() >= kMaxServers) break;
        ServerAddress server;
        std::memcpy(&server.address, bytes + at, 4);
        server.port = static_cast<uint16_t>(bytes[at + 4] << 8 | bytes[at + 5]);
        if (!IsQueryableServer(server) || !seen_.insert(server.Key()).second) continue;
        servers_.push_back(server);
        ++added;
    }
    return added;
}

void MasterList::Clear() {
    servers_.clear();
    seen_.clear();
}

}  // namespace torvane

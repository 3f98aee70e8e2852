// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace torvane {

// What a master server is asked: "query", a line feed and a zero byte.
inline constexpr std::array<char, 7> MasterQuery = {'q', 'u', 'e', 'r', 'y', '\n', '\0'};
inline constexpr const char* kDefaultMasterPort = "27900";
// A master's reply: this prefix, then six bytes per game server (its IPv4
// address, then its port, both in network byte order).
inline constexpr std::string_view kMasterReplyPrefix = "\xFF\xFF\xFF\xFFservers ";
inline constexpr std::size_t kMasterEntryBytes = 6;

// A game server as a master lists it.
struct ServerAddress {
    uint32_t address = 0;  // network order
    uint16_t port = 0;     // host order
    bool operator==(const ServerAddress&) const = default;
    uint64_t Key() const { return uint64_t{address} << 16 | port; }
};

// Whether a datagram starts like a master's reply.
bool IsMasterReply(const char* data, int length);

// The servers one master listed in one answer, merged from every datagram of
// it in the order they arrived, each server once. A reply is untrusted: a
// trailing partial entry is ignored, and entries that cannot be a game
// server on the other side of a unicast query (port 0, the zero network,
// multicast, reserved and broadcast addresses) are left out, so that a
// hostile master cannot make Torvane broadcast or flood a group.
class MasterList {
public:
    // A master answers about 10,900 servers per datagram; one that keeps
    // sending is cut off here rather than growing the list without end.
    static constexpr std::size_t kMaxServers = 65536;

    // Adds the servers of one datagram. Answers how many of them were new,
    // or -1 when the datagram is no master reply (and nothing changed).
    int Merge(const char* data, int length);

    const std::vector<ServerAddress>& Servers() const { return servers_; }
    std::size_t size() const { return servers_.size(); }
    void Clear();

private:
    std::vector<ServerAddress> servers_;
    std::unordered_set<uint64_t> seen_;
};

// Whether a listed address and port may be asked for its status.
bool IsQueryableServer(const ServerAddress& server);

}  // namespace torvane

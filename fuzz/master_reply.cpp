// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary datagrams, as the replies of one master, into a master
// list, and checks after each one that the list only grew at its end, holds
// every server once, and holds nothing that may not be asked.
//
// Input: a sequence of datagrams, each two bytes of length (big endian)
// and that many bytes; a leading byte of 1 in a step's length field's place
// clears the list instead (a new answer of the master).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "discovery/masterlist.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "master list: %s\n", what);
    std::abort();
}

void Check(const torvane::MasterList& list, const std::vector<torvane::ServerAddress>& before, int added) {
    const auto& now = list.Servers();
    if (now.size() < before.size() || now.size() > torvane::MasterList::kMaxServers)
        Fail("size out of bounds");
    if (added >= 0 && now.size() != before.size() + static_cast<std::size_t>(added))
        Fail("count of new servers");
    if (added < 0 && now.size() != before.size()) Fail("a datagram that is no reply changed the list");
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!(now[i] == before[i])) Fail("an earlier server moved");
    std::unordered_set<uint64_t> keys;
    for (const auto& server : now) {
        if (!keys.insert(server.Key()).second) Fail("a server listed twice");
        if (!torvane::IsQueryableServer(server)) Fail("an address that may not be asked");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    torvane::MasterList list;
    std::size_t at = 0;
    while (at + 2 <= size) {
        if (data[at] == 1 && data[at + 1] == 0) {
            list.Clear();
            at += 2;
            continue;
        }
        std::size_t length = std::size_t{data[at]} << 8 | data[at + 1];
        at += 2;
        if (length > size - at) length = size - at;
        // A copy the size of the datagram, so reading past it is caught.
        std::vector<char> datagram(data + at, data + at + length);
        at += length;
        const auto before = list.Servers();
        const int added = list.Merge(datagram.data(), static_cast<int>(datagram.size()));
        Check(list, before, added);
    }
    return 0;
}

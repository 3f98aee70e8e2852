// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/masterlist.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvane {
namespace {

ServerAddress At(const char* dotted, uint16_t port) {
    ServerAddress server;
    inet_pton(AF_INET, dotted, &server.address);
    server.port = port;
    return server;
}

std::string Entry(const ServerAddress& server) {
    std::string bytes(reinterpret_cast<const char*>(&server.address), 4);
    bytes += static_cast<char>(server.port >> 8);
    bytes += static_cast<char>(server.port & 0xFF);
    return bytes;
}

std::string Reply(const std::vector<ServerAddress>& servers, const std::string& tail = "") {
    std::string bytes(kMasterReplyPrefix);
    for (const ServerAddress& server : servers) bytes += Entry(server);
    return bytes + tail;
}

int Merge(MasterList& list, const std::string& datagram) {
    return list.Merge(datagram.data(), static_cast<int>(datagram.size()));
}

TEST(MasterQuery, IsQueryLineFeedAndAZeroByte) {
    EXPECT_EQ(std::string(MasterQuery.begin(), MasterQuery.end()), std::string("query\n", 6) + '\0');
    EXPECT_STREQ(kDefaultMasterPort, "27900");
}

TEST(MasterList, ReadsAddressAndPortInNetworkOrder) {
    MasterList list;
    // 10.0.0.1:27910 is 0a 00 00 01 6d 06 on the wire.
    EXPECT_EQ(Merge(list, std::string(kMasterReplyPrefix) + std::string("\x0a\x00\x00\x01\x6d\x06", 6)), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.Servers()[0], At("10.0.0.1", 27910));
}

TEST(MasterList, MergesDatagramsInArrivalOrderEachServerOnce) {
    MasterList list;
    const auto a = At("10.0.0.1", 27910), b = At("10.0.0.2", 27910), c = At("10.0.0.1", 27911),
               d = At("192.168.3.4", 27960);
    EXPECT_EQ(Merge(list, Reply({a, b})), 2);
    // The second datagram repeats b, and lists a server twice in itself.
    EXPECT_EQ(Merge(list, Reply({b, c, c, d})), 2);
    EXPECT_EQ(list.Servers(), (std::vector<ServerAddress>{a, b, c, d}));
}

TEST(MasterList, IgnoresATrailingPartialEntryAndAcceptsAnEmptyList) {
    MasterList list;
    EXPECT_EQ(Merge(list, Reply({})), 0);
    EXPECT_EQ(Merge(list, Reply({At("10.0.0.1", 27910)}, std::string("\x0a\x00\x00", 3))), 1);
    EXPECT_EQ(list.size(), 1u);
}

TEST(MasterList, RefusesWhatIsNoMasterReply) {
    MasterList list;
    const std::string entry = Entry(At("10.0.0.1", 27910));
    EXPECT_EQ(Merge(list, "\xFF\xFF\xFF\xFFservers" + entry), -1);  // no blank
    EXPECT_EQ(Merge(list, "\xFF\xFF\xFF\xFFSERVERS " + entry), -1);
    EXPECT_EQ(Merge(list, "\xFF\xFF\xFF\xFFprint\n\\hostname\\x"), -1);
    EXPECT_EQ(Merge(list, "\xFF\xFF\xFF"), -1);
    EXPECT_EQ(list.Merge(nullptr, -1), -1);
    EXPECT_EQ(list.size(), 0u);
}

TEST(MasterList, LeavesOutAddressesThatMayNotBeAsked) {
    MasterList list;
    EXPECT_EQ(Merge(list, Reply({At("255.255.255.255", 27910), At("0.0.0.0", 27910), At("0.1.2.3", 27910),
                                 At("224.0.0.1", 27910), At("239.1.1.1", 27910), At("240.0.0.1", 27910),
                                 At("10.0.0.1", 0), At("223.255.255.254", 27910)})),
              1);
    EXPECT_EQ(list.Servers(), (std::vector<ServerAddress>{At("223.255.255.254", 27910)}));
}

TEST(MasterList, AHugeListIsTakenWholeUpToTheCap) {
    MasterList list;
    // One full datagram holds about 10,900 entries; several are capped.
    std::vector<ServerAddress> servers;
    for (uint32_t i = 0; i < 10'900; ++i) servers.push_back({htonl(0x0A000000u + i), 27910});
    EXPECT_EQ(Merge(list, Reply(servers)), 10'900);
    for (uint16_t port = 1; list.size() < MasterList::kMaxServers; ++port) {
        for (auto& server : servers) server.port = port;
        Merge(list, Reply(servers));
    }
    for (auto& server : servers) server.port = 40000;
    EXPECT_EQ(Merge(list, Reply(servers)), 0);
    EXPECT_EQ(list.size(), MasterList::kMaxServers);

    list.Clear();
    EXPECT_EQ(Merge(list, Reply({servers[0]})), 1);
}

}  // namespace
}  // namespace torvane

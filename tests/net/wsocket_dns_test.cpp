// SPDX-License-Identifier: GPL-2.0-or-later
// Host lookups, asynchronous and synchronous, and the module's host
// functions. Only dotted addresses, localhost and malformed names are
// looked up; a malformed name is tried on a private network so that no
// query could ever leave the machine.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "net/messageloop.h"
#include "net/wsocket.h"
#include "net/wsocket_hostinfo.h"
#include "support/isolated_lan.h"
#include "wsocket_testing.h"

namespace torvane::test {
namespace {

using Events = std::vector<std::string>;

class WSocketDnsTest : public ::testing::Test {
protected:
    MessageLoop loop;
    EventLog log;
    ProbeSocket socket{loop};
};

TEST_F(WSocketDnsTest, DottedAddressAnswersBeforeDnsLookupReturns) {
    log.Attach(socket);
    socket.DnsLookup("127.0.0.1");
    EXPECT_EQ(Events{"DnsDone 0"}, log.events);
    EXPECT_EQ("127.0.0.1", socket.DnsResult());
    EXPECT_TRUE(socket.DnsResultList().empty());
}

TEST_F(WSocketDnsTest, EmptyHostIsReportedThenAnsweredWithInvalidArgument) {
    EXPECT_EQ("DNS lookup: invalid host name.", ThrownText([&] { socket.DnsLookup(""); }));
    log.Attach(socket);
    socket.DnsLookup("");
    EXPECT_EQ((Events{"Error", "DnsDone 10022"}), log.events);
}

TEST_F(WSocketDnsTest, NameIsResolvedOnAWorkerAndAnsweredFromTheLoop) {
    log.Attach(socket);
    socket.DnsLookup("localhost");
    EXPECT_TRUE(log.events.empty());
    ASSERT_TRUE(PumpUntil(loop, [&] { return !log.events.empty(); }));
    EXPECT_EQ(Events{"DnsDone 0"}, log.events);
    EXPECT_EQ("127.0.0.1", socket.DnsResult());
    ASSERT_FALSE(socket.DnsResultList().empty());
    EXPECT_EQ("127.0.0.1", socket.DnsResultList().front());
}

TEST_F(WSocketDnsTest, NewLookupReplacesThePendingOneAndCancelAnswersInterrupted) {
    log.Attach(socket);
    socket.DnsLookup("localhost");
    socket.DnsLookup("localhost");
    ASSERT_TRUE(PumpUntil(loop, [&] { return !log.events.empty(); }));
    PumpUntil(
        loop, [] { return false; }, 200);  // room for a stray first answer
    EXPECT_EQ(Events{"DnsDone 0"}, log.events);

    log.events.clear();
    socket.CancelDnsLookup();  // nothing pending
    EXPECT_TRUE(log.events.empty());
    socket.DnsLookup("localhost");
    socket.CancelDnsLookup();
    EXPECT_EQ(Events{"DnsDone 10004"}, log.events);
    PumpUntil(
        loop, [] { return false; }, 200);
    EXPECT_EQ(Events{"DnsDone 10004"}, log.events);
}

TEST_F(WSocketDnsTest, SocketDestroyedDuringALookupHearsNothing) {
    int answers = 0;
    {
        TWSocket doomed(loop);
        doomed.OnDnsLookupDone = [&](TCustomWSocket&, uint16_t) { ++answers; };
        doomed.DnsLookup("localhost");
    }
    PumpUntil(
        loop, [] { return false; }, 200);
    EXPECT_EQ(0, answers);
}

TEST_F(WSocketDnsTest, HostRecordsOfLocalhost) {
    const std::optional<THostEnt> byName = WSocketGetHostByName("localhost");
    ASSERT_TRUE(byName.has_value());
    ASSERT_FALSE(byName->h_addr_list.empty());
    EXPECT_EQ(htonl(INADDR_LOOPBACK), byName->h_addr_list.front().s_addr);

    const std::optional<THostEnt> byAddr = WSocketGetHostByAddr("127.0.0.1");
    ASSERT_TRUE(byAddr.has_value());
    EXPECT_FALSE(byAddr->h_name.empty());
    EXPECT_FALSE(WSocketGetHostByAddr("not an address").has_value());
    EXPECT_FALSE(WSocketGetHostByName(std::string(300, 'a')).has_value());
}

TEST_F(WSocketDnsTest, LocalHostNameAndPlatformRecord) {
    char name[256] = {};
    ASSERT_EQ(0, gethostname(name, sizeof name - 1));
    EXPECT_EQ(name, LocalHostName());

    const TWSAData info = WinsockInfo();
    EXPECT_EQ(0x0101, info.wVersion);
    EXPECT_EQ(65507, info.iMaxUdpDg);
    EXPECT_GT(info.iMaxSockets, 0);
    EXPECT_EQ("Running", info.szSystemStatus);
}

using WSocketPrivateLanDnsTest = PrivateLanTest;

TEST_F(WSocketPrivateLanDnsTest, MalformedNameAnswersHostNotFound) {
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  MessageLoop loop;
                  EventLog log;
                  TWSocket socket(loop);
                  log.Attach(socket);
                  socket.DnsLookup("no..such..host");
                  ASSERT_TRUE(PumpUntil(loop, [&] { return !log.events.empty(); }));
                  EXPECT_EQ(Events{"DnsDone 11001"}, log.events);
                  EXPECT_EQ("", socket.DnsResult());
              }));
}

TEST_F(WSocketPrivateLanDnsTest, LocalIPListNamesTheLanAddress) {
    EXPECT_EQ(0, RunInIsolatedLan([] { EXPECT_EQ(std::vector<std::string>{"10.99.0.1"}, LocalIPList()); }));
}

}  // namespace
}  // namespace torvane::test

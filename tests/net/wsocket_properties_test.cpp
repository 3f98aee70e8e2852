// SPDX-License-Identifier: GPL-2.0-or-later
// Address, port and protocol resolution, the error routing and the defaults
// that every close restores.

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "net/messageloop.h"
#include "net/wsocket.h"
#include "wsocket_testing.h"

namespace torvane::test {
namespace {

class WSocketPropertiesTest : public ::testing::Test {
protected:
    MessageLoop loop;
    EventLog log;  // outlives the socket, whose destructor may still report
    ProbeSocket socket{loop};
};

TEST_F(WSocketPropertiesTest, PortTakesTheLow16BitsOfItsLeadingDigits) {
    socket.SetPort("70000");
    EXPECT_EQ(4464, socket.FPortNumber);
    EXPECT_EQ(htons(4464), socket.FTargetAddress.sin_port);
    socket.SetPort("  27910abc");
    EXPECT_EQ(27910, socket.FPortNumber);
    EXPECT_EQ("  27910abc", socket.Port());  // the text is kept untrimmed
    EXPECT_TRUE(socket.FPortSet);
}

TEST_F(WSocketPropertiesTest, PortServiceNamesAreLookedUpForTheProtocol) {
    socket.SetProto("tcp");
    socket.SetPort("http");
    EXPECT_EQ(80, socket.FPortNumber);
    EXPECT_TRUE(socket.FPortSet);
}

TEST_F(WSocketPropertiesTest, UnknownOrBlankPortIsAConversionReport) {
    socket.SetPort("27910");
    EXPECT_EQ("Error 11004 in function SetPort: Cannot convert port 'no-such-service'\r\nNo Data",
              ThrownText([&] { socket.SetPort(" no-such-service "); }));
    EXPECT_FALSE(socket.FPortSet);
    EXPECT_EQ(27910, socket.FPortNumber);  // the old port stays
    EXPECT_EQ("Error 11004 in function SetPort: Cannot convert port ''\r\nNo Data",
              ThrownText([&] { socket.SetPort("   "); }));
    EXPECT_EQ("Error 11004 in function SetPort: Cannot convert port ''\r\nNo Data",
              ThrownText([&] { socket.SetPort(""); }));

    log.Attach(socket);
    socket.SetPort("");
    EXPECT_EQ(std::vector<std::string>{"Error"}, log.events);
    EXPECT_FALSE(socket.FPortSet);
}

TEST_F(WSocketPropertiesTest, ProtocolNamesNumbersAndTheNotFoundText) {
    socket.SetProto("udp");
    EXPECT_EQ(17, socket.FProtoNumber);
    EXPECT_EQ(2, socket.FSocketKind);
    socket.SetProto("6");
    EXPECT_EQ(6, socket.FProtoNumber);
    EXPECT_EQ(1, socket.FSocketKind);
    socket.SetProto("17");
    EXPECT_EQ(2, socket.FSocketKind);

    socket.SetProto("not found");
    EXPECT_EQ("not found", socket.Proto());
    EXPECT_EQ(17, socket.FProtoNumber);
    EXPECT_EQ(2, socket.FSocketKind);
    EXPECT_TRUE(socket.FProtoSet);

    EXPECT_EQ("Error 11004 in function SetProto: Cannot convert protocol 'nonsense'\r\nNo Data",
              ThrownText([&] { socket.SetProto("nonsense"); }));
    EXPECT_FALSE(socket.FProtoSet);
    EXPECT_EQ("Error 11004 in function SetProto: Cannot convert protocol ''\r\nNo Data",
              ThrownText([&] { socket.SetProto(" "); }));
}

TEST_F(WSocketPropertiesTest, AddressesResolveAndUnknownHostsThrowWhateverOnErrorSays) {
    socket.SetAddr("255.255.255.255");
    EXPECT_EQ(INADDR_BROADCAST, socket.FTargetAddress.sin_addr.s_addr);
    socket.SetAddr("0.0.0.0");
    EXPECT_EQ(INADDR_ANY, socket.FTargetAddress.sin_addr.s_addr);
    socket.SetAddr(" localhost ");
    EXPECT_EQ(htonl(INADDR_LOOPBACK), socket.FTargetAddress.sin_addr.s_addr);
    EXPECT_TRUE(socket.FAddrSet);

    log.Attach(socket);
    EXPECT_EQ("SetAddr: Cannot convert host address 'no..such..host'",
              ThrownText([&] { socket.SetAddr("no..such..host"); }));
    EXPECT_TRUE(log.events.empty());
    EXPECT_FALSE(socket.FAddrSet);

    socket.SetPort("27910");
    socket.Connect();  // routed to OnError: no address
    EXPECT_EQ(std::vector<std::string>{"Error"}, log.events);
    socket.OnError = nullptr;
    EXPECT_EQ("Connect: No IP Address Specified", ThrownText([&] { socket.Connect(); }));
}

TEST_F(WSocketPropertiesTest, ConnectChecksComeInOrder) {
    EXPECT_EQ("Connect: No Port Specified", ThrownText([&] { socket.Connect(); }));
    socket.SetPort("1");
    socket.SetAddr("127.0.0.1");
    ThrownText([&] { socket.SetProto("nonsense"); });
    EXPECT_EQ("Connect: No Protocol Specified", ThrownText([&] { socket.Connect(); }));
    EXPECT_EQ(wsClosed, socket.State());
}

TEST_F(WSocketPropertiesTest, ListenChecksReportInvalidArgument) {
    EXPECT_EQ("Error 10022 in function listen: port not assigned\r\nInvalid argument",
              ThrownText([&] { socket.Listen(); }));
    socket.SetPort("0");
    log.Attach(socket);
    EXPECT_EQ(-1, socket.Listen());
    EXPECT_EQ(std::vector<std::string>{"Error"}, log.events);
    EXPECT_EQ(wsClosed, socket.State());
}

TEST_F(WSocketPropertiesTest, OpenSocketRefusesNewSettingsButKeepsTheText) {
    SetUdp(socket, "127.0.0.1", "0");
    socket.Connect();
    ASSERT_EQ(wsConnected, socket.State());
    const sockaddr_in before = socket.FTargetAddress;
    EXPECT_EQ("<nothing thrown>", ThrownText([&] { socket.SetAddr("127.0.0.1"); }));  // same text

    EXPECT_EQ("Cannot change Addr if not closed", ThrownText([&] { socket.SetAddr("10.1.2.3"); }));
    EXPECT_EQ("10.1.2.3", socket.Addr());
    EXPECT_EQ(before.sin_addr.s_addr, socket.FTargetAddress.sin_addr.s_addr);
    EXPECT_EQ("Cannot change Port if not closed", ThrownText([&] { socket.SetPort("99"); }));
    EXPECT_EQ("Cannot change Proto if not closed", ThrownText([&] { socket.SetProto("tcp"); }));
    EXPECT_EQ("Connect: Socket already in use", ThrownText([&] { socket.Connect(); }));
}

TEST_F(WSocketPropertiesTest, CloseRestoresTheDefaultsButKeepsAddrAndPortTexts) {
    SetUdp(socket, "127.0.0.1", "27999");
    socket.SetFlushTimeout(5);
    socket.Connect();
    socket.Close();
    EXPECT_EQ(wsClosed, socket.State());
    EXPECT_EQ("tcp", socket.Proto());
    EXPECT_EQ(60, socket.FlushTimeout());
    EXPECT_EQ(0, socket.ReadCount());
    EXPECT_EQ("127.0.0.1", socket.Addr());
    EXPECT_EQ("27999", socket.Port());
    EXPECT_FALSE(socket.FAddrSet);
    EXPECT_EQ(0u, socket.FTargetAddress.sin_addr.s_addr);

    // The same texts resolve again after the close.
    socket.SetAddr("127.0.0.1");
    EXPECT_TRUE(socket.FAddrSet);
    EXPECT_EQ(htonl(INADDR_LOOPBACK), socket.FTargetAddress.sin_addr.s_addr);
}

}  // namespace
}  // namespace torvane::test

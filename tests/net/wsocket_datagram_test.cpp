// SPDX-License-Identifier: GPL-2.0-or-later
// The datagram path: opening, the order of events, sending through the chunk
// queue and the receive loop.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/messageloop.h"
#include "net/wsocket.h"
#include "support/isolated_lan.h"
#include "wsocket_testing.h"

namespace torvane::test {
namespace {

using Events = std::vector<std::string>;

int BroadcastOption(int fd) {
    int value = -1;
    socklen_t length = sizeof value;
    EXPECT_EQ(0, getsockopt(fd, SOL_SOCKET, SO_BROADCAST, &value, &length));
    return value;
}

// Reads one datagram of `sender` into `received`.
void ReceiveOne(TCustomWSocket& sender, Events& received) {
    char buffer[100];
    const int length = sender.Receive(buffer, sizeof buffer);
    received.emplace_back(buffer, static_cast<size_t>(std::max(length, 0)));
}

class WSocketDatagramTest : public ::testing::Test {
protected:
    // Listens on an automatic loopback port and answers it.
    uint16_t ListenOnLoopback() {
        SetUdp(socket, "127.0.0.1", "0");
        EXPECT_EQ(0, socket.Listen());
        return static_cast<uint16_t>(std::stoi(socket.GetXPort()));
    }

    MessageLoop loop;
    EventLog log;  // outlives the socket, whose destructor may still report
    ProbeSocket socket{loop};
    BareUdp peer;
};

TEST_F(WSocketDatagramTest, ConnectOpensSendsFromItsHandlerAndReportsDataSentTwiceLater) {
    log.Attach(socket);
    int sentInsideHandler = -2;
    socket.OnSessionConnected = [&](TCustomWSocket& sender, uint16_t error) {
        log.Add("Connected", error);
        sentInsideHandler = sender.SendStr("01234567890123456789");
        log.events.push_back("Sent");
    };
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();

    EXPECT_EQ((Events{"State 7>1", "State 1>4", "Connected 0", "Sent"}), log.events);
    EXPECT_EQ(20, sentInsideHandler);
    EXPECT_EQ(wsConnected, socket.State());
    EXPECT_EQ(0, BroadcastOption(socket.FSocketHandle));  // unicast: no option
    EXPECT_NE(0, socket.FLocalPort);                      // bound to an automatic port

    Drain(loop);
    EXPECT_EQ(2, log.Count("DataSent 0"));
    EXPECT_EQ(Events{"01234567890123456789"}, peer.Receive());
}

TEST_F(WSocketDatagramTest, ListenBindsAndFiresThreeStateChangesAndConnected) {
    log.Attach(socket);
    SetUdp(socket, "0.0.0.0", "0");
    EXPECT_EQ(0, socket.Listen());
    EXPECT_EQ((Events{"State 7>2", "State 2>6", "State 6>4", "Connected 0"}), log.events);
    EXPECT_EQ(wsConnected, socket.State());
    EXPECT_NE("error", socket.GetXPort());
    // The local name the port is read from.
    sockaddr_in local{};
    int length = sizeof local;
    ASSERT_EQ(0, socket.GetSockName(local, length));
    EXPECT_EQ(static_cast<int>(sizeof local), length);
    EXPECT_EQ(socket.GetXPort(), std::to_string(ntohs(local.sin_port)));
    EXPECT_EQ(INADDR_ANY, ntohl(local.sin_addr.s_addr));
}

TEST_F(WSocketDatagramTest, ListenThatSendsFromItsConnectedHandlerReportsDataSentTwiceLater) {
    log.Attach(socket);
    socket.OnSessionConnected = [&](TCustomWSocket& sender, uint16_t error) {
        log.Add("Connected", error);
        sender.SendStr("to my own address");
    };
    uint16_t port = 0;  // a free port: a listening socket sends to its own address
    {
        BareUdp probe;
        port = probe.Port();
    }
    SetUdp(socket, "127.0.0.1", std::to_string(port));
    ASSERT_EQ(0, socket.Listen());
    EXPECT_EQ(0, log.Count("DataSent 0"));  // never inside the operation
    Drain(loop);
    // The send's own notification, queued before the socket was registered,
    // and the first write notification after registration.
    EXPECT_EQ(2, log.Count("DataSent 0"));

    // A socket gone before its notification is dispatched hears nothing.
    int doomedSent = 0;
    {
        ProbeSocket doomed{loop};
        doomed.OnSessionConnected = [](TCustomWSocket& sender, uint16_t) { sender.SendStr("late"); };
        doomed.OnDataSent = [&](TCustomWSocket&, uint16_t) { ++doomedSent; };
        SetUdp(doomed, "127.0.0.1", std::to_string(port));
        socket.Close();  // frees the port for the doomed copy
        ASSERT_EQ(0, doomed.Listen());
    }
    Drain(loop);
    EXPECT_EQ(0, doomedSent);
}

int OpenDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator{}));
}

TEST_F(WSocketDatagramTest, ListenOnATakenPortReports10048AndStaysClosed) {
    // The port is held by another copy of the component: neither may ask
    // for address reuse, or both would get it.
    ProbeSocket first{loop};
    SetUdp(first, "0.0.0.0", "0");
    ASSERT_EQ(0, first.Listen());
    SetUdp(socket, "0.0.0.0", first.GetXPort());
    const int descriptors = OpenDescriptors();
    EXPECT_EQ("Error 10048 in function Bind\r\nAddress already in use", ThrownText([&] { socket.Listen(); }));
    EXPECT_EQ(wsClosed, socket.State());
    EXPECT_EQ(-1, socket.FSocketHandle);
    EXPECT_EQ(descriptors, OpenDescriptors());  // the thrown report leaked nothing

    log.Attach(socket);
    EXPECT_EQ(-1, socket.Listen());
    EXPECT_EQ(Events{"Error"}, log.events);
    EXPECT_EQ(wsClosed, socket.State());
}

TEST_F(WSocketDatagramTest, SendOnAClosedSocketReportsNotConnected) {
    EXPECT_EQ("Error 10057 in function Send\r\nSocket is not connected",
              ThrownText([&] { socket.SendStr("x"); }));
    log.Attach(socket);
    EXPECT_EQ(-1, socket.SendStr("x"));
    EXPECT_EQ((Events{"State 7>7", "Error"}), log.events);  // the report closes, even what is closed
    EXPECT_EQ(0, socket.LastError());                       // a send never touches LastError
}

TEST_F(WSocketDatagramTest, ReceivingOnAClosedSocketNamesTheHandleNoSocket) {
    char buffer[8];
    EXPECT_EQ(-1, socket.Receive(buffer, sizeof buffer));
    EXPECT_EQ(10038, socket.LastError());
    EXPECT_EQ("Error 10038 in function ioctlSocket\r\nSocket operation on non-socket",
              ThrownText([&] { socket.GetRcvdCount(); }));
}

TEST_F(WSocketDatagramTest, SendRefusedAsAnInvalidArgumentClosesWithoutAReport) {
    log.Attach(socket);
    SetUdp(socket, "127.0.0.1", "0");  // no datagram can go to port 0
    socket.Connect();
    log.events.clear();
    EXPECT_EQ(5, socket.SendStr("lost!"));  // queued, then refused by the platform
    EXPECT_EQ((Events{"State 4>7", "Closed 0"}), log.events);
    EXPECT_EQ("tcp", socket.Proto());  // an ordinary close: defaults restored
}

TEST_F(WSocketDatagramTest, LargeMessageLeavesAsFullChunkAndRest) {
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    const std::string message(2000, 'q');
    EXPECT_EQ(2000, socket.SendStr(message));
    const Events datagrams = peer.Receive();
    ASSERT_EQ(2u, datagrams.size());
    EXPECT_EQ(1514u, datagrams[0].size());
    EXPECT_EQ(486u, datagrams[1].size());
    EXPECT_EQ(message, datagrams[0] + datagrams[1]);
    EXPECT_EQ(1u, socket.FSendQueue.size());  // the emptied last chunk stays
}

TEST_F(WSocketDatagramTest, EmptySendOnAFreshSocketLeavesNoDataSent) {
    log.Attach(socket);
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    Drain(loop);
    log.events.clear();
    EXPECT_EQ(0, socket.Send("", 0));
    EXPECT_FALSE(socket.FQueueDrained);
    Drain(loop);
    EXPECT_TRUE(log.events.empty());

    // Flush of that socket must not wait for a send that never comes.
    socket.SetMultiThreaded(true);
    socket.Flush();
    EXPECT_EQ(wsConnected, socket.State());

    // Once a chunk is queued, an empty send drains it and is reported.
    socket.SendStr("x");
    Drain(loop);
    log.events.clear();
    EXPECT_EQ(0, socket.Send("", 0));
    EXPECT_TRUE(log.events.empty());
    Drain(loop);
    EXPECT_EQ(Events{"DataSent 0"}, log.events);
}

TEST_F(WSocketDatagramTest, OneDispatchDeliversEveryQueuedDatagramWithItsSender) {
    const uint16_t port = ListenOnLoopback();
    Events received;
    std::vector<uint16_t> senders;
    socket.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t error) {
        EXPECT_EQ(0, error);
        char buffer[100];
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int length = sender.ReceiveFrom(buffer, sizeof buffer, from, fromLength);
        ASSERT_GE(length, 0);
        received.emplace_back(buffer, static_cast<size_t>(length));
        senders.push_back(ntohs(from.sin_port));
        EXPECT_EQ(htonl(INADDR_LOOPBACK), from.sin_addr.s_addr);
    };
    peer.SendTo(port, "one");
    peer.SendTo(port, "two");
    peer.SendTo(port, "three");
    socket.WMASyncSelect(socket.FSocketHandle, kNotifyRead, 0);  // one read notification
    EXPECT_EQ((Events{"one", "two", "three"}), received);
    EXPECT_EQ((std::vector<uint16_t>{peer.Port(), peer.Port(), peer.Port()}), senders);
    EXPECT_EQ(11, socket.ReadCount());
}

TEST_F(WSocketDatagramTest, OneDispatchDeliversABoundedNumberAndTheNextNotificationTheRest) {
    const uint16_t port = ListenOnLoopback();
    Events received;
    socket.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) { ReceiveOne(sender, received); };
    const int queued = TCustomWSocket::kMaxDatagramsPerDispatch + 5;
    for (int i = 0; i < queued; ++i) peer.SendTo(port, std::to_string(i));
    socket.WMASyncSelect(socket.FSocketHandle, kNotifyRead, 0);
    ASSERT_EQ(static_cast<size_t>(TCustomWSocket::kMaxDatagramsPerDispatch), received.size());
    EXPECT_EQ("0", received.front());
    // The loop notices the rest by itself, in order.
    ASSERT_TRUE(PumpUntil(loop, [&] { return received.size() == static_cast<size_t>(queued); }));
    EXPECT_EQ(std::to_string(queued - 1), received.back());
}

TEST_F(WSocketDatagramTest, ExceptionInTheHandlerIsSwallowedAndTheRestWaits) {
    const uint16_t port = ListenOnLoopback();
    Events received;
    socket.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        ReceiveOne(sender, received);
        if (received.back() == "bad") throw std::runtime_error("malformed reply");
    };
    peer.SendTo(port, "bad");
    peer.SendTo(port, "good");
    socket.WMASyncSelect(socket.FSocketHandle, kNotifyRead, 0);
    EXPECT_EQ(Events{"bad"}, received);  // the throw ended that dispatch, silently
    ASSERT_TRUE(PumpUntil(loop, [&] { return received.size() == 2; }));
    EXPECT_EQ((Events{"bad", "good"}), received);
}

TEST_F(WSocketDatagramTest, PausedSocketHearsNothingUntilResumed) {
    const uint16_t port = ListenOnLoopback();
    Events received;
    socket.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        received.push_back(sender.ReceiveStr());
    };
    socket.Pause();
    peer.SendTo(port, "held");
    PumpUntil(
        loop, [&] { return !received.empty(); }, 200);
    EXPECT_TRUE(received.empty());
    socket.Resume();
    ASSERT_TRUE(PumpUntil(loop, [&] { return !received.empty(); }));
    EXPECT_EQ(Events{"held"}, received);
}

TEST_F(WSocketDatagramTest, PeerAddressOfAnUnconnectedDatagramSocketReportsAndCloses) {
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    sockaddr_in address{};
    address.sin_port = 4242;
    EXPECT_EQ(-1, socket.GetPeerName(address, sizeof address));
    EXPECT_EQ(4242, address.sin_port);  // untouched
    EXPECT_EQ(wsConnected, socket.State());

    log.Attach(socket);
    EXPECT_EQ("error", socket.GetPeerAddr());
    EXPECT_EQ((Events{"State 4>7", "Error"}), log.events);
    EXPECT_EQ(-1, socket.FSocketHandle);
}

TEST_F(WSocketDatagramTest, SessionClosedFiresOnceAndCloseOfAClosedSocketDoesNothing) {
    log.Attach(socket);
    SetUdp(socket, "127.0.0.1", std::to_string(peer.Port()));
    socket.Connect();
    log.events.clear();
    socket.Close();
    EXPECT_EQ((Events{"State 4>7", "Closed 0"}), log.events);
    socket.Close();
    socket.Abort();
    EXPECT_EQ(2u, log.events.size());
}

TEST_F(WSocketDatagramTest, NotificationsOfAClosedHandleAreIgnored) {
    SetUdp(socket, "127.0.0.1", "0");
    socket.Listen();
    int calls = 0;
    socket.OnDataAvailable = [&](TCustomWSocket&, uint16_t) { ++calls; };
    const int oldHandle = socket.FSocketHandle;
    socket.Close();
    socket.WMASyncSelect(oldHandle, kNotifyRead, 0);
    EXPECT_EQ(0, calls);
}

TEST_F(WSocketDatagramTest, BytesReadableCountsEveryQueuedDatagramAndAnEmptyOneDoesNotEndTheLoop) {
    const uint16_t port = ListenOnLoopback();
    Events received;
    socket.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        char buffer[100];
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int length = sender.ReceiveFrom(buffer, sizeof buffer, from, fromLength);
        ASSERT_GE(length, 0);
        received.emplace_back(buffer, static_cast<size_t>(length));
    };
    peer.SendTo(port, "one");
    peer.SendTo(port, "");
    peer.SendTo(port, "three");
    EXPECT_EQ(8, socket.RcvdCount());
    socket.WMASyncSelect(socket.FSocketHandle, kNotifyRead, 0);
    EXPECT_EQ((Events{"one", "", "three"}), received);
    EXPECT_EQ(0, socket.RcvdCount());

    // What the count walked over is still there to read, in order.
    peer.SendTo(port, "four");
    peer.SendTo(port, "five");
    EXPECT_EQ(8, socket.RcvdCount());
    EXPECT_EQ("four", socket.ReceiveStr());
    char buffer[8];
    EXPECT_EQ(4, socket.PeekData(buffer, sizeof buffer));
    EXPECT_EQ("five", socket.ReceiveStr());
}

TEST_F(WSocketDatagramTest, ReadCountGoesPastTwoGibibytes) {
    const uint16_t port = ListenOnLoopback();
    socket.FReadCount = INT32_MAX - 5;  // as after a long run of replies
    peer.SendTo(port, std::string(20, 'r'));
    char buffer[64];
    sockaddr_in from{};
    int fromLength = sizeof from;
    ASSERT_EQ(20, socket.ReceiveFrom(buffer, sizeof buffer, from, fromLength));
    EXPECT_EQ(int64_t{INT32_MAX} + 15, socket.ReadCount());
}

TEST_F(WSocketDatagramTest, ADataHandlerMayDestroyItsSocket) {
    auto doomed = std::make_unique<ProbeSocket>(loop);
    SetUdp(*doomed, "127.0.0.1", "0");
    ASSERT_EQ(0, doomed->Listen());
    const uint16_t port = static_cast<uint16_t>(std::stoi(doomed->GetXPort()));
    int calls = 0;
    doomed->OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        ++calls;
        sender.ReceiveStr();
        doomed.reset();
    };
    peer.SendTo(port, "first");
    peer.SendTo(port, "second");
    ASSERT_TRUE(PumpUntil(loop, [&] { return doomed == nullptr; }));
    Drain(loop);
    EXPECT_EQ(1, calls);
}

TEST_F(WSocketDatagramTest, ASessionClosedHandlerMayDestroyItsSocket) {
    auto doomed = std::make_unique<ProbeSocket>(loop);
    int closed = 0;
    doomed->OnSessionClosed = [&](TCustomWSocket&, uint16_t) {
        ++closed;
        doomed.reset();
    };
    SetUdp(*doomed, "127.0.0.1", std::to_string(peer.Port()));
    doomed->Connect();
    doomed->Close();
    EXPECT_EQ(nullptr, doomed);
    EXPECT_EQ(1, closed);
}

// Broadcasts leave only on the private LAN of a fresh network namespace.
using WSocketBroadcastTest = PrivateLanTest;

TEST_F(WSocketBroadcastTest, LimitedBroadcastGetsTheOptionAndReachesTheLan) {
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  MessageLoop loop;
                  BareUdp listener(sockaddr_in{AF_INET, htons(27910), {INADDR_ANY}, {}});
                  EventLog log;
                  ProbeSocket socket{loop};
                  log.Attach(socket);
                  SetUdp(socket, "255.255.255.255", "27910");
                  socket.OnSessionConnected = [](TCustomWSocket& sender, uint16_t) {
                      sender.SendStr("query");
                  };
                  socket.Connect();
                  EXPECT_EQ(1, BroadcastOption(socket.FSocketHandle));
                  EXPECT_EQ(Events{"query"}, listener.Receive());
                  Drain(loop);
                  EXPECT_EQ(2, log.Count("DataSent 0"));
                  EXPECT_EQ(0, log.Count("Error"));
              }));
}

TEST_F(WSocketBroadcastTest, SubnetBroadcastWithoutTheOptionFailsAndIsNotResent) {
    EXPECT_EQ(0, RunInIsolatedLan([] {
                  MessageLoop loop;
                  BareUdp listener(sockaddr_in{AF_INET, htons(27910), {INADDR_ANY}, {}});
                  ProbeSocket socket{loop};
                  SetUdp(socket, "10.99.0.255", "27910");
                  socket.Connect();
                  EXPECT_EQ(0, BroadcastOption(socket.FSocketHandle));
                  EXPECT_EQ("Error 10013 in function TryToSend failed\r\nPermission denied",
                            ThrownText([&] { socket.SendStr("first"); }));
                  // The refused datagram is dropped: the queue survives a close,
                  // and the next session must not send it glued to its own.
                  socket.Close();
                  SetUdp(socket, "127.0.0.1", "27910");
                  socket.Connect();
                  socket.SendStr("second");
                  EXPECT_EQ(Events{"second"}, listener.Receive());
              }));
}

TEST_F(WSocketDatagramTest, ReceiveStampsTellWhenADatagramArrivedNotWhenItWasRead) {
    socket.SetReceiveStamps(true);
    const uint16_t port = ListenOnLoopback();
    char buffer[32];
    sockaddr_in from{};
    int from_length = sizeof from;
    pollfd ready{socket.HSocket(), POLLIN, 0};
    // The platform switches stamping on for the whole machine a moment after
    // the first socket asks for it, and stamps what arrives before that at
    // the read: a first datagram, read well after, lets that moment pass.
    peer.SendTo(port, "first");
    ASSERT_EQ(1, ::poll(&ready, 1, 5000));
    ::poll(nullptr, 0, 50);
    ASSERT_EQ(5, socket.ReceiveFrom(buffer, sizeof buffer, from, from_length));

    const Clock& clock = SystemClock::Instance();
    const int64_t before_send = clock.SteadyTicks();
    peer.SendTo(port, "stamped");
    // Once the datagram waits in the queue, any later reading of the clock
    // is past its arrival. It is read 50 ms later, and a stamp taken at the
    // read would be that much later too; the carrying over from the wall
    // clock may err by microseconds, far below the 1 ms allowed.
    ASSERT_EQ(1, ::poll(&ready, 1, 5000));
    const int64_t queued = clock.SteadyTicks();
    ::poll(nullptr, 0, 50);
    ASSERT_EQ(7, socket.ReceiveFrom(buffer, sizeof buffer, from, from_length));
    EXPECT_EQ(std::string(buffer, 7), "stamped");
    EXPECT_EQ(peer.Port(), ntohs(from.sin_port));
    EXPECT_GE(socket.LastArrivalTicks(), before_send);
    EXPECT_LE(socket.LastArrivalTicks(), queued + 10'000);

    // Switched off on the open socket: no stamp, the reader's clock stands in.
    socket.SetReceiveStamps(false);
    peer.SendTo(port, "plain");
    ASSERT_EQ(1, ::poll(&ready, 1, 5000));
    ASSERT_EQ(5, socket.ReceiveFrom(buffer, sizeof buffer, from, from_length));
    EXPECT_EQ(socket.LastArrivalTicks(), 0);
}

}  // namespace
}  // namespace torvane::test

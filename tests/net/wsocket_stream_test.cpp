// SPDX-License-Identifier: GPL-2.0-or-later
// The stream path on loopback TCP: connecting, accepting into a second
// component, the line reader, and the end of a session.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "net/messageloop.h"
#include "net/wait.h"
#include "net/wsocket.h"
#include "platform/uniquefd.h"
#include "wsocket_testing.h"

namespace torvane::test {
namespace {

using Events = std::vector<std::string>;

void SetTcp(TCustomWSocket& socket, const std::string& port) {
    socket.SetProto("tcp");
    socket.SetAddr("127.0.0.1");
    socket.SetPort(port);
}

// A listening server, a client connected to it and the server's end of the
// session adopted by a third component.
class WSocketStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetTcp(server, "0");
        ASSERT_EQ(0, server.Listen());
        ASSERT_EQ(wsListening, server.State());
        server.OnSessionAvailable = [this](TCustomWSocket& sender, uint16_t error) {
            EXPECT_EQ(0, error);
            session.Dup(sender.Accept());
        };
        SetTcp(client, server.GetXPort());
    }

    void ConnectClient() {
        client.Connect();
        ASSERT_TRUE(
            PumpUntil(loop, [&] { return client.State() == wsConnected && session.State() == wsConnected; }));
    }

    MessageLoop loop;
    EventLog clientLog;
    EventLog sessionLog;
    ProbeSocket server{loop};
    ProbeSocket client{loop};
    ProbeSocket session{loop};
};

TEST_F(WSocketStreamTest, ConnectReportsTheOutcomeFromTheLoop) {
    clientLog.Attach(client);
    client.Connect();
    EXPECT_EQ((Events{"State 7>1", "State 1>3"}), clientLog.events);
    ASSERT_TRUE(PumpUntil(loop, [&] { return session.State() == wsConnected; }));
    ASSERT_TRUE(PumpUntil(loop, [&] { return clientLog.Count("DataSent 0") == 1; }));
    EXPECT_EQ((Events{"State 7>1", "State 1>3", "State 3>4", "Connected 0", "DataSent 0"}), clientLog.events);
    EXPECT_EQ("127.0.0.1", client.GetPeerAddr());
    EXPECT_EQ("127.0.0.1", session.GetPeerAddr());
}

TEST_F(WSocketStreamTest, RefusedConnectionIsReportedAndClosed) {
    ProbeSocket lonely{loop};
    clientLog.Attach(lonely);
    const std::string port = server.GetXPort();
    server.Close();  // nobody listens there any more
    SetTcp(lonely, port);
    lonely.Connect();
    ASSERT_TRUE(PumpUntil(loop, [&] { return lonely.State() == wsClosed; }));
    EXPECT_EQ((Events{"State 7>1", "State 1>3", "State 3>4", "Connected 10061", "State 4>7", "Closed 0"}),
              clientLog.events);
}

TEST_F(WSocketStreamTest, ReadLineDropsCarriageReturnsAndSplitsOverlongLines) {
    ConnectClient();
    session.SetMultiThreaded(true);
    int tooLong = 0;
    session.OnLineTooLong = [&](TCustomWSocket&) { ++tooLong; };

    client.SendStr("abc\r\n" + std::string(300, 'x') + "\n");
    std::string line;
    session.ReadLine(5, line);
    EXPECT_EQ("abc", line);
    session.ReadLine(5, line);
    EXPECT_EQ(std::string(254, 'x'), line);
    EXPECT_EQ(1, tooLong);
    session.ReadLine(5, line);
    EXPECT_EQ(std::string(46, 'x'), line);
    EXPECT_EQ(1, tooLong);
    EXPECT_EQ(5 + 301, session.ReadCount());
}

TEST_F(WSocketStreamTest, ReadLineWaitsForTheRestOfTheLineWithTheWaitControl) {
    ConnectClient();
    TWait wait(loop);
    session.SetWaitCtrl(&wait);
    client.SendStr("hel");
    ASSERT_TRUE(PumpUntil(loop, [&] { return session.RcvdCount() == 3; }));
    loop.Post([&] { client.SendStr("lo\r\n"); });
    std::string line;
    session.ReadLine(5, line);
    EXPECT_EQ("hello", line);
    EXPECT_EQ(TCustomWait::kModalStopped, wait.ModalResult());  // stopped by the line end
    EXPECT_FALSE(wait.Visible());
}

TEST_F(WSocketStreamTest, ReadLineWithoutWaitControlReportsAndLeavesTheText) {
    ConnectClient();
    sessionLog.Attach(session);
    std::string line = "untouched";
    session.ReadLine(1, line);
    EXPECT_EQ("untouched", line);
    EXPECT_EQ(Events{"Error"}, sessionLog.events);
}

TEST_F(WSocketStreamTest, PeerCloseDeliversTheRestThenClosesOnce) {
    ConnectClient();
    sessionLog.Attach(session);
    std::string received;
    session.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) { received += sender.ReceiveStr(); };
    client.SendStr("last words");
    client.Close();
    ASSERT_TRUE(PumpUntil(loop, [&] { return session.State() == wsClosed; }));
    Drain(loop);
    EXPECT_EQ("last words", received);
    EXPECT_EQ(1, sessionLog.Count("Closed 0"));
    EXPECT_EQ("tcp", session.Proto());  // defaults restored by the close
}

TEST_F(WSocketStreamTest, WaitForCloseDeliversDataUntilThePeerEnds) {
    ConnectClient();
    std::string received;
    session.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) { received += sender.ReceiveStr(); };
    loop.Post([&] {
        client.SendStr("bye");
        client.Close();
    });
    session.WaitForClose();
    EXPECT_EQ("bye", received);
    EXPECT_EQ(0, session.LastError());
}

TEST_F(WSocketStreamTest, WaitReachesTheStateThroughTheWaitControl) {
    TWait wait(loop);
    client.SetWaitCtrl(&wait);
    client.Connect();
    EXPECT_TRUE(client.Wait(5, wsConnected));
    EXPECT_EQ(TCustomWait::kModalStopped, wait.ModalResult());
}

TEST_F(WSocketStreamTest, AdoptedBlockingHandleNeverBlocks) {
    int pair[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, pair));  // both ends blocking
    UniqueFd other(pair[1]);
    session.Dup(pair[0]);
    char buffer[16];
    EXPECT_EQ(-1, session.Receive(buffer, sizeof buffer));  // nothing there: no wait
    EXPECT_EQ(10035, session.LastError());
    EXPECT_EQ(wsConnected, session.State());
}

TEST_F(WSocketStreamTest, DestroyedWaitControlIsForgotten) {
    auto wait = std::make_unique<TWait>(loop);
    client.SetWaitCtrl(wait.get());
    wait.reset();
    EXPECT_EQ(nullptr, client.WaitCtrl());
}

TEST_F(WSocketStreamTest, SendsThePlatformTakesInPartGoOnWhenTheSocketIsWritableAgain) {
    ConnectClient();
    std::string received;
    session.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        char buffer[65536];
        const int length = sender.Receive(buffer, sizeof buffer);
        if (length > 0) received.append(buffer, static_cast<size_t>(length));
    };
    // Far more than the kernel buffers hold: most chunks leave in part.
    std::string message(20 * 1024 * 1024, '\0');
    for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 7 + i / 1514);
    ASSERT_EQ(static_cast<int>(message.size()), client.SendStr(message));
    ASSERT_TRUE(PumpUntil(
        loop, [&] { return received.size() >= message.size(); }, 60000))
        << received.size() << " of " << message.size() << " bytes arrived";
    EXPECT_TRUE(received == message);
}

TEST_F(WSocketStreamTest, DataHandlerThatClosesDuringTheLastPassReportsTheCloseOnce) {
    ConnectClient();
    int closed = 0;
    session.OnSessionClosed = [&](TCustomWSocket&, uint16_t) { ++closed; };
    // The usual handler: an empty read means the peer has gone.
    session.OnDataAvailable = [](TCustomWSocket& sender, uint16_t) {
        char buffer[64];
        if (sender.Receive(buffer, sizeof buffer) <= 0) sender.Close();
    };
    client.Close();
    ASSERT_TRUE(PumpUntil(loop, [&] { return session.State() == wsClosed; }));
    Drain(loop);
    EXPECT_EQ(1, closed);

    // The same pass, dispatched by hand so that nothing else comes first.
    SetTcp(client, server.GetXPort());
    ConnectClient();
    closed = 0;
    session.WMASyncSelect(session.FSocketHandle, kNotifyClose, 0);
    EXPECT_EQ(wsClosed, session.State());
    EXPECT_EQ(1, closed);
}

TEST_F(WSocketStreamTest, AResetConnectionReportsTheResetWhenTheSessionCloses) {
    ConnectClient();
    sessionLog.Attach(session);
    int dataCalls = 0;
    session.OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        ++dataCalls;
        sender.ReceiveStr();
    };
    client.Abort();  // linger off: the peer gets a reset, no orderly end
    ASSERT_TRUE(PumpUntil(loop, [&] { return session.State() == wsClosed; }));
    Drain(loop);
    EXPECT_EQ(1, sessionLog.Count("Closed 10054")) << testing::PrintToString(sessionLog.events);
    EXPECT_EQ(0, sessionLog.Count("Closed 0"));
    EXPECT_GE(dataCalls, 1);  // the close still offers what is left
}

TEST_F(WSocketStreamTest, ARefusedConnectMayDestroyItsSocketInItsHandler) {
    const std::string port = server.GetXPort();
    server.Close();  // nobody listens there any more
    auto doomed = std::make_unique<ProbeSocket>(loop);
    uint16_t outcome = 0;
    doomed->OnSessionConnected = [&](TCustomWSocket&, uint16_t error) {
        outcome = error;
        doomed.reset();
    };
    SetTcp(*doomed, port);
    doomed->Connect();
    ASSERT_TRUE(PumpUntil(loop, [&] { return doomed == nullptr; }));
    Drain(loop);
    EXPECT_EQ(10061, outcome);
}

TEST_F(WSocketStreamTest, TheLastPassOfAClosedSessionMayDestroyItsSocket) {
    auto doomed = std::make_unique<ProbeSocket>(loop);
    server.OnSessionAvailable = [&](TCustomWSocket& sender, uint16_t) { doomed->Dup(sender.Accept()); };
    client.Connect();
    ASSERT_TRUE(PumpUntil(loop, [&] { return doomed->State() == wsConnected; }));
    int closed = 0;
    doomed->OnSessionClosed = [&](TCustomWSocket&, uint16_t) { ++closed; };
    doomed->OnDataAvailable = [&](TCustomWSocket& sender, uint16_t) {
        if (sender.ReceiveStr().empty()) doomed.reset();
    };
    client.Close();
    ASSERT_TRUE(PumpUntil(loop, [&] { return doomed == nullptr; }));
    Drain(loop);
    EXPECT_EQ(0, closed);  // a destroyed socket reports nothing more
}

}  // namespace
}  // namespace torvane::test

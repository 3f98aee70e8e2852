// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "discovery/searchcycle.h"
#include "net/wsocket.h"

namespace torvane {

// A socket of the search that routes its own events to the search cycle.
class CycleSocket : public SearchSocket {
public:
    // Routes the socket's events to `cycle`. The listening socket takes no
    // session-connected handler: it never sends.
    virtual void Attach(SearchCycle& cycle, bool sends_queries) = 0;
};

// Asks the platform for a receive queue of QuerySocket::kReceiveBufferBytes
// on datagram socket `fd`, or as much of it as the system allows.
void EnlargeReceiveBuffer(int fd);

// Makes the sockets of a search; the seam through which tests put fakes in
// the place of the network.
class SocketMaker {
public:
    virtual ~SocketMaker() = default;
    virtual std::unique_ptr<CycleSocket> MakeSocket(MessageLoop& loop) = 0;
};

// The real sockets: QuerySocket components on the loop.
SocketMaker& QuerySockets();

// One UDP socket component of the search, wired to the search cycle: its
// session-connected event sends the query, every datagram goes to the
// dispatch, and an error is shown and closes the socket.
class QuerySocket final : public CycleSocket {
public:
    // When many servers answer one broadcast within a millisecond, the
    // replies wait in the kernel's receive queue until the loop reads them.
    // A reply of a full 32-player server is about 1.5 KB of payload and some
    // 2.5 KB of kernel accounting, so 2,000 of them need about 5 MB; the
    // request is doubled by the kernel for its bookkeeping, hence 4 MB.
    static constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

    explicit QuerySocket(MessageLoop& loop);

    TWSocket& Socket() { return socket_; }

    void Attach(SearchCycle& cycle, bool sends_queries) override;
    // Replaces the error handling (the default shows the error and closes).
    void SetErrorHandler(std::function<void(QuerySocket&)> handler) { on_error_ = std::move(handler); }

    bool IsClosed() const override { return socket_.State() == wsClosed; }
    bool IsConnected() const override { return socket_.State() == wsConnected; }
    void Connect(const std::string& address, const std::string& port) override;
    void Listen(const std::string& address, const std::string& port) override;
    void Send(const char* data, int length) override { socket_.Send(data, length); }
    void Close() override { socket_.Close(); }
    // The code of the failure the socket last reported; the component's own
    // LastError names its last receive, which is 0 after a failed bind or
    // send and would show the user "ERROR (0)".
    int LastError() const override { return failure_ != 0 ? failure_ : socket_.LastError(); }
    std::string PortText() const override { return socket_.Port(); }
    int ReceiveFrom(char* buffer, int size, uint32_t& source) override;
    int64_t LastArrivalTicks() const override { return socket_.LastArrivalTicks(); }

private:
    void Configure(const std::string& address, const std::string& port);
    void EnlargeReceiveBuffer();

    TWSocket socket_;
    SearchCycle* cycle_ = nullptr;
    std::function<void(QuerySocket&)> on_error_;
    int failure_ = 0;
};

}  // namespace torvane

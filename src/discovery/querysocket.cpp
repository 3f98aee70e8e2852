// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/querysocket.h"

#include <netinet/in.h>
#include <sys/socket.h>

namespace torvane {

SocketMaker& QuerySockets() {
    struct Maker final : SocketMaker {
        std::unique_ptr<CycleSocket> MakeSocket(MessageLoop& loop) override {
            return std::make_unique<QuerySocket>(loop);
        }
    };
    static Maker maker;
    return maker;
}

QuerySocket::QuerySocket(MessageLoop& loop) : socket_(loop) {
    // Pings are measured to the platform's arrival stamps.
    socket_.SetReceiveStamps(true);
}

void QuerySocket::Attach(SearchCycle& cycle, bool sends_queries) {
    cycle_ = &cycle;
    if (sends_queries) {
        socket_.OnSessionConnected = [this](TCustomWSocket&, uint16_t) {
            EnlargeReceiveBuffer();
            cycle_->SessionConnected(*this);
        };
    }
    socket_.OnDataAvailable = [this](TCustomWSocket&, uint16_t) { cycle_->DataAvailable(*this); };
    socket_.OnError = [this](TCustomWSocket&) {
        failure_ = WSocketPlatformError();
        if (on_error_)
            on_error_(*this);
        else
            cycle_->SocketError(*this);
    };
}

void QuerySocket::Configure(const std::string& address, const std::string& port) {
    failure_ = 0;
    socket_.SetAddr(address);
    socket_.SetProto("udp");
    socket_.SetPort(port);
}

void QuerySocket::Connect(const std::string& address, const std::string& port) {
    Configure(address, port);
    socket_.Connect();
}

void QuerySocket::Listen(const std::string& address, const std::string& port) {
    Configure(address, port);
    socket_.Listen();
    if (socket_.State() != wsClosed) EnlargeReceiveBuffer();
}

void QuerySocket::EnlargeReceiveBuffer() {
    torvane::EnlargeReceiveBuffer(socket_.HSocket());
}

void EnlargeReceiveBuffer(int fd) {
    if (fd < 0) return;
    int bytes = QuerySocket::kReceiveBufferBytes;
    // A privileged process may go past the system's limit; anyone else gets
    // as much of it as the limit allows.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

int QuerySocket::ReceiveFrom(char* buffer, int size, uint32_t& source) {
    sockaddr_in from{};
    int from_length = sizeof from;
    const int length = socket_.ReceiveFrom(buffer, size, from, from_length);
    source = from.sin_addr.s_addr;
    return length;
}

}  // namespace torvane

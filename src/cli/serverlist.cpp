#include "cli/serverlist.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <exception>

#include "discovery/querysocket.h"
#include "net/wsockerr.h"
#include "net/wsocket.h"
#include "platform/convert.h"

namespace torvane {

namespace {

// Datagrams taken out per read notification: enough to empty a burst
// quickly, few enough that the window's timer is never held up for long.
constexpr int kReceiveBatch = 256;

}  // namespace

ServerListQuery::ServerListQuery(MessageLoop& loop, DatagramDispatcher& dispatcher,
                                 std::function<void(const std::string&)> complain,
                                 std::function<void(int)> socket_error)
    : loop_(loop),
      dispatcher_(dispatcher),
      complain_(std::move(complain)),
      socket_error_(std::move(socket_error)) {}

ServerListQuery::~ServerListQuery() {
    if (watch_ != 0) loop_.Unwatch(watch_);
}

void ServerListQuery::SetTargets(const std::vector<QueryTarget>& targets) {
    for (const QueryTarget& target : targets) {
        uint32_t address = 0;
        try {
            address = WSocketResolveHost(target.Address);
        } catch (const std::exception&) {
            // The socket layer's text speaks of its own step; the user asked
            // for a server.
            complain_("cannot find server '" + target.Address + "'");
            unresolved_.push_back(target);
            continue;
        }
        const auto port = static_cast<uint16_t>(StrToIntDef(target.Port, 0));
        if (!index_.emplace(KeyOf(address, port), targets_.size()).second) continue;
        targets_.push_back({address, port, target.Port, false});
    }
}

void ServerListQuery::Start() {
    if (targets_.empty()) return;
    socket_.Reset(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket_.Valid()) return socket_error_(WinsockErrorFromErrno(errno));
    // Replies of many servers arrive within a millisecond and wait in the
    // kernel's queue until the loop reads them.
    int bytes = QuerySocket::kReceiveBufferBytes;
    if (setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    watch_ = loop_.Watch(socket_.Get(), kWatchRead, [this](int, uint32_t events, int) {
        if (events & kWatchWrite) SendQueries();
        if (events & kWatchRead) Receive();
    });
    if (watch_ == 0) return socket_error_(WinsockErrorFromErrno(errno));
    SendQueries();
}

void ServerListQuery::SendQueries() {
    for (; next_to_send_ < targets_.size(); ++next_to_send_) {
        const Target& target = targets_[next_to_send_];
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(target.port);
        to.sin_addr.s_addr = target.address;
        if (sendto(socket_.Get(), StatusQuery.data(), StatusQuery.size(), MSG_NOSIGNAL,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0)
            continue;
        if (errno == EAGAIN || errno == ENOBUFS) {
            // The rest goes out when the socket takes data again.
            waiting_to_send_ = true;
            loop_.Select(watch_, kWatchRead | kWatchWrite);
            return;
        }
        socket_error_(WinsockErrorFromErrno(errno));
    }
    if (waiting_to_send_) {
        waiting_to_send_ = false;
        loop_.Select(watch_, kWatchRead);
    }
}

void ServerListQuery::Receive() {
    for (int i = 0; i < kReceiveBatch; ++i) {
        sockaddr_in from{};
        socklen_t from_length = sizeof from;
        const ssize_t length = recvfrom(socket_.Get(), buffer_.data(), kMaxReceiveLength, 0,
                                        reinterpret_cast<sockaddr*>(&from), &from_length);
        if (length < 0) break;
        Deliver(static_cast<int>(length), from.sin_addr.s_addr, ntohs(from.sin_port));
    }
    // Queues the next read notification if datagrams are still waiting.
    loop_.Reenable(watch_, kWatchRead);
    if (AllAnswered() && OnAllAnswered) {
        auto done = std::move(OnAllAnswered);
        OnAllAnswered = nullptr;
        done();
    }
}

void ServerListQuery::Deliver(int length, uint32_t address, uint16_t port) {
    // A reply takes the port text of the target it answers, as a socket of
    // its own would give it; anything from elsewhere is named by its
    // source port.
    const auto found = index_.find(KeyOf(address, port));
    std::string port_text;
    if (found != index_.end()) {
        Target& target = targets_[found->second];
        port_text = target.port_text;
        if (!target.answered && ClassifyDatagram(buffer_.data(), length) == DatagramKind::StatusReply) {
            target.answered = true;
            ++answered_count_;
        }
    } else {
        port_text = IntToStr(port);
    }
    try {
        dispatcher_.DispatchDatagram(buffer_.data(), length, DottedAddress(address), port_text);
    } catch (...) {
        // A malformed reply is dropped, as every socket's receive loop drops it.
    }
}

}  // namespace torvane

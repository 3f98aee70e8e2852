#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "discovery/dispatch.h"
#include "discovery/searchcycle.h"
#include "discovery/statusquery.h"
#include "net/messageloop.h"
#include "platform/uniquefd.h"

namespace torvane {

// Asks a list of game servers for their status directly, all through one
// UDP socket, so that a thousand servers cost one descriptor and one watch
// instead of a thousand socket components. Every datagram that comes back
// takes the same road as on any other socket: the datagram dispatch, the
// reply parser and the host table.
class ServerListQuery {
public:
    // `complain` tells a problem in words; `socket_error` tells a failed
    // socket step by its error code.
    ServerListQuery(MessageLoop& loop, DatagramDispatcher& dispatcher,
                    std::function<void(const std::string&)> complain, std::function<void(int)> socket_error);
    ~ServerListQuery();
    ServerListQuery(const ServerListQuery&) = delete;
    ServerListQuery& operator=(const ServerListQuery&) = delete;

    // Resolves the targets. One whose name cannot be resolved is reported
    // ("cannot find server 'NAME'"), kept in Unresolved() and left out; a
    // target given twice is asked once.
    void SetTargets(const std::vector<QueryTarget>& targets);
    std::size_t TargetCount() const { return targets_.size(); }
    const std::vector<QueryTarget>& Unresolved() const { return unresolved_; }

    // Opens the socket and sends the status query to every target.
    void Start();

    // Whether every target has sent a status reply (any, acceptable or not).
    bool AllAnswered() const { return answered_count_ == targets_.size(); }
    // Runs once, when the last target has answered.
    std::function<void()> OnAllAnswered;

private:
    struct Target {
        uint32_t address = 0;  // network order
        uint16_t port = 0;     // host order
        std::string port_text;
        bool answered = false;
    };
    static uint64_t KeyOf(uint32_t address, uint16_t port) { return uint64_t{address} << 16 | port; }

    void SendQueries();
    void Receive();
    void Deliver(int length, uint32_t address, uint16_t port);

    MessageLoop& loop_;
    DatagramDispatcher& dispatcher_;
    std::function<void(const std::string&)> complain_;
    std::function<void(int)> socket_error_;
    std::vector<Target> targets_;
    std::vector<QueryTarget> unresolved_;
    std::unordered_map<uint64_t, std::size_t> index_;
    std::size_t answered_count_ = 0;
    std::size_t next_to_send_ = 0;
    bool waiting_to_send_ = false;
    UniqueFd socket_;
    WatchId watch_ = 0;
    ReceiveBuffer buffer_;  // no need to clear: every read fills what it uses
};

}  // namespace torvane

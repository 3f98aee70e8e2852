// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "discovery/hosttable.h"
#include "discovery/searchstate.h"
#include "platform/clock.h"

namespace torvane {

enum class DatagramKind { StatusReply, Chat, Info, StatusRequest, Challenge, Other };

// What a received datagram is, by its first bytes only. A datagram shorter
// than the bytes compared is Other.
DatagramKind ClassifyDatagram(const char* data, int length);

// The peer protocol's receivers, handed the datagrams whose tags are theirs.
class PeerReceiver {
public:
    virtual ~PeerReceiver() = default;
    virtual void ReceiveChat(const char* data, int length, const std::string& address) = 0;
    virtual void ReceiveInfo(const char* data, int length, const std::string& address) = 0;
    virtual void ReceiveStatusRequest(const char* data, int length, const std::string& address) = 0;
    virtual void ReceiveChallenge(const char* data, int length, const std::string& address) = 0;
};

// How a datagram came: when the query it answers left and when it arrived,
// in steady-clock ticks, and where the server was found.
struct ReplyOrigin {
    // The moment the query (or the broadcast) left; 0 for the search's start.
    int64_t sent = 0;
    // The platform's stamp of the arrival; 0 for the moment it is handled.
    int64_t arrived = 0;
    ServerSource source = ServerSource::Lan;
    // Whether it answers this copy's own query (see Asking).
    Asking asking = Asking::OwnQuery;
};

// A round trip in whole milliseconds, rounded, never below 0.
int PingMs(int64_t sent_ticks, int64_t arrived_ticks);

// Handles every datagram any socket receives: status replies go into the
// host table, peer messages to the peer receivers, anything else is dropped.
class DatagramDispatcher {
public:
    DatagramDispatcher(const Clock& clock, SearchState& search, HostTable& hosts, PeerReceiver& peers)
        : clock_(clock), search_(search), hosts_(hosts), peers_(peers) {}

    // `data` holds `length` received bytes and has room for one more (see
    // kReceiveBufferSize); status replies are parsed in place. `address` is
    // the sender's dotted address; `port` is the port text of the receiving
    // socket, which becomes a server's Port. A negative or oversized length
    // is ignored. EConvertError from a malformed reply is not caught here:
    // the socket layer's receive loop discards it.
    // `origin` times the reply and names its source.
    void DispatchDatagram(char* data, int length, const std::string& address, const std::string& port,
                          const ReplyOrigin& origin = {});

    // Stamps, parses and, when acceptable, merges one status reply.
    void AcceptStatusReply(char* data, int length, const std::string& port, const std::string& address,
                           const ReplyOrigin& origin = {});

private:
    const Clock& clock_;
    SearchState& search_;
    HostTable& hosts_;
    PeerReceiver& peers_;
};

}  // namespace torvane

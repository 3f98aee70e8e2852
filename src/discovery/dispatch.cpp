// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/dispatch.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "discovery/statusquery.h"
#include "discovery/statusreply.h"
#include "model/peertags.h"

namespace torvane {

namespace {

bool StartsWith(const char* data, int length, std::string_view prefix) {
    return length >= 0 && static_cast<size_t>(length) >= prefix.size() &&
           std::memcmp(data, prefix.data(), prefix.size()) == 0;
}

constexpr std::string_view kReplyPrefix = "\xFF\xFF\xFF\xFFprint\n\\";
static_assert(kReplyPrefix.size() == static_cast<size_t>(kStatusReplyPrefixLength));

}  // namespace

int PingMs(int64_t sent_ticks, int64_t arrived_ticks) {
    const int64_t ticks = arrived_ticks - sent_ticks;
    if (ticks <= 0) return 0;
    const int64_t ms = (ticks + 5'000) / 10'000;
    return ms > INT32_MAX ? INT32_MAX : static_cast<int>(ms);
}

DatagramKind ClassifyDatagram(const char* data, int length) {
    if (StartsWith(data, length, kReplyPrefix)) return DatagramKind::StatusReply;
    if (StartsWith(data, length, kChatTag)) return DatagramKind::Chat;
    if (StartsWith(data, length, kInfoTag)) return DatagramKind::Info;
    if (StartsWith(data, length, kStatusRequestTag)) return DatagramKind::StatusRequest;
    if (StartsWith(data, length, kChallengeTag)) return DatagramKind::Challenge;
    return DatagramKind::Other;
}

void DatagramDispatcher::DispatchDatagram(char* data, int length, const std::string& address,
                                          const std::string& port, const ReplyOrigin& origin) {
    if (length < 0 || length > kMaxReceiveLength) return;
    switch (ClassifyDatagram(data, length)) {
        case DatagramKind::StatusReply:
            AcceptStatusReply(data, length, port, address, origin);
            break;
        case DatagramKind::Chat:
            peers_.ReceiveChat(data, length, address);
            break;
        case DatagramKind::Info:
            peers_.ReceiveInfo(data, length, address);
            break;
        case DatagramKind::StatusRequest:
            peers_.ReceiveStatusRequest(data, length, address);
            break;
        case DatagramKind::Challenge:
            peers_.ReceiveChallenge(data, length, address);
            break;
        case DatagramKind::Other:
            // Status queries of other copies and stray game traffic.
            break;
    }
}

void DatagramDispatcher::AcceptStatusReply(char* data, int length, const std::string& port,
                                           const std::string& address, const ReplyOrigin& origin) {
    TQuakeServer server;
    // Stamped before parsing, on the steady clock, so neither a long reply
    // nor a step of the wall clock moves the answer time.
    const int64_t now = clock_.SteadyTicks();
    server.AnswerTime = ElapsedMs(search_.SearchStart, now);
    // The platform's arrival stamp leaves out the time the reply waited in
    // the queue behind others.
    server.Ping = PingMs(origin.sent != 0 ? origin.sent : search_.SearchStart,
                         origin.arrived != 0 ? origin.arrived : now);
    server.Source = origin.source;
    server.Address = address;
    server.Port = port;
    ParseStatusReply(data, length, server);
    // Counted whether or not the reply is listed, once per server and search.
    search_.CountReplyPlayers(address + ":" + port, static_cast<int32_t>(server.Players.size()));
    if (IsAcceptableReply(server)) hosts_.MergeServer(std::move(server), origin.asking);
}

}  // namespace torvane

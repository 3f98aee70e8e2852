// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "launcher/joinlink.h"
#include "net/messageloop.h"
#include "platform/instancechannel.h"

namespace torvane {

// What a later copy of the program asks the running one: to come up, or to
// send the game into a server that a join link named.
struct InstanceRequest {
    enum class Kind { kShow, kJoin };
    Kind What = Kind::kShow;
    JoinLink Link;        // kJoin: the server as the link named it
    std::string Address;  // kJoin: its dotted IPv4 address
};

// "show", or "join", the link and the address, separated by blanks (a link
// that passed holds none).
std::string RequestText(const InstanceRequest& request);
// The running copy reads a request again as strictly as the link itself:
// nothing when it is anything else.
std::optional<InstanceRequest> ParseRequest(std::string_view text);

// The running copy's side of the channel: every request that a later copy
// hands over reaches `handle` on the loop; the later copy ends once it has
// been handled.
class InstanceDoor {
public:
    InstanceDoor(MessageLoop& loop, InstanceChannel channel,
                 std::function<void(const InstanceRequest&)> handle);
    ~InstanceDoor();
    InstanceDoor(const InstanceDoor&) = delete;
    InstanceDoor& operator=(const InstanceDoor&) = delete;

private:
    void Knocked();

    MessageLoop& loop_;
    InstanceChannel channel_;
    std::function<void(const InstanceRequest&)> handle_;
    WatchId watch_ = 0;
};

}  // namespace torvane

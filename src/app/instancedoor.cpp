// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/instancedoor.h"

#include "launcher/gamecommand.h"

namespace torvane {

std::string RequestText(const InstanceRequest& request) {
    if (request.What == InstanceRequest::Kind::kShow) return "show";
    return "join " + JoinLinkText(request.Link) + " " + request.Address;
}

std::optional<InstanceRequest> ParseRequest(std::string_view text) {
    const std::string_view text_whole = text;
    if (text == "show") return InstanceRequest{};
    constexpr std::string_view kJoin = "join ";
    if (!text.starts_with(kJoin)) return std::nullopt;
    text.remove_prefix(kJoin.size());
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const JoinLinkResult link = ParseJoinLink(text.substr(0, blank));
    const std::string_view address = text.substr(blank + 1);
    if (!link.Link || !IsDottedIPv4(address)) return std::nullopt;
    // A link that names an address is launched into that address.
    if (IsDottedIPv4(link.Link->Host) && link.Link->Host != address) return std::nullopt;
    InstanceRequest request{InstanceRequest::Kind::kJoin, *link.Link, std::string(address)};
    // Only the form a later copy writes: no escapes, no other spelling.
    if (RequestText(request) != text_whole) return std::nullopt;
    return request;
}

InstanceDoor::InstanceDoor(MessageLoop& loop, InstanceChannel channel,
                           std::function<void(const InstanceRequest&)> handle)
    : loop_(loop), channel_(std::move(channel)), handle_(std::move(handle)) {
    watch_ = loop_.Watch(channel_.Descriptor(), kWatchRead, [this](int, uint32_t, int) { Knocked(); });
}

InstanceDoor::~InstanceDoor() {
    if (watch_) loop_.Unwatch(watch_);
}

void InstanceDoor::Knocked() {
    // Re-armed first: a request that throws must not close the door.
    loop_.Reenable(watch_, kWatchRead);
    std::optional<InstanceChannel::Request> request = channel_.Accept();
    if (!request) return;
    const std::optional<InstanceRequest> parsed = ParseRequest(request->Text);
    if (!parsed) return;  // the later copy hears no "taken" and says so
    handle_(*parsed);
    request->Taken();
}

}  // namespace torvane

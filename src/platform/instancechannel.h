// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/uniquefd.h"

namespace torvane {

// One copy of the desktop program per user session: the first copy claims
// a name, later copies hand it their request and end. The name is a local
// socket in the abstract namespace, so nothing is left behind when a copy
// dies, and only processes of the same user are listened to.
class InstanceChannel {
public:
    // The most a request may hold; longer ones are cut off and refused.
    static constexpr std::size_t kMaxRequest = 1024;

    // The session's name: the user, and the runtime directory that tells
    // one login session from another.
    static std::string SessionName();

    // Claims `name` for this copy; nothing when another copy holds it.
    static std::optional<InstanceChannel> Claim(const std::string& name);

    // Hands `request` (one line, without its end) to the copy that holds
    // `name` and waits for it to be taken. False when no copy holds the
    // name or the copy did not take it.
    static bool HandOver(const std::string& name, const std::string& request);

    // The listening descriptor: readable when a later copy knocks.
    int Descriptor() const { return listener_.Get(); }

    // Takes the request of one knocking copy, if it comes from this user
    // and fits; the copy is told it was taken once `taken` is called, so
    // that it ends only after the request has been acted on.
    struct Request {
        std::string Text;
        UniqueFd Peer;
        void Taken();
    };
    std::optional<Request> Accept();

private:
    explicit InstanceChannel(UniqueFd listener) : listener_(std::move(listener)) {}
    UniqueFd listener_;
};

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/quakeserver.h"
#include "peers/peerdatagram.h"

namespace torvane {

// The settings the peer protocol reads, each at the moment of use.
class PeerSettings {
public:
    virtual ~PeerSettings() = default;

    virtual std::string PlayerName() const = 0;
    virtual int Paranoia() const = 0;  // 0 tell all, 1 shy, 2 invisible
    virtual int Skill() const = 0;
    virtual std::string BusyMessage() const = 0;
    virtual std::string ReadyMessage() const = 0;
    virtual std::string PlayingMessage() const = 0;
    virtual bool ShoutPopUp() const = 0;
    virtual std::string ShoutSound() const = 0;
    virtual std::string MessageSound() const = 0;
    virtual std::string SuggestSound() const = 0;
    virtual int MaxChatLines() const = 0;
};

// The broadcast socket: sends while it is connected, and skips the datagram
// without error, queueing or retry otherwise.
class BroadcastSender {
public:
    virtual ~BroadcastSender() = default;

    virtual void SendIfConnected(std::string_view datagram) = 0;
};

// What the peer protocol uses of the rest of the program beyond the shared
// services: its own address, the time, the host list and the notifications.
class PeerHost {
public:
    virtual ~PeerHost() = default;

    // Whether a sender's dotted address is one of this computer's own.
    virtual bool IsOwnAddress(const std::string& address) const = 0;

    // The current local time in the long time format.
    virtual std::string LongTimeText() const = 0;

    // The host list: its selected row (nothing when none), the number of
    // records in the host table, and one record.
    virtual std::optional<size_t> SelectedHostRow() const = 0;
    virtual size_t HostCount() const = 0;
    virtual const TQuakeServer& HostAt(size_t index) const = 0;

    // A shout that got past its pop-up's guards, and a challenge that is
    // shown: the desktop tells them as notifications too.
    virtual void NoticeShout(const std::string& /*name*/, const std::string& /*text*/) {}
    virtual void NoticeChallenge(const Challenge& /*challenge*/) {}
};

}  // namespace torvane

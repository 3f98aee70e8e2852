// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "discovery/dispatch.h"
#include "discovery/searchcycle.h"
#include "model/quakeserver.h"
#include "model/services.h"
#include "peers/peerdatagram.h"
#include "peers/peerhost.h"
#include "peers/suggest.h"
#include "peers/user.h"
#include "peers/userform.h"
#include "platform/clock.h"
#include "platform/computername.h"

namespace torvane {

// The peer protocol among copies of Torvane on one network: this copy's
// status, its announcements, chat and challenges, the user table they fill,
// and the logic of the users window and of the challenge dialog.
//
// The receivers take one datagram whose tag the dispatch has already
// recognised, its length in bytes and the sender's dotted IPv4 text.
class PeerProtocol final : public PeerReceiver, public ChatSender, public SearchPeers {
public:
    PeerProtocol(const PeerSettings& settings, PeerHost& host, const Services& services,
                 BroadcastSender& sender, const ComputerName& computer_name, const Clock& clock,
                 UsersView& users_view, ChallengeListener& challenges);

    PeerStatus OwnStatus() const { return own_status_; }
    void SetOwnStatus(PeerStatus status) { own_status_ = status; }
    // Calendar seconds when a "TVNSTAT" was last heard; the search start
    // sends its own only when this is more than 10 seconds old.
    int64_t LastStatusRequestTime() const override { return last_status_request_time_; }

    void SendStatusRequest() override;
    void SendInfo();
    void SendChat(const std::string& text, char kind) override;
    void SendChallenge(const TQuakeServer& host);

    // A negative length reads as an empty datagram.
    void ReceiveStatusRequest(const char* data, int length, const std::string& address) override;
    void ReceiveInfo(const char* data, int length, const std::string& address) override;
    void ReceiveChat(const char* data, int length, const std::string& address) override;
    void ReceiveChallenge(const char* data, int length, const std::string& address) override;

    // The host list's Challenge entry: challenges everyone to the selected
    // server and launches the game into it.
    void Suggest1Click();

    const UserTable& Users() const { return users_; }
    int UserCount() const override { return static_cast<int>(users_.size()); }
    // Drops users that have been silent too long.
    void RefreshUsers() override { users_window_.Refresh(); }
    TUsers& UsersWindow() { return users_window_; }
    TSuggestForm& SuggestForm() { return suggest_form_; }

private:
    void StoreUser(const User& user);
    std::string StatusMessage(PeerStatus status) const;

    const PeerSettings& settings_;
    PeerHost& host_;
    Services services_;
    BroadcastSender& sender_;
    const ComputerName& computer_name_;
    const Clock& clock_;
    UserTable users_;
    TUsers users_window_;
    TSuggestForm suggest_form_;
    PeerStatus own_status_;
    int64_t last_status_request_time_ = 0;
};

}  // namespace torvane

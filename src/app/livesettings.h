// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "discovery/hostview.h"
#include "discovery/internetsearch.h"
#include "discovery/searchcycle.h"
#include "launcher/launcherhost.h"
#include "peers/peerhost.h"
#include "settings/settings.h"

namespace torvane {

// The live settings record, read by each subsystem through its own narrow
// interface at the moment of use.
class LiveSettings final : public SearchSettings,
                           public InternetSettings,
                           public HostSettings,
                           public LauncherSettings,
                           public PeerSettings {
public:
    explicit LiveSettings(const Settings& settings) : s_(settings) {}

    // The search.
    // The sockets take the ports as typed: a text that is no port is the
    // socket's error.
    std::string Port() const override { return s_.Port.Text(); }
    QueryTarget ExtraPort(std::size_t n) const override {
        const bool enabled[] = {s_.Port2Enable, s_.Port3Enable, s_.Port4Enable};
        const NumberText* ports[] = {&s_.Port2, &s_.Port3, &s_.Port4};
        return {enabled[n], "", ports[n]->Text()};
    }
    QueryTarget InternetServer(std::size_t n) const override {
        return {s_.Wan[n].Enabled, s_.Wan[n].Address, s_.Wan[n].Port.Text()};
    }
    NumberText BCInterval() const override { return s_.BCInterval; }
    bool Broadcast() const override { return s_.Broadcast; }
    std::string Masters() const override { return s_.Masters; }
    std::string Favorites() const override { return s_.Favorites; }
    NumberText QueryRate() const override { return s_.QueryRate; }

    // The launcher.
    std::string Quake2BaseDir() const override { return s_.Quake2BaseDir; }
    std::string Quake2Command() const override { return s_.Quake2Command; }

    // The peers.
    std::string PlayerName() const override { return s_.PlayerName; }
    int Paranoia() const override { return s_.Paranoia; }
    int Skill() const override { return s_.Skill; }
    std::string BusyMessage() const override { return s_.BusyMessage; }
    std::string ReadyMessage() const override { return s_.ReadyMessage; }
    std::string PlayingMessage() const override { return s_.PlayingMessage; }
    bool ShoutPopUp() const override { return s_.ShoutPopUp; }
    std::string ShoutSound() const override { return s_.ShoutSound; }
    std::string MessageSound() const override { return s_.MessageSound; }
    std::string SuggestSound() const override { return s_.SuggestSound; }
    int MaxChatLines() const override { return s_.MaxChatLines; }

    // The host table's events.
    NumberText Retries() const override { return s_.Retries; }
    EventAction Action(EventKind kind) const override { return s_.Event(kind); }

private:
    const Settings& s_;
};

}  // namespace torvane

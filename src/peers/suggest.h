// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "model/services.h"
#include "peers/peerdatagram.h"
#include "peers/peerhost.h"

namespace torvane {

// What the challenge dialog shows of the last challenge received.
struct ChallengeLabels {
    std::string Player;   // "NAME challenges you"
    std::string Game;     // "Game : HOST"
    std::string Map;      // "Map : MAP"
    std::string Caption;  // "Challenge received " and the time it came

    bool operator==(const ChallengeLabels&) const = default;
};

// What the challenge logic announces.
class ChallengeListener {
public:
    virtual ~ChallengeListener() = default;

    // A challenge is shown: the dialog visible, in front, then the
    // application.
    virtual void ChallengeShown(const ChallengeLabels& labels) { (void)labels; }
    // An answer closed the dialog.
    virtual void ChallengeHidden() {}
};

// The logic of the challenge dialog (TSuggestForm): it keeps the last
// challenge received and answers it with Accept, Ignore or Busy.
class TSuggestForm {
public:
    // Accept launches the game; Busy ticks the Busy box.
    TSuggestForm(const PeerHost& host, BusyFlag& busy, Game& game) : host_(host), busy_(busy), game_(game) {}

    // Announcements go to `listener` too, in subscription order.
    void Subscribe(ChallengeListener& listener) { listeners_.push_back(&listener); }

    void Fill(const Challenge& challenge) { challenge_ = challenge; }
    void Show();
    void BitBtn1Click();  // Accept
    void BitBtn2Click();  // Ignore
    void BitBtn3Click();  // Busy

    const Challenge& Stored() const { return challenge_; }

private:
    void Hide();

    const PeerHost& host_;
    BusyFlag& busy_;
    Game& game_;
    std::vector<ChallengeListener*> listeners_;
    Challenge challenge_;
};

}  // namespace torvane

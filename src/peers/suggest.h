// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "peers/peerdatagram.h"
#include "peers/peerhost.h"

namespace torvane {

// The challenge dialog as the logic sees it.
class SuggestView {
public:
    virtual ~SuggestView() = default;

    virtual void SetPlayerLabel(const std::string& text) = 0;
    virtual void SetGameLabel(const std::string& text) = 0;
    virtual void SetMapLabel(const std::string& text) = 0;
    virtual void SetCaption(const std::string& text) = 0;
    // Makes the dialog visible and brings it, then the application, to the front.
    virtual void ShowAndRaise() = 0;
    virtual void Hide() = 0;
};

// The logic of the challenge dialog (TSuggestForm): it keeps the last
// challenge received and answers it with Accept, Ignore or Busy.
class TSuggestForm {
public:
    TSuggestForm(SuggestView& view, PeerHost& host);

    void Fill(const Challenge& challenge) { challenge_ = challenge; }
    void Show();
    void BitBtn1Click();  // Accept
    void BitBtn2Click();  // Ignore
    void BitBtn3Click();  // Busy

    const Challenge& Stored() const { return challenge_; }

private:
    SuggestView& view_;
    PeerHost& host_;
    Challenge challenge_;
};

}  // namespace torvane

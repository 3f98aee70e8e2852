// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/suggest.h"

namespace torvane {

TSuggestForm::TSuggestForm(SuggestView& view, PeerHost& host) : view_(view), host_(host) {}

void TSuggestForm::Show() {
    view_.SetPlayerLabel(challenge_.Challenger + " challenges you");
    view_.SetGameLabel("Game : " + challenge_.HostName);
    view_.SetMapLabel("Map : " + challenge_.MapName);
    view_.SetCaption("Challenge received " + host_.LongTimeText());
    view_.ShowAndRaise();
}

void TSuggestForm::BitBtn1Click() {
    // A fresh record that knows only where to connect; it lives for the launch.
    TQuakeServer server;
    server.Address = challenge_.Address;
    server.Port = challenge_.Port;
    host_.LaunchGame(server);
    view_.Hide();
}

void TSuggestForm::BitBtn2Click() {
    view_.Hide();
}

void TSuggestForm::BitBtn3Click() {
    // Ticking a box that is already ticked changes nothing.
    if (!host_.BusyChecked()) host_.CheckBusy();
    view_.Hide();
}

}  // namespace torvane

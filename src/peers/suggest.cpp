// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/suggest.h"

namespace torvane {

void TSuggestForm::Show() {
    const ChallengeLabels labels{challenge_.Challenger + " challenges you", "Game : " + challenge_.HostName,
                                 "Map : " + challenge_.MapName, "Challenge received " + host_.LongTimeText()};
    for (ChallengeListener* l : listeners_) l->ChallengeShown(labels);
}

void TSuggestForm::Hide() {
    for (ChallengeListener* l : listeners_) l->ChallengeHidden();
}

void TSuggestForm::BitBtn1Click() {
    // A fresh record that knows only where to connect; it lives for the launch.
    TQuakeServer server;
    server.Address = challenge_.Address;
    server.Port = challenge_.Port;
    game_.LaunchGame(server);
    Hide();
}

void TSuggestForm::BitBtn2Click() {
    Hide();
}

void TSuggestForm::BitBtn3Click() {
    // Ticking a box that is already ticked changes nothing.
    if (!busy_.BusyChecked()) busy_.SetBusyCheck(true);
    Hide();
}

}  // namespace torvane

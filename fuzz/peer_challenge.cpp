// SPDX-License-Identifier: GPL-2.0-or-later
// Arbitrary "TVNSUGG" payloads: only a plain address and port may reach a launch.
#include "launcher/gamecommand.h"
#include "peer_fuzz.h"

using namespace torvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fakes::PeerRig& rig = fuzzing::Rig();
    rig.suggest_view.visible = false;
    rig.protocol.SetOwnStatus(PeerStatus::Ready);
    rig.services.game.launched.clear();
    const std::string datagram = fuzzing::Datagram(kChallengeTag, data, size);
    rig.Challenge(datagram);

    if (rig.suggest_view.visible) {
        rig.protocol.SuggestForm().BitBtn1Click();
        fuzzing::Require(rig.services.game.launched.size() == 1);
        fuzzing::Require(IsDottedIPv4(rig.services.game.launched[0].Address));
        fuzzing::Require(IsPortText(rig.services.game.launched[0].Port));
    }
    return 0;
}

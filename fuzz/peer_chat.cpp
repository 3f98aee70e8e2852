// SPDX-License-Identifier: GPL-2.0-or-later
// Arbitrary "TVNMESS" payloads: chat lines, shouts and their log lines.
#include <algorithm>

#include "peer_fuzz.h"

using namespace torvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fakes::PeerRig& rig = fuzzing::Rig();
    rig.settings.max_chat_lines = size > 0 ? data[0] % 40 : 20;
    rig.services.busy.busy = size > 1 && (data[1] & 1);
    const std::string datagram = fuzzing::Datagram(kChatTag, data, size);
    rig.Chat(datagram);

    // The log escapes what the texts carry when it writes them (the log-line
    // target covers that); the users window keeps the text as sent.
    fuzzing::Require(rig.mirror.chat.size() < static_cast<size_t>(kMaxChatLines));
    const auto& chat = rig.protocol.UsersWindow().Chat();
    fuzzing::Require(std::equal(rig.mirror.chat.begin(), rig.mirror.chat.end(), chat.begin(), chat.end()));
    for (const auto& row : rig.mirror.chat) fuzzing::Require(row.Text.size() <= kMaxPayload);
    return 0;
}

// SPDX-License-Identifier: GPL-2.0-or-later
// Arbitrary "TVNMESS" payloads: chat lines, shouts and their log lines.
#include "peer_fuzz.h"

using namespace torvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fakes::PeerRig& rig = fuzzing::Rig();
    rig.settings.max_chat_lines = size > 0 ? data[0] % 40 : 20;
    rig.host.busy = size > 1 && (data[1] & 1);
    const std::string datagram = fuzzing::Datagram(kChatTag, data, size);
    rig.Chat(datagram);

    // The log escapes what the texts carry when it writes them (the log-line
    // target covers that); the users window keeps the text as sent.
    fuzzing::Require(rig.users_view.chat_rows.size() < static_cast<size_t>(kMaxChatLines));
    fuzzing::Require(rig.users_view.chat_rows.size() == rig.protocol.UsersWindow().ChatLineCount());
    for (const auto& row : rig.users_view.chat_rows) fuzzing::Require(row.text.size() <= kMaxPayload);
    return 0;
}

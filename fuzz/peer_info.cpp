// SPDX-License-Identifier: GPL-2.0-or-later
// Arbitrary "TVNINFO" payloads from many senders into the user table.
#include "peer_fuzz.h"

using namespace torvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fakes::PeerRig& rig = fuzzing::Rig();
    // The first two bytes pick the sender, so the table fills and overflows.
    const std::string address =
        size >= 2 ? "198.18." + std::to_string(data[0]) + "." + std::to_string(data[1]) : "198.18.0.0";
    if (size > 0 && data[0] == 0xFF) rig.clock.AdvanceSeconds(7);
    const std::string datagram = fuzzing::Datagram(kInfoTag, data, size);
    rig.Info(datagram, address);

    const UserTable& users = rig.protocol.Users();
    fuzzing::Require(users.size() <= UserTable::kMaxUsers);
    // A face that follows the table's announcements shows the table.
    fuzzing::Require(rig.mirror.rows == rig.UserRows());
    for (const User& user : users) {
        for (const std::string* text : {&user.Name, &user.Message, &user.Version, &user.ComputerName,
                                        &user.OwnerName, &user.ReservedTexts[0]})
            fuzzing::Require(text->size() <= kMaxFieldValue);
    }
    return 0;
}

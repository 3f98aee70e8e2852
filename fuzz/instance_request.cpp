// SPDX-License-Identifier: GPL-2.0-or-later
// A later copy of the program hands its request over a local socket: what
// the running copy accepts is "show" or a join to a plain address and port,
// and reads back as exactly the bytes it came as.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/instancedoor.h"
#include "launcher/gamecommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<torvane::InstanceRequest> request = torvane::ParseRequest(text);
    if (!request) return 0;
    if (torvane::RequestText(*request) != text) std::abort();
    if (request->What == torvane::InstanceRequest::Kind::kJoin &&
        (!torvane::IsDottedIPv4(request->Address) || !torvane::IsPortText(request->Link.Port)))
        std::abort();
    return 0;
}

// SPDX-License-Identifier: GPL-2.0-or-later
// Join links come from web pages and chats. Whatever a link holds, what it
// is read as must be a plain host and port, and must read back the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "launcher/gamecommand.h"
#include "launcher/joinlink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const torvane::JoinLinkResult result = torvane::ParseJoinLink(text);
    if (result.Link.has_value() == !result.Refusal.empty()) std::abort();
    if (!result.Link) return 0;
    const torvane::JoinLink& link = *result.Link;
    if (link.Host.empty() || !torvane::IsPortText(link.Port)) std::abort();
    if (link.Host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.") !=
        std::string::npos)
        std::abort();
    const torvane::JoinLinkResult again = torvane::ParseJoinLink(torvane::JoinLinkText(link));
    if (!again.Link || again.Link->Host != link.Host || again.Link->Port != link.Port) std::abort();
    return 0;
}

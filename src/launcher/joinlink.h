// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// A link that sends the game into one server: quake2://connect/HOST:PORT.
// Desktops hand such links to Torvane from web pages and chats, so a link is
// untrusted: it carries a host and a port and nothing else.
struct JoinLink {
    std::string Host;  // a host name, or a dotted IPv4 address
    std::string Port;  // decimal 1-65535, no leading zero
};

// The answer to a link: the server it names, or why it was refused (one
// line, no link text in it, so that nothing the link carries is echoed).
struct JoinLinkResult {
    std::optional<JoinLink> Link;
    std::string Refusal;
};

// The longest link looked at; a host name is at most 253 characters.
inline constexpr std::size_t kMaxJoinLinkLength = 512;

// Whether `argument` is meant as a join link: it starts with the scheme
// "quake2:" in any case. Such an argument is a link or refused, never
// handed on as something else.
bool LooksLikeJoinLink(std::string_view argument);

// Reads a link. The scheme is matched in any case, "connect" exactly; the
// part after "connect/" may be %-escaped and is read after decoding. It
// must then be HOST:PORT with HOST a dotted IPv4 address or a host name
// (dot-separated labels of letters, digits and '-', the last one starting
// with a letter, so that no number in another notation slips through), and
// PORT a plain decimal port. Anything else is refused: a blank, a '+', a
// second path element, user information, a query or a fragment.
JoinLinkResult ParseJoinLink(std::string_view text);

// The link to a server, as "Copy join link" gives it.
std::string JoinLinkText(const JoinLink& link);

// The link to the server at `address` and `port`; nothing when the link
// would not be read back as that very server (an address or a port that
// is no address or port), so no link is handed out that Torvane itself
// would refuse.
std::optional<std::string> JoinLinkTo(const std::string& address, const std::string& port);

}  // namespace torvane

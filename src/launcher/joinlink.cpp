// SPDX-License-Identifier: GPL-2.0-or-later
#include "launcher/joinlink.h"

#include <algorithm>
#include <cctype>

#include "launcher/gamecommand.h"

namespace torvane {

namespace {

constexpr std::string_view kScheme = "quake2:";
constexpr std::string_view kConnect = "//connect/";
constexpr std::size_t kMaxHostLength = 253;
constexpr std::size_t kMaxLabelLength = 63;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsAsciiDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text with every %XX replaced by its byte; nothing when a '%' is not
// followed by two hex digits.
std::optional<std::string> Decode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

bool IsLabel(std::string_view label) {
    if (label.empty() || label.size() > kMaxLabelLength) return false;
    if (label.front() == '-' || label.back() == '-') return false;
    return std::all_of(label.begin(), label.end(),
                       [](char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-'; });
}

bool IsHostName(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostLength) return false;
    std::size_t start = 0;
    std::string_view last;
    while (true) {
        const std::size_t dot = host.find('.', start);
        const std::string_view label = host.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (!IsLabel(label)) return false;
        last = label;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    // "10.1", "0x7f000001" and the like are addresses to the resolver.
    return IsAsciiLetter(last.front());
}

JoinLinkResult Refuse(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

}  // namespace

bool LooksLikeJoinLink(std::string_view argument) {
    if (argument.size() < kScheme.size()) return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(argument[i])) != kScheme[i]) return false;
    return true;
}

JoinLinkResult ParseJoinLink(std::string_view text) {
    if (!LooksLikeJoinLink(text)) return Refuse("not a quake2:// link");
    if (text.size() > kMaxJoinLinkLength) return Refuse("the link is too long");
    text.remove_prefix(kScheme.size());
    if (!text.starts_with(kConnect)) return Refuse("the link must start with quake2://connect/");
    text.remove_prefix(kConnect.size());

    const std::optional<std::string> decoded = Decode(text);
    if (!decoded) return Refuse("the link holds a broken %-escape");
    const std::string& server = *decoded;
    const auto stray = std::find_if(server.begin(), server.end(), [](char c) {
        return !(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-' || c == '.' || c == ':');
    });
    if (stray != server.end())
        return Refuse("the link may hold only a host and a port (letters, digits, '-', '.' and one ':')");
    const std::size_t colon = server.find(':');
    if (colon == std::string::npos) return Refuse("the link names no port (quake2://connect/HOST:PORT)");
    if (server.find(':', colon + 1) != std::string::npos) return Refuse("the link holds more than one ':'");
    const std::string host = server.substr(0, colon);
    const std::string port = server.substr(colon + 1);
    if (host.empty()) return Refuse("the link names no host");
    if (!IsDottedIPv4(host) && !IsHostName(host))
        return Refuse("the host must be a host name or an IPv4 address like 192.168.0.5");
    if (!IsPortText(port)) return Refuse("the port must be a number from 1 to 65535");
    return {JoinLink{host, port}, {}};
}

std::string JoinLinkText(const JoinLink& link) {
    return std::string(kScheme) + std::string(kConnect) + link.Host + ":" + link.Port;
}

std::optional<std::string> JoinLinkTo(const std::string& address, const std::string& port) {
    std::string text = JoinLinkText({address, port});
    const JoinLinkResult back = ParseJoinLink(text);
    if (!back.Link || back.Link->Host != address || back.Link->Port != port) return std::nullopt;
    return text;
}

}  // namespace torvane

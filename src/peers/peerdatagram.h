// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/peertags.h"
#include "peers/user.h"

namespace torvane {

// Receive limits. A payload longer than kMaxPayload is cut to it, and a
// "TVNINFO" value longer than kMaxFieldValue is cut to that: the reader keeps
// what fits rather than losing the whole announcement or chat line.
inline constexpr size_t kMaxPayload = 1023;
inline constexpr size_t kMaxFieldValue = 255;

// Send buffers, each with room for a terminating zero, so the datagram itself
// is one byte shorter at most. Every text value is cut to kMaxFieldValue
// before it is sent, so that receivers can read it whole.
inline constexpr size_t kInfoBufferSize = 4000;
inline constexpr size_t kChallengeBufferSize = 2000;
inline constexpr size_t kChatBufferSize = 1024;

inline constexpr char kShoutKind = 'S';
inline constexpr char kSayKind = 'M';

// The bytes after the tag as the receivers read them: at most kMaxPayload of
// them, ending early at a zero byte as a terminated text does.
std::string ReadPayload(const char* data, size_t length);

// "TVNINFO" integers: blanks skipped, optional sign, digits up to the first
// other character; no digits read as 0. Values beyond 32 bits saturate.
int32_t ReadInfoInteger(std::string_view value);

// The status from the first character of a B value; anything but B, R, P
// (the empty value included) is Unknown.
PeerStatus ReadInfoStatus(std::string_view value);

// Fills `user` from the fields of a "TVNINFO" payload (each a tab, a letter
// and the value). Address and LastSeen are the receiver's to set.
void ParseInfo(std::string_view payload, User& user);

// One "TVNMESS": the name, the kind ('S' shout, anything else a say; 0 when
// the tab is the payload's last byte) and the text, which may hold tabs.
struct ChatLine {
    std::string Name;
    char Kind = 0;
    std::string Text;

    bool IsShout() const { return Kind == kShoutKind; }
};
std::optional<ChatLine> ParseChat(std::string_view payload);

// One "TVNSUGG": the challenger and the game server to meet on.
struct Challenge {
    std::string Challenger;
    std::string HostName;
    std::string Address;
    std::string Port;
    std::string MapName;
};
// Splits at the first four tabs; the map name is the rest. Fewer than four
// tabs: nothing.
std::optional<Challenge> ParseChallenge(std::string_view payload);

// What one "TVNINFO" tells about this copy. Version and ComputerName are
// sent only when present.
struct InfoFields {
    std::string Name;
    PeerStatus Status = PeerStatus::Ready;
    std::string Message;
    int32_t Skill = 0;
    std::optional<std::string> Version;
    std::optional<std::string> ComputerName;
};

std::string BuildInfo(const InfoFields& fields);
std::string BuildChat(std::string_view name, char kind, std::string_view text);
std::string BuildChallenge(const Challenge& challenge);

}  // namespace torvane

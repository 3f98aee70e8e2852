// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/quakeserver.h"

namespace torvane {

// Length of the reply prefix: four 0xFF bytes, "print", a line feed and the
// backslash that opens the first key.
inline constexpr int kStatusReplyPrefixLength = 11;

// Player lines read from one reply at the most: the game's own limit of
// clients on one server, so a datagram of empty names cannot turn its 64 KB
// into megabytes of records.
inline constexpr std::size_t kMaxReplyPlayers = 256;

// The longest texts the game itself keeps: a setting's value (the host and
// map names) and a player's name. Longer texts in a reply are cut to these
// many bytes, so no sender can make a record, a row or a log line big.
inline constexpr std::size_t kMaxReplyValueLength = 63;
inline constexpr std::size_t kMaxPlayerNameLength = 15;

// Key and value pairs read from a reply's server-information line at the
// most; the game's own line holds a few dozen.
inline constexpr int kMaxReplyKeys = 256;

// Parses a status reply in place into `server` (which holds its initial
// values). `data` must have room for one byte after `length`: a zero byte is
// written there, and the key, value and name ends are overwritten, so the
// caller can no longer use the bytes afterwards. At most kMaxReplyKeys pairs
// and kMaxReplyPlayers player lines are read, and the names are cut to the
// game's lengths. A "maxclients" that is no decimal integer, or a
// "fraglimit" or "timelimit" that is no decimal number, throws EConvertError
// before any player line is read.
void ParseStatusReply(char* data, int length, TQuakeServer& server);

// The value of a "fraglimit" or "timelimit". The game keeps its limits as
// floating-point settings ("7.5"): a decimal number with a fraction counts
// as its integer part. Anything else that is no decimal integer throws
// EConvertError with the whole text.
int32_t LimitValue(const std::string& text);

// Whole milliseconds from `start` to `now`, both in 100-ns ticks of the
// steady clock, truncated towards zero and held within 32 bits.
int32_t ElapsedMs(int64_t start, int64_t now);

// Whether a parsed reply describes a multi-player game worth listing: it has
// a host name, a map and more than one client slot. A limit the reply left
// out stays unknown.
bool IsAcceptableReply(const TQuakeServer& server);

}  // namespace torvane

#pragma once

#include <cstddef>
#include <cstdint>

#include "discovery/quakeserver.h"

namespace torvane {

// Length of the reply prefix: four 0xFF bytes, "print", a line feed and the
// backslash that opens the first key.
inline constexpr int kStatusReplyPrefixLength = 11;

// Player lines read from one reply at the most: far more than any game
// server has slots, and small enough that a datagram of empty names cannot
// turn its 64 KB into megabytes of records.
inline constexpr std::size_t kMaxReplyPlayers = 1024;

// Parses a status reply in place into `server` (which holds its initial
// values). `data` must have room for one byte after `length`: a zero byte is
// written there, and the key, value and name ends are overwritten, so the
// caller can no longer use the bytes afterwards. Each player line read (up to
// kMaxReplyPlayers) adds one to `search_players`. A non-decimal "maxclients",
// "fraglimit" or "timelimit" throws EConvertError; no player line has been
// counted by then.
void ParseStatusReply(char* data, int length, TQuakeServer& server, int32_t& search_players);

// Whole milliseconds from `start` to `now`, both in 100-ns ticks of the
// steady clock, truncated towards zero and held within 32 bits.
int32_t ElapsedMs(int64_t start, int64_t now);

// Whether a parsed reply describes a multi-player game worth listing: it has
// a host name, a map, more than one client slot, a frag and a time limit.
bool IsAcceptableReply(const TQuakeServer& server);

}  // namespace torvane

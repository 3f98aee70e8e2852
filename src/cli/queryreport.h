#pragma once

#include <string>
#include <vector>

#include "discovery/quakeserver.h"

namespace torvane {

// The host table as text: one line per server (host name, map, players,
// address:port, answer time), its players indented below.
std::string TextReport(const std::vector<TQuakeServer>& servers);

// The host table as one JSON array, in table order.
std::string JsonReport(const std::vector<TQuakeServer>& servers);

// An 8-bit text as UTF-8: byte 0x80 to 0xFF becomes U+0080 to U+00FF.
std::string Latin1ToUtf8(const std::string& text);

}  // namespace torvane

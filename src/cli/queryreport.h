// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "discovery/searchcycle.h"
#include "model/quakeserver.h"

namespace torvane {

// The host table as text: one line per server (host name, map, players,
// address:port, answer time, ping, source), its players indented below.
std::string TextReport(const std::vector<TQuakeServer>& servers);
void WriteTextReport(const std::vector<TQuakeServer>& servers, std::FILE* out);

// The host table as one JSON array, in table order: one object per server
// with its players, texts as UTF-8, each with "status": "answered"; then one
// object per server asked by a name that did not resolve, with its name as
// "address", its "port" and "status": "unresolved".
std::string JsonReport(const std::vector<TQuakeServer>& servers,
                       const std::vector<QueryTarget>& unresolved = {});

// The same report written to `out` as it is made, so that a table of ten
// thousand servers never has to be held twice in memory.
void WriteJsonReport(const std::vector<TQuakeServer>& servers, std::FILE* out,
                     const std::vector<QueryTarget>& unresolved = {});

// An 8-bit text as UTF-8: byte 0x80 to 0xFF becomes U+0080 to U+00FF.
std::string Latin1ToUtf8(const std::string& text);

}  // namespace torvane

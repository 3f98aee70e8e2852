// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "discovery/searchcycle.h"

namespace torvane {

// What one run of torvane-query asks for.
struct QueryOptions {
    bool json = false;
    uint32_t window_ms = kSearchWindowMs;
    // Broadcast ports, at most four; empty when nothing is broadcast.
    std::vector<std::string> ports;
    // Internet servers queried directly, as address and port texts.
    std::vector<QueryTarget> servers;
    // Master servers whose lists are queried.
    std::vector<QueryTarget> masters;
    // Status queries per second to the servers and the listed ones.
    uint32_t rate = 1000;
    bool help = false;
    bool version = false;
};

inline constexpr std::size_t kMaxBroadcastPorts = 4;
inline constexpr const char* kDefaultGamePort = "27910";

// The help text: what the program does and every option, one line each.
std::string QueryUsage();

// Reads the command line (without the program name). On bad arguments, and
// for a search that would ask nobody, returns nothing and sets `error` to a
// one-line message.
std::optional<QueryOptions> ParseQueryOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Simulated Quake II servers for measurements and whole-program tests: what
// each one is (host name, map, limits, players) and the status reply it
// sends, made up from a seed so that every run, and every tool that asks,
// sees the same servers.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace torvane::sim {

struct SimPlayer {
    std::string name;
    int frags = 0;
    int ping = 0;
};

struct SimServer {
    std::string host_name;
    std::string map;
    int max_clients = 16;
    int frag_limit = 0;
    int time_limit = 0;
    std::vector<SimPlayer> players;
};

// Server number `index` of the set made from `seed`: 0 to `max_players`
// players (never more than its slots), names unique within the server.
SimServer MakeServer(uint32_t seed, int index, int max_players);

// The status reply datagram the server sends: the out-of-band marker,
// "print", the server-information line with the keys a real server sends
// (game, version, rules, limits, host name, map, ...) and one line per
// player: frags, ping and the quoted name.
std::string StatusReply(const SimServer& server);

// Whether a datagram is the game's status query.
bool IsStatusQuery(const char* data, long length);

// A player name as a game server would carry it: a handle, sometimes with a
// clan tag or a number.
std::string PlayerName(std::mt19937& random);

}  // namespace torvane::sim

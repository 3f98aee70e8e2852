// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/simserver.h"

#include <array>
#include <cstring>
#include <set>
#include <string_view>

namespace torvane::sim {

namespace {

constexpr std::array<std::string_view, 48> kHandles = {
    "Ranger",   "Grunt",     "Bitterman",  "Phantom",  "Sarge",    "Major",    "Stroggo", "Ripper",
    "Viper",    "Nomad",     "Doomguy",    "Zaphod",   "Quadrant", "Railer",   "Gibber",  "Frostbite",
    "Hyperion", "Jackal",    "Kestrel",    "Lockjaw",  "Mauler",   "Nightowl", "Outlaw",  "Pyro",
    "Quasar",   "Rocketeer", "Shrapnel",   "Thumper",  "Umbra",    "Vortex",   "Warden",  "Xenon",
    "Yeti",     "Zealot",    "Blaster",    "Chaingun", "Deadeye",  "Ember",    "Fang",    "Gauntlet",
    "Havoc",    "Inferno",   "Juggernaut", "Krypt",    "Lurker",   "Menace",   "Neutron", "Oblivion"};
constexpr std::array<std::string_view, 10> kClanTags = {"[LAN]", "=ZX=",     "{Q2}",  "-=RK=-", "|TNT|",
                                                        "[wtf]", ".::DM::.", "(BoB)", "<ICE>",  "^fx^"};
constexpr std::array<std::string_view, 16> kMaps = {"q2dm1", "q2dm2",   "q2dm3",  "q2dm4", "q2dm5", "q2dm6",
                                                    "q2dm7", "q2dm8",   "base1",  "base2", "base3", "city1",
                                                    "fact1", "ztn2dm1", "match1", "tltf"};
constexpr std::array<std::string_view, 12> kHostWords = {
    "Friday",     "Deathmatch", "Rail Arena", "LAN Party", "Basement", "Frag Fest",
    "Clan Night", "Office",     "Hall Two",   "Quad Zone", "Instagib", "Old School"};
// Mostly 16 slots or more, so that servers hold 8 players on average.
constexpr std::array<int, 8> kSlots = {12, 16, 16, 16, 20, 24, 32, 32};
constexpr std::array<int, 5> kFragLimits = {0, 20, 30, 50, 100};
constexpr std::array<int, 5> kTimeLimits = {0, 10, 15, 20, 30};

template <typename Array>
const auto& Pick(const Array& items, std::mt19937& random) {
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
}

int Between(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

}  // namespace

std::string PlayerName(std::mt19937& random) {
    std::string name;
    const int shape = Between(random, 0, 9);
    if (shape < 3) name += Pick(kClanTags, random);
    name += Pick(kHandles, random);
    if (shape == 4 || shape == 5) name += std::to_string(Between(random, 1, 99));
    if (shape == 6) name += " the " + std::string(Pick(kHandles, random));
    // The game keeps 15 bytes of a player's name.
    if (name.size() > 15) name.resize(15);
    return name;
}

SimServer MakeServer(uint32_t seed, int index, int max_players) {
    std::mt19937 random(seed * 2654435761u + static_cast<uint32_t>(index));
    SimServer server;
    server.host_name = std::string(Pick(kHostWords, random)) + " #" + std::to_string(index);
    if (Between(random, 0, 2) == 0) server.host_name += " | " + std::string(Pick(kHostWords, random));
    server.map = Pick(kMaps, random);
    server.max_clients = Pick(kSlots, random);
    server.frag_limit = Pick(kFragLimits, random);
    server.time_limit = Pick(kTimeLimits, random);
    const int count = Between(random, 0, std::min(max_players, server.max_clients));
    std::set<std::string> taken;
    while (static_cast<int>(server.players.size()) < count) {
        std::string name = PlayerName(random);
        if (!taken.insert(name).second) continue;
        server.players.push_back({std::move(name), Between(random, -3, 60), Between(random, 5, 250)});
    }
    return server;
}

std::string StatusReply(const SimServer& server) {
    std::string reply = "\xFF\xFF\xFF\xFFprint\n";
    auto key = [&reply](std::string_view name, const std::string& value) {
        reply += '\\';
        reply += name;
        reply += '\\';
        reply += value;
    };
    key("cheats", "0");
    key("deathmatch", "1");
    key("dmflags", "16");
    key("fraglimit", std::to_string(server.frag_limit));
    key("timelimit", std::to_string(server.time_limit));
    key("maxclients", std::to_string(server.max_clients));
    key("gamename", "baseq2");
    key("version", "3.20 x86 Nov 30 1997 Linux RELEASE");
    key("protocol", "34");
    key("hostname", server.host_name);
    key("mapname", server.map);
    key("uptime", "0 days 4 hrs 10 mins");
    reply += '\n';
    for (const SimPlayer& player : server.players)
        reply +=
            std::to_string(player.frags) + ' ' + std::to_string(player.ping) + " \"" + player.name + "\"\n";
    return reply;
}

bool IsStatusQuery(const char* data, long length) {
    return length >= 10 && std::memcmp(data, "\xFF\xFF\xFF\xFFstatus", 10) == 0;
}

}  // namespace torvane::sim

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

// AnswerTime of a server that has not answered in the current search.
inline constexpr int32_t kNoAnswer = 9999;

struct Player {
    std::string Name;
    int32_t Frags = 0;
    int32_t Ping = 0;
};

// Where Torvane learned of a server, the nearest first: an answer to the
// broadcast on the local network, one of the user's favourites (or internet
// servers), or a master server's list.
enum class ServerSource : uint8_t { Lan = 0, Favourite = 1, Master = 2 };

// "LAN", "favourite", "master".
const char* SourceName(ServerSource source);
// As the host list shows it: "LAN", "Favourite", "Master".
const char* SourceCaption(ServerSource source);

// One game server, identified by Address and HostName together.
struct TQuakeServer {
    std::vector<Player> Players;
    std::string Address;
    std::string HostName;
    std::string Port;
    std::string MapName;
    int32_t AnswerTime = 0;
    int32_t MissCount = 1;
    int32_t MaxClients = 0;
    // Unknown when the reply leaves them out, as a server does with an
    // empty setting.
    std::optional<int32_t> FragLimit;
    std::optional<int32_t> TimeLimit;
    int Ping = -1;  // round trip in whole milliseconds; -1 until it answered
    ServerSource Source = ServerSource::Lan;
};

// "players/maxclients", e.g. "5/16".
std::string ServerCaption(const TQuakeServer& server);

// The caption of the server's entry in the tray menu.
std::string TrayHostCaption(const TQuakeServer& server);

// "ADDRESS:PORT", e.g. "10.99.0.12:27910".
std::string AddressText(const TQuakeServer& server);

// The round trip in milliseconds, or "" until the server has answered.
std::string PingText(const TQuakeServer& server);

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Builders for status replies and host records in the discovery tests.

#include <string>
#include <vector>

#include "model/quakeserver.h"

namespace torvane {

// A status reply: the out-of-band prefix, the server-information line (given
// without its leading backslash) and the player lines as given.
inline std::string Reply(const std::string& info, const std::string& players = "") {
    return std::string("\xFF\xFF\xFF\xFFprint\n\\") + info + "\n" + players;
}

inline std::string Info(const std::string& host, const std::string& map,
                        const std::string& maxclients = "8") {
    return "hostname\\" + host + "\\maxclients\\" + maxclients + "\\mapname\\" + map +
           "\\fraglimit\\20\\timelimit\\15";
}

// Received bytes in a buffer with one spare byte after them, as the socket
// read leaves them; the spare byte holds garbage until the parser writes it.
struct Datagram {
    explicit Datagram(const std::string& text) : bytes(text.begin(), text.end()), length(int(text.size())) {
        bytes.push_back('#');
    }
    char* data() { return bytes.data(); }
    std::vector<char> bytes;
    int length;
};

inline TQuakeServer Server(const std::string& address, const std::string& host, const std::string& map,
                           int max_clients, std::vector<Player> players = {},
                           const std::string& port = "27910") {
    TQuakeServer server;
    server.Address = address;
    server.HostName = host;
    server.MapName = map;
    server.MaxClients = max_clients;
    server.FragLimit = 20;
    server.TimeLimit = 15;
    server.Port = port;
    server.AnswerTime = 40;
    server.Players = std::move(players);
    return server;
}

}  // namespace torvane

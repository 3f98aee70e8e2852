// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace torvane::test {

struct FakePlayer {
    std::string name;
    int frags = 0;
    int ping = 0;
};

// A status reply datagram as a Quake II server sends it.
std::string StatusReplyDatagram(const std::string& host_name, const std::string& map, int max_clients,
                                const std::vector<FakePlayer>& players = {});

// A status reply with the server-information line `info` as given (without
// its leading backslash), for servers that leave settings out or write them
// their own way.
std::string StatusReplyWithInfo(const std::string& info, const std::vector<FakePlayer>& players = {});

// Starts a stand-in game server on LAN host k (see lan_hosts.h): every status
// query that reaches UDP `port` is answered with each of `replies`, in order,
// as fast as the host can send them, to the query's sender. Returns once the
// server is bound; stop it with StopLanHost.
pid_t StartFakeQuakeServer(int k, uint16_t port, std::vector<std::string> replies);

// Like StartFakeQuakeServer, but every reply is sent twice: from the socket
// on `port` and from a second socket of the same server, as a real server
// answers from its IPv4 and IPv6 sockets.
pid_t StartTwoSocketQuakeServer(int k, uint16_t port, std::vector<std::string> replies);

// Like StartFakeQuakeServer, but every query is answered with what the file
// `reply_file` holds at that moment, so a test can change the server between
// searches (a player joins, the map changes) by rewriting the file.
pid_t StartScriptedQuakeServer(int k, uint16_t port, const std::string& reply_file);

}  // namespace torvane::test

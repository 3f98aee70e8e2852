// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace torvane {

// The two lists of servers beyond the LAN that the Network page edits: the
// master servers (`Masters`, HOST or HOST:PORT) and the favourite game
// servers (`Favorites`, HOST:PORT), each kept as blank-separated words.
enum class ServerList { kMasters, kFavorites };

inline constexpr const char* kDefaultMasterPort = "27900";
inline constexpr const char* kDefaultGamePort = "27910";

// The words of a list as the settings keep it, in order.
std::vector<std::string> ServerListEntries(const std::string& text);
// The words joined again, one blank between two.
std::string ServerListText(const std::vector<std::string>& entries);

// Reads a typed address for `list`: blanks around it are dropped, and a
// favourite without a port gets the game's. On success `entry` holds the
// word to store and nothing is returned; otherwise what is wrong with it
// ("'q2 server' is not a host name or IPv4 address", "0 is not a port from
// 1 to 65535", "10.0.0.5:27910 is in the list already"). `entries` are the
// list's words as they are, compared by host (any case) and port.
std::optional<std::string> ReadServerEntry(ServerList list, const std::string& typed,
                                           const std::vector<std::string>& entries, std::string& entry);

// Whether the list's words name the server at `address_port` ("ADDRESS:PORT").
bool ListsServer(ServerList list, const std::string& text, const std::string& address_port);

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The socket layer's host information: the platform's start-up record, host
// records by name and by address, and the local host's name and addresses.
// Each runs the start-up guard first and asks the platform synchronously.

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

// What the socket layer reports about the platform, in the shape of the
// Winsock start-up record.
struct TWSAData {
    uint16_t wVersion = 0;
    uint16_t wHighVersion = 0;
    std::string szDescription;
    std::string szSystemStatus;
    uint16_t iMaxSockets = 0;
    uint16_t iMaxUdpDg = 0;
    const char* lpVendorInfo = nullptr;
};

// A host record: official name, aliases and IPv4 addresses (network order).
struct THostEnt {
    std::string h_name;
    std::vector<std::string> h_aliases;
    int16_t h_addrtype = AF_INET;
    int16_t h_length = 4;
    std::vector<in_addr> h_addr_list;
};

TWSAData WinsockInfo();
std::optional<THostEnt> WSocketGetHostByAddr(const std::string& text);
std::optional<THostEnt> WSocketGetHostByName(const std::string& text);
std::vector<std::string> LocalIPList();
// Throws ESocketException "Winsock.GetHostName failed" whatever OnError says.
std::string LocalHostName();

}  // namespace torvane

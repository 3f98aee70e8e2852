// SPDX-License-Identifier: GPL-2.0-or-later
// The host-information functions: host records by name and by address,
// and the local host's name and addresses.

#include "net/wsocket_hostinfo.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

#include "net/wsocket.h"
#include "net/wsocket_internal.h"
#include "platform/convert.h"

namespace torvane {

using namespace wsocket_detail;

std::optional<THostEnt> WSocketGetHostByName(const std::string& text) {
    EnsureWinsockStarted();
    if (text.size() > 255) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    if (getaddrinfo(text.c_str(), nullptr, &hints, &list) != 0) return std::nullopt;
    THostEnt host;
    host.h_name = list->ai_canonname != nullptr ? list->ai_canonname : text;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        host.h_addr_list.push_back(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr);
    }
    freeaddrinfo(list);
    return host;
}

std::optional<THostEnt> WSocketGetHostByAddr(const std::string& text) {
    EnsureWinsockStarted();
    if (text.size() > 255) return std::nullopt;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (inet_aton(Trim(text).c_str(), &address.sin_addr) == 0) return std::nullopt;
    char name[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, name, sizeof name, nullptr,
                    0, NI_NAMEREQD) != 0) {
        return std::nullopt;
    }
    THostEnt host;
    host.h_name = name;
    host.h_addr_list.push_back(address.sin_addr);
    return host;
}

std::vector<std::string> LocalIPList() {
    EnsureWinsockStarted();
    std::vector<std::string> list;
    std::vector<std::string> loopback;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) return list;
    for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            !(entry->ifa_flags & IFF_UP)) {
            continue;
        }
        const std::string dotted =
            DottedAddress(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
        (entry->ifa_flags & IFF_LOOPBACK ? loopback : list).push_back(dotted);
    }
    freeifaddrs(interfaces);
    // A host with no network still has an address: its loopback one.
    return list.empty() ? loopback : list;
}

std::string LocalHostName() {
    EnsureWinsockStarted();
    char name[64] = {};
    if (gethostname(name, sizeof name - 1) != 0) throw ESocketException("Winsock.GetHostName failed");
    return name;
}

}  // namespace torvane

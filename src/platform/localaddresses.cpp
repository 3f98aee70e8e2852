// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/localaddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <memory>

namespace torvane {

namespace {

struct InterfaceListFree {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

}  // namespace

bool IsLocalAddress(const std::string& address) {
    in_addr wanted{};
    if (inet_pton(AF_INET, address.c_str(), &wanted) != 1) return false;
    if ((ntohl(wanted.s_addr) >> 24) == 127) return true;
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return false;
    const std::unique_ptr<ifaddrs, InterfaceListFree> list(raw);
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        const auto* own = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (own->sin_addr.s_addr == wanted.s_addr) return true;
    }
    return false;
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
// The module's shared pieces: the last platform error, the name lookups of
// the Addr, Port and Proto setters, and socket options.

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "net/wsockerr.h"
#include "net/wsocket.h"
#include "net/wsocket_internal.h"
#include "platform/convert.h"

namespace torvane {

namespace wsocket_detail {
namespace {

thread_local int last_platform_error = 0;

}  // namespace

int LastPlatformError() {
    return last_platform_error;
}

void SetLastPlatformError(int code) {
    last_platform_error = code;
}

int CaptureErrno() {
    last_platform_error = WinsockErrorFromErrno(errno);
    return last_platform_error;
}

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

bool StartsWithDigit(const std::string& text) {
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
}

// Service and protocol names are looked up with the reentrant calls, so a
// lookup worker on another thread cannot disturb them. An unknown name
// leaves "No Data" as the platform error, the code of its report.
std::optional<uint16_t> LookupServicePort(const std::string& name, const std::string& proto) {
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    if (!name.empty() &&
        getservbyname_r(name.c_str(), proto.empty() ? nullptr : proto.c_str(), &entry, buffer, sizeof buffer,
                        &found) == 0 &&
        found != nullptr) {
        return static_cast<uint16_t>(found->s_port);
    }
    SetLastPlatformError(kWsaNoData);
    return std::nullopt;
}

std::optional<int16_t> LookupProtocolNumber(const std::string& name) {
    protoent entry{};
    protoent* found = nullptr;
    char buffer[1024];
    if (!name.empty() && getprotobyname_r(name.c_str(), &entry, buffer, sizeof buffer, &found) == 0 &&
        found != nullptr) {
        return static_cast<int16_t>(found->p_proto);
    }
    SetLastPlatformError(kWsaNoData);
    return std::nullopt;
}

bool SetOption(int fd, int level, int name, const void* value, socklen_t length) {
    if (setsockopt(fd, level, name, value, length) == 0) return true;
    CaptureErrno();
    return false;
}

bool SetIntOption(int fd, int level, int name, int value) {
    return SetOption(fd, level, name, &value, sizeof value);
}

bool IsConnectUnderWay(int code) {
    return code == kWsaEwouldblock || code == kWsaInProgress;
}

int ResolveAllAddresses(const std::string& host, std::vector<in_addr>& addresses) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address
    addrinfo* list = nullptr;
    const int result = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (result != 0) return WinsockErrorFromGai(result);
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        addresses.push_back(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr);
    }
    freeaddrinfo(list);
    return addresses.empty() ? kWsaNoData : 0;
}

}  // namespace wsocket_detail

using namespace wsocket_detail;

uint32_t WSocketResolveHost(const std::string& text) {
    EnsureWinsockStarted();
    const std::string host = Trim(text);
    in_addr address{};
    if (inet_aton(host.c_str(), &address) != 0) return address.s_addr;
    std::vector<in_addr> addresses;
    if (ResolveAllAddresses(host, addresses) != 0) {
        throw ESocketException("SetAddr: Cannot convert host address '" + text + "'");
    }
    return addresses.front().s_addr;
}

int WSocketPlatformError() {
    return LastPlatformError();
}

}  // namespace torvane

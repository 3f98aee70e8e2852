#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "net/wsockerr.h"
#include "net/wsocket.h"
#include "net/wsocket_internal.h"
#include "platform/convert.h"

namespace torvane {

namespace wsocket_detail {
namespace {

thread_local int last_platform_error = 0;

// The module's start-up state. Components live on their loop's thread, but
// each thread may have its own loop, so the counters are guarded.
struct ModuleState {
    std::mutex mutex;
    int StartupCount = 0;
    bool WinsockStarted = false;
    TWSAData WinsockData;
};

ModuleState& Module() {
    static ModuleState state;
    return state;
}

// What this platform can honestly say in the Winsock start-up record.
TWSAData DescribePlatform() {
    TWSAData data;
    data.wVersion = 0x0101;  // the socket layer keeps the 1.1 semantics
    data.wHighVersion = 0x0101;
    utsname system{};
    data.szDescription = "POSIX sockets";
    if (uname(&system) == 0)
        data.szDescription += std::string(" on ") + system.sysname + " " + system.release;
    data.szSystemStatus = "Running";
    rlimit files{};
    const rlim_t limit = getrlimit(RLIMIT_NOFILE, &files) == 0 ? files.rlim_cur : 1024;
    data.iMaxSockets = static_cast<uint16_t>(std::min<rlim_t>(limit, 0xFFFF));
    data.iMaxUdpDg = 65507;  // 65535 less the IPv4 and UDP headers
    data.lpVendorInfo = nullptr;
    return data;
}

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

void EnsureWinsockStarted() {
    ModuleState& module = Module();
    std::lock_guard<std::mutex> lock(module.mutex);
    if (module.WinsockStarted) return;
    module.WinsockData = DescribePlatform();
    module.WinsockStarted = true;
}

void ComponentCreated() {
    {
        std::lock_guard<std::mutex> lock(Module().mutex);
        ++Module().StartupCount;
    }
    EnsureWinsockStarted();
}

void ComponentDestroyed() {
    ModuleState& module = Module();
    std::lock_guard<std::mutex> lock(module.mutex);
    --module.StartupCount;
    if (module.WinsockStarted && module.StartupCount <= 0) {
        module.WinsockStarted = false;
        module.StartupCount = 0;
    }
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

TWSAData WinsockInfo() {
    EnsureWinsockStarted();
    std::lock_guard<std::mutex> lock(Module().mutex);
    return Module().WinsockData;
}

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

int WSocketPlatformError() {
    return LastPlatformError();
}

}  // namespace torvane

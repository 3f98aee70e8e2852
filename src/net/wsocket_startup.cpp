// SPDX-License-Identifier: GPL-2.0-or-later
// The emulation of the platform's start-up: the count of live components
// and the start-up record that WinsockInfo reports.

#include <sys/resource.h>
#include <sys/utsname.h>

#include <algorithm>
#include <mutex>

#include "net/wsocket_hostinfo.h"
#include "net/wsocket_internal.h"

namespace torvane {

namespace wsocket_detail {
namespace {

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

}  // namespace wsocket_detail

using namespace wsocket_detail;

TWSAData WinsockInfo() {
    EnsureWinsockStarted();
    std::lock_guard<std::mutex> lock(Module().mutex);
    return Module().WinsockData;
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#include <arpa/inet.h>
#include <netdb.h>

#include <atomic>
#include <system_error>
#include <thread>

#include "net/wsocket.h"
#include "net/wsocket_internal.h"
#include "platform/convert.h"

namespace torvane {

using namespace wsocket_detail;

namespace {

// Lookup handles are never 0 and never reused within a process.
uint64_t NextLookupHandle() {
    static std::atomic<uint64_t> next{1};
    return next++;
}

}  // namespace

void TCustomWSocket::DnsLookup(const std::string& host) {
    if (host.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDNSLookupDone(kWsaEinval);
        return;
    }
    // The answer of an abandoned lookup is dropped by the handle check.
    FLookupHandle = 0;
    FDnsResult.clear();
    FDnsResultList.clear();
    in_addr address{};
    if (inet_aton(host.c_str(), &address) != 0) {
        FDnsResult = DottedAddress(address.s_addr);
        TriggerDNSLookupDone(0);
        return;
    }
    FLookupHandle = NextLookupHandle();
    try {
        StartHostLookup(FSink->Mailbox(), FLookupHandle, host);
    } catch (const std::system_error& error) {  // no thread to be had
        FLookupHandle = 0;
        RaiseExceptionFmt("%s: can't start DNS lookup, error #%d", host.c_str(),
                          WinsockErrorFromErrno(error.code().value()));
    }
}

void TCustomWSocket::CancelDnsLookup() {
    if (FLookupHandle == 0) return;
    FLookupHandle = 0;
    if (!FDestroying) TriggerDNSLookupDone(kWsaEintr);
}

void TCustomWSocket::WMAsyncGetHostByName(uint64_t handle, uint16_t error,
                                          const std::vector<in_addr>& addresses) {
    if (handle == 0 || handle != FLookupHandle) return;
    FLookupHandle = 0;
    if (error == 0) {
        for (const in_addr& address : addresses) FDnsResultList.push_back(DottedAddress(address.s_addr));
        if (!FDnsResultList.empty()) FDnsResult = FDnsResultList.front();
    }
    TriggerDNSLookupDone(error);
}

namespace wsocket_detail {

void StartHostLookup(std::shared_ptr<LookupMailbox> mailbox, uint64_t handle, const std::string& host) {
    std::thread([mailbox = std::move(mailbox), handle, host] {
        std::vector<in_addr> addresses;
        const int error = ResolveAllAddresses(host, addresses);
        std::lock_guard<std::mutex> lock(mailbox->mutex);
        if (mailbox->loop == nullptr) return;  // the component is gone
        mailbox->loop->Post([mailbox, handle, error, addresses] {
            TCustomWSocket* owner = nullptr;
            {
                std::lock_guard<std::mutex> ownerLock(mailbox->mutex);
                owner = mailbox->owner;
            }
            if (owner != nullptr)
                owner->WMAsyncGetHostByName(handle, static_cast<uint16_t>(error), addresses);
        });
    }).detach();
}

}  // namespace wsocket_detail
}  // namespace torvane

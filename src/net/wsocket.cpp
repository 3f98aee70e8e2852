// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/wsocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "net/wait.h"
#include "net/wsockbuf.h"
#include "net/wsocket_internal.h"

namespace torvane {

using namespace wsocket_detail;

TCustomWSocket::TCustomWSocket(::torvane::MessageLoop& loop, const Clock& clock)
    : FLoop(loop), FClock(clock), FSink(std::make_unique<NotificationSink>(loop, *this)) {
    AssignDefaultValue();
    ComponentCreated();
}

TCustomWSocket::~TCustomWSocket() {
    *alive_ = false;
    FDestroying = true;
    // Nothing a destructor does may throw: a report here has nowhere to go.
    try {
        CancelDnsLookup();
        if (FState != wsClosed) Close();
    } catch (...) {
    }
    ReleaseHandle();  // one left behind by a failed step is still ours
    SetWaitCtrl(nullptr);
    ComponentDestroyed();
}

void TCustomWSocket::AssignDefaultValue() {
    ReleaseHandle();  // never left open by a reset
    FPortSet = false;
    FAddrSet = false;
    FProtoSet = true;
    FProtoStr = "tcp";
    FProtoNumber = IPPROTO_TCP;
    FSocketKind = kStreamSocket;
    FAddressFamily = AF_INET;
    FTargetAddress = sockaddr_in{};
    FTargetAddress.sin_family = AF_INET;
    FState = wsClosed;
    FAwaitedState = wsInvalidState;
    FQueueDrained = true;
    FLineReading = false;
    FLineLength = 0;
    FNotifyPaused = false;
    FReadCount = 0;
    FCloseReported = false;
    FFlushTimeout = 60;
}

// ---------------------------------------------------------------- properties

// The common start of the Addr, Port and Proto setters: the same text once
// resolved changes nothing; otherwise the text is kept, and resolution may
// go on only while the socket is closed.
bool TCustomWSocket::AcceptSetting(bool resolved, std::string& stored, const std::string& text,
                                   const char* refusal) {
    if (resolved && text == stored) return false;
    stored = text;
    if (FState == wsClosed) return true;
    RaiseException(refusal);
    return false;
}

void TCustomWSocket::SetAddr(const std::string& text) {
    if (!AcceptSetting(FAddrSet, FAddrStr, text, "Cannot change Addr if not closed")) return;
    FAddrSet = false;
    FTargetAddress.sin_addr.s_addr = WSocketResolveHost(text);
    FAddrSet = true;
}

void TCustomWSocket::SetPort(const std::string& text) {
    if (!AcceptSetting(FPortSet, FPortStr, text, "Cannot change Port if not closed")) return;
    FPortSet = true;
    const std::string name = Trim(text);
    uint16_t port = 0;  // network order
    if (StartsWithDigit(name)) {
        port = htons(static_cast<uint16_t>(CaptionCount(name)));
    } else {
        EnsureWinsockStarted();
        const std::optional<uint16_t> service = LookupServicePort(name, FProtoStr);
        if (!service) {
            FPortSet = false;
            SocketError("SetPort: Cannot convert port '" + name + "'");
            return;
        }
        port = *service;
    }
    FTargetAddress.sin_port = port;
    FPortNumber = ntohs(port);
}

void TCustomWSocket::SetProto(const std::string& text) {
    if (!AcceptSetting(FProtoSet, FProtoStr, text, "Cannot change Proto if not closed")) return;
    const std::string name = Trim(text);
    if (name == "not found") return;
    FProtoSet = true;
    if (StartsWithDigit(name)) {
        FProtoNumber = CaptionCount(name);
    } else {
        EnsureWinsockStarted();
        const std::optional<int16_t> number = LookupProtocolNumber(name);
        if (!number) {
            FProtoSet = false;
            SocketError("SetProto: Cannot convert protocol '" + name + "'");
            return;
        }
        FProtoNumber = *number;
    }
    FSocketKind = FProtoNumber == IPPROTO_UDP ? kDatagramSocket : kStreamSocket;
}

TSocketSendFlags TCustomWSocket::SendFlags() {
    switch (FSendFlags) {
        case 0:
            return wsSendNormal;
        case 1:
            return wsSendUrgent;
        default:
            RaiseException("Invalid internal SendFlags");
            return wsSendNormal;
    }
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags flags) {
    switch (flags) {
        case wsSendNormal:
            FSendFlags = 0;
            break;
        case wsSendUrgent:
            FSendFlags = 1;
            break;
        default:
            RaiseException("Invalid SendFlags");
    }
}

void TCustomWSocket::SetWaitCtrl(TCustomWait* wait) {
    if (wait == FWaitCtrl) return;
    if (FWaitCtrl != nullptr) FWaitCtrl->RemoveFreeNotification(this);
    FWaitCtrl = wait;
    // A wait control destroyed before us must not be left dangling here.
    if (FWaitCtrl != nullptr) FWaitCtrl->FreeNotification(this, [this] { FWaitCtrl = nullptr; });
}

// ------------------------------------------------------------ error routing

void TCustomWSocket::RaiseException(const std::string& text) {
    if (OnError) {
        TriggerError();
        return;
    }
    throw ESocketException(text);
}

void TCustomWSocket::RaiseExceptionFmt(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    RaiseException(text);
}

void TCustomWSocket::SocketError(const std::string& label) {
    const int code = LastPlatformError();
    const std::string text = WSocketErrorReport(code, label);
    // A reset or a socket that is not connected cannot be used any more.
    if (code == kWsaEconnreset || code == kWsaEnotconn) {
        ReleaseHandle();
        ChangeState(wsClosed);
    }
    RaiseException(text);
}

// ------------------------------------------------------------------ triggers

bool TCustomWSocket::TriggerDataAvailable(uint16_t error) {
    if (!OnDataAvailable) return false;
    OnDataAvailable(*this, error);
    return true;
}

void TCustomWSocket::TriggerSessionAvailable(uint16_t error) {
    if (OnSessionAvailable) OnSessionAvailable(*this, error);
}

void TCustomWSocket::TriggerSessionConnected(uint16_t error) {
    if (OnSessionConnected) OnSessionConnected(*this, error);
}

void TCustomWSocket::TriggerSessionClosed(uint16_t error) {
    if (OnSessionClosed) OnSessionClosed(*this, error);
}

void TCustomWSocket::TriggerDataSent(uint16_t error) {
    if (OnDataSent) OnDataSent(*this, error);
}

void TCustomWSocket::TriggerChangeState(TSocketState OldState, TSocketState NewState) {
    if (OnChangeState) OnChangeState(*this, OldState, NewState);
}

void TCustomWSocket::TriggerDNSLookupDone(uint16_t error) {
    if (OnDnsLookupDone) OnDnsLookupDone(*this, error);
}

void TCustomWSocket::TriggerError() {
    if (OnError) OnError(*this);
}

void TCustomWSocket::ChangeState(TSocketState NewState) {
    const TSocketState old_state = FState;
    FState = NewState;
    const std::shared_ptr<bool> alive = alive_;
    TriggerChangeState(old_state, NewState);
    if (!*alive || FMultiThreaded || FWaitCtrl == nullptr) return;
    if (NewState == FAwaitedState || (FAwaitedState == wsConnected && NewState == wsClosed)) {
        FWaitCtrl->Stop();
    }
}

// --------------------------------------------------------- opening, closing

void TCustomWSocket::Connect() {
    if (FSocketHandle != -1 && FState != wsClosed) return RaiseException("Connect: Socket already in use");
    if (!FPortSet) return RaiseException("Connect: No Port Specified");
    if (!FAddrSet) return RaiseException("Connect: No IP Address Specified");
    if (!FProtoSet) return RaiseException("Connect: No Protocol Specified");

    if (!OpenHandle()) return SocketError("Connect (socket)");
    ChangeState(wsOpened);
    if (FSocketKind == kDatagramSocket) {
        BindSocket();
        // Only the limited broadcast gets the option; a subnet broadcast
        // address is left to fail at the platform.
        if (FTargetAddress.sin_addr.s_addr == INADDR_BROADCAST &&
            !SetIntOption(FSocketHandle, SOL_SOCKET, SO_BROADCAST, 1)) {
            return SocketError("setsockopt(SO_BROADCAST)");
        }
    } else if (!SetStreamOptions()) {
        return;
    }
    if (!Register(kNotifyRead | kNotifyWrite | kNotifyAccept | kNotifyConnect | kNotifyClose)) {
        return SocketError("WSAAsyncSelect");
    }
    if (FSocketKind == kDatagramSocket) {
        ChangeState(wsConnected);
        TriggerSessionConnected(0);
        return;
    }
    if (::connect(FSocketHandle, reinterpret_cast<const sockaddr*>(&FTargetAddress), sizeof FTargetAddress) ==
            0 ||
        IsConnectUnderWay(CaptureErrno())) {
        ChangeState(wsConnecting);
        return;
    }
    FLastError = LastPlatformError();
    SocketError("Connect");
}

bool TCustomWSocket::OpenHandle() {
    ReleaseHandle();  // one left behind by a failed step must not leak
    const int type =
        (FSocketKind == kDatagramSocket ? SOCK_DGRAM : SOCK_STREAM) | SOCK_NONBLOCK | SOCK_CLOEXEC;
    FSocketHandle = ::socket(FAddressFamily, type, FProtoNumber);
    if (FSocketHandle >= 0) {
        ApplyReceiveStamps();
        return true;
    }
    CaptureErrno();
    FSocketHandle = -1;
    return false;
}

bool TCustomWSocket::SetStreamOptions() {
    const linger lingerOn{1, 0};
    if (!SetOption(FSocketHandle, SOL_SOCKET, SO_LINGER, &lingerOn, sizeof lingerOn)) {
        SocketError("setsockopt(SO_LINGER)");
        return false;
    }
    if (!SetIntOption(FSocketHandle, SOL_SOCKET, SO_KEEPALIVE, -1)) {
        SocketError("setsockopt(SO_KEEPALIVE)");
        return false;
    }
    if (!SetIntOption(FSocketHandle, SOL_SOCKET, SO_REUSEADDR, -1)) {
        SocketError("setsockopt(SO_REUSEADDR)");
        return false;
    }
    return true;
}

void TCustomWSocket::BindSocket() {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (::bind(FSocketHandle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return RaiseExceptionFmt("winsock.bind failed, error #%d", CaptureErrno());
    }
    socklen_t length = sizeof local;
    if (::getsockname(FSocketHandle, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return RaiseExceptionFmt("winsock.getsockname failed, error #%d", CaptureErrno());
    }
    FLocalPort = ntohs(local.sin_port);
}

int32_t TCustomWSocket::Listen() {
    const auto invalid = [this](const char* label) {
        SetLastPlatformError(kWsaEinval);
        SocketError(label);
        return -1;
    };
    if (!FPortSet) return invalid("listen: port not assigned");
    if (!FProtoSet) return invalid("listen: protocol not assigned");
    if (!FAddrSet) return invalid("listen: address not assigned");

    if (!OpenHandle()) {
        SocketError("socket");
        return -1;
    }
    // No address reuse: a second copy must find the port taken.
    if (::bind(FSocketHandle, reinterpret_cast<const sockaddr*>(&FTargetAddress), sizeof FTargetAddress) !=
        0) {
        CaptureErrno();
        // Released before the report, which may throw: the handle never leaks.
        ReleaseHandle();
        SocketError("Bind");
        return -1;
    }
    ChangeState(wsBound);
    if (FSocketKind == kDatagramSocket) {
        ChangeState(wsListening);
        ChangeState(wsConnected);
        const std::shared_ptr<bool> alive = alive_;
        TriggerSessionConnected(0);
        if (!*alive) return -1;  // destroyed by the handler: nothing is listening
    } else {
        if (::listen(FSocketHandle, 5) != 0) {
            CaptureErrno();
            SocketError("Listen");
            return -1;
        }
        ChangeState(wsListening);
    }
    if (!Register(kNotifyRead | kNotifyWrite | kNotifyAccept | kNotifyClose)) {
        SocketError("WSAASyncSelect");
        return -1;
    }
    return 0;
}

void TCustomWSocket::Close() {
    InternalClose(true);
}

void TCustomWSocket::Abort() {
    InternalClose(false);
}

void TCustomWSocket::InternalClose(bool shutdown) {
    if (FSocketHandle == -1) {
        if (FState != wsClosed) {
            ChangeState(wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    if (FState == wsClosed) return;
    if (shutdown) Shutdown(2);
    const int handle = FSocketHandle;
    ForgetHandle();
    // POSIX close never asks to be retried: it releases the descriptor even
    // when it reports an error, so a failure is reported once and not looped.
    if (::close(handle) != 0) {
        FLastError = CaptureErrno();
        return SocketError("Disconnect (closesocket)");
    }
    ChangeState(wsClosed);
    if (!FDestroying && !FCloseReported && OnSessionClosed) {
        FCloseReported = true;
        const std::shared_ptr<bool> alive = alive_;
        TriggerSessionClosed(0);
        if (!*alive) return;  // the handler destroyed the socket
    }
    AssignDefaultValue();
}

void TCustomWSocket::Shutdown(int how) {
    if (FSocketHandle != -1) ::shutdown(FSocketHandle, how);
}

// Drops the handle from the notification service and forgets it; notifications
// already queued for it are ignored by the handle check.
void TCustomWSocket::ForgetHandle() {
    if (FSocketHandle != -1) FSink->Unregister(FSocketHandle);
    FSocketHandle = -1;
}

// Closes the handle, if any, without a word: for handles that are to go
// whatever the platform says.
void TCustomWSocket::ReleaseHandle() {
    const int handle = FSocketHandle;
    ForgetHandle();
    if (handle != -1) ::close(handle);
}

bool TCustomWSocket::Register(uint16_t events) {
    if (FSocketHandle == -1) {
        SetLastPlatformError(kWsaEnotsock);
        return false;
    }
    if (FSink->Register(FSocketHandle, events, FSocketKind == kDatagramSocket)) return true;
    CaptureErrno();
    return false;
}

}  // namespace torvane

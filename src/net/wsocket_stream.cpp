// SPDX-License-Identifier: GPL-2.0-or-later
// The stream operations that a datagram program never calls: taking a
// waiting connection, adopting a connected handle, and the address queries
// of a connected peer.

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "net/wsocket.h"
#include "net/wsocket_internal.h"
#include "platform/convert.h"

namespace torvane {

using namespace wsocket_detail;

// ---------------------------------------------------------------- connections

int TCustomWSocket::Accept() {
    if (FState != wsListening) {
        SetLastPlatformError(kWsaEinval);
        SocketError("not a listening socket");
        return -1;
    }
    socklen_t length = sizeof FTargetAddress;
    FAcceptedHandle = ::accept4(FSocketHandle, reinterpret_cast<sockaddr*>(&FTargetAddress), &length,
                                SOCK_NONBLOCK | SOCK_CLOEXEC);
    FSink->ReenableAccept(FSocketHandle);
    if (FAcceptedHandle == -1) {
        CaptureErrno();
        SocketError("Accept");
        return -1;
    }
    return FAcceptedHandle;
}

void TCustomWSocket::Dup(int handle) {
    if (handle == 0 || handle == -1) {
        SetLastPlatformError(kWsaEinval);
        return SocketError("Dup");
    }
    if (FState != wsClosed) {
        const int old = FSocketHandle;
        ForgetHandle();
        if (old != -1 && ::close(old) != 0) {
            CaptureErrno();
            return SocketError("Dup (closesocket)");
        }
        ChangeState(wsClosed);
    }
    FSocketHandle = handle;
    // The component never blocks, whoever made the handle.
    const int flags = ::fcntl(handle, F_GETFL);
    if (flags != -1) ::fcntl(handle, F_SETFL, flags | O_NONBLOCK);
    if (!Register(kNotifyRead | kNotifyWrite | kNotifyConnect | kNotifyClose))
        return SocketError("WSAAsyncSelect");
    ChangeState(wsConnected);
}

// ----------------------------------------------------------------- addresses

std::string TCustomWSocket::GetPeerAddr() {
    if (FState != wsConnected) return "error";
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(FSocketHandle, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        CaptureErrno();
        SocketError("GetPeerName");
        return "error";
    }
    return DottedAddress(peer.sin_addr.s_addr);
}

int TCustomWSocket::GetPeerName(sockaddr_in& address, int length) {
    if (FState != wsConnected) return -1;
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(FSocketHandle, reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
        CaptureErrno();
        return -1;
    }
    if (length >= static_cast<int>(sizeof peer)) address = peer;
    return 0;
}

int TCustomWSocket::GetSockName(sockaddr_in& address, int& length) {
    socklen_t size = length < 0 ? 0 : static_cast<socklen_t>(length);
    sockaddr_in local{};
    size = std::min<socklen_t>(size, sizeof local);
    const int result = ::getsockname(FSocketHandle, reinterpret_cast<sockaddr*>(&local), &size);
    if (result != 0) {
        CaptureErrno();
        return result;
    }
    address = local;
    length = static_cast<int>(size);
    return result;
}

std::string TCustomWSocket::GetXPort() {
    if (FState != wsBound && FState != wsConnected && FState != wsListening) return "error";
    sockaddr_in local{};
    int length = sizeof local;
    if (GetSockName(local, length) != 0) return "error";
    return std::to_string(ntohs(local.sin_port));
}

}  // namespace torvane

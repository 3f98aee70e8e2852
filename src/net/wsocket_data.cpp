#include <sys/ioctl.h>
#include <sys/socket.h>

#include "net/wait.h"
#include "net/wsockbuf.h"
#include "net/wsocket.h"
#include "net/wsocket_internal.h"

namespace torvane {

using namespace wsocket_detail;

namespace {

bool ClosesTheSocket(int code) {
    return code == kWsaEconnreset || code == kWsaEnotsock || code == kWsaEnotconn || code == kWsaEinval;
}

}  // namespace

// ------------------------------------------------------------------ dispatch

void TCustomWSocket::WMASyncSelect(int handle, uint16_t events, uint16_t error) {
    if (handle != FSocketHandle || handle == -1 || FNotifyPaused) return;
    if (events & kNotifyConnect) {
        ChangeState(wsConnected);
        TriggerSessionConnected(error);
        if (error != 0 && FState != wsClosed) Close();
    }
    if (events & kNotifyRead) ASyncReceive(error);
    if (events & kNotifyWrite) {
        TryToSend();
        if (FQueueDrained && OnDataSent) TriggerDataSent(error);
    }
    if (events & kNotifyAccept) TriggerSessionAvailable(error);
    if ((events & kNotifyClose) && FState != wsConnecting) {
        ASyncReceive(error);  // deliver what is left
        if (FLineReading) {
            FLineReading = false;
            StopWaitCtrl();
        }
        if (OnSessionClosed && !FCloseReported) {
            FCloseReported = true;
            TriggerSessionClosed(error);
        }
        if (FState != wsClosed) Close();
    }
}

void TCustomWSocket::ASyncReceive(uint16_t error) {
    // A handler that throws (a malformed datagram, say) loses only its own
    // datagram: the exception ends this dispatch, the rest waits for the next.
    try {
        for (;;) {
            FLastError = 0;
            if (FLineReading) {
                ReadLineReceive();
            } else if (!TriggerDataAvailable(error)) {
                return;
            }
            if (FLastError != 0) return;
            if (FSocketHandle == -1) {
                FLastError = kWsaEnotsock;
                return;
            }
            int pending = 0;
            if (::ioctl(FSocketHandle, FIONREAD, &pending) != 0) {
                FLastError = CaptureErrno();
                return;
            }
            if (pending == 0) return;
        }
    } catch (...) {
    }
}

// ------------------------------------------------------------------- sending

int TCustomWSocket::Send(const void* data, int length) {
    if (FState != wsConnected) {
        SetLastPlatformError(kWsaEnotconn);
        SocketError("Send");
        return -1;
    }
    FQueueDrained = false;
    int result = 0;
    if (length > 0) {
        PutDataInSendBuffer(data, length);
        result = length;
    }
    TryToSend();
    // OnDataSent always comes later from the loop, never from inside Send.
    if (FQueueDrained) FSink->PostNotification(FSocketHandle, kNotifyWrite, 0);
    return result;
}

int TCustomWSocket::SendStr(const std::string& text) {
    return Send(text.data(), static_cast<int>(text.size()));
}

void TCustomWSocket::PutDataInSendBuffer(const void* data, int length) {
    if (length <= 0) return;
    const char* bytes = static_cast<const char*>(data);
    if (FSendQueue.empty()) FSendQueue.push_back(std::make_unique<TBuffer>(FChunkSize));
    int taken = FSendQueue.back()->Write(bytes, length);
    while (taken < length) {
        FSendQueue.push_back(std::make_unique<TBuffer>(FChunkSize));
        taken += FSendQueue.back()->Write(bytes + taken, length - taken);
    }
}

void TCustomWSocket::PutStringInSendBuffer(const std::string& text) {
    PutDataInSendBuffer(text.data(), static_cast<int>(text.size()));
}

void TCustomWSocket::TryToSend() {
    if (FSocketHandle == -1 || FSendQueue.empty()) return;
    for (;;) {
        TBuffer& chunk = *FSendQueue.front();
        int length = 0;
        const char* bytes = static_cast<const char*>(chunk.Peek(length));
        if (length <= 0) {
            if (FSendQueue.size() == 1) {
                FQueueDrained = true;  // the last chunk stays for reuse
                return;
            }
            FSendQueue.pop_front();
            continue;
        }
        const ssize_t sent = SendChunk(bytes, length);
        if (sent == 0) return;
        if (sent < 0) {
            const int code = CaptureErrno();
            if (code == kWsaEwouldblock) {
                FSink->ReenableWrite(FSocketHandle);
                return;
            }
            // A datagram the platform refuses will never go: dropped, so it
            // cannot be glued to the next message and resent as garbage.
            if (FSocketKind == kDatagramSocket) chunk.Remove(length);
            if (ClosesTheSocket(code)) return Close();
            SetLastPlatformError(code);
            return SocketError("TryToSend failed");
        }
        chunk.Remove(static_cast<int>(sent));
        if (sent < length) return;
    }
}

ssize_t TCustomWSocket::SendChunk(const char* bytes, int length) {
    const int flags = FSendFlags | MSG_NOSIGNAL;
    if (FSocketKind == kDatagramSocket) {
        return ::sendto(FSocketHandle, bytes, static_cast<size_t>(length), flags,
                        reinterpret_cast<const sockaddr*>(&FTargetAddress), sizeof FTargetAddress);
    }
    return ::send(FSocketHandle, bytes, static_cast<size_t>(length), flags);
}

bool TCustomWSocket::SendQueueEmpty() const {
    for (const auto& chunk : FSendQueue) {
        int length = 0;
        chunk->Peek(length);
        if (length > 0) return false;
    }
    return true;
}

void TCustomWSocket::Flush() {
    if (FMultiThreaded) {
        // An empty queue counts as drained even when no send has completed
        // yet, so a Flush after an empty Send cannot wait forever.
        while (FSocketHandle != -1 && !FQueueDrained && !SendQueueEmpty()) {
            TryToSend();
            if (FSocketHandle != -1 && !FQueueDrained) Loop().WaitAndProcessMessages(kPumpSliceMs);
        }
        return;
    }
    if (!CheckFWait()) return;
    TCustomWait& wait = *FWaitCtrl;
    wait.SetCaption(std::to_string(FFlushTimeout));
    wait.SetVisible(true);
    wait.Start();
    try {
        while (wait.Running() && FSocketHandle != -1 && !FQueueDrained && !SendQueueEmpty()) {
            TryToSend();
            if (FSocketHandle != -1 && !FQueueDrained) Loop().WaitAndProcessMessages(kPumpSliceMs);
        }
    } catch (...) {
        StopAndHide(wait);
        throw;
    }
    StopAndHide(wait);
}

// ----------------------------------------------------------------- receiving

int TCustomWSocket::Receive(void* buffer, int size) {
    const ssize_t result = ::recv(FSocketHandle, buffer, size > 0 ? static_cast<size_t>(size) : 0, 0);
    FSink->ReenableRead(FSocketHandle);
    if (result < 0) {
        FLastError = CaptureErrno();
    } else {
        FReadCount += static_cast<int32_t>(result);
    }
    return static_cast<int>(result);
}

int TCustomWSocket::ReceiveFrom(void* buffer, int size, sockaddr_in& from, int& fromLength) {
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const ssize_t result = ::recvfrom(FSocketHandle, buffer, size > 0 ? static_cast<size_t>(size) : 0, 0,
                                      reinterpret_cast<sockaddr*>(&sender), &length);
    FSink->ReenableRead(FSocketHandle);
    if (result < 0) {
        FLastError = CaptureErrno();
        return -1;
    }
    from = sender;
    fromLength = static_cast<int>(length);
    FReadCount += static_cast<int32_t>(result);
    return static_cast<int>(result);
}

int TCustomWSocket::PeekData(void* buffer, int size) {
    const ssize_t result = ::recv(FSocketHandle, buffer, size > 0 ? static_cast<size_t>(size) : 0, MSG_PEEK);
    FSink->ReenableRead(FSocketHandle);
    if (result < 0) FLastError = CaptureErrno();
    return static_cast<int>(result);
}

std::string TCustomWSocket::ReceiveStr() {
    int pending = 0;
    if (FSocketHandle == -1 || ::ioctl(FSocketHandle, FIONREAD, &pending) != 0 || pending <= 0) return {};
    std::string text(static_cast<size_t>(pending), '\0');
    const ssize_t result = ::recv(FSocketHandle, text.data(), text.size(), 0);
    FSink->ReenableRead(FSocketHandle);
    if (result <= 0) return {};
    text.resize(static_cast<size_t>(result));
    return text;
}

int TCustomWSocket::GetRcvdCount() {
    int pending = 0;
    if (::ioctl(FSocketHandle, FIONREAD, &pending) != 0) {
        CaptureErrno();
        SocketError("ioctlSocket");
        return -1;
    }
    return pending;
}

// ------------------------------------------------------------ notifications

void TCustomWSocket::Pause() {
    FNotifyPaused = true;
    if (FSocketHandle != -1) FSink->Register(FSocketHandle, 0, FSocketKind == kDatagramSocket);
}

void TCustomWSocket::Resume() {
    FNotifyPaused = false;
    if (FSocketHandle != -1) {
        FSink->Register(FSocketHandle, kNotifyRead | kNotifyWrite | kNotifyConnect | kNotifyClose,
                        FSocketKind == kDatagramSocket);
    }
}

void TCustomWSocket::MessageLoop() {
    Loop().Run();
}

void TCustomWSocket::ProcessMessages() {
    Loop().ProcessMessages();
}

}  // namespace torvane

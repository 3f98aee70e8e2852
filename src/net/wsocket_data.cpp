// SPDX-License-Identifier: GPL-2.0-or-later
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "net/wait.h"
#include "net/wsockbuf.h"
#include "net/wsocket.h"
#include "net/wsocket_internal.h"

namespace torvane {

using namespace wsocket_detail;

namespace {

// A receive queue holds far fewer: its memory is counted per datagram.
constexpr int kMaxDatagramsWalked = 1 << 20;

bool ClosesTheSocket(int code) {
    return code == kWsaEconnreset || code == kWsaEnotsock || code == kWsaEnotconn || code == kWsaEinval;
}

// Sums the payload of every datagram queued on `fd`: a peek offset walks the
// queue without taking anything from it. False when the platform cannot.
bool QueuedDatagramBytes(int fd, int& count) {
    int offset = 0;
    if (::setsockopt(fd, SOL_SOCKET, SO_PEEK_OFF, &offset, sizeof offset) != 0) return false;
    int64_t total = 0;
    // A peek with MSG_TRUNC answers a datagram's whole length and moves the
    // offset past it, empty datagrams included. Bounded all the same.
    for (int walked = 0; walked < kMaxDatagramsWalked; ++walked) {
        const ssize_t length = ::recv(fd, nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
        if (length < 0) break;
        total += length;
    }
    offset = -1;  // later peeks start at the front again
    ::setsockopt(fd, SOL_SOCKET, SO_PEEK_OFF, &offset, sizeof offset);
    count = static_cast<int>(std::min<int64_t>(total, INT32_MAX));
    return true;
}

// A stamp further in the past than this is no arrival time: the wall clock
// was stepped between the stamp and its reading.
constexpr int64_t kLongestStampAgeNs = 10'000'000'000;

// The platform stamps arrivals on the wall clock; the socket's clock is
// steady. The age of the stamp, read on the wall clock at once, carries it
// over: a step of the wall clock within that microsecond is all it misses.
int64_t ArrivalTicks(const timespec& stamp, const Clock& clock) {
    // The wall clock is read between two readings of the steady one, and
    // taken to stand at their middle.
    const int64_t steady_before = clock.SteadyTicks();
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const int64_t steady_now = steady_before + (clock.SteadyTicks() - steady_before) / 2;
    int64_t age_ns =
        (static_cast<int64_t>(now.tv_sec) - stamp.tv_sec) * 1'000'000'000 + (now.tv_nsec - stamp.tv_nsec);
    if (age_ns > kLongestStampAgeNs) return 0;
    if (age_ns < 0) age_ns = 0;
    return steady_now - age_ns / 100;
}

}  // namespace

void TCustomWSocket::SetReceiveStamps(bool value) {
    FReceiveStamps = value;
    if (FSocketHandle != -1) ApplyReceiveStamps();
}

void TCustomWSocket::ApplyReceiveStamps() {
    if (FSocketKind != kDatagramSocket) return;
    // Best effort: without stamps the reader's own clock stands in.
    SetIntOption(FSocketHandle, SOL_SOCKET, SO_TIMESTAMPNS, FReceiveStamps ? 1 : 0);
}

// ------------------------------------------------------------------ dispatch

void TCustomWSocket::WMASyncSelect(int handle, uint16_t events, uint16_t error) {
    if (handle != FSocketHandle || handle == -1 || FNotifyPaused) return;
    const std::shared_ptr<bool> alive = alive_;
    // Every step may close the socket, or even destroy it; the rest of the
    // notification then belongs to a socket that is gone.
    const auto same_socket = [&] { return *alive && FSocketHandle == handle; };
    if (events & kNotifyConnect) {
        ChangeState(wsConnected);
        TriggerSessionConnected(error);
        if (!same_socket()) return;
        if (error != 0 && FState != wsClosed) Close();
    }
    if (events & kNotifyRead) {
        ASyncReceive(error);
        if (!same_socket()) return;
    }
    if (events & kNotifyWrite) {
        TryToSend();
        if (!same_socket()) return;
        if (FQueueDrained && OnDataSent) TriggerDataSent(error);
        if (!same_socket()) return;
    }
    if (events & kNotifyAccept) {
        TriggerSessionAvailable(error);
        if (!same_socket()) return;
    }
    if ((events & kNotifyClose) && FState != wsConnecting) {
        ASyncReceive(error);  // deliver what is left
        // A handler that closed the socket meanwhile has had its close
        // reported by Close: at most one report per open socket.
        if (!same_socket()) return;
        if (FLineReading) {
            FLineReading = false;
            StopWaitCtrl();
        }
        if (OnSessionClosed && !FCloseReported) {
            FCloseReported = true;
            TriggerSessionClosed(error);
            if (!same_socket()) return;
        }
        if (FState != wsClosed) Close();
    }
}

void TCustomWSocket::ASyncReceive(uint16_t error) {
    const std::shared_ptr<bool> alive = alive_;
    // A handler that throws (a malformed datagram, say) loses only its own
    // datagram: the exception ends this dispatch, the rest waits for the next.
    try {
        for (int delivered = 1;; ++delivered) {
            FLastError = 0;
            if (FLineReading) {
                ReadLineReceive();
            } else if (!TriggerDataAvailable(error)) {
                return;
            }
            if (!*alive) return;
            if (FLastError != 0) return;
            if (FSocketHandle == -1) {
                FLastError = kWsaEnotsock;
                return;
            }
            if (!MoreToRead()) return;
            // Left unread, the rest raises the next notification at once.
            if (FSocketKind == kDatagramSocket && delivered >= kMaxDatagramsPerDispatch) return;
        }
    } catch (...) {
    }
}

// Whether the receive loop goes on. A stream asks for the bytes readable; a
// datagram socket asks whether a datagram is queued, because the platform
// counts only the first one, and an empty datagram counts 0 bytes.
bool TCustomWSocket::MoreToRead() {
    if (FSocketKind == kDatagramSocket) {
        if (::recv(FSocketHandle, nullptr, 0, MSG_PEEK | MSG_DONTWAIT) >= 0) return true;
        const int code = CaptureErrno();
        if (code != kWsaEwouldblock) FLastError = code;
        return false;
    }
    int pending = 0;
    if (::ioctl(FSocketHandle, FIONREAD, &pending) != 0) {
        FLastError = CaptureErrno();
        return false;
    }
    return pending > 0;
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

int TCustomWSocket::SendTo(const sockaddr_in& to, const void* data, int length) {
    if (FSocketHandle == -1 || FSocketKind != kDatagramSocket) {
        FLastError = kWsaEnotsock;
        return -1;
    }
    const ssize_t sent =
        ::sendto(FSocketHandle, data, length > 0 ? static_cast<size_t>(length) : 0, FSendFlags | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        FLastError = CaptureErrno();
        return -1;
    }
    return static_cast<int>(sent);
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
        if (sent < length) {
            // The platform took part: the rest goes when it takes more.
            FSink->ReenableWrite(FSocketHandle);
            return;
        }
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
    const std::shared_ptr<bool> alive = alive_;
    // An empty queue counts as drained even when no send has completed yet,
    // so a Flush after an empty Send cannot wait forever. The pump may run a
    // handler that destroys the socket.
    const auto undrained = [&] {
        return *alive && FSocketHandle != -1 && !FQueueDrained && !SendQueueEmpty();
    };
    const auto drain_once = [&] {
        TryToSend();
        if (*alive && FSocketHandle != -1 && !FQueueDrained) Loop().WaitAndProcessMessages(kPumpSliceMs);
    };
    if (FMultiThreaded) {
        while (undrained()) drain_once();
        return;
    }
    if (!CheckFWait()) return;
    TCustomWait& wait = *FWaitCtrl;
    wait.SetCaption(std::to_string(FFlushTimeout));
    wait.SetVisible(true);
    wait.Start();
    try {
        while (wait.Running() && undrained()) drain_once();
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
        FReadCount += result;
    }
    return static_cast<int>(result);
}

int TCustomWSocket::ReceiveFrom(void* buffer, int size, sockaddr_in& from, int& fromLength) {
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    FLastArrival = 0;
    const ssize_t result = FReceiveStamps && FSocketKind == kDatagramSocket
                               ? ReceiveStamped(buffer, size, sender, length)
                               : ::recvfrom(FSocketHandle, buffer, size > 0 ? static_cast<size_t>(size) : 0,
                                            0, reinterpret_cast<sockaddr*>(&sender), &length);
    FSink->ReenableRead(FSocketHandle);
    if (result < 0) {
        FLastError = CaptureErrno();
        return -1;
    }
    from = sender;
    fromLength = static_cast<int>(length);
    FReadCount += result;
    return static_cast<int>(result);
}

int TCustomWSocket::ReceiveStamped(void* buffer, int size, sockaddr_in& sender, socklen_t& length) {
    iovec part{buffer, size > 0 ? static_cast<size_t>(size) : 0};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = length;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t result = ::recvmsg(FSocketHandle, &message, 0);
    if (result < 0) return -1;
    length = message.msg_namelen;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS &&
            header->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
            FLastArrival = ArrivalTicks(stamp, FClock);
        }
    }
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
    if (FSocketHandle == -1 || !BytesReadable(pending) || pending <= 0) return {};
    std::string text(static_cast<size_t>(pending), '\0');
    const ssize_t result = ::recv(FSocketHandle, text.data(), text.size(), 0);
    FSink->ReenableRead(FSocketHandle);
    if (result <= 0) return {};
    text.resize(static_cast<size_t>(result));
    return text;
}

int TCustomWSocket::GetRcvdCount() {
    int pending = 0;
    if (!BytesReadable(pending)) {
        CaptureErrno();
        SocketError("ioctlSocket");
        return -1;
    }
    return pending;
}

// The bytes waiting to be read, false with errno set on failure. The
// platform counts a stream's bytes, but only the first datagram of a
// datagram socket; there every datagram queued is counted with a walking peek.
bool TCustomWSocket::BytesReadable(int& count) const {
    if (FSocketKind == kDatagramSocket && QueuedDatagramBytes(FSocketHandle, count)) return true;
    return ::ioctl(FSocketHandle, FIONREAD, &count) == 0;
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

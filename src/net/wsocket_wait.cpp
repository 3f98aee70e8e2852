// SPDX-License-Identifier: GPL-2.0-or-later
// The waits: the wait control that Flush, Wait and ReadLine run, the timed
// pumps of MultiThreaded sockets, Wait and WaitForClose, and the timer values.

#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

#include "net/wait.h"
#include "net/wsocket.h"
#include "net/wsocket_internal.h"

namespace torvane {

using namespace wsocket_detail;

namespace {

constexpr int64_t kTicksPerMs = 10'000;

}  // namespace

// ------------------------------------------------------------ wait control

bool TCustomWSocket::CheckFWait() {
    if (FWaitCtrl != nullptr) return true;
    RaiseException("No wait object assigned");
    return false;
}

void TCustomWSocket::StopWaitCtrl() {
    if (!FMultiThreaded && FWaitCtrl != nullptr) FWaitCtrl->Stop();
}

void TCustomWSocket::StopAndHide(TCustomWait& wait) {
    wait.Stop();
    wait.SetVisible(false);
}

void TCustomWSocket::RunWaitCtrl(int timeout) {
    TCustomWait& wait = *FWaitCtrl;
    wait.SetCaption(std::to_string(timeout));
    wait.SetVisible(true);
    try {
        wait.StartModal();
    } catch (...) {
        wait.SetVisible(false);
        throw;
    }
    wait.SetVisible(false);
}

int64_t TCustomWSocket::DeadlineAfterSeconds(int timeout) const {
    return FClock.SteadyTicks() + static_cast<int64_t>(timeout) * 1000 * kTicksPerMs;
}

bool TCustomWSocket::DeadlinePassed(int64_t deadline_ticks) const {
    return FClock.SteadyTicks() > deadline_ticks;
}

// One round of a timed wait: blocks for the next message, but never past the
// deadline and never longer than one slice, so a stepped clock is noticed.
void TCustomWSocket::PumpMessages(int64_t deadline_ticks) {
    const int64_t remaining_ms = (deadline_ticks - FClock.SteadyTicks()) / kTicksPerMs + 1;
    Loop().WaitAndProcessMessages(static_cast<int>(std::clamp<int64_t>(remaining_ms, 0, kPumpSliceMs)));
}

// ------------------------------------------------------------------ waiting

bool TCustomWSocket::Wait(int timeout, TSocketState state) {
    if (FState == state) return true;
    const std::shared_ptr<bool> alive = alive_;
    FAwaitedState = state;
    if (FMultiThreaded) {
        const int64_t deadline = DeadlineAfterSeconds(timeout);
        while (FState != state && !DeadlinePassed(deadline)) {
            PumpMessages(deadline);
            if (!*alive) return false;
        }
    } else {
        if (FWaitCtrl == nullptr) {
            SetLastPlatformError(kWsaNoData);
            SocketError("TWSocket.Wait");
            return false;
        }
        RunWaitCtrl(timeout);
        if (!*alive) return false;
    }
    const bool reached = FState == state;
    FAwaitedState = wsInvalidState;
    return reached;
}

void TCustomWSocket::WaitForClose() {
    const std::shared_ptr<bool> alive = alive_;
    // Every pump and handler below may destroy the socket.
    const auto open = [&] { return *alive && FSocketHandle != -1; };
    while (open() && FState != wsClosed) {
        ProcessMessages();
        if (!open()) break;
        int pending = 0;
        if (::ioctl(FSocketHandle, FIONREAD, &pending) != 0) break;
        if (pending > 0) {
            if (FLineReading) {
                ReadLineReceive();
            } else {
                TriggerDataAvailable(0);
            }
        }
        if (!open()) break;
        // A one-byte peek tells a live connection (data, or would block)
        // from one the peer has ended or that failed.
        char byte = 0;
        const ssize_t probe = ::recv(FSocketHandle, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (probe <= 0) {
            FLastError = probe == 0 ? 0 : CaptureErrno();
            if (FLastError != kWsaEwouldblock) break;
        }
        Loop().WaitAndProcessMessages(kPumpSliceMs);
    }
}

// -------------------------------------------------------------------- timers

bool TCustomWSocket::TimerIsSet(const timeval& tv) const {
    return tv.tv_sec != 0 || tv.tv_usec != 0;
}

void TCustomWSocket::TimerClear(timeval& tv) const {
    tv = timeval{};
}

bool TCustomWSocket::TimerCmp(const timeval& a, const timeval& b, bool equal) const {
    return (a.tv_sec == b.tv_sec && a.tv_usec == b.tv_usec) == equal;
}

}  // namespace torvane

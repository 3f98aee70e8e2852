// SPDX-License-Identifier: GPL-2.0-or-later
// Line reading: one text line from a stream socket, byte by byte.

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

constexpr int32_t kMaxLineLength = 254;

}  // namespace

// ------------------------------------------------------------- line reading

void TCustomWSocket::ReadLineStart() {
    if (FLineReading) return;  // a second ReadLine continues the same line
    FLineBuffer.clear();
    FLineLength = 0;
    FLineReading = true;
}

void TCustomWSocket::EndLine() {
    FLineReading = false;
    StopWaitCtrl();
}

void TCustomWSocket::ReadLineReceive() {
    for (;;) {
        if (FSocketHandle == -1) return EndLine();
        if (FState != wsConnected) return;
        int pending = 0;
        if (::ioctl(FSocketHandle, FIONREAD, &pending) != 0) {
            FLineReading = false;
            CaptureErrno();
            return SocketError("ioctlSocket");
        }
        if (pending < 1) return;
        char byte = 0;
        const ssize_t result = ::recv(FSocketHandle, &byte, 1, 0);
        FSink->ReenableRead(FSocketHandle);
        if (result == 1) {
            ++FReadCount;
            if (byte != '\n' && byte != '\r') {
                FLineBuffer += byte;
                ++FLineLength;
            }
            if (FLineLength >= kMaxLineLength) {
                const std::shared_ptr<bool> alive = alive_;
                if (OnLineTooLong) OnLineTooLong(*this);
                if (!*alive) return;
                return EndLine();
            }
            if (byte == '\n') return EndLine();
            continue;
        }
        const int code = result == 0 ? 0 : CaptureErrno();
        if (result == 0 || code == kWsaEconnreset) {
            EndLine();
            return Close();
        }
        if (code == kWsaEwouldblock) continue;
        return SocketError("ReadLine");
    }
}

void TCustomWSocket::ReadLine(int timeout, std::string& text) {
    if (!FMultiThreaded && !CheckFWait()) return;
    const std::shared_ptr<bool> alive = alive_;
    ReadLineStart();
    ReadLineReceive();
    if (!*alive) return;
    if (FLineReading) {
        if (FMultiThreaded) {
            const int64_t deadline = DeadlineAfterSeconds(timeout);
            while (FLineReading && !DeadlinePassed(deadline)) {
                PumpMessages(deadline);
                if (!*alive) return;
            }
        } else {
            RunWaitCtrl(timeout);
            if (!*alive) return;
        }
    }
    text = FLineBuffer;
}

}  // namespace torvane

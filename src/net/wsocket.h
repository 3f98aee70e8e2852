// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// TWSocket: an event-driven IPv4 socket, datagram or stream, that never blocks
// on sending or receiving. The socket is registered with the thread's message
// loop; every network happening reaches the owner as an event (OnXxx),
// dispatched later from that loop. Errors go to OnError when it is bound and
// are thrown as ESocketException otherwise. Error codes keep the Winsock
// numbering (10035 would block, 10048 address in use, ...), so reports and
// status texts read the same everywhere.

#include <netinet/in.h>
#include <sys/time.h>
#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace torvane {

class MessageLoop;
class TBuffer;
class TCustomWait;

enum TSocketState : uint8_t {
    wsInvalidState = 0,  // also: no awaited state
    wsOpened = 1,
    wsBound = 2,
    wsConnecting = 3,
    wsConnected = 4,
    wsAccepting = 5,  // defined, never entered
    wsListening = 6,
    wsClosed = 7,
};

enum TSocketSendFlags : uint8_t { wsSendNormal = 0, wsSendUrgent = 1 };

class ESocketException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TCustomWSocket;

// Event handlers; Sender is the component, Error 0 for success.
using TSessionEvent = std::function<void(TCustomWSocket& Sender, uint16_t Error)>;
using TDataAvailable = TSessionEvent;
using TDataSent = TSessionEvent;
using TSessionClosed = TSessionEvent;
using TSessionAvailable = TSessionEvent;
using TSessionConnected = TSessionEvent;
using TDnsLookupDone = TSessionEvent;
using TChangeState =
    std::function<void(TCustomWSocket& Sender, TSocketState OldState, TSocketState NewState)>;
using TNotifyEvent = std::function<void(TCustomWSocket& Sender)>;

// Event bits of a socket notification.
inline constexpr uint16_t kNotifyRead = 0x01;
inline constexpr uint16_t kNotifyWrite = 0x02;
inline constexpr uint16_t kNotifyAccept = 0x08;
inline constexpr uint16_t kNotifyConnect = 0x10;
inline constexpr uint16_t kNotifyClose = 0x20;

namespace wsocket_detail {
class NotificationSink;
}  // namespace wsocket_detail

class TCustomWSocket {
public:
    // One read notification delivers at most this many datagrams; the rest
    // come with the next one. A sender that keeps the queue full must not
    // keep the loop from the timers, the other sockets and the windows.
    static constexpr int kMaxDatagramsPerDispatch = 64;

    // The socket belongs to `loop` and to the thread that runs it, and must
    // not outlive the loop. `clock` times the waits of MultiThreaded sockets.
    explicit TCustomWSocket(::torvane::MessageLoop& loop, const Clock& clock = SystemClock::Instance());
    // Cancels a pending lookup silently and closes an open socket, which
    // still fires OnChangeState (but not OnSessionClosed): whatever that
    // handler touches must outlive the socket.
    //
    // A handler may destroy its own socket: OnDataAvailable, OnDataSent,
    // OnSessionConnected, OnSessionAvailable, OnSessionClosed (also when
    // Close fired it), OnLineTooLong, and any handler run by the socket's own
    // Flush, Wait, ReadLine or WaitForClose. This is a guard, not a deferred
    // release: the destruction happens at once, and every place that calls
    // one of these handlers checks afterwards whether the socket still lives
    // and, if not, returns without touching it. Not OnChangeState or OnError:
    // they run in the middle of operations that go on afterwards.
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // Properties. The Addr, Port and Proto setters resolve at once.
    const std::string& Addr() const { return FAddrStr; }
    void SetAddr(const std::string& text);
    const std::string& Port() const { return FPortStr; }
    void SetPort(const std::string& text);
    const std::string& Proto() const { return FProtoStr; }
    void SetProto(const std::string& text);
    const std::string& DnsResult() const { return FDnsResult; }
    const std::vector<std::string>& DnsResultList() const { return FDnsResultList; }
    TSocketState State() const { return FState; }
    // The platform's socket descriptor, -1 while closed (for socket options).
    int HSocket() const { return FSocketHandle; }
    // 64 bits: sockets stay open for days, and a flood passes 2 GiB.
    int64_t ReadCount() const { return FReadCount; }
    // The bytes waiting to be read now: on a datagram socket those of every
    // datagram queued, not only of the first.
    int32_t RcvdCount() { return GetRcvdCount(); }
    int32_t LastError() const { return FLastError; }
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool value) { FMultiThreaded = value; }
    TCustomWait* WaitCtrl() const { return FWaitCtrl; }
    void SetWaitCtrl(TCustomWait* wait);
    int32_t FlushTimeout() const { return FFlushTimeout; }
    void SetFlushTimeout(int32_t seconds) { FFlushTimeout = seconds; }
    TSocketSendFlags SendFlags();
    void SetSendFlags(TSocketSendFlags flags);
    // Receive stamps, a data-transfer option of datagram sockets: the
    // platform stamps every datagram the moment it reaches the machine, and
    // ReceiveFrom keeps the stamp of the one it read, so a round trip can be
    // measured without the time the datagram waited in the queue.
    bool ReceiveStamps() const { return FReceiveStamps; }
    void SetReceiveStamps(bool value);
    // When the datagram last read by ReceiveFrom arrived, on the socket's
    // clock (SteadyTicks); 0 when unknown (option off, no stamp given).
    int64_t LastArrivalTicks() const { return FLastArrival; }
    ::torvane::MessageLoop& Loop() const { return FLoop; }

    // Events; a trigger calls its handler only when one is bound.
    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSessionClosed OnSessionClosed;
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TChangeState OnChangeState;
    TNotifyEvent OnLineTooLong;
    TDnsLookupDone OnDnsLookupDone;
    TNotifyEvent OnError;

    // Opening and closing (wsocket.cpp).
    virtual void Connect();
    virtual int32_t Listen();  // 0 on success, -1 on failure
    virtual void Close();
    virtual void Abort();
    virtual void Shutdown(int how);  // 0 receive, 1 send, 2 both

    // Stream connections and addresses (wsocket_stream.cpp).
    virtual int Accept();  // the new handle, or -1
    virtual void Dup(int handle);
    virtual std::string GetPeerAddr();
    virtual int GetPeerName(sockaddr_in& address, int length);
    virtual int GetSockName(sockaddr_in& address, int& length);
    virtual std::string GetXPort();

    // Data transfer and notifications (wsocket_data.cpp).
    // Sending: bytes go to the send queue and leave as fast as the platform
    // takes them. Send answers the count queued, or -1 when not connected.
    virtual int Send(const void* data, int length);
    virtual int SendStr(const std::string& text);
    void SendText(const std::string& text) { SendStr(text); }
    // Sends one datagram to `to` at once, past the send queue: for a
    // datagram socket that talks to many peers. Answers the bytes sent, or
    // -1 with the failure in LastError (10035 when the platform has no room
    // for it now: the caller tries again later). Never reports an error.
    virtual int SendTo(const sockaddr_in& to, const void* data, int length);
    void PutDataInSendBuffer(const void* data, int length);
    void PutStringInSendBuffer(const std::string& text);
    void TryToSend();
    virtual void Flush();

    // Receiving; these never report, they leave a failure in LastError.
    virtual int Receive(void* buffer, int size);
    virtual int ReceiveFrom(void* buffer, int size, sockaddr_in& from, int& fromLength);
    int PeekData(void* buffer, int size);
    std::string ReceiveStr();
    int GetRcvdCount();

    // Notifications.
    virtual void Pause();
    virtual void Resume();
    void MessageLoop();
    void ProcessMessages();

    // Name lookup (wsocket_dns.cpp), line reading (wsocket_line.cpp) and
    // waiting (wsocket_wait.cpp): nothing in Torvane calls them.
    virtual void DnsLookup(const std::string& host);
    virtual void CancelDnsLookup();
    virtual void ReadLine(int timeout, std::string& text);
    virtual bool Wait(int timeout, TSocketState state);
    virtual void WaitForClose();

    // Timer values (seconds, microseconds; wsocket_wait.cpp).
    virtual bool TimerIsSet(const timeval& tv) const;
    virtual void TimerClear(timeval& tv) const;
    virtual bool TimerCmp(const timeval& a, const timeval& b, bool equal) const;

    // Dispatch of one socket notification and of a finished lookup; the
    // notification sink calls these from the message loop.
    void WMASyncSelect(int handle, uint16_t events, uint16_t error);
    void WMAsyncGetHostByName(uint64_t handle, uint16_t error, const std::vector<in_addr>& addresses);

protected:
    virtual void AssignDefaultValue();
    virtual void BindSocket();
    virtual void RaiseException(const std::string& text);
    void RaiseExceptionFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual bool TriggerDataAvailable(uint16_t error);
    virtual void TriggerSessionAvailable(uint16_t error);
    virtual void TriggerSessionConnected(uint16_t error);
    virtual void TriggerSessionClosed(uint16_t error);
    virtual void TriggerDataSent(uint16_t error);
    virtual void TriggerChangeState(TSocketState OldState, TSocketState NewState);
    virtual void TriggerDNSLookupDone(uint16_t error);
    virtual void TriggerError();

    bool AcceptSetting(bool resolved, std::string& stored, const std::string& text, const char* refusal);
    void ChangeState(TSocketState NewState);
    void SocketError(const std::string& label);
    void ASyncReceive(uint16_t error);
    bool MoreToRead();
    bool BytesReadable(int& count) const;
    void ReadLineStart();
    void ReadLineReceive();
    bool CheckFWait();
    void InternalClose(bool shutdown);
    bool OpenHandle();
    bool SetStreamOptions();
    void ApplyReceiveStamps();
    int ReceiveStamped(void* buffer, int size, sockaddr_in& sender, socklen_t& length);
    bool Register(uint16_t events);
    void ForgetHandle();
    void ReleaseHandle();
    ssize_t SendChunk(const char* bytes, int length);
    bool SendQueueEmpty() const;
    void EndLine();
    void PumpMessages(int64_t deadline_ticks);
    bool DeadlinePassed(int64_t deadline_ticks) const;
    int64_t DeadlineAfterSeconds(int timeout) const;
    void RunWaitCtrl(int timeout);
    void StopWaitCtrl();
    static void StopAndHide(TCustomWait& wait);

    // Longest single block of a nested wait, so deadlines and a stepped
    // clock are noticed even when nothing arrives.
    static constexpr int kPumpSliceMs = 50;

    // Internal state (reset by AssignDefaultValue unless noted).
    int FSocketHandle = -1;
    bool FPortSet = false;
    bool FAddrSet = false;
    bool FProtoSet = true;
    std::string FProtoStr = "tcp";
    int32_t FProtoNumber = 6;
    int FSocketKind = 1;  // 1 stream, 2 datagram
    int32_t FAddressFamily = AF_INET;
    sockaddr_in FTargetAddress{};
    TSocketState FState = wsClosed;
    TSocketState FAwaitedState = wsInvalidState;
    bool FQueueDrained = true;
    bool FLineReading = false;
    int32_t FLineLength = 0;
    bool FNotifyPaused = false;
    int64_t FReadCount = 0;
    bool FCloseReported = false;
    int32_t FFlushTimeout = 60;

    // Kept across closes.
    std::string FAddrStr;
    std::string FPortStr;
    uint16_t FPortNumber = 0;
    uint16_t FLocalPort = 0;
    int FAcceptedHandle = -1;
    std::deque<std::unique_ptr<TBuffer>> FSendQueue;
    int FChunkSize = 1514;
    int FSendFlags = 0;
    bool FMultiThreaded = false;
    bool FReceiveStamps = false;
    int64_t FLastArrival = 0;
    TCustomWait* FWaitCtrl = nullptr;
    int32_t FLastError = 0;
    std::string FDnsResult;
    std::vector<std::string> FDnsResultList;
    uint64_t FLookupHandle = 0;
    std::string FLineBuffer;
    bool FDestroying = false;
    // False once the socket is destroyed; whoever calls a handler keeps a
    // copy and touches nothing of the socket afterwards when it is false.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

private:
    ::torvane::MessageLoop& FLoop;
    const Clock& FClock;
    std::unique_ptr<wsocket_detail::NotificationSink> FSink;
};

// Adds nothing: the form-facing name of the component.
class TWSocket : public TCustomWSocket {
public:
    using TCustomWSocket::TCustomWSocket;
};

// Module functions (the host-information ones are in net/wsocket_hostinfo.h).
uint32_t WSocketResolveHost(const std::string& text);  // network order
// The calling thread's last socket error, as the failed step left it. An
// OnError handler reads it to learn which failure it handles: the
// component's LastError keeps the code of its last receive, often 0.
int WSocketPlatformError();

}  // namespace torvane

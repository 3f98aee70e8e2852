// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Pieces shared by the socket component's source files; not for its users.

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/messageloop.h"
#include "net/wsockerr.h"
#include "net/wsocket.h"

namespace torvane::wsocket_detail {

inline constexpr int kStreamSocket = 1;
inline constexpr int kDatagramSocket = 2;

// Winsock codes beyond those named in net/wsockerr.h.
inline constexpr int kWsaInProgress = 10036;

// The calling thread's last socket error, in Winsock numbering; the
// component's platform calls leave their failure here.
int LastPlatformError();
void SetLastPlatformError(int code);
// Maps errno to a Winsock code, stores it as the last error and returns it.
int CaptureErrno();

// Module start-up: counts live components and fills the start-up record.
void EnsureWinsockStarted();
void ComponentCreated();
void ComponentDestroyed();

// Leading blanks and control characters off both ends.
std::string Trim(const std::string& text);
bool StartsWithDigit(const std::string& text);

// Service port in network order, or none.
std::optional<uint16_t> LookupServicePort(const std::string& name, const std::string& proto);
std::optional<int16_t> LookupProtocolNumber(const std::string& name);

bool SetOption(int fd, int level, int name, const void* value, socklen_t length);
bool SetIntOption(int fd, int level, int name, int value);
bool IsConnectUnderWay(int code);
// Every IPv4 address of `host`, in the name service's order; 0 or the
// Winsock code of the failure (11001 host not found, ...).
int ResolveAllAddresses(const std::string& host, std::vector<in_addr>& addresses);

// A lookup's answer travels from its worker thread to the component's loop
// through this box, and so does a notification posted before the socket is
// registered; the component empties it when it goes away, after which such
// messages are dropped instead of delivered.
struct LookupMailbox {
    std::mutex mutex;
    MessageLoop* loop = nullptr;
    TCustomWSocket* owner = nullptr;
};

// Runs a host lookup on a worker thread and posts the answer, handle `handle`,
// to the mailbox's owner: WMAsyncGetHostByName after storing the addresses.
void StartHostLookup(std::shared_ptr<LookupMailbox> mailbox, uint64_t handle, const std::string& host);

// Turns the loop's readiness reports into the component's notifications.
class NotificationSink {
public:
    NotificationSink(MessageLoop& loop, TCustomWSocket& owner);
    ~NotificationSink();
    NotificationSink(const NotificationSink&) = delete;
    NotificationSink& operator=(const NotificationSink&) = delete;

    // Replaces the event set of `fd` (kNotify* bits; 0 stops notifications).
    // False with errno set when the platform refuses.
    bool Register(int fd, uint16_t events, bool datagram);
    void Unregister(int fd);
    void ReenableRead(int fd);
    void ReenableWrite(int fd);
    void ReenableAccept(int fd) { ReenableRead(fd); }
    // Queues a notification for `fd` behind everything already queued, even
    // before `fd` is registered.
    void PostNotification(int fd, uint16_t events, uint16_t error);

    std::shared_ptr<LookupMailbox> Mailbox() const { return mailbox_; }

private:
    void Deliver(int fd, uint32_t watch_events, int error);
    uint16_t Translate(uint32_t watch_events) const;

    MessageLoop& loop_;
    TCustomWSocket& owner_;
    std::shared_ptr<LookupMailbox> mailbox_;
    WatchId watch_ = 0;
    int fd_ = -1;
    uint16_t events_ = 0;
    bool datagram_ = false;
    int fault_ = 0;  // the socket error the platform flagged for fd_
};

}  // namespace torvane::wsocket_detail

// SPDX-License-Identifier: GPL-2.0-or-later
#include <sys/socket.h>

#include <cerrno>

#include "net/wsocket_internal.h"

namespace torvane::wsocket_detail {
namespace {

uint32_t WatchEventsOf(uint16_t events) {
    uint32_t watch = 0;
    if (events & (kNotifyRead | kNotifyAccept)) watch |= kWatchRead;
    if (events & (kNotifyWrite | kNotifyConnect)) watch |= kWatchWrite;
    if (events & kNotifyClose) watch |= kWatchHangup;
    return watch;
}

// Reading SO_ERROR also clears it. A reset that follows the peer's orderly
// end of the stream (the platform then says "broken pipe") ends nothing that
// had not ended already: it is no fault of the session.
int PendingSocketError(int fd) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error == 0 || error == EPIPE) return 0;
    errno = error;
    return CaptureErrno();
}

}  // namespace

NotificationSink::NotificationSink(MessageLoop& loop, TCustomWSocket& owner)
    : loop_(loop), owner_(owner), mailbox_(std::make_shared<LookupMailbox>()) {
    mailbox_->loop = &loop;
    mailbox_->owner = &owner;
}

NotificationSink::~NotificationSink() {
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        mailbox_->loop = nullptr;
        mailbox_->owner = nullptr;
    }
    if (watch_ != 0) loop_.Unwatch(watch_);
}

bool NotificationSink::Register(int fd, uint16_t events, bool datagram) {
    datagram_ = datagram;
    if (watch_ != 0 && fd_ == fd) {
        if (!loop_.Select(watch_, WatchEventsOf(events))) return false;
        events_ = events;
        return true;
    }
    Unregister(fd_);
    fault_ = 0;
    watch_ = loop_.Watch(fd, WatchEventsOf(events), [this](int watchedFd, uint32_t bits, int error) {
        Deliver(watchedFd, bits, error);
    });
    if (watch_ == 0) return false;
    fd_ = fd;
    events_ = events;
    return true;
}

void NotificationSink::Unregister(int fd) {
    if (watch_ == 0 || fd != fd_) return;
    loop_.Unwatch(watch_);
    watch_ = 0;
    fd_ = -1;
    events_ = 0;
}

void NotificationSink::ReenableRead(int fd) {
    if (watch_ != 0 && fd == fd_) loop_.Reenable(watch_, kWatchRead);
}

void NotificationSink::ReenableWrite(int fd) {
    if (watch_ != 0 && fd == fd_) loop_.Reenable(watch_, kWatchWrite);
}

void NotificationSink::PostNotification(int fd, uint16_t events, uint16_t error) {
    if (watch_ != 0 && fd == fd_) {
        loop_.PostNotification(watch_, WatchEventsOf(events), error);
        return;
    }
    // Not registered yet: a datagram Listen fires OnSessionConnected, whose
    // handler may send, before it registers. The notification still takes
    // its place in the queue; the handle check at dispatch decides.
    if (fd == -1) return;
    loop_.Post([mailbox = mailbox_, fd, events, error] {
        TCustomWSocket* owner = nullptr;
        {
            std::lock_guard<std::mutex> lock(mailbox->mutex);
            owner = mailbox->owner;
        }
        if (owner != nullptr) owner->WMASyncSelect(fd, events, error);
    });
}

uint16_t NotificationSink::Translate(uint32_t watch_events) const {
    const TSocketState state = owner_.State();
    if (watch_events & kWatchRead) {
        // A listening stream socket becomes readable when a connection waits.
        return !datagram_ && state == wsListening ? kNotifyAccept : kNotifyRead;
    }
    if (watch_events & kWatchWrite) return state == wsConnecting ? kNotifyConnect : kNotifyWrite;
    // A datagram socket has no session to lose; its errors come with reads.
    if ((watch_events & kWatchHangup) && !datagram_) return kNotifyClose;
    return 0;
}

void NotificationSink::Deliver(int fd, uint32_t watch_events, int error) {
    const uint16_t events = Translate(watch_events) & events_;
    int code = error;
    if (watch_events & kWatchError) {
        // The platform tells the error once, but every notification of the
        // batch that came with it reports it: the first must not take it from
        // the close notification behind it.
        const int pending = PendingSocketError(fd);
        if (pending != 0) fault_ = pending;
        if (code == 0) code = fault_;
    }
    if (events == 0) return;
    // A stream connection that succeeded can take data at once; the write
    // readiness that told us so is consumed by the connect notification.
    // Queued before the dispatch: a handler may close or even destroy us.
    if (events == kNotifyConnect && code == 0) loop_.PostNotification(watch_, kWatchWrite, 0);
    owner_.WMASyncSelect(fd, events, static_cast<uint16_t>(code));
}

}  // namespace torvane::wsocket_detail

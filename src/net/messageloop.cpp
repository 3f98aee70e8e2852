// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/messageloop.h"

#include <sys/eventfd.h>
#include <sys/timerfd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace torvane {

namespace {

constexpr uint32_t kWatchKinds = kWatchRead | kWatchWrite | kWatchHangup;

// Loops constructed on this thread, innermost last.
thread_local std::vector<MessageLoop*> t_loops;
thread_local std::unique_ptr<MessageLoop> t_default_loop;

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

uint32_t EpollInterest(uint32_t armed) {
    uint32_t interest = 0;
    if (armed & kWatchRead) interest |= EPOLLIN;
    if (armed & kWatchWrite) interest |= EPOLLOUT;
    if (armed & kWatchHangup) interest |= EPOLLRDHUP;
    return interest;
}

// A pending socket error makes both a read and a write return it, so the
// socket hears of it whichever of the two it waits for.
uint32_t Readiness(uint32_t epoll_events) {
    uint32_t ready = 0;
    if (epoll_events & (EPOLLIN | EPOLLERR)) ready |= kWatchRead;
    if (epoll_events & (EPOLLOUT | EPOLLERR)) ready |= kWatchWrite;
    if (epoll_events & (EPOLLRDHUP | EPOLLHUP)) ready |= kWatchHangup;
    return ready;
}

}  // namespace

MessageLoop::MessageLoop()
    : epoll_(::epoll_create1(EPOLL_CLOEXEC)),
      wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      owner_(std::this_thread::get_id()) {
    if (!epoll_.Valid()) ThrowErrno("epoll_create1");
    if (!wake_.Valid()) ThrowErrno("eventfd");
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kTagWake;
    if (::epoll_ctl(epoll_.Get(), EPOLL_CTL_ADD, wake_.Get(), &ev) != 0) ThrowErrno("epoll_ctl");
    t_loops.push_back(this);
}

MessageLoop::~MessageLoop() {
    std::erase(t_loops, this);
}

MessageLoop& MessageLoop::Current() {
    if (!t_loops.empty()) return *t_loops.back();
    if (!t_default_loop) t_default_loop = std::make_unique<MessageLoop>();
    return *t_default_loop;
}

void MessageLoop::Post(std::function<void()> message) {
    if (std::this_thread::get_id() == owner_) {
        Enqueue(Message{Message::Kind::kPosted, std::move(message)});
        return;
    }
    std::lock_guard lock(incoming_mutex_);
    incoming_.push_back(std::move(message));
    SignalWake();
}

// Makes the wake descriptor readable, once until it is drained. The caller
// holds incoming_mutex_.
void MessageLoop::SignalWake() {
    if (wake_signalled_) return;
    uint64_t one = 1;
    (void)!::write(wake_.Get(), &one, sizeof one);
    wake_signalled_ = true;
}

void MessageLoop::Enqueue(Message message) {
    queue_.push_back(std::move(message));
    std::lock_guard lock(incoming_mutex_);
    SignalWake();
}

// Keeps the wake descriptor readable exactly while messages wait, so that
// Descriptor() tells the desktop the truth.
void MessageLoop::SyncWakeSignal() {
    std::lock_guard lock(incoming_mutex_);
    bool pending = !queue_.empty() || !incoming_.empty();
    if (pending) {
        SignalWake();
    } else if (wake_signalled_) {
        uint64_t count = 0;
        (void)!::read(wake_.Get(), &count, sizeof count);
        wake_signalled_ = false;
    }
}

void MessageLoop::TakeCrossThreadPosts() {
    std::vector<std::function<void()>> posts;
    {
        std::lock_guard lock(incoming_mutex_);
        posts.swap(incoming_);
    }
    for (auto& post : posts) queue_.push_back(Message{Message::Kind::kPosted, std::move(post)});
}

// --- Socket watches ---------------------------------------------------------

bool MessageLoop::Apply(Registration& watch) {
    uint32_t interest = EpollInterest(watch.armed);
    if (interest == 0) {
        if (watch.enabled) {
            ::epoll_ctl(epoll_.Get(), EPOLL_CTL_DEL, watch.fd, nullptr);
            watch.in_set = false;
            watch.enabled = false;
        }
        return true;
    }
    // One-shot: after a report the descriptor stays quiet until it is armed
    // again, so readiness that nobody asked for can never spin the loop.
    epoll_event ev{};
    ev.events = interest | EPOLLONESHOT;
    ev.data.u64 = kTagWatch | watch.id;
    int op = watch.in_set ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    // The kernel drops a closed descriptor from the set by itself; if the
    // number now names a new socket, it has to be added afresh.
    if (::epoll_ctl(epoll_.Get(), op, watch.fd, &ev) != 0 &&
        (op != EPOLL_CTL_MOD || errno != ENOENT ||
         ::epoll_ctl(epoll_.Get(), EPOLL_CTL_ADD, watch.fd, &ev) != 0)) {
        return false;
    }
    watch.in_set = true;
    watch.enabled = true;
    return true;
}

WatchId MessageLoop::Watch(int fd, uint32_t events, WatchHandler handler) {
    WatchId id = next_id_++;
    Registration watch;
    watch.id = id;
    watch.fd = fd;
    watch.mask = events & kWatchKinds;
    watch.armed = watch.mask;
    watch.handler = std::move(handler);
    auto [it, inserted] = watches_.emplace(id, std::move(watch));
    if (!Apply(it->second)) {
        int error = errno;
        watches_.erase(it);
        errno = error;
        return 0;
    }
    // A registration left behind for this descriptor number belongs to a
    // descriptor that was closed without Unwatch: the kernel has already
    // dropped it from the epoll set, so only our record goes.
    auto old = watch_by_fd_.find(fd);
    if (old != watch_by_fd_.end()) watches_.erase(old->second);
    watch_by_fd_[fd] = id;
    return id;
}

bool MessageLoop::Select(WatchId id, uint32_t events) {
    auto it = watches_.find(id);
    if (it == watches_.end()) {
        errno = EBADF;
        return false;
    }
    it->second.mask = events & kWatchKinds;
    it->second.armed = it->second.mask;
    return Apply(it->second);
}

void MessageLoop::Reenable(WatchId id, uint32_t events) {
    auto it = watches_.find(id);
    if (it == watches_.end()) return;
    Registration& watch = it->second;
    // A hang-up happens once in a socket's life: only a new registration
    // arms it again.
    uint32_t add = events & watch.mask & (kWatchRead | kWatchWrite) & ~watch.armed;
    if (add == 0 && (watch.enabled || watch.armed == 0)) return;
    watch.armed |= add;
    Apply(watch);
}

void MessageLoop::Unwatch(WatchId id) {
    auto it = watches_.find(id);
    if (it == watches_.end()) return;
    if (it->second.in_set) ::epoll_ctl(epoll_.Get(), EPOLL_CTL_DEL, it->second.fd, nullptr);
    auto by_fd = watch_by_fd_.find(it->second.fd);
    if (by_fd != watch_by_fd_.end() && by_fd->second == id) watch_by_fd_.erase(by_fd);
    watches_.erase(it);
}

void MessageLoop::PostNotification(WatchId id, uint32_t events, int error) {
    // Kept apart from platform notifications: dispatching it must not clear
    // their one-per-kind bookkeeping.
    Enqueue(Message{Message::Kind::kPostedNotify, nullptr, id, events, error});
}

void MessageLoop::TakeWatchReadiness(uint64_t id, uint32_t epoll_events) {
    auto it = watches_.find(id);
    if (it == watches_.end()) return;
    Registration& watch = it->second;
    watch.enabled = false;  // the one-shot registration fired
    uint32_t deliver = Readiness(epoll_events) & watch.armed;
    // Nothing asked for (a hang-up already reported, say): stay quiet until
    // the socket arms something again.
    if (deliver == 0) return;
    watch.armed &= ~deliver;
    uint32_t flag = (epoll_events & EPOLLERR) ? kWatchError : 0;
    for (uint32_t kind : {kWatchWrite, kWatchRead, kWatchHangup}) {
        if (!(deliver & kind) || (watch.queued & kind)) continue;
        watch.queued |= kind;
        Enqueue(Message{Message::Kind::kNotify, nullptr, id, kind | flag, 0});
    }
    Apply(watch);
}

// --- Timers ----------------------------------------------------------------

uint64_t MessageLoop::AddTimer(WindowTimer* timer, int fd) {
    uint64_t id = next_id_++;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kTagTimer | id;
    if (::epoll_ctl(epoll_.Get(), EPOLL_CTL_ADD, fd, &ev) != 0) ThrowErrno("epoll_ctl");
    timers_[id] = timer;
    return id;
}

void MessageLoop::RemoveTimer(uint64_t id, int fd) {
    ::epoll_ctl(epoll_.Get(), EPOLL_CTL_DEL, fd, nullptr);
    timers_.erase(id);
}

void MessageLoop::TakeTimerExpiry(uint64_t id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    WindowTimer& timer = *it->second;
    uint64_t expirations = 0;
    if (::read(timer.fd_.Get(), &expirations, sizeof expirations) != sizeof expirations) return;
    if (timer.tick_queued_ || !timer.Running()) return;
    timer.tick_queued_ = true;
    Enqueue(Message{Message::Kind::kTick, nullptr, id, timer.generation_, 0});
}

// --- Pumps -------------------------------------------------------------------

void MessageLoop::Poll(int timeout_ms) {
    epoll_event events[64];
    int count = ::epoll_wait(epoll_.Get(), events, 64, timeout_ms);
    for (int i = 0; i < count; ++i) {
        uint64_t data = events[i].data.u64;
        uint64_t id = data & ~kTagMask;
        switch (data & kTagMask) {
            case kTagWake:
                TakeCrossThreadPosts();
                break;
            case kTagTimer:
                TakeTimerExpiry(id);
                break;
            case kTagWatch:
                TakeWatchReadiness(id, events[i].events);
                break;
            default:
                break;
        }
    }
}

void MessageLoop::Deliver(Message& message) {
    switch (message.kind) {
        case Message::Kind::kPosted:
            message.posted();
            break;
        case Message::Kind::kNotify:
        case Message::Kind::kPostedNotify: {
            auto it = watches_.find(message.id);
            if (it == watches_.end()) return;  // stale: the watch is gone
            if (message.kind == Message::Kind::kNotify) it->second.queued &= ~(message.events & kWatchKinds);
            // A copy: the handler may unwatch, which destroys the stored one.
            WatchHandler handler = it->second.handler;
            int fd = it->second.fd;
            if (handler) handler(fd, message.events, message.error);
            break;
        }
        case Message::Kind::kTick: {
            auto it = timers_.find(message.id);
            if (it != timers_.end()) it->second->Tick(message.events);
            break;
        }
    }
}

void MessageLoop::DispatchOne() {
    Message message = std::move(queue_.front());
    queue_.pop_front();
    if (!exception_handler_) {
        Deliver(message);
        return;
    }
    try {
        Deliver(message);
    } catch (...) {
        exception_handler_(std::current_exception());
    }
}

// Dispatches in rounds: what the platform has ready is queued behind what is
// already queued, then that round is dispatched.
void MessageLoop::DispatchAll() {
    for (;;) {
        Poll(0);
        if (queue_.empty()) break;
        for (size_t n = queue_.size(); n > 0 && !queue_.empty(); --n) DispatchOne();
    }
    SyncWakeSignal();
}

void MessageLoop::ProcessMessages() {
    if (nested_hook_) nested_hook_();
    DispatchAll();
}

bool MessageLoop::DispatchPending() {
    // One round only: what a round queues waits for the next readiness of
    // Descriptor(), so a flood of datagrams cannot keep the desktop's own
    // events (a click, a repaint) waiting.
    Poll(0);
    const bool any = !queue_.empty();
    for (size_t n = queue_.size(); n > 0 && !queue_.empty(); --n) DispatchOne();
    SyncWakeSignal();
    return any;
}

bool MessageLoop::WaitAndProcessMessages(int timeout_ms) {
    if (nested_hook_) {
        nested_hook_();
        if (timeout_ms < 0 || timeout_ms > kHookSliceMs) timeout_ms = kHookSliceMs;
    }
    if (queue_.empty()) Poll(timeout_ms);
    if (queue_.empty()) {
        SyncWakeSignal();
        return false;
    }
    DispatchAll();
    return true;
}

void MessageLoop::Run() {
    while (!terminated_) {
        if (queue_.empty()) {
            // Drained: quiet the wake descriptor first, or the blocking poll
            // would return at once, again and again.
            SyncWakeSignal();
            Poll(-1);
        } else {
            Poll(0);
        }
        for (size_t n = queue_.size(); n > 0 && !queue_.empty() && !terminated_; --n) DispatchOne();
    }
    SyncWakeSignal();
}

void MessageLoop::Quit() {
    terminated_ = true;
    // Wake a blocked Run(); it finds nothing to do and returns.
    std::lock_guard lock(incoming_mutex_);
    SignalWake();
}

// --- WindowTimer --------------------------------------------------------------

WindowTimer::WindowTimer(MessageLoop& loop)
    : loop_(loop), fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
    if (!fd_.Valid()) ThrowErrno("timerfd_create");
    id_ = loop_.AddTimer(this, fd_.Get());
}

WindowTimer::~WindowTimer() {
    loop_.RemoveTimer(id_, fd_.Get());
}

void WindowTimer::SetInterval(uint32_t ms) {
    if (ms == interval_ms_) return;
    interval_ms_ = ms;
    Update();
}

void WindowTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Update();
}

void WindowTimer::SetOnTimer(std::function<void()> handler) {
    bool was_running = Running();
    on_timer_ = std::move(handler);
    if (Running() != was_running) Update();
}

// Starts a fresh period (or stops); a tick queued under the old settings is
// dropped when it comes up for dispatch.
void WindowTimer::Update() {
    ++generation_;
    tick_queued_ = false;
    itimerspec period{};
    if (Running()) {
        period.it_value.tv_sec = interval_ms_ / 1000;
        period.it_value.tv_nsec = static_cast<long>(interval_ms_ % 1000) * 1'000'000;
        period.it_interval = period.it_value;
    }
    if (::timerfd_settime(fd_.Get(), 0, &period, nullptr) != 0) ThrowErrno("timerfd_settime");
}

void WindowTimer::Tick(uint32_t generation) {
    if (generation != generation_ || !Running()) return;
    tick_queued_ = false;
    std::function<void()> handler = on_timer_;
    handler();
}

}  // namespace torvane

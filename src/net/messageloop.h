// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The message loop of one thread. Everything Torvane does happens in handlers
// that this loop dispatches one after the other: posted messages, socket
// notifications and window-timer ticks. A handler runs to completion before
// the next message is dispatched, unless it pumps the loop itself (nested
// waits such as a socket's Flush do).
//
// Built on one epoll descriptor: each watched socket, one timerfd per window
// timer and one eventfd for posted messages are members of it. Readiness is
// turned into queued messages when the loop polls, so posted messages and
// socket notifications are dispatched strictly in the order they were queued.
//
// Three ways to drive it:
//   - headless programs and tests call Run() (until Quit()) or the pumps;
//   - the desktop program watches Descriptor() with a QSocketNotifier and
//     calls DispatchPending() when it becomes readable;
//   - nested waits call ProcessMessages() / WaitAndProcessMessages(), which
//     call the nested-pump hook each round so the desktop can process its own
//     events meanwhile.
//
// All members except Post() belong to the thread that created the loop.

#include <sys/epoll.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/uniquefd.h"

namespace torvane {

class WindowTimer;

// Event bits of a socket watch. The values match the socket layer's own
// notification bits where the meaning is the same.
inline constexpr uint32_t kWatchRead = 0x01;    // bytes (or a connection, or end of stream) to read
inline constexpr uint32_t kWatchWrite = 0x02;   // the socket takes data; a stream connect finished
inline constexpr uint32_t kWatchHangup = 0x20;  // the peer closed the stream or the socket failed
// Added to the delivered bits (never armed) when the platform flagged a
// pending socket error with the readiness; the handler reads SO_ERROR.
inline constexpr uint32_t kWatchError = 0x40;

// Identifies one socket registration. 0 is never a valid id.
using WatchId = uint64_t;

// Called with the watched descriptor, exactly one event bit of kWatchRead,
// kWatchWrite or kWatchHangup (plus kWatchError when flagged), and the error
// code given to PostNotification (0 for platform readiness).
using WatchHandler = std::function<void(int fd, uint32_t events, int error)>;

class MessageLoop {
public:
    // The new loop becomes this thread's current loop until it is destroyed.
    // Watches and WindowTimers must be gone before their loop is destroyed.
    MessageLoop();
    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // The innermost live loop constructed on the calling thread; when there
    // is none, a default loop of the thread, created on first use.
    static MessageLoop& Current();

    // Queues a message. Safe from any thread: a message posted from another
    // thread (a lookup worker, say) is queued when the loop next polls.
    void Post(std::function<void()> message);

    // --- Socket notifications -------------------------------------------
    //
    // The notification rules a socket needs:
    //   read    queued when bytes arrive; then again only after
    //           Reenable(id, kWatchRead), which the socket calls after every
    //           receive call: if bytes remain, another read is queued. A
    //           socket that never reads is not flooded with notifications.
    //   write   queued once when the descriptor is first writable after
    //           Watch/Select (for a datagram socket, at once); afterwards only
    //           after Reenable(id, kWatchWrite), which the socket calls when a
    //           send failed with "would block".
    //   hangup  queued once per Watch/Select.
    // At most one notification of each kind is queued for a watch at a time.
    // Select(id, 0) stops all notifications. Notifications still queued for a
    // watch that has been removed with Unwatch are dropped at dispatch, even
    // when the descriptor number has been reused meanwhile.

    // Starts watching `fd` for `events`. Returns 0 and leaves errno set when
    // the platform refuses. Call Unwatch BEFORE closing the descriptor.
    WatchId Watch(int fd, uint32_t events, WatchHandler handler);
    // Replaces the event set and arms every event in it afresh. Returns false
    // and leaves errno set when the platform refuses.
    bool Select(WatchId id, uint32_t events);
    // Arms kWatchRead and/or kWatchWrite again (only those in the event
    // set); a hang-up is re-armed only by Select.
    void Reenable(WatchId id, uint32_t events);
    // Stops watching; notifications still queued for it are dropped.
    void Unwatch(WatchId id);
    // Queues a notification for a watch behind everything already queued, as
    // if the platform had reported it; dropped if the watch is gone by then.
    void PostNotification(WatchId id, uint32_t events, int error);
    bool IsWatched(WatchId id) const { return watches_.count(id) != 0; }

    // --- Pumps --------------------------------------------------------------

    // Dispatches every pending message without blocking; returns at once.
    // Calls the nested-pump hook first.
    void ProcessMessages();
    // Waits up to timeout_ms (-1: no limit) until something is pending, then
    // dispatches everything pending. Returns whether anything was
    // dispatched; it may return false before the timeout (readiness that
    // turned into no message), so timed waits keep their own deadline. With
    // a nested-pump hook a single block lasts at most kHookSliceMs, so the
    // desktop's events are never held up for long.
    bool WaitAndProcessMessages(int timeout_ms);
    // Runs until Quit(); returns at once when Terminated() is already set.
    void Run();
    // Ends Run() (from a handler, or from another thread).
    void Quit();
    bool Terminated() const { return terminated_; }

    // --- Hooks for the desktop program ----------------------------------

    // One descriptor that is readable whenever anything is pending: a posted
    // message, a socket notification or a timer tick.
    int Descriptor() const { return epoll_.Get(); }
    // Dispatches what is pending now, without calling the nested-pump hook
    // (the desktop's own loop is the caller). Messages queued meanwhile wait
    // for the next call: Descriptor() stays readable for them. Answers
    // whether anything was dispatched.
    bool DispatchPending();
    // Called once per round of ProcessMessages and WaitAndProcessMessages:
    // there the desktop processes its own pending events without blocking.
    // (Keep the desktop's notifier on Descriptor() from re-entering
    // DispatchPending meanwhile.)
    void SetNestedPumpHook(std::function<void()> hook) { nested_hook_ = std::move(hook); }
    static constexpr int kHookSliceMs = 10;

    // Receives any exception that escapes a handler; the loop then goes on.
    // Without one the exception propagates to the caller of the pump (the
    // message is consumed first).
    void SetExceptionHandler(std::function<void(std::exception_ptr)> handler) {
        exception_handler_ = std::move(handler);
    }

    // Number of messages queued and not yet dispatched (readiness not yet
    // polled is not counted).
    size_t PendingCount() const { return queue_.size(); }

private:
    friend class WindowTimer;

    struct Registration {
        WatchId id = 0;
        int fd = -1;
        uint32_t mask = 0;     // the event set
        uint32_t armed = 0;    // events queued when the platform reports them
        uint32_t queued = 0;   // platform notifications queued, not yet dispatched
        bool in_set = false;   // member of the epoll set
        bool enabled = false;  // its one-shot registration has not fired since the last arm
        WatchHandler handler;
    };
    struct Message {
        enum class Kind { kPosted, kNotify, kPostedNotify, kTick } kind;
        std::function<void()> posted;
        uint64_t id = 0;      // watch or timer
        uint32_t events = 0;  // notification bits, or the timer's generation
        int error = 0;
    };

    // Tags in the top bits of epoll_event.data.u64.
    static constexpr uint64_t kTagWake = 1ull << 62;
    static constexpr uint64_t kTagTimer = 2ull << 62;
    static constexpr uint64_t kTagWatch = 3ull << 62;
    static constexpr uint64_t kTagMask = 3ull << 62;

    void Poll(int timeout_ms);
    void TakeWatchReadiness(uint64_t id, uint32_t epoll_events);
    void TakeTimerExpiry(uint64_t id);
    void TakeCrossThreadPosts();
    bool Apply(Registration& watch);
    void Enqueue(Message message);
    void DispatchOne();
    void Deliver(Message& message);
    void DispatchAll();
    void SyncWakeSignal();
    void SignalWake();

    // Timer registry, used by WindowTimer.
    uint64_t AddTimer(WindowTimer* timer, int fd);
    void RemoveTimer(uint64_t id, int fd);

    UniqueFd epoll_;
    UniqueFd wake_;
    std::thread::id owner_;

    std::deque<Message> queue_;
    std::mutex incoming_mutex_;
    std::vector<std::function<void()>> incoming_;  // posts from other threads
    bool wake_signalled_ = false;                  // guarded by incoming_mutex_

    std::unordered_map<WatchId, Registration> watches_;
    std::unordered_map<int, WatchId> watch_by_fd_;
    std::unordered_map<uint64_t, WindowTimer*> timers_;
    uint64_t next_id_ = 1;

    std::atomic<bool> terminated_{false};
    std::function<void()> nested_hook_;
    std::function<void(std::exception_ptr)> exception_handler_;
};

// A window timer on a message loop: while Enabled, with a non-zero Interval
// and an OnTimer handler, it queues a tick every Interval milliseconds. At
// most one tick is queued at a time; ticks missed meanwhile are not made up.
//   - changing Interval of a running timer restarts its period;
//   - Interval 0 never ticks;
//   - enabling an enabled timer changes nothing (its phase is kept);
//   - disabling stops it and drops a tick already queued.
// Defaults as the framework timer: Enabled, Interval 1000 ms. It does not run
// before an OnTimer handler is given.
class WindowTimer {
public:
    explicit WindowTimer(MessageLoop& loop = MessageLoop::Current());
    ~WindowTimer();
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    uint32_t Interval() const { return interval_ms_; }
    void SetInterval(uint32_t ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    const std::function<void()>& OnTimer() const { return on_timer_; }
    void SetOnTimer(std::function<void()> handler);

    // Whether ticks are being produced now.
    bool Running() const { return enabled_ && interval_ms_ > 0 && on_timer_ != nullptr; }

private:
    friend class MessageLoop;

    void Update();
    void Tick(uint32_t generation);

    MessageLoop& loop_;
    UniqueFd fd_;
    uint64_t id_ = 0;
    uint32_t interval_ms_ = 1000;
    bool enabled_ = true;
    std::function<void()> on_timer_;
    uint32_t generation_ = 0;  // a queued tick of an older generation is dropped
    bool tick_queued_ = false;
};

}  // namespace torvane

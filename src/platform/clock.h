// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

namespace torvane {

// The two kinds of time Torvane needs. Reply stamps and search starts are
// measured on a steady clock, so a step of the wall clock (NTP, the user
// changing the date) can never make a server look silent or instantaneous.
// Peer timings (status-request spacing, user expiry) use calendar seconds,
// since they are compared with each other only.
class Clock {
public:
    virtual ~Clock() = default;

    // Monotonic time in 100-nanosecond units from an arbitrary origin.
    virtual int64_t SteadyTicks() const = 0;

    // Seconds since the Unix epoch.
    virtual int64_t CalendarSeconds() const = 0;
};

class SystemClock final : public Clock {
public:
    int64_t SteadyTicks() const override;
    int64_t CalendarSeconds() const override;

    // One process-wide instance; it holds no state.
    static const SystemClock& Instance();
};

// A clock the tests move by hand.
class ManualClock final : public Clock {
public:
    int64_t SteadyTicks() const override { return steady_ticks_; }
    int64_t CalendarSeconds() const override { return calendar_seconds_; }

    void AdvanceMs(int64_t ms) { steady_ticks_ += ms * 10'000; }
    void AdvanceSeconds(int64_t s) {
        steady_ticks_ += s * 10'000'000;
        calendar_seconds_ += s;
    }
    void SetCalendarSeconds(int64_t s) { calendar_seconds_ = s; }

private:
    int64_t steady_ticks_ = 1'000'000'000;
    int64_t calendar_seconds_ = 1'700'000'000;
};

}  // namespace torvane

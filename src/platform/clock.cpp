// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/clock.h"

#include <ctime>

namespace torvane {

namespace {
int64_t Read(clockid_t id, int64_t divisor_ns) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<int64_t>(ts.tv_sec) * (1'000'000'000 / divisor_ns) + ts.tv_nsec / divisor_ns;
}
}  // namespace

int64_t SystemClock::SteadyTicks() const {
    return Read(CLOCK_MONOTONIC, 100);
}

int64_t SystemClock::CalendarSeconds() const {
    return static_cast<int64_t>(std::time(nullptr));
}

const SystemClock& SystemClock::Instance() {
    static const SystemClock clock;
    return clock;
}

}  // namespace torvane

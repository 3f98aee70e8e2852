// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

namespace torvane {

// Holds off the next try of an operation that failed for a while. Opening
// the sound system where there is none fails at a high price, and events
// can ask for a sound many times a second; a sound server that starts later
// is still found at the first sound after the pause.
class RetryPause {
public:
    explicit RetryPause(int64_t pause_ms) : pause_ms_(pause_ms) {}

    // Whether a try is due at `now_ms` (any steady milliseconds). A clock
    // that went back ends the pause.
    bool MayTry(int64_t now_ms) const {
        return !failed_ || now_ms < failed_at_ms_ || now_ms - failed_at_ms_ >= pause_ms_;
    }
    void Failed(int64_t now_ms) {
        failed_ = true;
        failed_at_ms_ = now_ms;
    }
    void Succeeded() { failed_ = false; }

private:
    int64_t pause_ms_;
    bool failed_ = false;
    int64_t failed_at_ms_ = 0;
};

}  // namespace torvane

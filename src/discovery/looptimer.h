// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "discovery/searchcycle.h"
#include "net/messageloop.h"

namespace torvane {

// A window timer of the message loop, as the search cycle drives it.
class LoopTimer final : public SearchTimer {
public:
    LoopTimer(MessageLoop& loop, uint32_t interval_ms, bool enabled) : timer_(loop) {
        timer_.SetInterval(interval_ms);
        timer_.SetEnabled(enabled);
    }

    WindowTimer& Timer() { return timer_; }

    uint32_t Interval() const override { return timer_.Interval(); }
    void SetInterval(uint32_t ms) override { timer_.SetInterval(ms); }
    bool Enabled() const override { return timer_.Enabled(); }
    void SetEnabled(bool enabled) override { timer_.SetEnabled(enabled); }

private:
    WindowTimer timer_;
};

}  // namespace torvane

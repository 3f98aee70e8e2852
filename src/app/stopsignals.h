// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>

#include "net/messageloop.h"
#include "platform/uniquefd.h"

namespace torvane {

// SIGINT, SIGTERM and SIGHUP (the end of the terminal or of the session)
// delivered through the message loop instead of interrupting it: `on_stop`
// runs as an ordinary handler, so the program ends the way its Exit does,
// saving and logging as usual. The signals are blocked for the whole
// process while this object lives.
class StopSignals {
public:
    StopSignals(MessageLoop& loop, std::function<void()> on_stop);

    // Blocks the signals in the calling thread and in every thread it
    // starts from now on. Call it first thing in main, before any library
    // starts a thread of its own: a thread that does not block them would
    // take the signal and end the program without its shutdown.
    static void Block();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void Read();

    MessageLoop& loop_;
    std::function<void()> on_stop_;
    UniqueFd fd_;
    WatchId id_ = 0;
};

}  // namespace torvane

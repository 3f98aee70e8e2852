// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <chrono>

#include "net/messageloop.h"

namespace torvane {

// Drives the core's message loop from Qt's, so that the program has one loop
// and no polling timer: a notifier on the loop's descriptor dispatches what is
// pending whenever it becomes readable, and the core's nested waits let Qt
// process its own events meanwhile.
class LoopBridge final : public QObject {
    Q_OBJECT

public:
    // Rounds of the core's loop that follow one another run back to back
    // for up to `slice` before Qt has its turn: every turn of Qt's loop
    // repaints what changed, and a stream of datagrams answered one round
    // per turn would spend its time repainting. A fiftieth of a second at
    // most between Qt's turns keeps the windows responsive.
    static constexpr std::chrono::milliseconds kDefaultSlice{20};

    explicit LoopBridge(MessageLoop& loop, QObject* parent = nullptr,
                        std::chrono::milliseconds slice = kDefaultSlice);
    ~LoopBridge() override;

private:
    void Dispatch();
    void ProcessQtEvents();

    MessageLoop& loop_;
    std::chrono::milliseconds slice_;
    QSocketNotifier notifier_;
};

}  // namespace torvane

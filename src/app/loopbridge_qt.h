#pragma once

#include <QObject>
#include <QSocketNotifier>

#include "net/messageloop.h"

namespace torvane {

// Drives the core's message loop from Qt's, so that the program has one loop
// and no polling timer: a notifier on the loop's descriptor dispatches what is
// pending whenever it becomes readable, and the core's nested waits let Qt
// process its own events meanwhile.
class LoopBridge final : public QObject {
    Q_OBJECT

public:
    explicit LoopBridge(MessageLoop& loop, QObject* parent = nullptr);
    ~LoopBridge() override;

private:
    void Dispatch();
    void ProcessQtEvents();

    MessageLoop& loop_;
    QSocketNotifier notifier_;
};

}  // namespace torvane

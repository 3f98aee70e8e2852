// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/loopbridge.h"

#include <QCoreApplication>

namespace torvane {

LoopBridge::LoopBridge(MessageLoop& loop, QObject* parent, std::chrono::milliseconds slice)
    : QObject(parent), loop_(loop), slice_(slice), notifier_(loop.Descriptor(), QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &LoopBridge::Dispatch);
    loop_.SetNestedPumpHook([this] { ProcessQtEvents(); });
}

LoopBridge::~LoopBridge() {
    loop_.SetNestedPumpHook(nullptr);
}

void LoopBridge::Dispatch() {
    // A handler may wait on the core's loop itself; the descriptor must not
    // bring us back in here meanwhile.
    notifier_.setEnabled(false);
    const auto end = std::chrono::steady_clock::now() + slice_;
    while (loop_.DispatchPending() && std::chrono::steady_clock::now() < end) {
    }
    notifier_.setEnabled(true);
}

void LoopBridge::ProcessQtEvents() {
    const bool enabled = notifier_.isEnabled();
    notifier_.setEnabled(false);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    notifier_.setEnabled(enabled);
}

}  // namespace torvane

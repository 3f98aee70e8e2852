// SPDX-License-Identifier: GPL-2.0-or-later
#include "net/wait.h"

#include <algorithm>

namespace torvane {

int32_t CaptionCount(const std::string& caption) {
    size_t i = 0;
    while (i < caption.size() && caption[i] == ' ') ++i;
    uint32_t value = 0;  // unsigned: overflow wraps instead of being undefined
    for (; i < caption.size() && caption[i] >= '0' && caption[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint32_t>(caption[i] - '0');
    }
    return static_cast<int32_t>(value);
}

TCustomWait::TCustomWait(MessageLoop& loop) : loop_(loop), ticker_(loop) {
    ticker_.SetEnabled(false);
    ticker_.SetInterval(1000);
    ticker_.SetOnTimer([this] { TimerEvent(); });
}

TCustomWait::~TCustomWait() {
    // Moved out first: a client may remove itself while being told.
    std::vector<Client> clients = std::move(clients_);
    for (Client& client : clients) client.removed();
}

void TCustomWait::Start() {
    start_count_ = CaptionCount(caption_);
    if (start_count_ == 0) {
        start_count_ = 15;
        SetCaption("15");
    }
    ticker_.SetEnabled(true);
    if (OnWaitStart) OnWaitStart(this);
}

void TCustomWait::Stop() {
    modal_result_ = kModalStopped;
    ticker_.SetEnabled(false);
    SetCaption(std::to_string(start_count_));
    if (OnWaitStop) OnWaitStop(this);
}

void TCustomWait::Restart() {
    SetCaption(std::to_string(start_count_));
}

void TCustomWait::StartModal() {
    // The filter goes back however the wait ends, an exception included.
    struct FilterGuard {
        TWaitView* view;
        explicit FilterGuard(TWaitView* v) : view(v) {
            if (view) view->SetInputFilter(true);
        }
        ~FilterGuard() {
            if (view) view->SetInputFilter(false);
        }
    } guard(view_);
    modal_result_ = kModalRunning;
    Start();
    while (Running()) {
        if (OnWaiting) OnWaiting(this);
        // Blocks until something is dispatched (at the latest the next tick)
        // instead of spinning.
        loop_.WaitAndProcessMessages(-1);
    }
}

void TCustomWait::TimerEvent() {
    int32_t remaining = static_cast<int32_t>(static_cast<int64_t>(CaptionCount(caption_)) - 1);
    if (OnWait) OnWait(this, remaining);
    if (remaining > 0) {
        SetCaption(std::to_string(remaining));
    } else {
        ticker_.SetEnabled(false);
        modal_result_ = kModalTimedOut;
        SetCaption(std::to_string(start_count_));
        if (OnTimeout) OnTimeout(this);
    }
    Invalidate();
}

void TCustomWait::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    Invalidate();
}

void TCustomWait::SetVisible(bool visible) {
    visible_ = visible;
    if (view_) view_->SetVisible(visible);
}

void TCustomWait::SetSize(int width, int height) {
    width_ = width;
    height_ = height;
    Invalidate();
}

int32_t TCustomWait::BarWidth() const {
    if (start_count_ == 0) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(CaptionCount(caption_)) * (width_ - 7) / start_count_);
}

bool TCustomWait::AppMessage(TWaitInput input) {
    if (input == TWaitInput::kOther) return false;
    if (view_) view_->Beep();
    return true;
}

void TCustomWait::FreeNotification(const void* client, std::function<void()> removed) {
    RemoveFreeNotification(client);
    clients_.push_back(Client{client, std::move(removed)});
}

void TCustomWait::RemoveFreeNotification(const void* client) {
    std::erase_if(clients_, [client](const Client& c) { return c.key == client; });
}

void TCustomWait::Invalidate() {
    if (view_) view_->Invalidate();
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The wait control: a small countdown that a socket shows while Flush, Wait
// or ReadLine wait without MultiThreaded. Its Caption holds the remaining
// count while it runs and the start count otherwise; a Ticker counts it down
// once per Interval through the message loop. StartModal runs a nested
// message loop until the count is stopped or runs out, with clicks and key
// presses swallowed meanwhile.
//
// Only the counting lives here. The window that draws the control and
// filters the input implements TWaitView; without one the control counts
// all the same.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/messageloop.h"

namespace torvane {

class TCustomWait;

using TWaitEvent = std::function<void(TCustomWait* Sender, int32_t Count)>;
using TWaitNotifyEvent = std::function<void(TCustomWait* Sender)>;

// Input that reaches the program while a modal wait runs.
enum class TWaitInput {
    kButtonDown,         // left or right button
    kButtonDoubleClick,  // left or right button
    kKeyDown,            // including system keys (Alt combinations)
    kOther,
};

// What the control needs from the window that shows it.
class TWaitView {
public:
    virtual ~TWaitView() = default;
    // Repaint at the next paint cycle, from Caption() and BarWidth().
    virtual void Invalidate() = 0;
    virtual void SetVisible(bool visible) = 0;
    // While true, every input event is to be offered to AppMessage() first
    // and dropped when it answers true.
    virtual void SetInputFilter(bool installed) = 0;
    virtual void Beep() = 0;
};

class TCustomWait {
public:
    static constexpr int kDefaultWidth = 192;
    static constexpr int kDefaultHeight = 32;
    // Drawing tools of the control (size 8, fixed pitch).
    static constexpr const char* kFontName = "Courrier";
    static constexpr int kFontSize = 8;

    // ModalResult values.
    static constexpr int32_t kModalRunning = 0;
    static constexpr int32_t kModalStopped = 1;
    static constexpr int32_t kModalTimedOut = 2;

    explicit TCustomWait(MessageLoop& loop = MessageLoop::Current());
    virtual ~TCustomWait();
    TCustomWait(const TCustomWait&) = delete;
    TCustomWait& operator=(const TCustomWait&) = delete;

    // Counting.
    virtual void Start();
    virtual void Stop();
    // Runs a nested message loop until Stop() is called (from a handler or
    // by a socket) or the count runs out.
    virtual void StartModal();
    virtual void Restart();

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    int32_t ModalResult() const { return modal_result_; }
    void SetModalResult(int32_t value) { modal_result_ = value; }
    int32_t StartCount() const { return start_count_; }
    uint16_t Interval() const { return static_cast<uint16_t>(ticker_.Interval()); }
    void SetInterval(uint16_t ms) { ticker_.SetInterval(ms); }
    bool Running() const { return ticker_.Enabled(); }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // Geometry and picture.
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetSize(int width, int height);
    // Length of the bar: full at the start count, nothing at 0.
    int32_t BarWidth() const;

    // Input filter while StartModal runs: button presses, double clicks and
    // key presses beep and are swallowed (true); anything else passes.
    bool AppMessage(TWaitInput input);

    // The window that shows the control (may be null; not owned).
    void SetView(TWaitView* view) { view_ = view; }

    // Components referring to the control hear when it is destroyed.
    void FreeNotification(const void* client, std::function<void()> removed);
    void RemoveFreeNotification(const void* client);

    TWaitEvent OnWait;
    TWaitNotifyEvent OnWaiting;
    TWaitNotifyEvent OnWaitStart;
    TWaitNotifyEvent OnWaitStop;
    TWaitNotifyEvent OnTimeout;

protected:
    // One tick of the count.
    void TimerEvent();
    void Invalidate();

private:
    struct Client {
        const void* key;
        std::function<void()> removed;
    };

    MessageLoop& loop_;
    std::string caption_ = "60";
    int32_t modal_result_ = kModalRunning;
    int32_t start_count_ = 60;
    WindowTimer ticker_;
    bool visible_ = true;
    int width_ = kDefaultWidth;
    int height_ = kDefaultHeight;
    TWaitView* view_ = nullptr;
    std::vector<Client> clients_;
};

// The published form of the wait control.
class TWait : public TCustomWait {
public:
    using TCustomWait::TCustomWait;
};

// Leading spaces skipped, then decimal digits up to the first non-digit; no
// sign. Wraps silently on overflow; 0 for a text without leading digits.
int32_t CaptionCount(const std::string& caption);

}  // namespace torvane

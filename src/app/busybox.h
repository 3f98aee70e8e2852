// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>

#include "app/mainview.h"
#include "model/services.h"
#include "model/status.h"

namespace torvane {

// The Busy box of the main window and the Busy entry of the tray menu: the
// program's Busy service. Both are ticked when the window is created. The
// entry follows the box whenever the box's click handling runs; setting the
// entry from program code runs nothing.
class BusyBox final : public BusyFlag {
public:
    // `own_status` makes this copy Busy or Ready when a click says so.
    BusyBox(MainView& view, std::function<void(PeerStatus)> own_status)
        : view_(view), own_status_(std::move(own_status)) {}

    static PeerStatus StatusOf(bool busy) { return busy ? PeerStatus::Busy : PeerStatus::Ready; }

    bool BusyChecked() const override { return box_; }
    void SetBusyCheck(bool checked) override;

    // The tray menu's Busy entry, chosen by the user.
    void MenuClick();
    // The entry set from program code.
    void SetMenuCheck(bool checked);

    // Both shown as they are.
    void Show() { view_.ShowBusy(box_, menu_); }

private:
    void BoxClick();

    MainView& view_;
    std::function<void(PeerStatus)> own_status_;
    bool box_ = true;
    bool menu_ = true;
};

}  // namespace torvane

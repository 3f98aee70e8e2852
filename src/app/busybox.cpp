// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/busybox.h"

namespace torvane {

void BusyBox::SetBusyCheck(bool checked) {
    if (box_ == checked) return;
    box_ = checked;
    BoxClick();
}

void BusyBox::BoxClick() {
    own_status_(StatusOf(box_));
    menu_ = box_;
    view_.ShowBusy(box_, menu_);
    if (box_) view_.ShowOptionsOnInfoPage();
}

void BusyBox::MenuClick() {
    menu_ = !menu_;
    own_status_(StatusOf(menu_));
    view_.ShowBusy(box_, menu_);
    SetBusyCheck(menu_);
}

void BusyBox::SetMenuCheck(bool checked) {
    menu_ = checked;
    view_.ShowBusy(box_, menu_);
}

}  // namespace torvane

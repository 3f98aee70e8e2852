// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/hostwatch.h"

namespace torvane {

void HostWatch::SetStatusText(int panel, const std::string& text) {
    if (panel == 1) merge_texts_ += (merge_texts_.empty() ? "" : "\n") + text;
    view_.SetStatusText(panel, text);
}

void HostWatch::BringToFront() {
    view_.BringToFront();
    popped_up_ = merge_texts_;
    merge_texts_.clear();
}

void HostWatch::ChangesBegin() {
    merge_texts_.clear();
    merged_row_ = -1;
    popped_up_.reset();
}

void HostWatch::ServerChanged(std::size_t index, unsigned what) {
    if (what != kChangedMark) merged_row_ = static_cast<int>(index);
}

void HostWatch::ChangesEnd() {
    const bool merged = merged_row_ >= 0 && static_cast<std::size_t>(merged_row_) < hosts_->size();
    if (popped_up_ && merged) notices_.PoppedUp(*popped_up_, (*hosts_)[merged_row_]);
    popped_up_.reset();
    LookForBuddies();
    AnswerRoomWatch(merged);
}

void HostWatch::LookForBuddies() {
    const BuddyList buddies(settings_.Buddies);
    for (const BuddySighting& sighting : buddy_watch_.Look(buddies, hosts_->Records())) {
        const std::string text = BuddyPlayingText(sighting.Name, (*hosts_)[sighting.Server]);
        log_.AddLogLine(text);
        notices_.BuddyCame(text, (*hosts_)[sighting.Server]);
    }
}

void HostWatch::AnswerRoomWatch(bool merged) {
    if (room_watch_.Empty()) return;
    if (merged) {
        room_watch_.Answered((*hosts_)[merged_row_]);
        return;
    }
    room_watch_.KeepOnly([this](const std::string& address, const std::string& host_name) {
        TQuakeServer key;
        key.Address = address;
        key.HostName = host_name;
        return hosts_->FindServer(key) >= 0;
    });
}

}  // namespace torvane

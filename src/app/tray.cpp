// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/tray.h"

#include <algorithm>

namespace torvane {

TTrayIcon::TTrayIcon(TrayPlatform& platform, TrayWindows& windows) : platform_(platform), windows_(windows) {}

void TTrayIcon::Add() {
    shown_ = true;
    ShowImage(0);
    SetTip("");
    platform_.Show();
}

void TTrayIcon::ShowImage(int image) {
    image_ = image;
    // Every server found and every player entering sets the picture; most
    // times it is the one shown already, and putting it up anew costs the
    // desktop a repaint of the icon and of every window's icon.
    if (image == shown_image_) return;
    shown_image_ = image;
    platform_.ShowImage(image);
}

void TTrayIcon::SetTip(const std::string& text) {
    tip_ = text.substr(0, kMaxTipLength);
    platform_.SetToolTip(tip_);
}

void TTrayIcon::InsertHostEntry(int position) {
    if (position < 0 || static_cast<std::size_t>(position) > entries_.size()) return;
    entries_.insert(entries_.begin() + position, "");
    platform_.InsertHostEntry(position, "");
}

void TTrayIcon::SetHostEntryCaption(int position, const std::string& caption) {
    if (position < 0 || static_cast<std::size_t>(position) >= entries_.size()) return;
    entries_[static_cast<std::size_t>(position)] = caption;
    platform_.SetHostEntryCaption(position, caption);
}

void TTrayIcon::DeleteHostEntry(int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= entries_.size()) return;
    entries_.erase(entries_.begin() + position);
    platform_.RemoveHostEntry(position);
}

void TTrayIcon::SetBusyChecked(bool checked) {
    platform_.SetBusyEntryChecked(checked);
}

void TTrayIcon::Click(TrayClick click) {
    if (click == TrayClick::kLeft) windows_.ShowMainWindow();
}

bool TTrayIcon::MinimizeHandling() {
    if (!platform_.Available()) return false;
    windows_.RestoreAndHideWindows();
    return true;
}

void TTrayIcon::AnnounceEvent(const std::string& text) {
    if (shown_ && platform_.Available() && !text.empty()) platform_.ShowMessage("Torvane", text);
}

void TTrayIcon::Remove() {
    if (!shown_) return;
    shown_ = false;
    platform_.Remove();
}

int TrayHostEntries::Position(std::size_t index) const {
    return static_cast<int>(
        std::count(listed_.begin(), listed_.begin() + static_cast<std::ptrdiff_t>(index), true));
}

void TrayHostEntries::ServerAdded(std::size_t index) {
    if (index <= listed_.size()) listed_.insert(listed_.begin() + static_cast<std::ptrdiff_t>(index), false);
}

// A record gets its entry at its first merge that is not a stranger's.
void TrayHostEntries::ServerChanged(std::size_t index, unsigned what) {
    if (index >= listed_.size() || index >= table_.size()) return;
    const TQuakeServer& record = table_[index];
    if (HostTable::IsQuiet(record)) return;
    if (!listed_[index]) {
        listed_[index] = true;
        tray_.InsertHostEntry(Position(index));
        what |= kChangedCaption;
    }
    if (what & kChangedCaption) tray_.SetHostEntryCaption(Position(index), TrayHostCaption(record));
}

void TrayHostEntries::ServerRemoved(std::size_t index) {
    if (index >= listed_.size()) return;
    if (listed_[index]) tray_.DeleteHostEntry(Position(index));
    listed_.erase(listed_.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace torvane

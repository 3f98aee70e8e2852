// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

#include "app/mainview.h"
#include "app/notices.h"
#include "app/roomwatch.h"
#include "discovery/hosttable.h"
#include "model/services.h"
#include "peers/buddies.h"
#include "settings/settings.h"

namespace torvane {

// What follows each change of the host table: a pop-up told as a
// notification about its server, buddies looked for, and the waits for
// room answered. It stands between the core and the main window as the
// status line and as the host table's window, because a pop-up's
// notification says what status panel 1 said during that merge.
class HostWatch final : public HostTableListener, public StatusLine, public HostWindow {
public:
    HostWatch(MainView& view, const Settings& settings, LogSink& log, TNotices& notices,
              RoomWatch& room_watch)
        : view_(view), settings_(settings), log_(log), notices_(notices), room_watch_(room_watch) {}

    // Follows `hosts` from now on.
    void Watch(HostTable& hosts) {
        hosts_ = &hosts;
        hosts.Subscribe(*this);
    }

    // The status line: the main window's, remembering panel 1 during a merge.
    void SetStatusText(int panel, const std::string& text) override;

    // The host table's window: the main window's, remembering what a pop-up
    // was for.
    void ShowIconImage(int image) override { view_.ShowIconImage(image); }
    void ShowMainWindow() override { view_.ShowMainWindow(); }
    void RestoreApplication() override { view_.RestoreApplication(); }
    void BringToFront() override;

    // A reply's merge (or a search's end) begins; it ends with its record's
    // row filled in.
    void ChangesBegin() override;
    void ServerChanged(std::size_t index, unsigned what) override;
    void ChangesEnd() override;

    // Whether record `index` had a buddy on it at the last look.
    bool HasBuddies(std::size_t index) const { return buddy_watch_.HasBuddies(index); }
    // The buddy list changed: looks again without telling who came, since
    // the user is looking at them.
    void LookAgain(const std::string& setting) { buddy_watch_.Look(BuddyList(setting), hosts_->Records()); }

private:
    void LookForBuddies();
    void AnswerRoomWatch(bool merged);

    MainView& view_;
    const HostTable* hosts_ = nullptr;
    const Settings& settings_;
    LogSink& log_;
    TNotices& notices_;
    RoomWatch& room_watch_;
    BuddyWatch buddy_watch_;
    std::string merge_texts_;               // panel 1's texts since the current merge began
    std::optional<std::string> popped_up_;  // what popped the window up during this merge
    int merged_row_ = -1;                   // the row this merge filled in
};

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/quakeserver.h"
#include "model/services.h"

namespace torvane {

// Whether every place of a server is taken. A server that tells no
// maximum is never full.
bool IsFull(const TQuakeServer& server);

// "Join when there's room": the user waits for a place on full servers,
// and the first answer that shows a free place on one of them launches the
// game there, once. A server is known by its address and host name, as the
// host table knows it.
//
// While Busy is ticked or a game runs, a free place launches nothing and
// the wait goes on: the user asked to play there and has not taken it back,
// and the row still says it waits. Any launch of the game, this one or
// another, ends every wait: the user is playing now.
class RoomWatch {
public:
    RoomWatch(const BusyFlag& busy, Game& game) : busy_(busy), game_(game) {}

    bool Waiting(const TQuakeServer& server) const;
    bool Empty() const { return waiting_.empty(); }

    // The host menu's entry for `server`: "Cancel joining when there's
    // room" while it is waited for, "Join when there's room" when it is
    // full, nothing otherwise.
    std::optional<std::string> MenuEntry(const TQuakeServer& server) const;
    // The entry was chosen: waits for room on `server`, or no more; a
    // server that has room by now is joined at once.
    void MenuEntryChosen(const TQuakeServer& server);

    // Waits for room on a full `server`; one with room is left alone.
    void Arm(const TQuakeServer& server);
    void Cancel(const TQuakeServer& server);

    // An answer of `server` was taken into the table. Launches into it when
    // it is waited for, has room, and neither Busy nor a running game says
    // no; Busy is asked first, the game only when Busy is off.
    void Answered(const TQuakeServer& server);
    // The game was launched, into whichever server: no more waiting.
    void Launched() { waiting_.clear(); }
    // Servers that are no longer in the table are no longer waited for:
    // their rows are gone, and with them the way to cancel.
    void KeepOnly(
        const std::function<bool(const std::string& address, const std::string& host_name)>& present);

private:
    struct Key {
        std::string Address;
        std::string HostName;
    };
    std::vector<Key>::const_iterator Find(const TQuakeServer& server) const;

    const BusyFlag& busy_;
    Game& game_;
    std::vector<Key> waiting_;
};

inline constexpr const char* kJoinWhenRoomEntry = "Join when there's room";
inline constexpr const char* kCancelJoinWhenRoomEntry = "Cancel joining when there's room";

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "model/quakeserver.h"
#include "model/services.h"
#include "peers/peerdatagram.h"

namespace torvane {

// One button of a notification: the key the desktop hands back, and the
// label it shows.
struct NoticeAction {
    std::string Key;
    std::string Label;
    bool operator==(const NoticeAction&) const = default;
};

// A desktop notification as Torvane tells it.
struct Notice {
    std::string Summary;
    std::string Body;  // plain text; lines end in '\n'
    std::vector<NoticeAction> Actions;
};

// Where notifications go: the desktop's notification service, or the tray
// icon's balloon where none answers. `id` comes back with the action the
// user chose.
class NoticeView {
public:
    virtual ~NoticeView() = default;
    virtual void ShowNotice(uint64_t id, const Notice& notice) = 0;
};

// What the notifications' buttons act on beyond Busy and the game: the
// challenge dialog's Accept and Ignore, for `challenge`.
class NoticeHost {
public:
    virtual ~NoticeHost() = default;
    virtual void AcceptChallenge(const Challenge& challenge) = 0;
    virtual void IgnoreChallenge(const Challenge& challenge) = 0;
};

// Which events become notifications, with which buttons, and what a button
// does. A server event is told when it pops the main window up, and its
// "Join" sends the game there; a shout when its pop-up's guards let it
// through; a challenge when its dialog shows, with the dialog's "Accept" and
// "Ignore"; a buddy when first seen, unless Busy or the game says no. A
// button still waits for the user after the event, so "Join" asks Busy and
// the game again when it is chosen.
class TNotices {
public:
    // Notifications whose buttons are still remembered; the desktop tells
    // when one closes, but a service that never does must not make the list
    // grow without end.
    static constexpr std::size_t kRemembered = 64;

    TNotices(NoticeView& view, NoticeHost& host, const BusyFlag& busy, Game& game)
        : view_(view), host_(host), busy_(busy), game_(game) {}

    // An event popped the main window up; `text` is what the status bar said
    // about it, one line each.
    void PoppedUp(const std::string& text, const TQuakeServer& server);
    void Shouted(const std::string& name, const std::string& text);
    void Challenged(const Challenge& challenge);
    // A buddy came; `text` says who and where.
    void BuddyCame(const std::string& text, const TQuakeServer& server);

    // The user chose button `key` of notification `id`.
    void ActionInvoked(uint64_t id, const std::string& key);
    // Notification `id` is gone; its buttons with it.
    void Closed(uint64_t id);

private:
    struct Remembered {
        uint64_t Id = 0;
        std::optional<TQuakeServer> Server;   // "Join"
        std::optional<Challenge> Challenge_;  // "Accept" and "Ignore"
    };
    void Tell(Notice notice, Remembered remembered);

    NoticeView& view_;
    NoticeHost& host_;
    const BusyFlag& busy_;
    Game& game_;
    uint64_t next_id_ = 1;
    std::deque<Remembered> remembered_;
};

// The texts of a notification are the network's: the desktop may read its
// body as markup, so '&', '<' and '>' are written as entities there.
std::string NoticeMarkupText(const std::string& text);

inline constexpr const char* kJoinKey = "join";
inline constexpr const char* kAcceptKey = "accept";
inline constexpr const char* kIgnoreKey = "ignore";

}  // namespace torvane

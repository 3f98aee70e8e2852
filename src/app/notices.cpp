// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/notices.h"

#include <algorithm>

#include "notify/log.h"

namespace torvane {

namespace {

constexpr const char* kSummary = "Torvane";

const NoticeAction kJoin{kJoinKey, "Join"};
const NoticeAction kAccept{kAcceptKey, "Accept"};
const NoticeAction kIgnore{kIgnoreKey, "Ignore"};

}  // namespace

void TNotices::Tell(Notice notice, Remembered remembered) {
    remembered.Id = next_id_++;
    if (!notice.Actions.empty()) {
        if (remembered_.size() == kRemembered) remembered_.pop_front();
        remembered_.push_back(remembered);
    }
    view_.ShowNotice(remembered.Id, notice);
}

void TNotices::PoppedUp(const std::string& text, const TQuakeServer& server) {
    if (text.empty()) return;
    Tell({kSummary, text, {kJoin}}, {0, server, std::nullopt});
}

void TNotices::Shouted(const std::string& name, const std::string& text) {
    Tell({kSummary, name + " shouted \"" + text + "\"", {}}, {});
}

void TNotices::Challenged(const Challenge& challenge) {
    // The fields come from the network: each stays on its line.
    Tell({kSummary,
          EscapeControls(challenge.Challenger) + " challenges you\nGame : " +
              EscapeControls(challenge.HostName) + "\nMap : " + EscapeControls(challenge.MapName),
          {kAccept, kIgnore}},
         {0, std::nullopt, challenge});
}

void TNotices::BuddyCame(const std::string& text, const TQuakeServer& server) {
    if (busy_.BusyChecked() || game_.IsGameRunning()) return;
    Tell({kSummary, text, {kJoin}}, {0, server, std::nullopt});
}

void TNotices::ActionInvoked(uint64_t id, const std::string& key) {
    const auto it = std::find_if(remembered_.begin(), remembered_.end(),
                                 [id](const Remembered& r) { return r.Id == id; });
    if (it == remembered_.end()) return;
    const Remembered chosen = *it;
    remembered_.erase(it);
    if (key == kJoinKey && chosen.Server) {
        if (busy_.BusyChecked() || game_.IsGameRunning()) return;
        game_.LaunchGame(*chosen.Server);
    } else if (key == kAcceptKey && chosen.Challenge_) {
        host_.AcceptChallenge(*chosen.Challenge_);
    } else if (key == kIgnoreKey && chosen.Challenge_) {
        host_.IgnoreChallenge(*chosen.Challenge_);
    }
}

void TNotices::Closed(uint64_t id) {
    std::erase_if(remembered_, [id](const Remembered& r) { return r.Id == id; });
}

std::string NoticeMarkupText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "model/quakeserver.h"

namespace torvane {

// The players the user wants to hear about, as the setting Buddies holds
// them: names separated by commas, each matched exactly (case and all), a
// '*' standing for any run of characters. Blanks around a name are the
// user's typing, not part of it.
class BuddyList {
public:
    explicit BuddyList(std::string_view setting);

    bool Empty() const { return patterns_.empty(); }
    bool Matches(std::string_view name) const;
    // Whether an entry is exactly `name`, as opposed to a pattern that
    // happens to match it.
    bool Names(std::string_view name) const;
    // The first entry that matches `name`, or nothing.
    const std::string* MatchOf(std::string_view name) const;
    const std::vector<std::string>& Patterns() const { return patterns_; }

private:
    std::vector<std::string> patterns_;
};

// Whether `name` matches `pattern`, where '*' matches any run of characters
// and every other character itself.
bool MatchesBuddyPattern(std::string_view pattern, std::string_view name);

// Whether `name` can stand in the list as an entry that means that name
// and no other: not empty, no ',' (it would split), no '*' (it would match
// others) and no blank at either end (it would be trimmed away).
bool CanBeBuddyEntry(std::string_view name);

// The setting with `name` added as one more entry, the user's own text
// kept as it is.
std::string WithBuddy(std::string_view setting, std::string_view name);

// The setting without the entries that are exactly `name`; patterns stay,
// since they name others too.
std::string WithoutBuddy(std::string_view setting, std::string_view name);

// What the player list's menu offers for one player: "Add to buddies" or
// "Remove from buddies", and when it cannot be done, why not.
struct BuddyMenuEntry {
    std::string Caption;
    bool Enabled = true;
    std::string Hint;  // empty when enabled
};
BuddyMenuEntry BuddyMenuFor(std::string_view setting, std::string_view name);

// The buddies on `server`, in its players' order.
std::vector<std::string> BuddiesOn(const BuddyList& buddies, const TQuakeServer& server);

// A buddy who has just come: their name and the server they are on.
struct BuddySighting {
    std::string Name;
    std::size_t Server = 0;  // index in the table that was looked at
};

// Who of the buddies is on some server now. A buddy is announced once per
// stay: when first seen on any server, and again only after a look that
// found them on none.
class BuddyWatch {
public:
    // Looks at every server; answers the buddies who were on none at the
    // last look, each with the first server that has them.
    std::vector<BuddySighting> Look(const BuddyList& buddies, const std::vector<TQuakeServer>& servers);

    // Whether server `index` had a buddy on it at the last look.
    bool HasBuddies(std::size_t index) const { return index < with_buddies_.size() && with_buddies_[index]; }

private:
    std::set<std::string> present_;
    std::vector<bool> with_buddies_;  // by server, at the last look
};

// "Ranger is playing on Arena (q2dm1, 5/8)".
std::string BuddyPlayingText(const std::string& name, const TQuakeServer& server);

}  // namespace torvane

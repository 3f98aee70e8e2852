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
    const std::vector<std::string>& Patterns() const { return patterns_; }

private:
    std::vector<std::string> patterns_;
};

// Whether `name` matches `pattern`, where '*' matches any run of characters
// and every other character itself.
bool MatchesBuddyPattern(std::string_view pattern, std::string_view name);

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

private:
    std::set<std::string> present_;
};

// "Ranger is playing on Arena (q2dm1, 5/8)".
std::string BuddyPlayingText(const std::string& name, const TQuakeServer& server);

}  // namespace torvane

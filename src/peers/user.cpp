// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/user.h"

#include <algorithm>

namespace torvane {

bool UserTable::Store(const User& user) {
    auto found =
        std::find_if(users_.begin(), users_.end(), [&](const User& u) { return u.Address == user.Address; });
    if (found != users_.end()) {
        *found = user;
        return true;
    }
    if (users_.size() >= kMaxUsers) return false;
    users_.push_back(user);
    return true;
}

size_t UserTable::Expire(int64_t now) {
    return std::erase_if(users_, [&](const User& u) { return now - u.LastSeen > kExpirySeconds; });
}

const User* UserTable::FindByAddress(const std::string& address) const {
    auto found =
        std::find_if(users_.begin(), users_.end(), [&](const User& u) { return u.Address == address; });
    return found == users_.end() ? nullptr : &*found;
}

}  // namespace torvane

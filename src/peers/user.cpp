// SPDX-License-Identifier: GPL-2.0-or-later
#include "peers/user.h"

#include <algorithm>

namespace torvane {

unsigned UserChanges(const User& before, const User& after) {
    unsigned what = 0;
    if (before.Name != after.Name) what |= kUserChangedName;
    if (before.Status != after.Status) what |= kUserChangedStatus;
    if (before.Message != after.Message) what |= kUserChangedMessage;
    if (before.Skill != after.Skill || before.Version != after.Version ||
        before.ComputerName != after.ComputerName || before.OwnerName != after.OwnerName ||
        before.ReservedTexts != after.ReservedTexts || before.ReservedIntegers != after.ReservedIntegers ||
        before.KNumber != after.KNumber)
        what |= kUserChangedDetails;
    return what;
}

bool UserTable::Store(const User& user) {
    auto found =
        std::find_if(users_.begin(), users_.end(), [&](const User& u) { return u.Address == user.Address; });
    if (found != users_.end()) {
        const unsigned what = UserChanges(*found, user);
        *found = user;
        const auto index = static_cast<size_t>(found - users_.begin());
        for (UserTableListener* l : listeners_) l->UserChanged(index, what);
        return true;
    }
    if (users_.size() >= kMaxUsers) return false;
    users_.push_back(user);
    for (UserTableListener* l : listeners_) l->UserAdded(users_.size() - 1);
    return true;
}

size_t UserTable::Expire(int64_t now) {
    size_t gone = 0;
    for (size_t i = 0; i < users_.size();) {
        if (now - users_[i].LastSeen <= kExpirySeconds) {
            ++i;
            continue;
        }
        users_.erase(users_.begin() + static_cast<std::ptrdiff_t>(i));
        ++gone;
        for (UserTableListener* l : listeners_) l->UserRemoved(i);
    }
    return gone;
}

const User* UserTable::FindByAddress(const std::string& address) const {
    auto found =
        std::find_if(users_.begin(), users_.end(), [&](const User& u) { return u.Address == address; });
    return found == users_.end() ? nullptr : &*found;
}

}  // namespace torvane

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/status.h"

namespace torvane {

// One copy of Torvane as its latest "TVNINFO" announced it.
struct User {
    std::string Name;
    std::string Address;  // sender's dotted IPv4 text: the key of the table
    PeerStatus Status = PeerStatus::Unknown;
    std::string Message;
    std::array<std::string, 3> ReservedTexts;  // D, E, F
    int32_t Skill = 0;
    std::array<int32_t, 3> ReservedIntegers{};  // G, I, J
    int32_t KNumber = 0;
    std::string Version;
    std::string ComputerName;
    std::string OwnerName;
    int64_t LastSeen = 0;  // receiver's calendar seconds
};

// What a new announcement changed in a user's entry, so that a face
// repaints only that. A new entry has every bit.
enum UserChange : unsigned {
    kUserChangedName = 1u << 0,
    kUserChangedStatus = 1u << 1,
    kUserChangedMessage = 1u << 2,
    kUserChangedDetails = 1u << 3,  // skill, version, computer or owner name, reserved fields
    kUserChangedAll = (1u << 4) - 1,
};

// What the user table announces as its users come, change and go. Entry i
// of the table is the user an announcement names by index i, at the moment
// of the announcement.
class UserTableListener {
public:
    virtual ~UserTableListener() = default;

    // A user was appended as entry `index`.
    virtual void UserAdded(size_t index) { (void)index; }
    // A new announcement overwrote entry `index`; `what` is 0 when it only
    // renewed the user's time.
    virtual void UserChanged(size_t index, unsigned what) { (void)index, (void)what; }
    // Entry `index` is gone; those after it moved up by one.
    virtual void UserRemoved(size_t index) { (void)index; }
};

// What changed between two announcements of one user.
unsigned UserChanges(const User& before, const User& after);

// The users heard from, in order of first arrival. Entries are keyed by the
// sender address and expire 30 seconds after their last announcement.
//
// The table holds at most kMaxUsers entries, so a flood of announcements from
// many addresses cannot grow it without bound. At the cap a new address is
// turned away (Store answers false) until an entry expires; users already in
// the table keep being updated.
class UserTable {
public:
    static constexpr size_t kMaxUsers = 256;
    static constexpr int64_t kExpirySeconds = 30;

    // Every later change is announced to `listener` too, in subscription
    // order.
    void Subscribe(UserTableListener& listener) { listeners_.push_back(&listener); }

    // Overwrites the entry with the same address in place, or appends.
    // Answers false when the address is new and the table is full.
    bool Store(const User& user);

    // Erases every entry last seen more than kExpirySeconds before `now`,
    // keeping the order of the rest. Answers how many went.
    size_t Expire(int64_t now);

    const User* FindByAddress(const std::string& address) const;

    size_t size() const { return users_.size(); }
    bool empty() const { return users_.empty(); }
    const User& operator[](size_t index) const { return users_[index]; }
    auto begin() const { return users_.begin(); }
    auto end() const { return users_.end(); }

private:
    std::vector<User> users_;
    std::vector<UserTableListener*> listeners_;
};

}  // namespace torvane

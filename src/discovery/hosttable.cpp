// SPDX-License-Identifier: GPL-2.0-or-later
#include "discovery/hosttable.h"

#include <algorithm>

#include "discovery/trayicon.h"

namespace torvane {

namespace {
// What a merged reply changed in the stored record, before it is overwritten.
unsigned ChangesOf(const TQuakeServer& fresh, const TQuakeServer& stored) {
    unsigned what = 0;
    if (fresh.Players.size() != stored.Players.size() || fresh.MaxClients != stored.MaxClients)
        what |= kChangedCaption;
    if (fresh.MapName != stored.MapName) what |= kChangedMap;
    const auto same_player = [](const Player& a, const Player& b) {
        return a.Name == b.Name && a.Frags == b.Frags && a.Ping == b.Ping;
    };
    if (!std::equal(fresh.Players.begin(), fresh.Players.end(), stored.Players.begin(), stored.Players.end(),
                    same_player))
        what |= kChangedPlayers;
    if (fresh.Ping != stored.Ping) what |= kChangedPing;
    return what;
}

}  // namespace

HostTable::HostTable(HostWindow& window, const Services& services, const HostSettings& settings,
                     SearchState& search)
    : game_(services.game), settings_(settings), events_(window, services, settings, search) {}

std::size_t HostTable::HashOf(const std::string& address, const std::string& host_name) {
    const std::size_t a = std::hash<std::string>{}(address);
    return a ^ (std::hash<std::string>{}(host_name) + 0x9e3779b97f4a7c15u + (a << 6) + (a >> 2));
}

int HostTable::FindServer(const TQuakeServer& server) const {
    int first = -1;
    const auto [begin, end] = index_.equal_range(HashOf(server.Address, server.HostName));
    for (auto it = begin; it != end; ++it) {
        const TQuakeServer& record = records_[static_cast<std::size_t>(it->second)];
        if (record.Address == server.Address && record.HostName == server.HostName &&
            (first < 0 || it->second < first))
            first = it->second;
    }
    return first;
}

bool HostTable::MayAdd(const TQuakeServer& fresh, Asking asking) const {
    if (asking == Asking::OutsideSearch || records_.size() >= kMaxServers) return false;
    const auto sender = per_sender_.find(fresh.Address);
    return sender == per_sender_.end() || sender->second < max_per_sender_;
}

int HostTable::TrayPosition(std::size_t index) const {
    // Without strangers, which is the LAN's common case, entry i is record i.
    if (quiet_ == 0) return static_cast<int>(index);
    int position = 0;
    for (std::size_t i = 0; i < index && i < records_.size(); ++i)
        if (!IsQuiet(records_[i])) ++position;
    return position;
}

void HostTable::AddServer(TQuakeServer fresh) {
    records_.push_back(std::move(fresh));
    marks_.push_back(-1);
    const TQuakeServer& added = records_.back();
    ++per_sender_[added.Address];
    const int index = static_cast<int>(records_.size()) - 1;
    index_.emplace(HashOf(added.Address, added.HostName), index);
    events_.ServerAdded(static_cast<std::size_t>(index));
    if (IsQuiet(added)) {
        ++quiet_;
        return;
    }
    const std::string text = "New server \"" + added.HostName + "\" found on " + added.Address;
    events_.Announce(text, true);
    events_.SetIcon(EventKind::NewHost);
    events_.EventRaised(EventKind::NewHost, text, added);
    events_.RunActions(EventKind::NewHost, added);
}

void HostTable::MergeServer(TQuakeServer fresh, Asking asking) {
    int index = FindServer(fresh);
    if (index < 0 && !MayAdd(fresh, asking)) return;
    events_.SetAsking(asking);
    events_.ChangesBegin();
    unsigned what = kChangedAll;
    if (index < 0) {
        AddServer(std::move(fresh));
        index = static_cast<int>(records_.size()) - 1;
    } else {
        TQuakeServer& stored = records_[index];
        const bool was_quiet = IsQuiet(stored);
        if (stored.Source < fresh.Source) fresh.Source = stored.Source;
        what = ChangesOf(fresh, stored);
        if (!IsQuiet(fresh)) DetectChanges(fresh, stored, events_);
        // Every field is taken from the reply; the identity stays the same,
        // so the index needs no change. MissCount is 1 again.
        stored = std::move(fresh);
        if (was_quiet && !IsQuiet(stored)) {
            --quiet_;
            what |= kChangedSource;
        }
    }
    events_.ServerChanged(static_cast<std::size_t>(index), what);
    events_.ChangesEnd();
}

void HostTable::MarkAllUnanswered() {
    for (TQuakeServer& record : records_) record.AnswerTime = kNoAnswer;
    events_.SearchStarted();
}

int HostTable::RetriesSetting() const {
    // A Retries text that is not a number must not stop the walk half way
    // (rows left unmarked, the list never repainted): it counts as the
    // default instead, so silent servers still go away in time.
    return settings_.Retries().ValueOrDefault();
}

void HostTable::CountMisses() {
    events_.ChangesBegin();
    // Closed records are squeezed out in one pass, so removing many servers
    // from a large table stays linear. `kept` is the index each record has
    // for the listeners at the moment it is looked at; a kept record moves
    // there before it is announced, so record `kept` is the one named.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        TQuakeServer& record = records_[i];
        const bool answered = record.AnswerTime < kNoAnswer;
        if (!answered && record.MissCount >= RetriesSetting()) {
            if (IsQuiet(record))
                --quiet_;
            else
                events_.Announce(record.HostName + " closed", true);
            if (--per_sender_[record.Address] == 0) per_sender_.erase(record.Address);
            events_.ServerRemoved(kept);
            continue;
        }
        if (!answered) ++record.MissCount;
        if (kept != i) records_[kept] = std::move(record);
        const int mark = answered ? kRowAnswered : kRowSilent;
        const bool marked = marks_[i] != mark;
        marks_[kept] = mark;
        if (marked) events_.ServerChanged(kept, kChangedMark);
        ++kept;
    }
    const bool removed = kept != records_.size();
    records_.resize(kept);
    marks_.resize(kept);
    if (removed) RebuildIndex();
    events_.ChangesEnd();
}

void HostTable::RebuildIndex() {
    index_.clear();
    for (std::size_t i = 0; i < records_.size(); ++i) {
        index_.emplace(HashOf(records_[i].Address, records_[i].HostName), static_cast<int>(i));
    }
}

void HostTable::TrayHostEntryClick(int index) {
    if (index < 0) return;
    for (const TQuakeServer& record : records_) {
        if (IsQuiet(record)) continue;
        if (index-- == 0) return game_.LaunchGame(record);
    }
}

}  // namespace torvane

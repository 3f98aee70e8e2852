#include "discovery/hosttable.h"

#include "discovery/trayicon.h"
#include "platform/convert.h"

namespace torvane {

namespace {
// What Retries means when its text is not a number.
constexpr int kDefaultRetries = 5;
}  // namespace

HostTable::HostTable(HostView& view, GameActions& game, const HostSettings& settings, SearchState& search)
    : view_(view), game_(game), settings_(settings), events_(view, game, settings, search) {}

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
    const TQuakeServer& added = records_.back();
    const int index = static_cast<int>(records_.size()) - 1;
    index_.emplace(HashOf(added.Address, added.HostName), index);
    if (IsQuiet(added)) {
        ++quiet_;
        view_.AppendHostRow();
        return;
    }
    view_.InsertTrayHostEntry(TrayPosition(records_.size() - 1));
    view_.AppendHostRow();
    events_.Announce("New server \"" + added.HostName + "\" found on " + added.Address, true);
    events_.SetIcon(EventKind::NewHost);
    events_.RunActions(EventKind::NewHost, added);
}

void HostTable::MergeServer(TQuakeServer fresh) {
    int index = FindServer(fresh);
    if (index < 0 && records_.size() >= kMaxServers) return;
    view_.BeginHostUpdate();
    if (index < 0) {
        AddServer(std::move(fresh));
        index = static_cast<int>(records_.size()) - 1;
    } else {
        TQuakeServer& stored = records_[index];
        const bool was_quiet = IsQuiet(stored);
        if (stored.Source < fresh.Source) fresh.Source = stored.Source;
        if (!IsQuiet(fresh)) DetectChanges(fresh, stored, events_);
        // Every field is taken from the reply; the identity stays the same,
        // so the index needs no change. MissCount is 1 again.
        stored = std::move(fresh);
        if (was_quiet && !IsQuiet(stored)) {
            --quiet_;
            view_.InsertTrayHostEntry(TrayPosition(index));
        }
    }
    const TQuakeServer& record = records_[index];
    if (!IsQuiet(record)) view_.SetTrayHostEntryCaption(TrayPosition(index), TrayHostCaption(record));
    view_.SetHostRow(index, record.HostName, record.MapName, ServerCaption(record));
    view_.EndHostUpdate();
}

void HostTable::MarkAllUnanswered() {
    for (TQuakeServer& record : records_) record.AnswerTime = kNoAnswer;
}

int HostTable::RetriesSetting() const {
    // A Retries text that is not a number must not stop the walk half way
    // (rows left unmarked, the list never repainted): it counts as the
    // default instead, so silent servers still go away in time.
    return StrToIntDef(settings_.Retries(), kDefaultRetries);
}

void HostTable::CountMisses() {
    view_.BeginHostUpdate();
    // Closed records are squeezed out in one pass, so removing many servers
    // from a large table stays linear. `kept` is the index each record has
    // in the views at the moment it is looked at.
    std::size_t kept = 0;
    int tray_kept = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        TQuakeServer& record = records_[i];
        const int row = static_cast<int>(kept);
        const bool quiet = IsQuiet(record);
        bool closed = false;
        if (record.AnswerTime < kNoAnswer) {
            view_.SetHostRowImage(row, kRowAnswered);
        } else {
            view_.SetHostRowImage(row, kRowSilent);
            if (record.MissCount >= RetriesSetting()) {
                closed = true;
            } else {
                ++record.MissCount;
            }
        }
        if (closed) {
            if (quiet) --quiet_;
            if (!quiet) {
                events_.Announce(record.HostName + " closed", true);
                view_.DeleteTrayHostEntry(tray_kept);
            }
            view_.DeleteHostRow(row);
            continue;
        }
        if (kept != i) records_[kept] = std::move(record);
        ++kept;
        if (!quiet) ++tray_kept;
    }
    const bool removed = kept != records_.size();
    records_.resize(kept);
    if (removed) RebuildIndex();
    view_.EndHostUpdate();
}

void HostTable::RebuildIndex() {
    index_.clear();
    for (std::size_t i = 0; i < records_.size(); ++i) {
        index_.emplace(HashOf(records_[i].Address, records_[i].HostName), static_cast<int>(i));
    }
}

void HostTable::ShowPlayers() {
    const int selected = view_.SelectedHostRow();
    if (selected < 0 || static_cast<std::size_t>(selected) >= records_.size()) {
        view_.ClearPlayers();
        return;
    }
    view_.BeginPlayersUpdate();
    view_.ClearPlayers();
    for (const Player& player : records_[selected].Players)
        view_.AddPlayerRow(player.Name, IntToStr(player.Frags));
    view_.EndPlayersUpdate();
}

void HostTable::TrayHostEntryClick(int index) {
    if (index < 0) return;
    for (const TQuakeServer& record : records_) {
        if (IsQuiet(record)) continue;
        if (index-- == 0) return game_.LaunchGame(record);
    }
}

}  // namespace torvane

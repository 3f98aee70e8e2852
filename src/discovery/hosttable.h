// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "discovery/hostevents.h"
#include "discovery/hostlistener.h"
#include "discovery/hostview.h"
#include "discovery/searchstate.h"
#include "model/quakeserver.h"
#include "model/services.h"

namespace torvane {

// The servers Torvane can see, in the order they were found. It announces
// every change to its listeners (see HostTableListener); record i is the
// server each of them names by index i.
//
// A server known only from a master server's list is a stranger: it gets a
// row but no tray entry, and raises no event and no message (a thousand of
// them must not pop anything up). Its source is the nearest it has been
// reached by while it stays in the table, so a master-listed server that
// turns out to be on the LAN or a favourite gets its tray entry then.
//
// The table holds at most kMaxServers records, so a flood of forged replies
// with ever new host names cannot grow it, the host list and the tray menu
// without bound. At the cap a reply from an unknown server is turned away
// until a silent server is closed; known servers keep being updated.
//
// One sender address holds at most kMaxServersPerSender records (a busy LAN
// host runs a handful of servers), so one host cannot fill the table; and
// only a reply that comes while a search window is open adds a server.
// Replies beyond either bound are dropped without a word.
class HostTable {
public:
    static constexpr std::size_t kMaxServers = 10'000;
    static constexpr int kMaxServersPerSender = 64;

    HostTable(HostWindow& window, const Services& services, const HostSettings& settings,
              SearchState& search);

    std::size_t size() const { return records_.size(); }
    const TQuakeServer& operator[](std::size_t i) const { return records_[i]; }
    const std::vector<TQuakeServer>& Records() const { return records_; }

    // Announcements go to `listener` from now on, after those subscribed
    // before it. The listener must outlive the table or never be called
    // again once gone (it is never unsubscribed).
    void Subscribe(HostTableListener& listener) { events_.Subscribe(listener); }

    // The mark record i got at the end of the last search: kRowAnswered,
    // kRowSilent, or -1 before its first search ended.
    int Mark(std::size_t i) const { return marks_[i]; }

    // Index of the first record with the server's Address and HostName, or
    // -1. Looked up in an index, so a large table costs no more than a small.
    int FindServer(const TQuakeServer& server) const;

    // Adds an accepted reply as a new server or updates the known one,
    // announcing what changed.
    // Takes the record by value so that a reply's record moves into the
    // table instead of being copied. `asking` tells whether the reply
    // answered this copy's own query (see Asking).
    void MergeServer(TQuakeServer fresh, Asking asking = Asking::OwnQuery);

    // How many servers one sender address may hold (kMaxServersPerSender
    // unless changed).
    void SetMaxServersPerSender(int count) { max_per_sender_ = count; }

    // A new search: no server has answered in it yet.
    void MarkAllUnanswered();

    // The end of a search window: marks answered and silent rows, counts
    // misses and removes servers silent for Retries searches in a row.
    void CountMisses();

    // The search's window closed; `summary` is what the tray's tip says.
    void SearchEnded(const std::string& summary) { events_.SearchEnded(summary); }

    // A click on tray host entry `index`: launches into that server at once.
    void TrayHostEntryClick(int index);

    // Whether a record is a stranger's: no tray entry, no events.
    static bool IsQuiet(const TQuakeServer& record) { return record.Source == ServerSource::Master; }
    // The tray entry of record `index` (which must have one): the number of
    // records before it that have one.
    int TrayPosition(std::size_t index) const;

private:
    static std::size_t HashOf(const std::string& address, const std::string& host_name);
    bool MayAdd(const TQuakeServer& fresh, Asking asking) const;
    void AddServer(TQuakeServer fresh);
    int RetriesSetting() const;
    void RebuildIndex();

    Game& game_;
    const HostSettings& settings_;
    HostEvents events_;
    std::vector<TQuakeServer> records_;
    std::vector<int> marks_;  // beside records_, index for index
    // Hash of (Address, HostName) -> indices of the records with that hash;
    // the records themselves tell which one matches. Keeps no copy of the
    // texts, so a server costs the table a few words beyond its record.
    std::unordered_multimap<std::size_t, int> index_;
    std::size_t quiet_ = 0;  // records without a tray entry
    // Records per sender address.
    std::unordered_map<std::string, int> per_sender_;
    int max_per_sender_ = kMaxServersPerSender;
};

}  // namespace torvane

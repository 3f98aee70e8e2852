#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "discovery/hostevents.h"
#include "discovery/hostview.h"
#include "discovery/searchstate.h"
#include "model/quakeserver.h"

namespace torvane {

// The servers Torvane can see, in the order they were found. Record i and
// host row i always belong to the same server, and so do the tray's host
// entries and the records that have one, in the same order.
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
class HostTable {
public:
    static constexpr std::size_t kMaxServers = 10'000;

    HostTable(HostView& view, GameActions& game, const HostSettings& settings, SearchState& search);

    std::size_t size() const { return records_.size(); }
    const TQuakeServer& operator[](std::size_t i) const { return records_[i]; }
    const std::vector<TQuakeServer>& Records() const { return records_; }

    // Index of the first record with the server's Address and HostName, or
    // -1. Looked up in an index, so a large table costs no more than a small.
    int FindServer(const TQuakeServer& server) const;

    // Adds an accepted reply as a new server or updates the known one,
    // announcing what changed.
    // Takes the record by value so that a reply's record moves into the
    // table instead of being copied.
    void MergeServer(TQuakeServer fresh);

    // A new search: no server has answered in it yet.
    void MarkAllUnanswered();

    // The end of a search window: marks answered and silent rows, counts
    // misses and removes servers silent for Retries searches in a row.
    void CountMisses();

    // Fills the player list from the selected row's server, or empties it.
    void ShowPlayers();

    // A click on tray host entry `index`: launches into that server at once.
    void TrayHostEntryClick(int index);

    // Whether a record is a stranger's: no tray entry, no events.
    static bool IsQuiet(const TQuakeServer& record) { return record.Source == ServerSource::Master; }
    // The tray entry of record `index` (which must have one): the number of
    // records before it that have one.
    int TrayPosition(std::size_t index) const;

private:
    static std::size_t HashOf(const std::string& address, const std::string& host_name);
    void AddServer(TQuakeServer fresh);
    int RetriesSetting() const;
    void RebuildIndex();

    HostView& view_;
    GameActions& game_;
    const HostSettings& settings_;
    HostEvents events_;
    std::vector<TQuakeServer> records_;
    // Hash of (Address, HostName) -> indices of the records with that hash;
    // the records themselves tell which one matches. Keeps no copy of the
    // texts, so a server costs the table a few words beyond its record.
    std::unordered_multimap<std::size_t, int> index_;
    std::size_t quiet_ = 0;  // records without a tray entry
};

}  // namespace torvane

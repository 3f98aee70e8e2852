// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// A stand-in for the main window and the settings, with the shared fake
// services, for the discovery tests and the status reply fuzzer. It records
// every call, of the services too, and every announcement of the host table
// it watches as one line of text, in order, and keeps rows built from the announcements alone, as a face
// would, so that the parallel-index rule can be checked.

#include <string>
#include <vector>

#include "../support/fake_services.h"
#include "discovery/hosttable.h"
#include "discovery/hostview.h"

namespace torvane {

struct HostRow {
    std::string host, map, players, tray;
    int image = -1;
};

class RecordingView : public HostWindow, public HostSettings, public HostTableListener {
public:
    std::vector<std::string> calls;
    std::vector<HostRow> rows;
    // The tray's host entries: the captions of the rows that have one, put
    // together when asked (rebuilt at each change, a table of thousands of
    // servers would cost the square of its size).
    std::vector<std::string> Tray() const {
        std::vector<std::string> tray;
        for (const HostRow& row : rows)
            if (!row.tray.empty()) tray.push_back(row.tray);
        return tray;
    }
    // "KIND: TEXT @ HOST" for each event the table raised, KIND its number.
    std::vector<std::string> raised;
    std::vector<std::string> searches;  // "started", "ended: SUMMARY"
    bool out_of_range = false;          // an announcement named a row that does not exist

    // Records what `table` announces from now on.
    void Watch(HostTable& table) {
        table_ = &table;
        table.Subscribe(*this);
    }

    // The services, on the same journal; Busy and the game as the tests set them.
    test::FakeServices services{calls};
    bool& busy = services.busy.busy;
    bool& game_running = services.game.running;
    Services AsServices() { return services.Get(); }

    // Settings the tests set.
    std::string retries = "5";
    EventAction actions[4];

    EventAction& ActionFor(EventKind kind) { return actions[static_cast<int>(kind)]; }
    void Clear() { calls.clear(); }

    void ShowIconImage(int image) override { Record("icon " + std::to_string(image)); }

    void ChangesBegin() override { Record("begin hosts"); }
    void ChangesEnd() override { Record("end hosts"); }
    void ServerAdded(std::size_t index) override {
        Record("added " + std::to_string(index));
        if (Valid(static_cast<int>(index), rows.size() + 1)) rows.insert(rows.begin() + index, HostRow{});
    }
    // A merge shows the record's row ("row I: HOST | MAP | PLAYERS"); the
    // end of a search its mark ("mark I M").
    void ServerChanged(std::size_t index, unsigned what) override {
        const int row = static_cast<int>(index);
        if (!Valid(row, rows.size()) || !table_ || index >= table_->size()) return;
        const TQuakeServer& record = (*table_)[index];
        if ((what & kChangedMark) && rows[index].image != table_->Mark(index)) {
            rows[index].image = table_->Mark(index);
            Record("mark " + std::to_string(row) + " " + std::to_string(rows[index].image));
        }
        if (what == kChangedMark) return;
        rows[index].host = record.HostName;
        rows[index].map = record.MapName;
        rows[index].players = ServerCaption(record);
        if ((what & (kChangedCaption | kChangedSource)) && !HostTable::IsQuiet(record))
            rows[index].tray = TrayHostCaption(record);
        Record("row " + std::to_string(row) + ": " + rows[index].host + " | " + rows[index].map + " | " +
               rows[index].players);
    }
    void ServerRemoved(std::size_t index) override {
        const int row = static_cast<int>(index);
        Record("removed " + std::to_string(row));
        if (!Valid(row, rows.size())) return;
        rows.erase(rows.begin() + row);
    }
    void EventRaised(EventKind kind, const std::string& text, const TQuakeServer& server) override {
        raised.push_back(std::to_string(static_cast<int>(kind)) + ": " + text + " @ " + server.HostName);
    }
    void SearchStarted() override { searches.push_back("started"); }
    void SearchEnded(const std::string& summary) override { searches.push_back("ended: " + summary); }

    void ShowMainWindow() override { Record("show"); }
    void RestoreApplication() override { Record("restore"); }
    void BringToFront() override { Record("front"); }

    NumberText Retries() const override { return {kRetriesField, retries}; }
    EventAction Action(EventKind kind) const override { return actions[static_cast<int>(kind)]; }

private:
    const HostTable* table_ = nullptr;
    void Record(std::string line) { calls.push_back(std::move(line)); }
    bool Valid(int index, std::size_t limit) {
        const bool valid = index >= 0 && static_cast<std::size_t>(index) < limit;
        if (!valid) out_of_range = true;
        return valid;
    }
};

// Empty when record i and row i (its texts, tray caption and mark, as the
// announcements left them) show the same server for every i and FindServer
// finds each record at its own index; otherwise what is wrong.
inline std::string ParallelFault(const HostTable& table, const RecordingView& view) {
    if (view.out_of_range) return "an announcement used an index out of range";
    if (view.rows.size() != table.size()) {
        return "sizes differ: " + std::to_string(table.size()) + " records, " +
               std::to_string(view.rows.size()) + " rows";
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TQuakeServer& record = table[i];
        const HostRow& row = view.rows[i];
        if (row.host != record.HostName || row.map != record.MapName ||
            row.players != ServerCaption(record)) {
            return "row " + std::to_string(i) + " shows another server";
        }
        const std::string tray = HostTable::IsQuiet(record) ? std::string() : TrayHostCaption(record);
        if (row.tray != tray) return "tray entry of record " + std::to_string(i) + " differs";
        if (row.image != table.Mark(i)) return "row " + std::to_string(i) + " shows another mark";
        if (table.FindServer(record) != static_cast<int>(i)) return "index of record " + std::to_string(i);
    }
    return {};
}

}  // namespace torvane

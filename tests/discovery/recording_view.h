#pragma once

// A stand-in for the main window, the game and the settings, shared by the
// discovery tests and the status reply fuzzer. It records every call as one
// line of text, in order, and keeps a model of the host rows, tray host
// entries and player list so the parallel-index rule can be checked.

#include <string>
#include <vector>

#include "discovery/hosttable.h"
#include "discovery/hostview.h"

namespace torvane {

struct HostRow {
    std::string host, map, players;
    int image = -1;
};

class RecordingView : public HostView, public GameActions, public HostSettings {
public:
    std::vector<std::string> calls;
    std::vector<HostRow> rows;
    std::vector<std::string> tray;
    std::vector<std::string> players;
    int selected = -1;
    bool out_of_range = false;  // a view call named a row or entry that does not exist

    // Settings and game state the tests set.
    std::string retries = "5";
    EventAction actions[4];
    bool busy = false;
    bool game_running = false;

    EventAction& ActionFor(EventKind kind) { return actions[static_cast<int>(kind)]; }
    void Clear() { calls.clear(); }

    void SetStatusText(int panel, const std::string& text) override {
        Record("status " + std::to_string(panel) + ": " + text);
    }
    void AddLogLine(const std::string& text) override { Record("log: " + text); }
    void ShowIconImage(int image) override { Record("icon " + std::to_string(image)); }

    void BeginHostUpdate() override { Record("begin hosts"); }
    void EndHostUpdate() override { Record("end hosts"); }
    void AppendHostRow() override {
        Record("append row");
        rows.emplace_back();
    }
    void SetHostRow(int row, const std::string& host, const std::string& map,
                    const std::string& count) override {
        Record("row " + std::to_string(row) + ": " + host + " | " + map + " | " + count);
        if (Valid(row, rows.size())) rows[row] = {host, map, count, rows[row].image};
    }
    void SetHostRowImage(int row, int image) override {
        Record("row image " + std::to_string(row) + " " + std::to_string(image));
        if (Valid(row, rows.size())) rows[row].image = image;
    }
    void DeleteHostRow(int row) override {
        Record("delete row " + std::to_string(row));
        if (!Valid(row, rows.size())) return;
        rows.erase(rows.begin() + row);
        if (selected == row) selected = -1;
        if (selected > row) --selected;
    }
    int SelectedHostRow() const override { return selected; }

    void InsertTrayHostEntry(int position) override {
        Record("tray insert " + std::to_string(position));
        if (Valid(position, tray.size() + 1)) tray.insert(tray.begin() + position, std::string());
    }
    void SetTrayHostEntryCaption(int position, const std::string& caption) override {
        Record("tray caption " + std::to_string(position) + ": " + caption);
        if (Valid(position, tray.size())) tray[position] = caption;
    }
    void DeleteTrayHostEntry(int position) override {
        Record("tray delete " + std::to_string(position));
        if (Valid(position, tray.size())) tray.erase(tray.begin() + position);
    }

    void BeginPlayersUpdate() override { Record("begin players"); }
    void EndPlayersUpdate() override { Record("end players"); }
    void ClearPlayers() override {
        Record("clear players");
        players.clear();
    }
    void AddPlayerRow(const std::string& name, const std::string& frags) override {
        Record("player " + name + " " + frags);
        players.push_back(name + " " + frags);
    }

    void ShowMainWindow() override { Record("show"); }
    void RestoreApplication() override { Record("restore"); }
    void BringToFront() override { Record("front"); }

    bool IsGameRunning() override {
        Record("running?");
        return game_running;
    }
    void LaunchGame(const TQuakeServer& server) override {
        Record("launch " + server.Address + ":" + server.Port + " " + server.HostName);
    }
    void PlayEventSound(const std::string& path) override { Record("sound " + path); }

    std::string Retries() const override { return retries; }
    EventAction Action(EventKind kind) const override { return actions[static_cast<int>(kind)]; }
    bool BusyChecked() const override { return busy; }

private:
    void Record(std::string line) { calls.push_back(std::move(line)); }
    bool Valid(int index, std::size_t limit) {
        const bool valid = index >= 0 && static_cast<std::size_t>(index) < limit;
        if (!valid) out_of_range = true;
        return valid;
    }
};

// Empty when record i, row i and tray entry i show the same server for every
// i and FindServer finds each record at its own index; otherwise what is wrong.
inline std::string ParallelFault(const HostTable& table, const RecordingView& view) {
    if (view.out_of_range) return "a view call used an index out of range";
    std::size_t with_tray = 0;
    for (const TQuakeServer& record : table.Records()) with_tray += HostTable::IsQuiet(record) ? 0 : 1;
    if (view.rows.size() != table.size() || view.tray.size() != with_tray) {
        return "sizes differ: " + std::to_string(table.size()) + " records, " +
               std::to_string(view.rows.size()) + " rows, " + std::to_string(view.tray.size()) +
               " tray entries";
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TQuakeServer& record = table[i];
        const HostRow& row = view.rows[i];
        if (row.host != record.HostName || row.map != record.MapName ||
            row.players != ServerCaption(record)) {
            return "row " + std::to_string(i) + " shows another server";
        }
        if (!HostTable::IsQuiet(record) &&
            view.tray[static_cast<std::size_t>(table.TrayPosition(i))] != TrayHostCaption(record))
            return "tray entry of record " + std::to_string(i) + " differs";
        if (table.FindServer(record) != static_cast<int>(i)) return "index of record " + std::to_string(i);
    }
    return {};
}

}  // namespace torvane

#pragma once

// Fakes of the windows and the platform for the tests of the wired core: they
// record what they are told in one journal, shared with the spawner and the
// sound output, so orders across them show.

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "app/mainview.h"
#include "app/shell.h"
#include "discovery/searchcycle.h"
#include "notify/logf.h"
#include "peers/suggest.h"
#include "peers/userform.h"
#include "platform/computername.h"
#include "platform/processes.h"
#include "platform/sound.h"
#include "platform/spawn.h"
#include "settings/options.h"

namespace torvane::test {

using Journal = std::vector<std::string>;

// Every window of the program, recording what it is told in one journal it
// shares with the spawner and the sound output, so orders across them show.
class FakeWindows final : public MainView, public UsersView, public SuggestView {
public:
    explicit FakeWindows(Journal& journal) : journal_(journal) {}
    int selected_host = -1;

    void SetStatusText(int panel, const std::string& text) override {
        Note("status " + std::to_string(panel) + ": " + text);
    }
    void ShowIconImage(int image) override { Note("icon " + std::to_string(image)); }
    void SetTrayTip(const std::string& text) override { Note("tip " + text); }
    void BeginHostUpdate() override {}
    void EndHostUpdate() override {}
    void AppendHostRow() override {}
    void SetHostRow(int, const std::string&, const std::string&, const std::string&) override {}
    void SetHostRowImage(int, int) override {}
    void DeleteHostRow(int) override {}
    int SelectedHostRow() const override { return selected_host; }
    void InsertTrayHostEntry(int) override {}
    void SetTrayHostEntryCaption(int, const std::string&) override {}
    void DeleteTrayHostEntry(int) override {}
    void BeginPlayersUpdate() override {}
    void EndPlayersUpdate() override {}
    void ClearPlayers() override {}
    void AddPlayerRow(const std::string&, const std::string&) override {}
    void ShowMainWindow() override { Note("show window"); }
    void RestoreApplication() override { Note("restore"); }
    void BringToFront() override { Note("to front"); }
    void AnnounceEvent(const std::string& text) override { Note("announce " + text); }
    void ShowBusy(bool box, bool menu) override {
        Note(std::string("busy box ") + (box ? "on" : "off") + ", menu " + (menu ? "on" : "off"));
    }
    void ShowOptionsOnInfoPage() override { Note("options on Info"); }
    void RemoveTrayIcon() override { Note("tray icon removed"); }

    void SetUserRows(const std::vector<UserRow>&) override {}
    int SelectedUserRow() const override { return -1; }
    void SelectUserRow(size_t) override {}
    void ShowInfo(const std::vector<InfoRow>&) override {}
    void HideInfo() override {}
    void AddChatRow(const std::string&, const std::string&, const std::string&) override {}
    void DeleteFirstChatRow() override {}
    std::string MessageText() const override { return ""; }
    void SelectAllMessageText() override {}
    void PopUp() override {}

    void SetPlayerLabel(const std::string&) override {}
    void SetGameLabel(const std::string&) override {}
    void SetMapLabel(const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ShowAndRaise() override {}
    void Hide() override {}

private:
    void Note(const std::string& text) { journal_.push_back(text); }
    Journal& journal_;
};

// The log window: each line it shows, without its time.
class FakeLog final : public LogView {
public:
    explicit FakeLog(Journal& journal) : journal_(journal) {}
    void AppendLine(const std::string& line) override {
        journal_.push_back("log " + line.substr(line.find(" : ") + 3));
    }
    void SetInputEnabled(bool enabled) override { journal_.push_back(enabled ? "log on" : "log off"); }
    void ShowAndRaise() override { journal_.push_back("log window shown"); }

private:
    Journal& journal_;
};

// The options dialog and the windows' places.
class FakeOptions final : public OptionsView, public ShellWindows {
public:
    explicit FakeOptions(Journal& journal) : journal_(journal) {}
    bool tray_available = true;
    WindowGeometry places;

    void SetCaption(const std::string& text) override { Note("options caption " + text); }
    void ShowSettings() override { Note("options show settings"); }
    void ShowAndRaise() override { Note("options shown"); }
    void Hide() override { Note("options hidden"); }
    void SelectPage(OptionsPage page) override {
        Note("options page " + std::to_string(static_cast<int>(page)));
    }
    void FocusBusyEdit() override { Note("options focus busy"); }
    void ShowError(const std::string& message) override { Note("error " + message); }
    std::optional<std::string> RunSoundOpenDialog() override { return std::nullopt; }
    std::optional<std::string> RunLogSaveDialog() override { return std::nullopt; }

    void SetShowHints(bool show) override { Note(show ? "hints on" : "hints off"); }
    void PlaceWindows(const WindowGeometry& geometry) override {
        places = geometry;
        Note("windows placed");
    }
    WindowGeometry WindowPlaces() const override { return places; }
    void SetStayOnTop(bool main, bool users) override {
        Note(std::string("stay on top ") + (main ? "main" : "-") + (users ? " users" : " -"));
    }
    bool StartShown(bool start_minimized) const override { return !start_minimized || !tray_available; }

private:
    void Note(const std::string& text) { journal_.push_back(text); }
    Journal& journal_;
};

class FakeProcesses final : public ProcessList {
public:
    bool game = false;
    std::optional<std::vector<ProcessNames>> Snapshot() const override {
        std::vector<ProcessNames> list{{"bash", "/bin/bash", "/usr/bin/bash"}};
        if (game) list.push_back({"wine", "C:\\QUAKE2\\QUAKE2.EXE", "/usr/bin/wine"});
        return list;
    }
};

class FakeSpawner final : public ProcessSpawner {
public:
    explicit FakeSpawner(Journal& journal) : journal_(journal) {}
    bool succeed = true;
    std::vector<std::string> argv;
    std::string directory;
    SpawnResult Spawn(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& working_directory) override {
        journal_.push_back("spawn " + program);
        argv = arguments;
        directory = working_directory;
        return succeed ? SpawnResult::Started(4242) : SpawnResult::Failed(ENOENT);
    }

private:
    Journal& journal_;
};

class FakeSound final : public SoundOutput {
public:
    explicit FakeSound(Journal& journal) : journal_(journal) {}
    bool PlayFile(const std::string& path, bool wait) override {
        journal_.push_back("play " + path + (wait ? " and wait" : ""));
        return true;
    }

private:
    Journal& journal_;
};

class FixedComputerName final : public ComputerName {
public:
    std::optional<std::string> Read() const override { return "lanbox"; }
};

// A socket that hands the core one datagram, as if it had come in on the
// game port.
class DeliveringSocket final : public SearchSocket {
public:
    DeliveringSocket(std::string datagram, const std::string& from) : datagram_(std::move(datagram)) {
        inet_pton(AF_INET, from.c_str(), &from_);
    }
    bool IsClosed() const override { return false; }
    bool IsConnected() const override { return true; }
    void Connect(const std::string&, const std::string&) override {}
    void Listen(const std::string&, const std::string&) override {}
    void Send(const char*, int) override {}
    void Close() override {}
    int LastError() const override { return 0; }
    std::string PortText() const override { return "27910"; }
    int ReceiveFrom(char* buffer, int size, uint32_t& source) override {
        const int length = std::min(size, static_cast<int>(datagram_.size()));
        std::copy_n(datagram_.data(), length, buffer);
        source = from_;
        return length;
    }

private:
    std::string datagram_;
    uint32_t from_ = 0;
};

}  // namespace torvane::test

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Fakes of the windows and the platform for the tests of the wired core: they
// record what they are told in one journal, shared with the spawner and the
// sound output, so orders across them show.

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/mainview.h"
#include "app/shell.h"
#include "discovery/querysocket.h"
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
class FakeWindows final : public MainView, public UsersView, public ChallengeListener {
public:
    explicit FakeWindows(Journal& journal) : journal_(journal) {}
    int selected_host = -1;

    void SetStatusText(int panel, const std::string& text) override {
        Note("status " + std::to_string(panel) + ": " + text);
    }
    void ShowIconImage(int image) override { Note("icon " + std::to_string(image)); }
    void SetTrayTip(const std::string& text) override { Note("tip " + text); }
    int SelectedHostRow() const override { return selected_host; }
    void ShowMainWindow() override { Note("show window"); }
    void RestoreApplication() override { Note("restore"); }
    void BringToFront() override { Note("to front"); }
    // "notice BODY [KEY...]"; the id of the last one is kept.
    void ShowNotice(uint64_t id, const Notice& notice) override {
        std::string keys;
        for (const NoticeAction& action : notice.Actions) keys += (keys.empty() ? "" : " ") + action.Key;
        Note("notice " + notice.Body + " [" + keys + "]");
        last_notice = id;
    }
    uint64_t last_notice = 0;
    void ShowBusy(bool box, bool menu) override {
        Note(std::string("busy box ") + (box ? "on" : "off") + ", menu " + (menu ? "on" : "off"));
    }
    void ShowOptionsOnInfoPage() override { Note("options on Info"); }
    void ShowLaunchFailure(const std::string& message) override { Note("box " + message); }
    void RemoveTrayIcon() override { Note("tray icon removed"); }

    std::string MessageText() const override { return ""; }
    void SelectAllMessageText() override {}
    void PopUp() override {}

    void ChallengeShown(const ChallengeLabels&) override { Note("suggest shown"); }
    void ChallengeHidden() override { Note("suggest hidden"); }

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
    void FocusField(OptionsField field) override {
        Note("options focus " + std::to_string(static_cast<int>(field)));
    }
    void ShowError(const std::string& message) override { Note("error " + message); }
    // Nothing is typed where no dialog is shown.
    void ShowServerList(ServerList) override {}
    std::string ServerEntryText(ServerList) const override { return {}; }
    void ClearServerEntry(ServerList) override {}
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
        std::vector<ProcessNames> list{{"bash", "/bin/bash", "/usr/bin/bash", ""}};
        if (game) list.push_back({"wine", "C:\\QUAKE2\\QUAKE2.EXE", "/usr/bin/wine", ""});
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

// A socket of the fake network: it opens at once as a datagram socket does,
// notes what it is asked in the journal, and hands over the datagrams a test
// delivers.
class FakeCycleSocket final : public CycleSocket {
public:
    FakeCycleSocket(std::string name, Journal& journal, const std::vector<std::string>& taken_ports)
        : name_(std::move(name)), journal_(journal), taken_ports_(taken_ports) {}

    void Attach(SearchCycle& cycle, bool sends_queries) override {
        cycle_ = &cycle;
        sends_queries_ = sends_queries;
    }
    bool IsClosed() const override { return !open_; }
    bool IsConnected() const override { return open_; }
    void Connect(const std::string& address, const std::string& port) override {
        journal_.push_back("connect " + name_ + " " + address + ":" + port);
        port_ = port;
        open_ = true;
        failure_ = 0;
        if (sends_queries_) cycle_->SessionConnected(*this);
    }
    // A port another program holds fails as a real bind does, with 10048.
    void Listen(const std::string& address, const std::string& port) override {
        journal_.push_back("listen " + name_ + " " + address + ":" + port);
        port_ = port;
        if (std::find(taken_ports_.begin(), taken_ports_.end(), port) != taken_ports_.end()) {
            failure_ = 10048;
            cycle_->SocketError(*this);
            return;
        }
        open_ = true;
    }
    void Send(const char* data, int length) override {
        const std::string datagram(data, static_cast<std::size_t>(length));
        const bool query = datagram == std::string(StatusQuery.data(), StatusQuery.size());
        journal_.push_back("send " + name_ + " " + (query ? "query" : datagram.substr(0, 7)));
    }
    void Close() override {
        journal_.push_back("close " + name_);
        open_ = false;
    }
    int LastError() const override { return failure_; }
    std::string PortText() const override { return port_; }
    int ReceiveFrom(char* buffer, int size, uint32_t& source) override {
        if (inbox_.empty()) return -1;
        const auto [datagram, from] = inbox_.front();
        inbox_.erase(inbox_.begin());
        const int length = std::min(size, static_cast<int>(datagram.size()));
        std::copy_n(datagram.data(), length, buffer);
        source = from;
        return length;
    }

    // One datagram from `from` (dotted), read in its data-available event.
    void Deliver(const std::string& datagram, const std::string& from) {
        uint32_t address = 0;
        inet_pton(AF_INET, from.c_str(), &address);
        inbox_.emplace_back(datagram, address);
        cycle_->DataAvailable(*this);
    }

private:
    std::string name_;
    Journal& journal_;
    const std::vector<std::string>& taken_ports_;
    SearchCycle* cycle_ = nullptr;
    bool sends_queries_ = false;
    bool open_ = false;
    int failure_ = 0;
    std::string port_;
    std::vector<std::pair<std::string, uint32_t>> inbox_;
};

// The core's nine sockets without a network: nothing leaves the process, so
// a search needs no private LAN. The sockets are named by their roles in the
// order the core makes them: W1 to W4, Wan1 to Wan4, Listen.
class FakeNetwork final : public SocketMaker {
public:
    explicit FakeNetwork(Journal& journal) : journal_(journal) {}
    std::unique_ptr<CycleSocket> MakeSocket(MessageLoop&) override {
        static const char* const names[] = {"W1", "W2", "W3", "W4", "Wan1", "Wan2", "Wan3", "Wan4", "Listen"};
        auto socket = std::make_unique<FakeCycleSocket>(names[made_.size() % 9], journal_, taken_ports);
        made_.push_back(socket.get());
        return socket;
    }
    FakeCycleSocket& Socket(std::size_t index) { return *made_.at(index); }
    FakeCycleSocket& ListenSocket() { return *made_.at(8); }

    std::vector<std::string> taken_ports;  // held by another program

private:
    Journal& journal_;
    std::vector<FakeCycleSocket*> made_;
};

}  // namespace torvane::test

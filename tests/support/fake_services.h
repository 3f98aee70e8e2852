// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Stand-ins for the shared services (model/services.h), one each, shared by
// every test folder and the fuzz targets. Each writes what it is asked to
// one journal, a line each, so that a test sees the order of what happened
// across services and the fakes of its own subsystem:
//   "status 1: TEXT", "log: TEXT", "busy on" / "busy off", "running?",
//   "launch ADDRESS:PORT HOST", "sound PATH", and "busy?" where a test
//   asks for the Busy questions too.

#include <functional>
#include <string>
#include <vector>

#include "model/services.h"

namespace torvane::test {

using Journal = std::vector<std::string>;

struct FakeBusy final : BusyFlag {
    explicit FakeBusy(Journal& journal) : journal(journal) {}
    Journal& journal;
    bool busy = false;
    bool tell_asks = false;  // "busy?" for each question

    bool BusyChecked() const override {
        if (tell_asks) journal.push_back("busy?");
        return busy;
    }
    void SetBusyCheck(bool checked) override {
        busy = checked;
        journal.push_back(checked ? "busy on" : "busy off");
    }
};

struct FakeLogSink final : LogSink {
    explicit FakeLogSink(Journal& journal) : journal(journal) {}
    Journal& journal;
    std::vector<std::string> lines;

    void AddLogLine(const std::string& text) override {
        lines.push_back(text);
        journal.push_back("log: " + text);
    }
};

struct FakeStatusLine final : StatusLine {
    explicit FakeStatusLine(Journal& journal) : journal(journal) {}
    Journal& journal;
    std::string panels[2];

    void SetStatusText(int panel, const std::string& text) override {
        if (panel == 0 || panel == 1) panels[panel] = text;
        journal.push_back("status " + std::to_string(panel) + ": " + text);
    }
};

struct FakeGame final : Game {
    explicit FakeGame(Journal& journal) : journal(journal) {}
    Journal& journal;
    bool running = false;
    std::vector<TQuakeServer> launched;
    // What asking does beside answering, as the real detection changes this
    // copy's peer status.
    std::function<void()> on_asked;

    bool IsGameRunning() override {
        journal.push_back("running?");
        if (on_asked) on_asked();
        return running;
    }
    void LaunchGame(const TQuakeServer& server) override {
        launched.push_back(server);
        journal.push_back("launch " + server.Address + ":" + server.Port + " " + server.HostName);
    }
};

struct FakeSounds final : EventSounds {
    explicit FakeSounds(Journal& journal) : journal(journal) {}
    Journal& journal;

    void PlayEventSound(const std::string& path) override { journal.push_back("sound " + path); }
};

// All five, on one journal.
struct FakeServices {
    explicit FakeServices(Journal& journal)
        : busy(journal), log(journal), status(journal), game(journal), sounds(journal) {}

    FakeBusy busy;
    FakeLogSink log;
    FakeStatusLine status;
    FakeGame game;
    FakeSounds sounds;

    Services Get() { return {busy, log, status, game, sounds}; }
};

}  // namespace torvane::test

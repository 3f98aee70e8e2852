// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "platform/processes.h"
#include "platform/spawn.h"
#include "support/fake_services.h"

namespace torvane::test {

// Records every call the launcher makes, in order, as one text each; the
// shared services write to the same journal.
class FakeLauncherHost : public LauncherHost {
public:
    PeerStatus status = PeerStatus::Ready;
    bool window_timer = true;
    bool interval_timer = true;
    std::vector<std::string> journal;
    FakeServices services{journal};
    bool& busy = services.busy.busy;
    std::vector<std::string>& log = services.log.lines;
    const std::string& status1 = services.status.panels[1];

    GameLauncher::SharedServices Shared() { return {services.busy, services.log, services.status}; }

    PeerStatus OwnStatus() const override { return status; }
    void SetOwnStatus(PeerStatus s) override {
        status = s;
        journal.push_back("OwnStatus " + std::to_string(static_cast<int>(s)));
    }
    void SendInfo() override { journal.push_back("SendInfo"); }
    void SetSearchWindowTimerEnabled(bool on) override {
        window_timer = on;
        journal.push_back(std::string("WindowTimer ") + (on ? "on" : "off"));
    }
    void SetIntervalTimerEnabled(bool on) override {
        interval_timer = on;
        journal.push_back(std::string("IntervalTimer ") + (on ? "on" : "off"));
    }
    void StartSearch() override { journal.push_back("StartSearch"); }
    void ShowLaunchFailure(const std::string& message) override { journal.push_back("Box " + message); }
};

class FakeLauncherSettings : public LauncherSettings {
public:
    std::string base_dir = "/games/quake2";
    std::string command = "quake2";
    std::string Quake2BaseDir() const override { return base_dir; }
    std::string Quake2Command() const override { return command; }
};

class FakeProcessList : public ProcessList {
public:
    std::optional<std::vector<ProcessNames>> processes = std::vector<ProcessNames>{};
    mutable int scans = 0;
    std::optional<std::vector<ProcessNames>> Snapshot() const override {
        ++scans;
        return processes;
    }
};

// Records spawn requests; the journal it shares with the host shows their order.
class FakeSpawner : public ProcessSpawner {
public:
    explicit FakeSpawner(std::vector<std::string>& journal) : journal_(journal) {}
    int error = 0;  // the errno of a failed start; 0 starts
    std::string program;
    std::vector<std::string> argv;
    std::string directory;

    SpawnResult Spawn(const std::string& p, const std::vector<std::string>& a,
                      const std::string& d) override {
        program = p;
        argv = a;
        directory = d;
        journal_.push_back("Spawn");
        return error == 0 ? SpawnResult::Started(4242) : SpawnResult::Failed(error);
    }

private:
    std::vector<std::string>& journal_;
};

}  // namespace torvane::test
